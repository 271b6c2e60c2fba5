// The XMODEM receiver: start request, blocks checked and acknowledged, EOT.
#include <algorithm>

#include "transfer/received_file.h"
#include "transfer/xmodem/xmodem_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kFirstBlockWaitMs = 5000;
constexpr int kBlockWaitMs = 10000;
constexpr int kCharacterWaitMs = 1000;
// Senders such as lrzsz flush their input right after a block; on a pty an
// answer sent at once can land before that flush and be lost.
constexpr int kPauseBeforeAnswerMs = 2;

bool SendAck(TransferRecord *record) {
    PortKillTime(record->port, kPauseBeforeAnswerMs);
    if (XferSendChar(record, kACK) < 0) {
        NameSendFailure(record, PORTKIT_XFER_ACK_FULL);
        return false;
    }
    return true;
}

void CountError(TransferRecord *record) {
    ++record->error_count;
    ++record->retry_count;
}

// After a damaged block: ask again, clear the line, count the error.
bool RejectBlock(TransferRecord *record) {
    if (!SendStartOrNak(record)) return false;
    if (!Purge(record)) return false;
    CountError(record);
    return true;
}

// Reads `count` bytes, a second at most for each.
bool ReadBytes(TransferRecord *record, char *into, int count) {
    for (int i = 0; i < count; ++i) {
        const int c = WaitForCharacter(record, kCharacterWaitMs);
        if (c < 0) return false;
        into[i] = static_cast<char>(c);
    }
    return true;
}

int BlockCheck(const TransferRecord *record) {
    if (record->protocol.xmodem.crc_mode == 1) return CalculateBlockCRC16(record->block_size, 0, record->buffer);
    unsigned sum = 0;
    for (int i = 0; i < record->block_size; ++i) sum += static_cast<unsigned char>(record->buffer[i]);
    return static_cast<int>(sum & 0xFF);
}

enum class Header { kBlock, kEndOfFile, kRetry, kFailed };

// Waits for SOH, STX or EOT; anything else is an error that asks again.
Header ReadHeader(TransferRecord *record, int *header) {
    XmodemArea &xmodem = record->protocol.xmodem;
    const int c = WaitForCharacter(record, record->file_block < 2 ? kFirstBlockWaitMs : kBlockWaitMs);
    if (c == kStopped) return Header::kFailed;
    const int previous = xmodem.last_char;
    if (c >= 0) xmodem.last_char = c;
    *header = c;
    if (c == kSOH) {
        record->block_size = 128;
        return Header::kBlock;
    }
    if (c == kSTX) {
        record->block_size = 1024;
        return Header::kBlock;
    }
    if (c == kEOT) return Header::kEndOfFile;
    if (c == kCAN && previous == kCAN) {
        record->status = PORTKIT_XFER_REMOTE_ABORT;
        return Header::kFailed;
    }
    if (c >= 0 && c != kCAN && !DiscardUntilQuiet(record)) return Header::kFailed;
    CountError(record);
    if (record->retry_count > 2 && record->file_block == 1 && record->transfer_type <= PORTKIT_YMODEM) {
        xmodem.crc_mode = 0;  // no answer to the CRC request: try checksums
    }
    if (!SendStartOrNak(record)) return Header::kFailed;
    if (record->retry_count >= kErrorLimit) {
        record->status = PORTKIT_XFER_PACKET_TIMEOUT;
        return Header::kFailed;
    }
    return Header::kRetry;
}

}  // namespace

bool SendStartOrNak(TransferRecord *record) {
    int c = kNAK;
    if (record->file_block < 2) {
        if (IsStreaming(record))
            c = kStreamingRequest;
        else if (record->protocol.xmodem.crc_mode == 1)
            c = kCrcRequest;
    }
    PortKillTime(record->port, kPauseBeforeAnswerMs);
    if (XferSendChar(record, c) < 0) {
        NameSendFailure(record, PORTKIT_XFER_NAK_FULL);
        return false;
    }
    return true;
}

