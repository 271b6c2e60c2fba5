// How a ZMODEM receiver opens a file that may be here already: resumed,
// appended to, replaced or skipped, by the sender's conversion and
// file-management options and our own resume option.
#include "platform/file_open.h"
#include "transfer/received_file.h"
#include "transfer/zmodem/zmodem_engine.h"

namespace portkit::transfer {
namespace {

struct LocalFile {
    bool exists;
    std::int32_t size;
    std::int32_t time;
};

LocalFile LocalFileOf(const TransferRecord *record) {
    const FileList *entry = record->file_list;
    if (entry == nullptr || entry->error != 0) return {false, 0, -1};
    return {true, entry->size, entry->time};
}

// True when the management option leaves the file here as it is.
bool ManagementSkips(int management, const LocalFile &local, std::int32_t length, std::int32_t time) {
    const bool incoming_newer = time != -1 && time > local.time;
    const bool incoming_longer = length >= 0 && length > local.size;
    switch (management) {
        case kManageProtect:
            return true;
        case kManageNewer:
            return !incoming_newer;
        case kManageNewerOrLonger:
            return !incoming_newer && !incoming_longer;
        case kManageDifferent:
            return length == local.size && time == local.time;
        default:
            return false;
    }
}

}  // namespace

bool ZmodemReceiverDecides(const TransferRecord *record) {
    if (record->transfer_type != PORTKIT_ZMODEM || record->sending) return false;
    const ZmodemArea &z = record->protocol.zmodem;
    const int management = z.management_option & kManagementMask;
    return z.resume != 0 || z.conversion_option == kConversionResume ||
           record->existing_files != PORTKIT_EXISTING_REPLACE || record->partial_names != 0 ||
           (management != kManageNone && management != kManageReplace);
}

// Leaves the file open in `file` with `byte_total` at the offset to ask
// for, or no file and the status -620 for a file to skip.
void OpenZmodemReceivedFile(TransferRecord *record, XferFileOpenFunction open_hook) {
    auto open = [&](TransferRecord *, const char *, const char *mode) {
        return OpenReceivedFile(record, open_hook, mode);
    };
    const ZmodemArea &z = record->protocol.zmodem;
    const int management = z.management_option & kManagementMask;
    const bool resume = z.resume != 0 || z.conversion_option == kConversionResume;
    const LocalFile local = LocalFileOf(record);
    const std::int32_t length = record->file_length;
    auto skip = [&] {
        XferMessage(record, "Skipping file %s", record->file_name);
        record->status = PORTKIT_XFER_SHOULD_SKIP;
    };
    if (!local.exists) {
        record->file = open(record, record->file_name, "wb");
        return;
    }
    // Nothing is truncated before the decision is made. A copy that is here
    // only in part is resumed or written afresh, never kept as it is.
    const bool only_partial = !platform::NameTaken(record->file_name);
    if (!only_partial && ManagementSkips(management, local, length, record->file_time)) return skip();
    if (resume && length >= 0 && local.size == length) {
        // Complete already; only a time stamp may be missing.
        if (record->file_time != -1 && record->file_time != local.time) {
            record->file = open(record, record->file_name, "ab");
            CloseXferFile(record);
        }
        return skip();
    }
    if (resume && length >= 0 && local.size > 0 && local.size < length) {
        record->file = open(record, record->file_name, "ab");
        if (record->file != nullptr) {
            record->byte_total = local.size;
            XferMessage(record, "Resuming at offset %ld", static_cast<long>(local.size));
        }
        return;
    }
    // Without a choice of the sender's, a copy here is ours to protect.
    const bool protect = management == kManageNone && record->existing_files == PORTKIT_EXISTING_SKIP;
    if (protect && platform::NameTaken(record->file_name)) {
        XferMessage(record, "Skipping %s: a file of that name is here already", record->file_name);
        record->status = PORTKIT_XFER_SHOULD_SKIP;
        return;
    }
    if (!resume && management == kManageAppend) {
        // The whole incoming file goes after what is there.
        record->file = open(record, record->file_name, "ab");
        if (record->file != nullptr) XferMessage(record, "Appending at offset %ld", static_cast<long>(local.size));
        return;
    }
    // A longer copy here, or one of unknown relation, is written afresh.
    record->file = open(record, record->file_name, "wb");
}

}  // namespace portkit::transfer
