#include "transfer/received_file.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/file_open.h"
#include "transfer/file_list.h"
#include "transfer/transfer_internal.h"

namespace portkit::transfer {
namespace {

// Enough for any name a receiver keeps.
constexpr int kMostOtherNames = 999;

char *CopyOf(const std::string &text) {
    auto *copy = static_cast<char *>(std::malloc(text.size() + 1));
    if (copy != nullptr) std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

// NAME.1, NAME.2, ...: the first that is free, or "" when none is.
std::string FreeNameBeside(const std::string &name) {
    for (int n = 1; n <= kMostOtherNames; ++n) {
        std::string other = name;
        other += '.';
        other += std::to_string(n);
        if (!platform::NameTaken(other.c_str())) return other;
    }
    return "";
}

const char *FinalName(const TransferRecord *record) {
    return record->final_name != nullptr ? record->final_name : record->file_name;
}

void ReportWriteFailure(TransferRecord *record, int reason) {
    XferMessage(record, PORTKIT_WRITE_FAILED_LINE "%s: %s", FinalName(record),
                std::strerror(reason != 0 ? reason : EIO));
}

}  // namespace

std::string PartialNameOf(const std::string &name) {
    const std::size_t slash = name.find_last_of("/\\");
    const std::size_t base = slash == std::string::npos ? 0 : slash + 1;
    std::string partial = name.substr(0, base);
    partial += '.';
    partial += name.substr(base);
    partial += ".part";
    return partial;
}

std::string ExistingCopyName(const TransferRecord *record) {
    const std::string name = record->file_name;
    if (record->partial_names == 0 || platform::NameTaken(name.c_str())) return name;
    std::string partial = PartialNameOf(name);
    return platform::NameTaken(partial.c_str()) ? partial : name;
}

std::FILE *OpenReceivedFile(TransferRecord *record, XferFileOpenFunction open, const char *mode) {
    ReleaseReceivedNames(record);
    record->discarding = 0;
    const std::string name = record->file_name;
    if (mode[0] != 'w') {
        const std::string copy = ExistingCopyName(record);
        if (copy != name) record->writing_name = CopyOf(copy);
        return open(record, copy.c_str(), mode);
    }
    if (platform::NameTaken(name.c_str())) {
        if (record->existing_files == PORTKIT_EXISTING_SKIP) {
            XferMessage(record, "Skipping %s: a file of that name is here already", name.c_str());
            record->discarding = 1;
            return platform::OpenDiscardSink();
        }
        if (record->existing_files == PORTKIT_EXISTING_RENAME) {
            const std::string other = FreeNameBeside(name);
            if (other.empty() || (record->final_name = CopyOf(other)) == nullptr) {
                errno = EEXIST;
                return nullptr;
            }
            XferMessage(record, "Keeping %s; receiving the new one as %s", name.c_str(), other.c_str());
        }
    }
    if (record->partial_names != 0) {
        const std::string partial = PartialNameOf(FinalName(record));
        if ((record->writing_name = CopyOf(partial)) == nullptr) {
            errno = ENOMEM;
            return nullptr;
        }
        return open(record, partial.c_str(), mode);
    }
    return open(record, FinalName(record), mode);
}

namespace {

// An ASCII receive ends well when the line falls quiet (-617).
bool EndedWell(const TransferRecord *record) {
    return record->status >= 0 ||
           (record->transfer_type == PORTKIT_ASCII && record->status == PORTKIT_XFER_CHAR_TIMEOUT);
}

void CloseFile(TransferRecord *record, bool finished) {
    std::FILE *file = record->file;
    record->file = nullptr;
    if (file == nullptr || record->discarding != 0) {
        if (file != nullptr) platform::CloseTransferFile(file);
        record->discarding = 0;
        ReleaseReceivedNames(record);
        return;
    }
    // Buffered data meets a full disk here as often as in the writes.
    errno = 0;
    bool written = std::fflush(file) == 0 && std::ferror(file) == 0;
    int reason = errno;
    if (written && finished) {
        if (record->file_mode > 0) platform::ApplyFileMode(file, record->file_mode);
        if (record->file_time != -1) record->file_time = StampFileTime(file, record->file_time);
    }
    if (platform::CloseTransferFile(file) != 0 && written) {
        written = false;
        reason = errno;
    }
    // A failed write ends the transfer, unless it has ended already.
    if (!written && finished) {
        ReportWriteFailure(record, reason);
        record->status = PORTKIT_XFER_FILE_IO;
    }
    if (record->writing_name != nullptr) {
        if (written && finished) {
            if (!platform::ReplaceFileWith(record->writing_name, FinalName(record))) {
                XferMessage(record, "Cannot rename %s to %s: %s", record->writing_name, FinalName(record),
                            std::strerror(errno));
                record->status = PORTKIT_XFER_FILE_IO;
            }
        } else {
            XferMessage(record, "Kept the partial file %s", record->writing_name);
        }
    }
    ReleaseReceivedNames(record);
}

}  // namespace

void CloseReceivedFile(TransferRecord *record) { CloseFile(record, EndedWell(record)); }

void CloseUnfinishedFile(TransferRecord *record) { CloseFile(record, false); }

void DiscardReceivedFile(TransferRecord *record) {
    if (record->file == nullptr) return;
    platform::CloseTransferFile(record->file);
    record->file = nullptr;
    if (record->discarding == 0) {
        std::remove(record->writing_name != nullptr ? record->writing_name : FinalName(record));
    }
    record->discarding = 0;
    ReleaseReceivedNames(record);
}

bool WriteReceivedData(TransferRecord *record, const void *data, std::size_t size) {
    if (size == 0) return true;
    errno = 0;
    if (record->file != nullptr && std::fwrite(data, 1, size, record->file) == size) return true;
    ReportWriteFailure(record, errno);
    return false;
}

void ReleaseReceivedNames(TransferRecord *record) {
    std::free(record->writing_name);
    std::free(record->final_name);
    record->writing_name = nullptr;
    record->final_name = nullptr;
}

}  // namespace portkit::transfer
