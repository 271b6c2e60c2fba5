// The XMODEM sender: start handshake, blocks with acknowledgements, EOT.
#include <cstring>

#include "portkit/timedio.h"
#include "transfer/xmodem/xmodem_engine.h"

namespace portkit::transfer {
namespace {

unsigned char pad_character = 0x00;

constexpr int kShortBlock = 128;
constexpr int kLongBlock = 1024;
constexpr int kLongBlockThreshold = 896;  // longer blocks while more than this remains
// Receivers such as lrzsz flush their input right after answering; on a pty a
// block sent at once can arrive before that flush and be thrown away. A
// pause this short costs nothing on a real line.
constexpr int kPauseAfterAnswerMs = 2;

enum class FileBlock { kRead, kEndOfFile, kStopped };

FileBlock ReadFileBlock(TransferRecord *record) {
    record->block_size = kShortBlock;
    if (record->transfer_type != PORTKIT_XMODEM && record->file_length - record->byte_total > kLongBlockThreshold) {
        record->block_size = kLongBlock;
    }
    const std::size_t n = std::fread(record->buffer, 1, static_cast<std::size_t>(record->block_size), record->file);
    if (n == 0) {
        record->block_size = 0;
        if (std::ferror(record->file)) record->status = PORTKIT_XFER_FILE_IO;
        return record->status != 0 ? FileBlock::kStopped : FileBlock::kEndOfFile;
    }
    std::memset(record->buffer + n, PadCharacter(), static_cast<std::size_t>(record->block_size) - n);
    CountBytes(record, static_cast<std::int64_t>(n));
    record->block_number = record->file_block % 256;
    ++record->file_block;
    return XferCheckAbort(record) ? FileBlock::kStopped : FileBlock::kRead;
}

bool SendEndOfTransmission(TransferRecord *record) {
    XferMessage(record, "File transmission complete");
    if (XferSendChar(record, kEOT) < 0) {
        NameSendFailure(record, PORTKIT_XFER_EOT_FULL);
        return false;
    }
    return true;
}

// A file of 2 GiB or more has no length the protocols can carry.
bool LengthFits(TransferRecord *record) {
    if (record->file_length >= 0) return true;
    XferMessage(record, "File too large to send (2 GiB or more)");
    record->status = PORTKIT_XFER_OPEN_FAILED;
    return false;
}

bool PauseAfterAnswer(TransferRecord *record) {
    PortKillTime(record->port, kPauseAfterAnswerMs);
    return true;
}

// A receiver that ends right after its last answer may take that answer with
// it on a pty, where its exit flushes what we have not read yet. Having
// hung up after our end-of-transfer, it has had everything.
bool EndsTransfer(const TransferRecord *record) {
    return record->block_size == 0 || (record->file_block == 0 && record->buffer[0] == 0);
}

// The receiver's answer to our end of transfer. A receiver that hangs up
// then has had everything (kHungUp); carrier merely low is no such sign, as
// on every three-wire cable.
constexpr int kHungUp = -3;

int WaitForEndAnswer(TransferRecord *record, int timeout_ms) {
    constexpr int kSliceMs = 1000;
    for (int remaining = timeout_ms;; remaining -= kSliceMs) {
        const int c = ReadCharTimed(record->port, remaining < kSliceMs ? remaining : kSliceMs);
        if (c >= 0) return c;
        if (c == PORTKIT_XFER_LOST_CARRIER) {
            XferMessage(record, "Receiver hung up after the end of the transfer");
            return kHungUp;
        }
        if (StopOnReadFailure(record, c) || XferCheckAbort(record)) return kStopped;
        if (remaining <= kSliceMs) return kTimedOut;
    }
}

}  // namespace

unsigned char PadCharacter() { return pad_character; }

bool WaitForReceiverStart(TransferRecord *record) {
    XmodemArea &xmodem = record->protocol.xmodem;
    for (;;) {
        if (XferCheckAbort(record)) return false;
        const int c = WaitForCharacter(record, xmodem.response_timeout);
        if (c == kStopped) return false;
        if (c >= 0) {
            const int previous = xmodem.last_char;
            xmodem.last_char = c;
            switch (c) {
                case kNAK:
                    if (xmodem.crc_mode == 1) {
                        XferMessage(record, "Falling back to checksum mode");
                        xmodem.crc_mode = 0;
                    }
                    return PauseAfterAnswer(record);
                case kCrcRequest:
                    if (xmodem.crc_mode == 1 && record->transfer_type < PORTKIT_XMODEM_1K_G)
                        return PauseAfterAnswer(record);
                    break;
                case kStreamingRequest:
                    if (record->transfer_type >= PORTKIT_XMODEM_1K_G) return PauseAfterAnswer(record);
                    break;
                case kCAN:
                    if (previous == kCAN) {
                        record->status = PORTKIT_XFER_REMOTE_ABORT;
                        XferMessage(record, "Remote end sent cancel code");
                        return false;
                    }
                    break;
                default:
                    if (!DiscardUntilQuiet(record)) return false;
                    break;
            }
        }
        ++record->error_count;
        if (++record->retry_count >= kErrorLimit) {
            record->status = PORTKIT_XFER_PACKET_TIMEOUT;
            return false;
        }
    }
}

// The whole frame goes out in one write: header, number, complement, data
// and check, exactly as sending them one after the other would.
bool SendBlock(TransferRecord *record) {
    if (record->file_block == 0) {
        XferMessage(record,
                    record->buffer[0] != 0 ? "Sending YMODEM startup block" : "Sending YMODEM termination block");
    } else {
        XferMessage(record, "Sending block %ld", static_cast<long>(record->file_block - 1));
    }
    const int size = record->block_size;
    char frame[3 + kLongBlock + 2];
    frame[0] = static_cast<char>(size == kShortBlock ? kSOH : kSTX);
    frame[1] = static_cast<char>(record->block_number);
    frame[2] = static_cast<char>(~record->block_number & 0xFF);
    std::memcpy(frame + 3, record->buffer, static_cast<std::size_t>(size));
    int length = 3 + size;
    if (record->protocol.xmodem.crc_mode == 1) {
        record->block_check = CalculateBlockCRC16(size, 0, record->buffer);
        frame[length++] = static_cast<char>((record->block_check >> 8) & 0xFF);
        frame[length++] = static_cast<char>(record->block_check & 0xFF);
    } else {
        unsigned sum = 0;
        for (int i = 0; i < size; ++i) sum += static_cast<unsigned char>(record->buffer[i]);
        record->block_check = static_cast<int32_t>(sum & 0xFF);
        frame[length++] = static_cast<char>(record->block_check);
    }
    if (XferSendBuffer(record, frame, static_cast<unsigned>(length)) < 0) {
        NameSendFailure(record, PORTKIT_XFER_BLOCK_FULL);
        return false;
    }
    return true;
}

bool WaitForAcknowledgement(TransferRecord *record) {
    PortStructure *port = record->port;
    XmodemArea &xmodem = record->protocol.xmodem;
    if (!IsStreaming(record)) {
        if (port->status < 0) return false;
        // The receiver answers only once the block is out; an idle turn
        // between looks keeps this from spinning.
        while (port->functions.SpaceUsedInTXBuffer(port) > 0) {
            if (XferCheckAbort(record) || StopOnReadFailure(record, RunIdleHook(port))) return false;
        }
        if (port->status == PORTKIT_NOT_SUPPORTED) port->status = 0;
    } else if (record->block_size != 0 && record->file_block != 0 && port->functions.SpaceUsedInRXBuffer(port) <= 0) {
        return true;  // streaming data: silence means all is well (a YMODEM header is still answered)
    }
    int c = kTimedOut;
    if (EndsTransfer(record)) {
        c = WaitForEndAnswer(record, xmodem.response_timeout);
        if (c == kHungUp) return true;
    } else {
        c = WaitForCharacter(record, xmodem.response_timeout);
    }
    if (c < 0) return false;
    const int previous = xmodem.last_char;
    xmodem.last_char = c;
    if (c != kACK) XferMessage(record, "Expected ACK, got %s", c < 32 ? AsciiControlCharacterName(c) : "other");
    switch (c) {
        case kACK:
            return IsStreaming(record) || PauseAfterAnswer(record);
        case kNAK:
            if (IsStreaming(record)) record->status = PORTKIT_XFER_REMOTE_ABORT;
            return false;
        case kCAN:
            if (IsStreaming(record) || previous == kCAN) record->status = PORTKIT_XFER_REMOTE_ABORT;
            return false;
        default:
            DiscardUntilQuiet(record);
            return false;
    }
}

void XmodemSendFile(TransferRecord *record) {
    record->sending = 1;
    record->file_time = -1;
    if (!XferSetUp(record)) return;
    record->file_block = 1;
    if (record->file_list != nullptr && !record->file_list->next(record->file_list)) {
        record->status = PORTKIT_XFER_NO_FILES;
        XferCleanUp(record);
        return;
    }
    if (record->file_list != nullptr) record->file_length = record->file_list->size;
    if (!LengthFits(record)) {
        XferCleanUp(record);
        return;
    }
    if (!XferOpenFile(record)) {
        XferCleanUp(record);  // an abort as the file opened leaves it open
        return;
    }
    if (!WaitForReceiverStart(record)) {
        XferCleanUp(record);
        return;
    }
    FileBlock block = ReadFileBlock(record);
    // YMODEM announces the length, so an empty file is just its header and
    // EOT; plain XMODEM has no way to send one.
    const bool announced = record->transfer_type == PORTKIT_YMODEM || record->transfer_type == PORTKIT_YMODEM_G;
    if (block != FileBlock::kRead && !(block == FileBlock::kEndOfFile && announced)) {
        if (record->status != PORTKIT_XFER_USER_ABORT) record->status = PORTKIT_XFER_FILE_IO;
        XferCleanUp(record);
        return;
    }
    for (;;) {
        const bool sent = record->block_size != 0 ? SendBlock(record) : SendEndOfTransmission(record);
        if (!sent) break;
        if (WaitForAcknowledgement(record)) {
            record->retry_count = 0;
            if (record->block_size == 0) break;  // EOT acknowledged: done
            if (ReadFileBlock(record) == FileBlock::kStopped) break;
            continue;
        }
        if (record->status != 0) break;
        ++record->error_count;
        if (++record->retry_count >= kErrorLimit) {
            XferMessage(record, "Exceeded maximum error count");
            record->status = PORTKIT_XFER_TOO_MANY_ERRORS;
            break;
        }
    }
    XferCleanUp(record);
}

}  // namespace portkit::transfer

extern "C" PORTKIT_API void SetGlobalXmodemPadCharacter(int c) {
    portkit::transfer::pad_character = static_cast<unsigned char>(c);
}
