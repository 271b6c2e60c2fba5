// Building, searching and releasing the store.
#include <cstring>
#include <new>

#include "ini/ini_line.h"
#include "ini/ini_model.h"
#include "portkit/port.h"

namespace portkit::ini {
namespace {

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

// New records go last: the file is written in the order names were first seen.
PBIniSection *AddSection(PBIniStore *store, const char *name) {
    auto *made = NewRecord<PBIniSection>();
    if (made == nullptr) return nullptr;
    made->name = CopyString(name);
    if (made->name == nullptr || !store->index->AddSection(name, made)) {
        FreeString(made->name);
        FreeDriverStructure(made);
        return nullptr;
    }
    (store->last_section != nullptr ? store->last_section->next : store->first_section) = made;
    store->last_section = made;
    return made;
}

PBIniKey *AddKey(PBIniStore *store, PBIniSection *section, const char *name) {
    auto *made = NewRecord<PBIniKey>();
    if (made == nullptr) return nullptr;
    made->name = CopyString(name);
    if (made->name == nullptr || !store->index->AddKey(section->name, name, made)) {
        FreeString(made->name);
        FreeDriverStructure(made);
        return nullptr;
    }
    (section->last_key != nullptr ? section->last_key->next : section->first_key) = made;
    section->last_key = made;
    return made;
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
    if (PBIniKey *found = store->index->Key(section, key)) return found;
    if (!create) return nullptr;
    PBIniSection *holder = store->index->Section(section);
    if (holder == nullptr) holder = AddSection(store, section);
    return holder != nullptr ? AddKey(store, holder, key) : nullptr;
}

bool SetKey(PBIniStore *store, const char *section, const char *key, const char *value) {
    // Copied first, so that running short of memory leaves the key as it was.
    char *name = CopyString(key);
    char *text = CopyString(value);
    PBIniKey *found = name != nullptr && text != nullptr ? FindKey(store, section, key, true) : nullptr;
    if (found == nullptr) {
        FreeString(name);
        FreeString(text);
        return false;
    }
    // The case given last is the one written back.
    FreeString(found->name);
    found->name = name;
    FreeString(found->value);
    found->value = text;
    return true;
}

}  // namespace portkit::ini

using namespace portkit::ini;

extern "C" {

PORTKIT_API PBIniStore *PBConstruct(const char *file_name) {
    auto *store = static_cast<PBIniStore *>(AllocateDriverStructure(sizeof(PBIniStore)));
    if (store == nullptr) return nullptr;
    store->index = new (std::nothrow) NameIndex;
    if (file_name != nullptr) store->file_name = IniFileName(file_name);
    if (store->index == nullptr || (file_name != nullptr && store->file_name == nullptr)) {
        PBDestroy(store);
        return nullptr;
    }
    return store;
}

PORTKIT_API int PBAddKey(PBIniStore *store, const char *section, const char *key, const char *value) {
    // What the file would not give back as it was given is not kept at all.
    if (store == nullptr || !SectionFitsLine(section) || !KeyFitsLine(key, value)) return 0;
    return SetKey(store, section, key, value) ? 1 : 0;
}

PORTKIT_API char *PBFindValue(PBIniStore *store, const char *section, const char *key) {
    if (store == nullptr || section == nullptr || key == nullptr) return nullptr;
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
    delete store->index;
    FreeString(store->file_name);
    FreeDriverStructure(store);
}

}  // extern "C"
