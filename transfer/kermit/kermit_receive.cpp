// The Kermit receiver: waits for the Send-Init, then alternates between
// waiting for a file header (or the Break) and taking the file's data.
// Packets that come again because our acknowledgement was lost are
// acknowledged again.
#include <cstdio>
#include <cstring>

#include "portkit/timedio.h"
#include "transfer/kermit/kermit_engine.h"
#include "transfer/received_file.h"
#include "transfer/received_names.h"

namespace portkit::transfer {
namespace {

constexpr int kQuietMs = 1000;
// Names arrive prefixed like data; what they decode to is cut here, and
// again to the name buffer.
constexpr std::size_t kReceivedNameRoom = 512;

enum class State { kWaitInit, kWaitFile, kReceiveData, kDone };

int Sequence(int32_t block) { return ((block % 64) + 64) % 64; }

bool Expected(const TransferRecord *record) { return record->block_number == Sequence(record->file_block); }

bool Acknowledge(TransferRecord *record, int length = 0, const char *data = nullptr) {
    if (!KermitSendPacket(record, 'Y', length, data)) return false;
    ++record->file_block;
    return true;
}

// The answer to a Send-Init goes with check type 1, whatever it agrees to.
bool AcknowledgeInit(TransferRecord *record) {
    KermitArea &k = Kermit(record);
    char init[kLongSendInitLength];
    const int length = KermitBuildInit(record, init);
    const unsigned char agreed = k.check_type;
    k.check_type = 1;
    const bool sent = Acknowledge(record, length, init);
    k.check_type = agreed;
    return sent;
}

// After a time-out or a damaged packet: ask again, unless that was the tenth.
bool Nak(TransferRecord *record) { return KermitCountRetry(record) && KermitSendPacket(record, 'N', 0, nullptr); }

State Fail(TransferRecord *record, int32_t status, const char *line) {
    XferMessage(record, "%s", line);
    record->status = status;
    KermitFinish(record);
    return State::kDone;
}

// The packet just read came again: let the line go quiet, then acknowledge
// it once more if it is the one before the packet we wait for.
bool Reacknowledge(TransferRecord *record, bool with_init) {
    const int sequence = record->block_number;
    for (;;) {
        const int c = ReadCharTimed(record->port, kQuietMs);
        if (c < 0 && !StopOnReadFailure(record, c)) break;
        if (c < 0 || XferCheckAbort(record)) {
            KermitFinish(record);
            return false;
        }
    }
    if (sequence != Sequence(record->file_block - 1)) {
        Fail(record, PORTKIT_XFER_PROTOCOL_ERROR, "Protocol error");
        return false;
    }
    --record->file_block;
    return with_init ? AcknowledgeInit(record) : Acknowledge(record);
}

// Kermit sends names in its common form, upper case. On systems whose
// names are case-sensitive, a name without a lower-case letter is taken as
// that form and lower-cased, as every Kermit there does; a name with one is
// the sender's own spelling and stays.
void TakeCommonFormName(unsigned char *name, std::size_t length) {
#if defined(_WIN32)
    (void)name;
    (void)length;
#else
    for (std::size_t i = 0; i < length; ++i) {
        if (name[i] >= 'a' && name[i] <= 'z') return;
    }
    for (std::size_t i = 0; i < length; ++i) {
        if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<unsigned char>(name[i] - 'A' + 'a');
    }
#endif
}

// Takes the name from the F packet and opens the file under a safe name.
State OpenReceivedFile(TransferRecord *record) {
    unsigned char raw[kReceivedNameRoom];
    const std::size_t length = DecodeField(record, PacketData(record), record->block_size, raw, sizeof raw - 1);
    raw[length] = '\0';
    TakeCommonFormName(raw, length);
    const char *received = reinterpret_cast<const char *>(raw);
    if (std::strlen(received) != length || !MakeSafeReceivedName(received, record->strip_path == 0, record->file_name,
                                                                 kKermitNameBufferSize, record->no_hidden_names != 0)) {
        return Fail(record, PORTKIT_XFER_OPEN_FAILED, "Refused file name from the sender");
    }
    if (std::strcmp(received, record->file_name) != 0) XferMessage(record, "Stripped name: %s", record->file_name);
    record->file_time = -1;
    record->file_length = -1;
    if (!XferOpenFile(record)) {
        KermitFinish(record);
        return State::kDone;
    }
    return Acknowledge(record) ? State::kReceiveData : State::kDone;
}

// A Z with D in its data: the sender gave up on this file.
bool Discarded(const TransferRecord *record) { return record->block_size > 0 && PacketData(record)[0] == 'D'; }

State CloseReceivedFile(TransferRecord *record) {
    XferMessage(record, "Closing file");
    if (Discarded(record)) {
        XferMessage(record, "Sender discarded %s", record->file_name);
        if (record->discarding == 0) --record->file_count;
        DiscardReceivedFile(record);
    } else if (record->file_length >= 0 && record->byte_total != record->file_length) {
        ReportLengthMismatch(record, record->byte_total, record->file_length);
    }
    CloseXferFile(record);
    return Acknowledge(record) ? State::kWaitFile : State::kDone;
}

State WaitInit(TransferRecord *record) {  // wants an S
    switch (KermitReadPacket(record)) {
        case 'S':
            XferMessage(record, "Received initial S packet");
            KermitParseInit(record);
            record->file_block = record->block_number;
            record->retry_count = 0;
            return AcknowledgeInit(record) ? State::kWaitFile : State::kDone;
        case kPacketTimedOut:
            XferMessage(record, "Timeout waiting for init packet");
            return Nak(record) ? State::kWaitInit : State::kDone;
        case kPacketDamaged:
            XferMessage(record, "Funny packet");
            return Nak(record) ? State::kWaitInit : State::kDone;
        case kPacketStopped:
            return State::kDone;
        case 'E':
            return Fail(record, PORTKIT_XFER_REMOTE_ABORT, "Aborted from remote end");
        default:
            return Fail(record, PORTKIT_XFER_PROTOCOL_ERROR, "Protocol error");
    }
}

State WaitFile(TransferRecord *record) {  // wants an F or a B
    const int type = KermitReadInOrder(record);
    const bool expected = Expected(record);
    switch (type) {
        case 'S':
            XferMessage(record, "Received duplicate S-Init packet");
            return KermitCountRetry(record) && Reacknowledge(record, true) ? State::kWaitFile : State::kDone;
        case 'Z':
            XferMessage(record, "Received duplicate Z-End-of-file packet");
            return KermitCountRetry(record) && Reacknowledge(record, false) ? State::kWaitFile : State::kDone;
        case 'F':
            if (!expected) return Reacknowledge(record, false) ? State::kWaitFile : State::kDone;
            record->retry_count = 0;
            return OpenReceivedFile(record);
        case 'B':
            if (!expected) return Reacknowledge(record, false) ? State::kWaitFile : State::kDone;
            XferMessage(record, "Received break command");
            Acknowledge(record);
            KermitFinish(record);
            return State::kDone;
        case kPacketTimedOut:
            XferMessage(record, "Timeout waiting for B or F packet");
            return Nak(record) ? State::kWaitFile : State::kDone;
        case kPacketDamaged:
            XferMessage(record, "Funny packet");
            return Nak(record) ? State::kWaitFile : State::kDone;
        case kPacketStopped:
            return State::kDone;
        case 'E':
            return Fail(record, PORTKIT_XFER_REMOTE_ABORT, "Aborted from remote end");
        default:
            return Fail(record, PORTKIT_XFER_PROTOCOL_ERROR, "Protocol error");
    }
}

State ReceiveData(TransferRecord *record) {  // wants a D, an A or the Z
    const int type = KermitReadInOrder(record);
    const bool expected = Expected(record);
    switch (type) {
        case 'D':
            if (!expected) {
                XferMessage(record, "Received duplicate data block");
                return Reacknowledge(record, false) ? State::kReceiveData : State::kDone;
            }
            XferMessage(record, "Received block %ld", static_cast<long>(record->file_block));
            if (!KermitDecodeData(record) || !Acknowledge(record)) return State::kDone;
            record->retry_count = 0;
            return State::kReceiveData;
        case 'A':
            if (!expected) return Reacknowledge(record, false) ? State::kReceiveData : State::kDone;
            XferMessage(record, "Received an 'A' packet");
            ParseAttributes(record);
            XferMessage(record, "Attributes: length %ld, time %ld", static_cast<long>(record->file_length),
                        static_cast<long>(record->file_time));
            record->retry_count = 0;
            return Acknowledge(record) ? State::kReceiveData : State::kDone;
        case 'F':
            XferMessage(record, "Received duplicate File Header packet");
            return KermitCountRetry(record) && Reacknowledge(record, false) ? State::kReceiveData : State::kDone;
        case 'Z':
            if (!expected) return Reacknowledge(record, false) ? State::kReceiveData : State::kDone;
            record->retry_count = 0;
            return CloseReceivedFile(record);
        case kPacketTimedOut:
            XferMessage(record, "Timeout waiting for Data packet");
            return Nak(record) ? State::kReceiveData : State::kDone;
        case kPacketDamaged:
            XferMessage(record, "Funny packet");
            return Nak(record) ? State::kReceiveData : State::kDone;
        case kPacketStopped:
            return State::kDone;
        case 'E':
            return Fail(record, PORTKIT_XFER_REMOTE_ABORT, "Aborted from remote end");
        default:
            return Fail(record, PORTKIT_XFER_PROTOCOL_ERROR, "Protocol error");
    }
}

}  // namespace

int RunKermitReceive(TransferRecord *record) {
    record->sending = 0;
    if (record->buffer != nullptr) Kermit(record).long_packets_and_windows = 0;  // its size is unknown
    if (!XferSetUp(record)) return 0;
    ResetKermitLink(record);
    State state = State::kWaitInit;
    while (state != State::kDone) {
        switch (state) {
            case State::kWaitInit:
                state = WaitInit(record);
                break;
            case State::kWaitFile:
                state = WaitFile(record);
                break;
            case State::kReceiveData:
                state = ReceiveData(record);
                break;
            case State::kDone:
                break;
        }
    }
    XferCleanUp(record);
    return record->status == 0 ? 1 : 0;
}

}  // namespace portkit::transfer
