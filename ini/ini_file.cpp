// Reading an INI file into the store and writing the store back. Lines are
// read whole, however long, so a long value survives a round trip.
#include <cstdio>
#include <cstring>
#include <string>

#include "ini/ini_line.h"
#include "ini/ini_model.h"
#include "portkit/port.h"

namespace portkit::ini {
namespace {

// Splits the file at its line ends by length, so that no byte of a line,
// NUL included, can hide the line end after it.
class LineReader {
public:
    explicit LineReader(std::FILE *file) : file_(file) {}

    // One line without its line end; false at the end of the file.
    bool Next(std::string *line) {
        line->clear();
        for (;;) {
            if (next_ == end_) {
                next_ = 0;
                end_ = std::fread(block_, 1, sizeof block_, file_);
                if (end_ == 0) return !line->empty();
            }
            const char *start = block_ + next_;
            const auto *line_end = static_cast<const char *>(std::memchr(start, '\n', end_ - next_));
            if (line_end == nullptr) {
                line->append(start, end_ - next_);
                next_ = end_;
                continue;
            }
            line->append(start, static_cast<std::size_t>(line_end - start));
            next_ += static_cast<std::size_t>(line_end - start) + 1;
            // A file written on Windows reads the same everywhere.
            if (!line->empty() && line->back() == '\r') line->pop_back();
            return true;
        }
    }

private:
    std::FILE *file_;
    char block_[4096];
    std::size_t next_ = 0;
    std::size_t end_ = 0;
};

}  // namespace
}  // namespace portkit::ini

using namespace portkit::ini;

extern "C" {

PORTKIT_API int PBReadIniFile(PBIniStore *store) {
    if (store == nullptr || store->file_name == nullptr) return 0;
    std::FILE *file = std::fopen(store->file_name, "rb");
    if (file == nullptr) return 0;
    LineReader reader(file);
    int lines = 0;
    std::string section;
    std::string line;
    while (reader.Next(&line)) {
        ++lines;
        // Names and values are C strings: a NUL ends the text of its line.
        line.resize(std::strlen(line.c_str()));
        if (IsSectionLine(line)) {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        // Key and value are taken as they stand, blanks included. They are
        // written back as this same line, so a key that PBAddKey would refuse,
        // such as one opening with '[', still loads.
        SetKey(store, section.c_str(), line.substr(0, equals).c_str(), line.substr(equals + 1).c_str());
    }
    std::fclose(file);
    return lines;
}

PORTKIT_API void PBWriteIniFile(PBIniStore *store) {
    if (store == nullptr || store->file_name == nullptr) return;
    std::FILE *file = std::fopen(store->file_name, "w");
    if (file == nullptr) return;
    for (const PBIniSection *section = store->first_section; section != nullptr; section = section->next) {
        std::fprintf(file, "[%s]\n", section->name != nullptr ? section->name : "");
        for (const PBIniKey *key = section->first_key; key != nullptr; key = key->next) {
            std::fprintf(file, "%s=%s\n", key->name != nullptr ? key->name : "",
                         key->value != nullptr ? key->value : "");
        }
        std::fputc('\n', file);
    }
    std::fclose(file);
}

}  // extern "C"
