// YMODEM batches: a header block (name, length, time) before each file and
// an empty one at the end, around the XMODEM engines.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "transfer/file_list.h"
#include "transfer/received_names.h"
#include "platform/file_open.h"
#include "transfer/file_header_fields.h"
#include "transfer/xmodem/xmodem_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kHeaderBlock = 128;
constexpr int kLongHeaderBlock = 1024;
constexpr int kAfterFilePauseMs = 1000;
// Received names are kept whole up to this length, a file system's limit.
constexpr std::size_t kNameBufferSize = 256;

// name NUL length SP octal-time SP octal-mode; the time on the wire is UTC.
// A text too long for 128 bytes goes in a 1024-byte block, as lrzsz does.
void FormatHeader(TransferRecord *header, const char *name, int32_t length, int32_t local_time, int mode) {
    std::memset(header->buffer, 0, kLongHeaderBlock);
    const std::size_t name_length = std::strlen(name);
    const std::size_t room = kLongHeaderBlock - 32;
    const std::size_t copied = name_length < room ? name_length : room;
    std::memcpy(header->buffer, name, copied);
    FormatFileHeaderFields(header->buffer + copied + 1, kLongHeaderBlock - copied - 1, length, local_time, mode);
    const std::size_t used = copied + 1 + std::strlen(header->buffer + copied + 1);
    header->block_size = used < kHeaderBlock ? kHeaderBlock : kLongHeaderBlock;
}

// Sends block 0 until acknowledged; streaming batches get one try.
bool SendHeaderBlock(TransferRecord *header) {
    header->retry_count = 0;
    for (;;) {
        const bool sent = SendBlock(header);
        if (sent && WaitForAcknowledgement(header)) return true;
        if (header->status != 0 && header->status != PORTKIT_XFER_BLOCK_FULL) return false;
        ++header->retry_count;
        if (header->transfer_type == PORTKIT_YMODEM_G) return false;
        ++header->error_count;
        if (header->retry_count >= kErrorLimit) {
            header->status = PORTKIT_XFER_TOO_MANY_ERRORS;
            return false;
        }
        if (!sent) header->status = 0;
    }
}

}  // namespace

void YmodemSendBatch(TransferRecord *record) {
    TransferRecord header = *record;
    char none[] = "<none>";
    header.file_name = none;
    header.file = nullptr;
    header.buffer = nullptr;
    record->file_list = nullptr;  // the header record owns the list now
    bool last = false;
    if (XferSetUp(&header)) {
        while (!last) {
            header.block_number = 0;
            header.file_block = 0;
            if (!WaitForReceiverStart(&header)) break;
            last = header.file_list == nullptr || !header.file_list->next(header.file_list);
            if (last) {
                std::memset(header.buffer, 0, kHeaderBlock);
                header.block_size = kHeaderBlock;
            } else {
                FileList *entry = header.file_list;
                record->file_name = entry->path_name;
                record->file_length = entry->size;
                if (entry->size < 0) {
                    XferMessage(record, "File too large to send (2 GiB or more): %s", entry->path_name);
                    header.status = PORTKIT_XFER_OPEN_FAILED;
                    break;
                }
                const char *name = entry->path_name;
                if (record->strip_path) {
                    name = XferStripPathComponent(entry->path_name);
                    XferMessage(record, "Stripped name: %s", name);
                }
                FormatHeader(&header, name, entry->size, entry->time, platform::FileModeOf(entry->path_name));
            }
            if (!SendHeaderBlock(&header)) break;
            if (last) break;
            XmodemSendFile(record);
            if (record->status != 0) break;
        }
    }
    XferCleanUp(&header);
    if (header.status != 0) record->status = header.status;
}

void YmodemReceiveBatch(TransferRecord *record) {
    TransferRecord header = *record;
    header.sending = 0;
    header.buffer = nullptr;
    char name[kNameBufferSize];
    bool ended = false;
    while (!ended) {
        header.file_length = 0;
        if (!XferSetUp(&header)) break;
        header.file_block = 0;
        int kind = 0;
        if (!SendStartOrNak(&header) || !ReadBlock(&header, &kind)) break;
        if (XferSendChar(&header, kACK) < 0) {
            NameSendFailure(&header, PORTKIT_XFER_ACK_FULL);
            break;
        }
        if (kind != kSOH && kind != kSTX) break;
        // The name ends at its NUL, or at the block's end if a sender forgot it.
        const std::size_t name_length = strnlen(header.buffer, static_cast<std::size_t>(header.block_size));
        if (name_length == 0) break;  // the empty header ends the batch
        const std::string received(header.buffer, name_length);
        if (!MakeSafeReceivedName(received.c_str(), record->strip_path == 0, name, sizeof name,
                                  record->no_hidden_names != 0)) {
            XferMessage(record, "Refused file name from the sender");
            header.status = PORTKIT_XFER_OPEN_FAILED;
            break;
        }
        if (std::strcmp(name, received.c_str()) != 0) XferMessage(record, "Stripped name: %s", name);
        std::string information;
        if (name_length + 1 < static_cast<std::size_t>(header.block_size)) {
            const char *rest = header.buffer + name_length + 1;
            information.assign(rest, strnlen(rest, static_cast<std::size_t>(header.block_size) - name_length - 1));
        }
        const FileHeaderFields fields = ParseFileHeaderFields(information.c_str(), 0);
        record->file_length = fields.length;
        record->file_time = fields.time;
        record->file_mode = fields.mode;
        record->file_name = name;
        record->file_list = nullptr;
        XmodemReceiveFile(record);
        PortKillTime(record->port, kAfterFilePauseMs);
        ended = record->status != 0;
        XferCleanUp(&header);
    }
    XferCleanUp(&header);
    if (header.status != 0) record->status = header.status;
    record->file_name = nullptr;
}

}  // namespace portkit::transfer
