// A download: the host sends the file in N packets and ends with TC.
#include <cstring>

#include "transfer/received_file.h"
#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kSeekEnd = SEEK_END;

// The check of what the file holds now; false when a stop was asked for.
bool CheckOfContents(TransferRecord *record, long *length, std::uint32_t *value) {
    const int method = StateOf(record).check_method;
    std::uint32_t running = StartFileCheck(method);
    *length = 0;
    unsigned char chunk[kBPlusInitialBlockSize];
    const std::size_t step = static_cast<std::size_t>(record->block_size > 1 ? record->block_size - 1 : 1);
    std::rewind(record->file);
    for (;;) {
        const std::size_t got = std::fread(chunk, 1, step < sizeof chunk ? step : sizeof chunk, record->file);
        running = FileCheckValue(method, chunk, got, running);
        *length += static_cast<long>(got);
        record->status = 0;
        if (XferCheckAbort(record)) return false;
        if (got == 0) break;
    }
    *value = FinishFileCheck(method, running);
    return true;
}

// Offers the host the file's length and check, and goes on from its end.
int OfferResume(TransferRecord *record) {
    long length = 0;
    std::uint32_t value = 0;
    if (!CheckOfContents(record, &length, &value)) {
        BPlusSendFailure(record, 'A', "Transfer cancelled");
        return record->status;
    }
    char packet[64];
    const int n = std::snprintf(packet, sizeof packet, "Tr%ld %ld ", length, static_cast<long>(value));
    int result = BPlusQueuePacket(record, n, reinterpret_cast<const unsigned char *>(packet));
    if (result == 0) result = BPlusWaitAll(record);
    if (result != 0) {
        CloseUnfinishedFile(record);
        XferMessage(record, "Can not resume transfer");
        return result;
    }
    std::clearerr(record->file);
    std::fseek(record->file, 0, kSeekEnd);
    record->byte_total = 0;
    CountBytes(record, length);
    return 0;
}

int FailAndClose(TransferRecord *record, int code, const char *text, int result) {
    CloseUnfinishedFile(record);
    BPlusSendFailure(record, code, text);
    return result;
}

// Any other reader result than a packet ends the download: its own failure
// when it has one, else a bad packet.
int NoPacket(TransferRecord *record, int result) {
    CloseUnfinishedFile(record);
    if (result == PORTKIT_XFER_TOO_MANY_ERRORS || result <= -600) return result;
    return result < 0 ? result : PORTKIT_XFER_BAD_PACKET_SIZE;
}

}  // namespace

int ReceiveFile(TransferRecord *record) {
    BPlusState &state = StateOf(record);
    XferMessage(record, "ReceiveFile: Filename %s", record->file_name);
    record->sending = 0;
    const bool resume = BPlus(record).download_resume != 0;
    const int opened = resume ? XferOpenFileToResume(record) : XferOpenFile(record);
    if (opened == 0 || record->file == nullptr) {
        const int32_t status = record->status != 0 ? record->status : PORTKIT_XFER_OPEN_FAILED;
        if (status == PORTKIT_XFER_USER_ABORT)
            BPlusSendFailure(record, 'A', "Transfer cancelled");
        else if (status != PORTKIT_XFER_LOST_CARRIER) {
            BPlusSendFailure(record, 'C', "Cannot create file");
            XferMessage(record, "ReceiveFile : Cannot create file %s", record->file_name);
        }
        return status;
    }
    if (resume) {
        if (const int result = OfferResume(record); result != 0) return result;
    } else {
        _BPSendACK(record);
    }
    for (;;) {
        record->status = 0;
        if (XferCheckAbort(record)) return FailAndClose(record, 'A', "Transfer cancelled", record->status);
        const int result = _BPWaitForACK(true, false, true, true, record);
        if (result == kAcknowledged) continue;  // a stray acknowledgement
        if (result != PORTKIT_XFER_BPLUS_PACKET) return NoPacket(record, result);
        const auto *data = reinterpret_cast<const unsigned char *>(record->buffer);
        const int length = state.packet_length;
        const int type = length > 0 ? data[0] : 0;
        const int detail = length > 1 ? data[1] : 0;
        if (type == 'N') {
            const auto count = static_cast<std::size_t>(length - 1);
            if (!WriteReceivedData(record, data + 1, count)) {
                XferMessage(record, "ReceiveFile : Disk write error");
                return FailAndClose(record, 'I', "Disk write error", PORTKIT_XFER_FILE_IO);
            }
            CountBytes(record, static_cast<std::int64_t>(count));
        } else if (type == 'T' && detail == 'I') {
            // File information: nothing we use.
        } else if (type == 'T' && detail == 'C') {
            record->status = 0;  // it held the reader's "a packet came"
            CloseXferFile(record);
            state.done = 1;
            return 0;
        } else if (type == 'T' && detail == 'f') {
            CloseUnfinishedFile(record);
            if (XferOpenFile(record) == 0 || record->file == nullptr) {
                XferMessage(record, "Receive_File : Cannot create file");
                BPlusSendFailure(record, 'C', "Cannot create file");
                return PORTKIT_XFER_OPEN_FAILED;
            }
        } else if (type == 'F') {
            CloseUnfinishedFile(record);
            const int text_length = length > 3 ? length - 3 : 0;
            XferMessage(record, "Receive File : B protocol Failure: %.*s", text_length,
                        reinterpret_cast<const char *>(data) + 3);
            return PORTKIT_XFER_PROTOCOL_ERROR;
        } else {
            XferMessage(record, "Unexpected packet type");
            return FailAndClose(record, 'N', "Unexpected packet type", PORTKIT_XFER_PROTOCOL_ERROR);
        }
    }
}

}  // namespace portkit::transfer
