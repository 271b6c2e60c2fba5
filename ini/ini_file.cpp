// Reading an INI file into the store and writing the store back. Lines are
// read whole, however long, so a long value survives a round trip.
#include <cstdio>
#include <cstring>
#include <string>

#include "ini/ini_model.h"
#include "portkit/port.h"

namespace portkit::ini {
namespace {

// One line without its line end; false at the end of the file.
bool ReadLine(std::FILE *file, std::string *line) {
    line->clear();
    char piece[128];
    while (std::fgets(piece, sizeof piece, file) != nullptr) {
        line->append(piece);
        if (!line->empty() && line->back() == '\n') {
            line->pop_back();
            // A file written on Windows reads the same everywhere.
            if (!line->empty() && line->back() == '\r') line->pop_back();
            return true;
        }
    }
    return !line->empty();
}

}  // namespace
}  // namespace portkit::ini

using namespace portkit::ini;

extern "C" {

PORTKIT_API int PBReadIniFile(PBIniStore *store) {
    if (store == nullptr || store->file_name == nullptr) return 0;
    std::FILE *file = std::fopen(store->file_name, "r");
    if (file == nullptr) return 0;
    int lines = 0;
    std::string section;
    std::string line;
    while (ReadLine(file, &line)) {
        ++lines;
        if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
            section = line.substr(1, line.size() - 2);
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        // Key and value are taken as they stand, blanks included.
        PBAddKey(store, section.c_str(), line.substr(0, equals).c_str(), line.substr(equals + 1).c_str());
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
            std::fprintf(file, "%s=%s\n", key->name != nullptr ? key->name : "", key->value != nullptr ? key->value : "");
        }
        std::fputc('\n', file);
    }
    std::fclose(file);
}

}  // extern "C"
