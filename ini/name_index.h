// Sections and keys by name, matched without regard to ASCII case, so that
// finding one does not walk the lists: reading a file stays linear however
// many sections and keys it holds. The lists keep the order; this only finds.
#ifndef PORTKIT_INI_NAME_INDEX_H
#define PORTKIT_INI_NAME_INDEX_H

#include <string>
#include <unordered_map>

struct PBIniSection;
struct PBIniKey;

namespace portkit::ini {

// Names are never null here. Short of memory, a lookup finds nothing and an
// addition reports false rather than throwing into the C API.
class NameIndex {
public:
    PBIniSection *Section(const char *section) const noexcept;
    PBIniKey *Key(const char *section, const char *key) const noexcept;
    bool AddSection(const char *section, PBIniSection *record) noexcept;
    bool AddKey(const char *section, const char *key, PBIniKey *record) noexcept;

private:
    std::unordered_map<std::string, PBIniSection *> sections_;
    // Keyed by section and key name joined with a NUL, which no name holds.
    std::unordered_map<std::string, PBIniKey *> keys_;
};

}  // namespace portkit::ini

#endif
