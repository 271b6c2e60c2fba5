// Opening each file of a transfer through the process's file-open hook.
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/directories.h"

#include "transfer/received_file.h"
#include "transfer/received_names.h"
#include "transfer/transfer_internal.h"
#include "transfer/zmodem/zmodem_engine.h"

namespace portkit::transfer {
namespace {

XferFileOpenFunction OpenHook(TransferRecord *record) {
    DSInstanceData *settings = SettingsOf(record->port);
    return settings != nullptr && settings->xfer_file_open_function != nullptr ? settings->xfer_file_open_function
                                                                               : _DefaultXferFileOpenFunction;
}

// The name and the system's reason, for the user to act on.
void LogOpenFailure(TransferRecord *record, int reason) {
    if (record->file_name == nullptr || reason == 0) return;
    if (reason == ELOOP) {
        XferMessage(record, "Refused %s: a symbolic link, not followed", record->file_name);
    } else {
        XferMessage(record, "Cannot open %s: %s", record->file_name, std::strerror(reason));
    }
}

}  // namespace

void UnhideReceivedName(TransferRecord *record) {
    if (record->no_hidden_names == 0 || record->file_name == nullptr) return;
    const std::string given = record->file_name;
    if (!UnhideName(record->file_name)) return;
    XferMessage(record, "Renamed %s to %s: no hidden files", given.c_str(), record->file_name);
    if (std::strchr(record->file_name, '/') != nullptr) platform::CreateParentDirectories(record->file_name);
}

int XferOpenFile(TransferRecord *record) {
    if (record->status == PORTKIT_XFER_SHOULD_SKIP) record->status = 0;
    record->byte_total = 0;
    errno = 0;  // what a failing open hook leaves here names the reason
    if (record->sending) {
        if (record->file_list != nullptr) record->file_name = record->file_list->path_name;
        if (record->file_name != nullptr) {
            XferMessage(record, "Opening file %s", record->file_name);
            record->file = OpenHook(record)(record, record->file_name, "rb");
        }
    } else if (record->file_name != nullptr && record->file_name[0] != '\0') {
        UnhideReceivedName(record);
        XferMessage(record, "Opening file %s", record->file_name);
        if (ZmodemReceiverDecides(record))
            OpenZmodemReceivedFile(record, OpenHook(record));
        else
            record->file = OpenReceivedFile(record, OpenHook(record), "wb");
    }
    if (record->file != nullptr) {
        const bool counts = !(record->sending && record->transfer_type == PORTKIT_ZMODEM) && record->discarding == 0;
        if (counts) ++record->file_count;
        if (record->sending && record->file_list != nullptr) record->file_length = record->file_list->size;
        return XferCheckAbort(record) ? 0 : 1;
    }
    if (record->status == PORTKIT_XFER_SHOULD_SKIP) return 1;
    const int reason = errno;
    record->status = PORTKIT_XFER_OPEN_FAILED;
    XferMessage(record, "Failed to open file");
    LogOpenFailure(record, reason);
    XferCleanUp(record);
    return 0;
}

int XferOpenFileToResume(TransferRecord *record) {
    if (record->file_name != nullptr && record->file_name[0] != '\0') {
        UnhideReceivedName(record);
        errno = 0;
        record->file = OpenReceivedFile(record, OpenHook(record), "r+b");
        if (record->file != nullptr) {
            XferMessage(record, "Resuming file %s", record->file_name);
            record->byte_total = 0;
            ++record->file_count;
            return XferCheckAbort(record) ? 0 : 1;
        }
        // Only a file that is not there yet is created; any other failure
        // must not end in a truncating open.
        if (errno != ENOENT) {
            const int reason = errno;
            record->status = PORTKIT_XFER_OPEN_FAILED;
            LogOpenFailure(record, reason);
            XferCleanUp(record);
            return 0;
        }
    }
    return XferOpenFile(record);
}

}  // namespace portkit::transfer

// Names put on the wire lose their directory part; a slash counts as a
// separator as well as a backslash, so POSIX paths are stripped too.
extern "C" PORTKIT_API char *XferStripPathComponent(char *name) {
    char *last = nullptr;
    for (char *p = name; *p != '\0'; ++p) {
        if (*p == '\\' || *p == '/') last = p;
    }
    if (last == nullptr) last = std::strrchr(name, ':');
    return last != nullptr ? last + 1 : name;
}
