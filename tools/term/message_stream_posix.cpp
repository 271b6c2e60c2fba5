#include <sys/types.h>

#include <utility>

#include "tools/term/message_stream.h"

namespace portkit::tool {
namespace {

ssize_t WriteToSink(void *cookie, const char *bytes, size_t size) {
    (*static_cast<std::function<void(std::string_view)> *>(cookie))(std::string_view(bytes, size));
    return static_cast<ssize_t>(size);
}

int CloseSink(void *cookie) {
    delete static_cast<std::function<void(std::string_view)> *>(cookie);
    return 0;
}

}  // namespace

std::FILE *OpenMessageStream(std::function<void(std::string_view)> sink) {
    auto *cookie = new std::function<void(std::string_view)>(std::move(sink));
    cookie_io_functions_t functions{nullptr, WriteToSink, nullptr, CloseSink};
    std::FILE *stream = fopencookie(cookie, "w", functions);
    if (stream == nullptr) {
        delete cookie;
        return stderr;
    }
    setvbuf(stream, nullptr, _IONBF, 0);
    return stream;
}

void CloseMessageStream(std::FILE *stream) {
    if (stream != nullptr && stream != stderr) std::fclose(stream);
}

}  // namespace portkit::tool
