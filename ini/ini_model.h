// The INI store in memory: sections and their keys as lists kept in the
// order they were first seen, every string owned by the store, and an index
// that finds them by name.
#ifndef PORTKIT_INI_INI_MODEL_H
#define PORTKIT_INI_INI_MODEL_H

#include "ini/name_index.h"
#include "portkit/ini.h"

struct PBIniKey {
    char *name;
    char *value;
    PBIniKey *next;
};

struct PBIniSection {
    char *name;
    PBIniKey *first_key;
    PBIniKey *last_key;
    PBIniSection *next;
};

struct PBIniStore {
    PBIniSection *first_section;
    PBIniSection *last_section;
    char *file_name;
    portkit::ini::NameIndex *index;
};

namespace portkit::ini {

// A copy from the library's allocator, or null.
char *CopyString(const char *text);
void FreeString(char *text);
// The key record for section/key; with `create`, made when missing.
PBIniKey *FindKey(PBIniStore *store, const char *section, const char *key, bool create);
// Sets the key, which keeps the case given last, without asking whether the
// text fits a line: the reader passes what it took from one. No nulls.
bool SetKey(PBIniStore *store, const char *section, const char *key, const char *value);

}  // namespace portkit::ini

#endif
