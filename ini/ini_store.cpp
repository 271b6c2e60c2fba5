// Building, searching and releasing the store.
#include <cstring>

#include "ini/ini_model.h"
#include "portkit/port.h"

namespace portkit::ini {
namespace {

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const char *a, const char *b) {
    if (a == nullptr || b == nullptr) return a == b;
    for (; *a != '\0' && *b != '\0'; ++a, ++b) {
        if (Fold(*a) != Fold(*b)) return false;
    }
    return *a == *b;
}

template <typename T>
T *NewRecord() {
    return static_cast<T *>(AllocateDriverStructure(sizeof(T)));
}

// The file name the store uses: no drive or directories, extension .INI.
char *IniFileName(const char *given) {
    const char *base = given;
    for (const char *p = given; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') base = p + 1;
    }
    if (base == given) {
        if (const char *colon = std::strrchr(given, ':')) base = colon + 1;
    }
    const char *dot = std::strrchr(base, '.');
    const std::size_t stem = dot != nullptr ? static_cast<std::size_t>(dot - base) : std::strlen(base);
    auto *name = static_cast<char *>(AllocateDriverStructure(static_cast<unsigned>(stem + 5)));
    if (name == nullptr) return nullptr;
    std::memcpy(name, base, stem);
    std::memcpy(name + stem, ".INI", 5);
    return name;
}

}  // namespace

char *CopyString(const char *text) {
    if (text == nullptr) return nullptr;
    const std::size_t length = std::strlen(text);
    auto *copy = static_cast<char *>(AllocateDriverStructure(static_cast<unsigned>(length + 1)));
    if (copy != nullptr) std::memcpy(copy, text, length + 1);
    return copy;
}

void FreeString(char *text) { FreeDriverStructure(text); }

PBIniKey *FindKey(PBIniStore *store, const char *section, const char *key, bool create) {
    PBIniSection **section_link = &store->first_section;
    while (*section_link != nullptr && !SameName((*section_link)->name, section)) section_link = &(*section_link)->next;
    if (*section_link == nullptr) {
        if (!create) return nullptr;
        auto *made = NewRecord<PBIniSection>();
        if (made == nullptr) return nullptr;
        made->name = CopyString(section);
        *section_link = made;
    }
    PBIniKey **key_link = &(*section_link)->first_key;
    while (*key_link != nullptr && !SameName((*key_link)->name, key)) key_link = &(*key_link)->next;
    if (*key_link == nullptr) {
        if (!create) return nullptr;
        auto *made = NewRecord<PBIniKey>();
        if (made == nullptr) return nullptr;
        made->name = CopyString(key);
        *key_link = made;
    }
    return *key_link;
}

}  // namespace portkit::ini

using namespace portkit::ini;

extern "C" {

PORTKIT_API PBIniStore *PBConstruct(const char *file_name) {
    auto *store = static_cast<PBIniStore *>(AllocateDriverStructure(sizeof(PBIniStore)));
    if (store == nullptr) return nullptr;
    if (file_name != nullptr) {
        store->file_name = IniFileName(file_name);
        if (store->file_name == nullptr) {
            FreeDriverStructure(store);
            return nullptr;
        }
    }
    return store;
}

PORTKIT_API int PBAddKey(PBIniStore *store, const char *section, const char *key, const char *value) {
    if (store == nullptr) return 0;
    PBIniKey *found = FindKey(store, section, key, true);
    if (found == nullptr) return 0;
    // The case given last is the one written back.
    FreeString(found->name);
    found->name = CopyString(key);
    FreeString(found->value);
    found->value = CopyString(value);
    return 1;
}

PORTKIT_API char *PBFindValue(PBIniStore *store, const char *section, const char *key) {
    if (store == nullptr) return nullptr;
    PBIniKey *found = FindKey(store, section, key, false);
    return found != nullptr ? found->value : nullptr;
}

PORTKIT_API void PBDestroy(PBIniStore *store) {
    if (store == nullptr) return;
    for (PBIniSection *section = store->first_section; section != nullptr;) {
        for (PBIniKey *key = section->first_key; key != nullptr;) {
            PBIniKey *next = key->next;
            FreeString(key->value);
            FreeString(key->name);
            FreeDriverStructure(key);
            key = next;
        }
        PBIniSection *next = section->next;
        FreeString(section->name);
        FreeDriverStructure(section);
        section = next;
    }
    FreeString(store->file_name);
    FreeDriverStructure(store);
}

}  // extern "C"
