// The INI store in memory: sections and their keys as lists kept in the
// order they were first seen, every string owned by the store.
#ifndef PORTKIT_INI_INI_MODEL_H
#define PORTKIT_INI_INI_MODEL_H

#include "portkit/ini.h"

struct PBIniKey {
    char *name;
    char *value;
    PBIniKey *next;
};

struct PBIniSection {
    char *name;
    PBIniKey *first_key;
    PBIniSection *next;
};

struct PBIniStore {
    PBIniSection *first_section;
    char *file_name;
};

namespace portkit::ini {

// A copy from the library's allocator, or null.
char *CopyString(const char *text);
void FreeString(char *text);
// The key record for section/key; with `create`, made when missing.
PBIniKey *FindKey(PBIniStore *store, const char *section, const char *key, bool create);

}  // namespace portkit::ini

#endif