bool ReadBlock(TransferRecord *record, int *header) {
    while (record->retry_count < kErrorLimit) {
        if (XferCheckAbort(record)) return false;
        switch (ReadHeader(record, header)) {
            case Header::kBlock:
                break;
            case Header::kEndOfFile:
                return true;
            case Header::kRetry:
                continue;
            case Header::kFailed:
                return false;
        }
        char numbers[2] = {0, 0};
        if (!ReadBytes(record, numbers, 2) ||
            static_cast<unsigned char>(numbers[0]) != (~static_cast<unsigned char>(numbers[1]) & 0xFF)) {
            if (record->status != 0 || !RejectBlock(record)) return false;
            XferMessage(record, "Bad block numbers %02x %02x", static_cast<unsigned char>(numbers[0]),
                        static_cast<unsigned char>(numbers[1]));
            continue;
        }
        record->block_number = static_cast<unsigned char>(numbers[0]);
        const int check_length = record->protocol.xmodem.crc_mode == 1 ? 2 : 1;
        char check[2] = {0, 0};
        if (!ReadBytes(record, record->buffer, record->block_size) || !ReadBytes(record, check, check_length)) {
            if (record->status != 0 || !RejectBlock(record)) return false;
            continue;
        }
        record->block_check = check_length == 2
                                  ? (static_cast<unsigned char>(check[0]) << 8) | static_cast<unsigned char>(check[1])
                                  : static_cast<unsigned char>(check[0]);
        if (record->block_number == ((record->file_block - 1) & 0xFF)) {
            // The sender missed our ACK and sent the last block again.
            if (!SendAck(record)) return false;
            XferMessage(record, "Duplicate block %ld", static_cast<long>(record->file_block));
            CountError(record);
            continue;
        }
        if (record->block_number != (record->file_block & 0xFF)) {
            if (!SendStartOrNak(record)) return false;
            XferMessage(record, "Bad block number waiting for number %ld", static_cast<long>(record->file_block));
            CountError(record);
            continue;
        }
        if (BlockCheck(record) != record->block_check) {
            if (!SendStartOrNak(record)) return false;
            XferMessage(record,
                        record->protocol.xmodem.crc_mode == 1 ? "Bad CRC on block number %ld"
                                                              : "Bad checksum on block number %ld",
                        static_cast<long>(record->file_block));
            CountError(record);
            continue;
        }
        XferMessage(record, "Read %d byte block %ld", record->block_size, static_cast<long>(record->file_block));
        ++record->file_block;
        const bool announced = record->transfer_type == PORTKIT_YMODEM || record->transfer_type == PORTKIT_YMODEM_G;
        if (announced && record->file_length > 0 &&
            std::int64_t{record->byte_total} + record->block_size > record->file_length) {
            // The padding is not written, nor anything past the announced end.
            record->block_size = std::max<int32_t>(record->file_length - record->byte_total, 0);
        }
        return true;
    }
    record->status = PORTKIT_XFER_TOO_MANY_ERRORS;
    return false;
}

void XmodemReceiveFile(TransferRecord *record) {
    record->sending = 0;
    if (!XferSetUp(record)) return;
    record->file_block = 1;
    if (!XferOpenFile(record)) {
        XferCleanUp(record);  // an abort as the file opened leaves it open
        return;
    }
    if (!SendStartOrNak(record)) {
        XferCleanUp(record);
        return;
    }
    for (;;) {
        int header = 0;
        if (!ReadBlock(record, &header)) break;
        if (header == kSOH || header == kSTX) {
            if (record->block_size == 0) {
                // A whole block past the announced end: the sender is broken.
                ReportLengthMismatch(record, static_cast<long>(BytesMoved(record)) + (header == kSOH ? 128 : 1024),
                                     record->file_length);
                record->status = PORTKIT_XFER_FILE_IO;
                break;
            }
            if (!WriteReceivedData(record, record->buffer, static_cast<std::size_t>(record->block_size))) {
                record->status = PORTKIT_XFER_FILE_IO;
                break;
            }
            CountBytes(record, record->block_size);
            if (!IsStreaming(record) && !SendAck(record)) break;
            record->retry_count = 0;
            continue;
        }
        if (header == kEOT) {
            if (SendAck(record)) XferMessage(record, "End of file, cleaning up");
            const bool announced = record->transfer_type == PORTKIT_YMODEM || record->transfer_type == PORTKIT_YMODEM_G;
            if (announced && record->file_length > 0 && record->byte_total != record->file_length) {
                ReportLengthMismatch(record, record->byte_total, record->file_length);
            }
            break;
        }
        record->status = PORTKIT_XFER_INTERNAL_ERROR;
        break;
    }
    XferCleanUp(record);
}

}  // namespace portkit::transfer
