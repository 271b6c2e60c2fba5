#include <windows.h>

#include "platform/platform.h"

namespace portkit::platform {

int LastSystemError() { return static_cast<int>(GetLastError()); }

std::string SystemErrorText(int code) {
    char text[256];
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                        static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    std::string message(text, length);
    // The system's sentence ends in ".\r\n"; a message of ours goes on after it.
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "Windows error " + std::to_string(code) : message;
}

}  // namespace portkit::platform
