// The ZMODEM sender: announces each file of the list with ZFILE, streams it
// in ZDATA frames from the position the receiver asks for, and ends the
// session with ZFIN. Recovery is always by position: a ZRPOS moves the file
// back and the stream starts a new frame there.
#include <cstring>
#include <optional>
#include <utility>

#include "portkit/timedio.h"
#include "transfer/file_list.h"
#include "platform/file_open.h"
#include "transfer/file_header_fields.h"
#include "transfer/zmodem/zmodem_data_frame.h"
#include "transfer/zmodem/zmodem_engine.h"

namespace portkit::transfer {
namespace {

// How long a ZRINIT may be followed by another header before the ZFILE it
// seems to ask for again is sent again.
constexpr int kFollowingHeaderMs = 50;

enum class State {
    kWaitReceiverInit,  // ZRQINIT sent: waits for the receiver's ZRINIT
    kNextFile,          // opens the next file of the list and offers it with ZFILE
    kWaitFilePosition,  // ZFILE sent: waits for the ZRPOS that says where to start, or a ZSKIP
    kStreaming,         // sends one ZDATA frame from the position asked for
    kWaitAnswer,        // a frame ended: waits for its ZACK, or a ZRPOS to go back
    kEndOfFile,         // sends ZEOF and waits for the ZRINIT that answers it
    kFileDone,          // closes the file unless the transfer failed
    kClosing,           // sends ZFIN until the receiver answers with its own, then "OO"
    kDone,
};

// What the states share beyond the record.
struct Sender {
    explicit Sender(TransferRecord *sending) : record(sending) {}
    TransferRecord *record;
    // Where the file is read next; -1 after a failed seek.
    std::int32_t file_position = 0;
    // A header a frame already read, for kWaitAnswer to act on.
    std::optional<int> answer;
};

// True when another header follows the hex one just read within about
// `milliseconds`. The XON that ends a hex header is read and dropped;
// anything else read is the first of the next header's two pads.
bool HeaderFollows(TransferRecord *record, int milliseconds) {
    const std::int32_t deadline = DeadlineAfter(milliseconds);
    while (WaitForInput(record, milliseconds)) {
        const int c = ReadCharTimed(record->port, 0);
        if (c >= 0 && (c & 0x7F) != kXON && (c & 0x7F) != kXOFF) return true;
        if (DeadlineReached(deadline)) return false;
    }
    return false;
}

// The ZFILE subpacket: name NUL length SP octal-time SP octal-mode NUL. The
// time on the wire is UTC, as every other ZMODEM program keeps it.
void BuildFileInformation(TransferRecord *record, const char *name, std::int32_t local_time, int mode) {
    char *buffer = record->buffer;
    std::memset(buffer, 0, kMaxSubpacket);
    const std::size_t name_length = strnlen(name, kMaxSubpacket - 40);
    std::memcpy(buffer, name, name_length);
    char *information = buffer + name_length + 1;
    const int written =
        FormatFileHeaderFields(information, kMaxSubpacket - name_length - 1, record->file_length, local_time, mode);
    // The closing NUL goes too: receivers that read the fields as a string
    // then never run into whatever follows in their buffer.
    record->block_size = static_cast<std::int32_t>(name_length + 1 + static_cast<std::size_t>(written) + 1);
}

// Opens the next file of the list and builds its ZFILE data; false when
// there is none (or it could not be opened).
bool PrepareNextFile(TransferRecord *record) {
    FileList *list = record->file_list;
    if (list == nullptr || !list->next(list)) {
        if (list != nullptr && list->error == PORTKIT_XFER_NO_BUFFER)
            record->status = PORTKIT_XFER_NO_BUFFER;
        else if (list != nullptr && list->error != 0)
            record->status = PORTKIT_XFER_ENGINE_FAILED;
        return false;
    }
    if (list->size < 0) {
        XferMessage(record, "File too large to send (2 GiB or more): %s", list->path_name);
        record->status = PORTKIT_XFER_OPEN_FAILED;
        return false;
    }
    if (!XferOpenFile(record)) return false;
    XferMessage(record, "SendFile: sending filename & size");
    const char *name = record->file_name;
    if (record->strip_path) {
        name = XferStripPathComponent(record->file_name);
        XferMessage(record, "Stripped filename: %s", name);
    }
    BuildFileInformation(record, name, list->time, platform::FileModeOf(record->file_name));
    return true;
}

// Where the file loop ends: ZFIN, unless the transfer failed.
State Finish(const TransferRecord *record) { return record->status >= 0 ? State::kClosing : State::kDone; }

// The next state of the file's data: an empty file has none, only its ZEOF.
State DataOrEnd(const TransferRecord *record) {
    return record->file_length != 0 ? State::kStreaming : State::kEndOfFile;
}

// After a frame's answer: the next frame, unless the transfer failed.
State UnlessFailed(const TransferRecord *record, State next) { return record->status < 0 ? State::kFileDone : next; }

// Moves the file back (or on) to where the receiver wants data from.
void Reposition(TransferRecord *record, std::int32_t position) {
    record->byte_total = position;
    XferMessage(record, "SendFileData: ZRPOS location %ld", static_cast<long>(position));
    Zmodem(record).resync_pending = 1;
    record->port->functions.ClearTXBuffer(record->port);
}

State AskForReceiverInit(TransferRecord *record) {
    ResetZmodemCounters(record);
    const unsigned char zero[4] = {0, 0, 0, 0};
    if (SendHexHeader(record, kZRQINIT, zero) < 0) {
        XferMessage(record, "OpenLink: Error sending ZRQINIT");
        return Finish(record);
    }
    return State::kWaitReceiverInit;
}

State WaitReceiverInit(Sender &s) {
    TransferRecord *record = s.record;
    if (record->status < 0) return Finish(record);
    ZmodemArea &z = Zmodem(record);
    const int type = ReadFrameHeader(record, 0);
    if (type == kZRINIT) {
        XferMessage(record, "OpenLink: Got ZRINIT");
        z.receiver_buffer_size = z.header_data[0] + 256 * z.header_data[1];
        z.receiver_flags = z.header_data[3];
        if ((z.receiver_flags & kCANFDX) == 0) z.full_duplex = 0;
        if (Streaming(z)) z.full_duplex = 0;
        return State::kNextFile;
    }
    if (record->status < 0) return Finish(record);
    XferMessage(record, "OpenLink: got %d instead of ZRINIT", type);
    CountError(record);
    return State::kWaitReceiverInit;
}

// ZFILE and its data subpacket, built by PrepareNextFile in the buffer.
State OfferFile(TransferRecord *record) {
    const ZmodemArea &z = Zmodem(record);
    unsigned char data[4] = {0, 0, 0, 0};
    if (z.resume != 0 || z.management_option != 0) {
        data[2] = static_cast<unsigned char>(z.management_option);
        data[3] = z.resume != 0 ? kConversionResume : 0;
    }
    if (SendBinaryHeader(record, kZFILE, data) < 0) return State::kFileDone;
    if (SendDataSubpacket(record, record->block_size, kZCRCW) < 0) return State::kFileDone;
    return State::kWaitFilePosition;
}

State NextFile(Sender &s) {
    TransferRecord *record = s.record;
    if (!PrepareNextFile(record)) return Finish(record);
    ZmodemArea &z = Zmodem(record);
    z.resync_pending = 0;
    if ((z.receiver_flags & kCANFC32) != 0) XferMessage(record, "Sending with CRC-32");
    return OfferFile(record);
}

State WaitFilePosition(Sender &s) {
    TransferRecord *record = s.record;
    const int type = ReadFrameHeader(record, 0);
    if (type == kZRPOS) {
        record->byte_total = HeaderPosition(Zmodem(record).header_data);
        s.file_position = 0;
        return DataOrEnd(record);
    }
    if (type == kZSKIP) {
        XferMessage(record, "SendFile: received a ZSKIP frame");
        return State::kFileDone;
    }
    if (record->status < 0) return State::kFileDone;
    // A ZRINIT with nothing after it means the ZFILE was lost on the way:
    // send it again. One already answered is followed at once.
    if (type == kZRINIT) {
        if (HeaderFollows(record, kFollowingHeaderMs)) return State::kWaitFilePosition;
        if (record->status < 0 || CountError(record)) return State::kFileDone;
        return OfferFile(record);
    }
    XferMessage(record, "SendFile: read frame type %d", type);
    return CountError(record) ? State::kFileDone : State::kWaitFilePosition;
}

State Stream(Sender &s) {
    TransferRecord *record = s.record;
    const FrameEnd end = SendDataFrame(record, &s.file_position);
    if (record->status < 0) return State::kFileDone;
    switch (end.kind) {
        case FrameEnd::Kind::kStreamEnded:
            return State::kEndOfFile;
        case FrameEnd::Kind::kAnswerRead:
            s.answer = end.frame_type;
            break;
        case FrameEnd::Kind::kAnswerDue:
            break;
    }
    return State::kWaitAnswer;
}

// A ZACK for everything sent: the next frame, or the ZEOF once it is the
// end of the file.
State Acknowledged(TransferRecord *record) {
    XferMessage(record, "SendFile: received an ACK frame");
    record->retry_count = 0;
    Zmodem(record).resync_pending = 0;
    if (record->byte_total < record->file_length) return UnlessFailed(record, State::kStreaming);
    if (HeaderPosition(Zmodem(record).header_data) != record->file_length) {
        record->status = PORTKIT_XFER_PROTOCOL_ERROR;
        return State::kFileDone;
    }
    ClearRXBuffer(record->port);
    return UnlessFailed(record, State::kEndOfFile);
}

State WaitAnswer(Sender &s) {
    TransferRecord *record = s.record;
    const int type = s.answer ? *std::exchange(s.answer, std::nullopt) : ReadFrameHeader(record, 0);
    const std::int32_t position = HeaderPosition(Zmodem(record).header_data);
    if (type == kZRPOS) {
        Reposition(record, position);
        return UnlessFailed(record, State::kStreaming);
    }
    // A ZACK short of the end answers a ZCRCQ sent earlier; the ZCRCW that
    // ended the frame has its own ZACK still to come.
    if (type == kZACK && position < record->byte_total) return State::kWaitAnswer;
    if (type == kZACK) return Acknowledged(record);
    if (type == kZRINIT || type == kZSKIP) {
        record->status = PORTKIT_XFER_REMOTE_ABORT;
        return State::kFileDone;
    }
    XferMessage(record, "SendFile: frame type %d", type);
    return record->status < 0 ? State::kFileDone : State::kWaitAnswer;
}

// ZEOF again until the receiver answers with ZRINIT. A ZRPOS for an earlier
// position means data went missing: the stream starts again from there.
State EndOfFile(Sender &s) {
    TransferRecord *record = s.record;
    if (SendHeaderAt(record, kZEOF, record->byte_total) < 0) return State::kFileDone;
    const int type = ReadFrameHeader(record, 1);
    if (type == kZRINIT || type == kZSKIP) {
        ++record->file_count;
        return State::kFileDone;
    }
    if (record->status < 0) return State::kFileDone;
    if (type == kZRPOS) {
        const std::int32_t position = HeaderPosition(Zmodem(record).header_data);
        if (position >= 0 && position < record->byte_total) {
            Reposition(record, position);
            return DataOrEnd(record);
        }
    }
    return CountError(record) ? State::kFileDone : State::kEndOfFile;
}

// A failed transfer keeps its file for the clean-up to close.
State FileDone(Sender &s) {
    if (s.record->status < 0) return Finish(s.record);
    CloseXferFile(s.record);
    return State::kNextFile;
}

State Close(Sender &s) {
    TransferRecord *record = s.record;
    if (record->status >= 0) {
        const unsigned char zero[4] = {0, 0, 0, 0};
        if (SendHexHeader(record, kZFIN, zero) < 0) {
            XferMessage(record, "Error sending ZFIN frame");
        } else {
            int type = ReadFrameHeader(record, 0);
            if (type == kZRINIT || type == kZFERR) type = ReadFrameHeader(record, 0);
            if (type != kZFIN) {
                XferMessage(record, "CloseLink: got %d instead of ZFIN", type);
                if (record->status >= 0) {
                    CountError(record);
                    return State::kClosing;
                }
            }
        }
    }
    XferSendChar(record, 'O');
    XferSendChar(record, 'O');
    return State::kDone;
}

}  // namespace

void ZmodemSendBatch(TransferRecord *record) {
    char none[] = "<none>";
    record->file_name = none;
    record->sending = 1;
    record->file_time = -1;
    Sender sender(record);
    State state = XferSetUp(record) ? AskForReceiverInit(record) : Finish(record);
    while (state != State::kDone) {
        switch (state) {
            case State::kWaitReceiverInit:
                state = WaitReceiverInit(sender);
                break;
            case State::kNextFile:
                state = NextFile(sender);
                break;
            case State::kWaitFilePosition:
                state = WaitFilePosition(sender);
                break;
            case State::kStreaming:
                state = Stream(sender);
                break;
            case State::kWaitAnswer:
                state = WaitAnswer(sender);
                break;
            case State::kEndOfFile:
                state = EndOfFile(sender);
                break;
            case State::kFileDone:
                state = FileDone(sender);
                break;
            case State::kClosing:
                state = Close(sender);
                break;
            case State::kDone:
                break;
        }
    }
    XferCleanUp(record);
    record->file_name = nullptr;
    if (record->status == 0 && record->file_count == 0) record->status = PORTKIT_XFER_NO_FILES;
}

}  // namespace portkit::transfer
