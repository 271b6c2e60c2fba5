// Collects the message lines a transfer gives its message hook, from
// whichever thread the engine runs on.
#ifndef PORTKIT_TESTS_SUPPORT_TRANSFER_LOG_H
#define PORTKIT_TESTS_SUPPORT_TRANSFER_LOG_H

#include <mutex>
#include <string>

#include "portkit/transfer.h"

namespace portkit::test {

class TransferLog {
public:
    static void Hook(const char *line, TransferRecord *) {
        std::lock_guard<std::mutex> lock(mutex_);
        text_ += line;
        text_ += '\n';
    }
    static std::string Text() {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    static bool Has(const std::string &line) { return Text().find(line + "\n") != std::string::npos; }
    static void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        text_.clear();
    }

private:
    static inline std::mutex mutex_;
    static inline std::string text_;
};

}  // namespace portkit::test

#endif
