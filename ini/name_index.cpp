// Case-folded lookup of sections and keys.
#include "ini/name_index.h"

#include <new>

namespace portkit::ini {
namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendFolded(const char *name, std::string *to) {
    for (; *name != '\0'; ++name) to->push_back(Fold(*name));
}

std::string SectionName(const char *section) {
    std::string folded;
    AppendFolded(section, &folded);
    return folded;
}

std::string KeyName(const char *section, const char *key) {
    std::string folded = SectionName(section);
    folded.push_back('\0');
    AppendFolded(key, &folded);
    return folded;
}

template <typename Map>
typename Map::mapped_type Lookup(const Map &map, const std::string &name) {
    const auto found = map.find(name);
    return found != map.end() ? found->second : nullptr;
}

}  // namespace

PBIniSection *NameIndex::Section(const char *section) const noexcept {
    try {
        return Lookup(sections_, SectionName(section));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

PBIniKey *NameIndex::Key(const char *section, const char *key) const noexcept {
    try {
        return Lookup(keys_, KeyName(section, key));
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

bool NameIndex::AddSection(const char *section, PBIniSection *record) noexcept {
    try {
        return sections_.emplace(SectionName(section), record).second;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

bool NameIndex::AddKey(const char *section, const char *key, PBIniKey *record) noexcept {
    try {
        return keys_.emplace(KeyName(section, key), record).second;
    } catch (const std::bad_alloc &) {
        return false;
    }
}

}  // namespace portkit::ini
