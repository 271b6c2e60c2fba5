// A one-entry file list for a name taken literally: no patterns, no
// separators. The ZMODEM opener uses it to see the file already there.
#include <cstring>

#include "transfer/file_list.h"

namespace portkit::transfer {
namespace {

int NoMoreFiles(FileList *) { return 0; }
void DestroyEntry(FileList *list) { FreeXferBuffer(list); }

}  // namespace

FileList *FileListForName(const char *name) {
    auto *list = static_cast<FileList *>(AllocateXferBuffer(sizeof(FileList)));
    if (list == nullptr) return nullptr;
    list->next = NoMoreFiles;
    list->destroy = DestroyEntry;
    std::strncpy(list->path_name, name != nullptr ? name : "", sizeof list->path_name - 1);
    ProcessTXFile(list);
    return list;
}

}  // namespace portkit::transfer
