// One ZDATA frame of the sender: a header at the position the receiver
// asked for, then subpackets while the window has room. Full duplex, the
// receiver's ZACKs are read while the frame goes on; half duplex, anything
// it says ends the frame.
#include <cstdio>
#include <optional>

#include "portkit/timedio.h"
#include "transfer/zmodem/zmodem_data_frame.h"
#include "transfer/zmodem/zmodem_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kAckWaitMs = 1500;
constexpr int kBackChannelCharMs = 70;
constexpr int kBackChannelGarbageLimit = 100;

// What BackChannel found in the reverse channel.
enum class BackTalk { kNothing, kHeaderStarting, kGarbage };

int SendEmptySubpacket(TransferRecord *record, int terminator) { return SendDataSubpacket(record, 0, terminator); }

// When a subpacket of a window asks for a ZACK: once a quarter of the window
// has gone since the last one did, as sz -w does. Four answers per window
// keep the sender going while they travel, without one per subpacket.
class QuerySpacing {
public:
    explicit QuerySpacing(std::int32_t window) : spacing_(window / 4 > 0 ? window / 4 : 1) {}
    // Counts a subpacket of `length` bytes; true when it is to ask.
    bool Due(std::int32_t length) {
        unasked_ += length;
        if (unasked_ < spacing_) return false;
        unasked_ = 0;
        return true;
    }

private:
    std::int32_t spacing_;
    std::int32_t unasked_ = 0;
};

// Looks at what the receiver sent while we were streaming.
BackTalk BackChannel(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    if (!InputWaiting(record)) return BackTalk::kNothing;
    for (;;) {
        const int c = ReadCharTimed(record->port, kBackChannelCharMs);
        if (c < 0) return BackTalk::kNothing;
        // The XON that ends a hex header (a ZRPOS) is all there is: waiting
        // out the character time-out for more would delay every frame.
        if (c == kXON || c == kXOFF) {
            if (!InputWaiting(record)) return BackTalk::kNothing;
            continue;
        }
        if (c == kZPAD || c == kCAN) return BackTalk::kHeaderStarting;
        if (z.garbage_count > kBackChannelGarbageLimit) {
            XferMessage(record, "BackChannel: exceeded garbage count");
            SendEmptySubpacket(record, kZCRCE);
            return BackTalk::kGarbage;
        }
        if (z.garbage_count % 16 == 0) XferMessage(record, "BackChannel: garbage detected");
        z.garbage_count += 2;
    }
}

// Fills the buffer with the next subpacket's data; true when the frame ends
// after it (a ZCRCW or ZCRCE is due).
bool ReadNextBlock(TransferRecord *record, std::int32_t *file_position) {
    ZmodemArea &z = Zmodem(record);
    record->block_size = 0;
    if (z.resync_pending != 0) return true;
    int size = kMaxSubpacket;
    if (z.receiver_buffer_size > 0 && z.receiver_buffer_size - z.frame_bytes < size) {
        size = z.receiver_buffer_size - z.frame_bytes;
    }
    z.subpacket_size = size > 0 ? size : 1;
    if (record->byte_total >= record->file_length) return true;
    if (*file_position != record->byte_total) {
        if (std::fseek(record->file, record->byte_total, SEEK_SET) != 0)
            *file_position = -1;
        else
            *file_position = record->byte_total;
    }
    std::int32_t wanted = z.subpacket_size;
    if (record->file_length - record->byte_total < wanted) wanted = record->file_length - record->byte_total;
    const std::size_t got =
        *file_position < 0 ? 0 : std::fread(record->buffer, 1, static_cast<std::size_t>(wanted), record->file);
    if (got == 0) {
        XferMessage(record, "Read failed at %ld", static_cast<long>(record->byte_total));
        record->status = PORTKIT_XFER_NO_BUFFER;
        return true;
    }
    record->block_size = static_cast<std::int32_t>(got);
    *file_position += record->block_size;
    record->byte_total += record->block_size;
    z.frame_bytes += record->block_size;
    if (z.receiver_buffer_size == 0 && (z.receiver_flags & kCANOVIO) == 0) return true;
    if (z.receiver_buffer_size > 0 && z.frame_bytes >= z.receiver_buffer_size) return true;
    return record->byte_total >= record->file_length;
}

FrameEnd AnswerDue() { return FrameEnd{FrameEnd::Kind::kAnswerDue}; }
FrameEnd AnswerRead(int frame_type) { return FrameEnd{FrameEnd::Kind::kAnswerRead, frame_type}; }

// The frame after its header: what has gone out, been asked about and been
// acknowledged, and the loop that sends and listens.
class DataFrame {
public:
    DataFrame(TransferRecord *record, std::int32_t *file_position)
        : record_(record),
          z_(Zmodem(record)),
          file_position_(file_position),
          full_duplex_(z_.full_duplex != 0),
          acknowledged_(record->byte_total),
          queried_(record->byte_total),
          spacing_(z_.window_size) {}

    FrameEnd Run() {
        for (;;) {
            if (XferCheckAbort(record_)) return AnswerDue();
            const bool at_end = record_->byte_total >= record_->file_length;
            const Heard heard = ShouldListen(at_end) ? Listen(at_end) : Heard{Heard::Kind::kGoOn};
            if (heard.kind == Heard::Kind::kFrameOver) return heard.end;
            if (heard.kind == Heard::Kind::kGoOn && HasRoom() && HasDataLeft()) {
                if (const std::optional<FrameEnd> end = SendSubpacket()) return *end;
            } else if (full_duplex_) {
                if (!AwaitInput()) return AnswerDue();
            } else if (RunIdleHook(record_->port) < 0) {
                record_->status = PORTKIT_XFER_CHAR_FULL;
                return AnswerDue();
            }
        }
    }

private:
    // What listening to the receiver came to.
    struct Heard {
        enum class Kind {
            kGoOn,         // send on if the window has room
            kAwaitAnswer,  // all is sent: wait for the ZACK that is still to come
            kFrameOver,    // the frame ends with `end`
        };
        Kind kind;
        FrameEnd end = AnswerDue();
    };
    static Heard Over(FrameEnd end) { return {Heard::Kind::kFrameOver, end}; }

    // Acknowledgements waiting are taken at once, whatever the window: a
    // receiver whose answers pile up unread would stop reading, and both
    // ends would wait for each other.
    bool ShouldListen(bool at_end) const {
        return !full_duplex_ || record_->byte_total - acknowledged_ >= z_.window_size ||
               (ended_ && record_->byte_total != acknowledged_ && at_end) || InputWaiting(record_);
    }

    Heard Listen(bool at_end) {
        for (;;) {
            const BackTalk talk = BackChannel(record_);
            if (talk == BackTalk::kGarbage) return Over(AnswerDue());
            if (talk == BackTalk::kNothing) return Quiet(at_end);
            if (record_->status < 0 || XferCheckAbort(record_)) return Over(AnswerDue());
            if (!full_duplex_) return Interrupted();
            const int type = ReadFrameHeader(record_, 0);
            // A ZRQINIT (type 0) is passed over: the answer is still to be read.
            if (type == kZRQINIT) return Over(AnswerDue());
            if (type != kZACK) return Over(AnswerRead(type));
            // The position acknowledged is taken as it comes, so a lost
            // ZACK is made good by the next one.
            const std::int32_t position = HeaderPosition(z_.header_data);
            if (at_end && position == record_->byte_total) {
                XferMessage(record_, "SendDataFrame: Received a ZACK at EOF");
                return Over(AnswerRead(kZACK));
            }
            if (position > acknowledged_ && position <= record_->byte_total) acknowledged_ = position;
            record_->retry_count = 0;
        }
    }

    // The receiver has nothing more to say for now.
    Heard Quiet(bool at_end) {
        if (full_duplex_ && at_end) {
            // The ZCRCW that ended the frame has its own ZACK, read by the sender's next state.
            if (acknowledged_ == record_->byte_total || acknowledged_ == queried_) return Over(AnswerDue());
            return {Heard::Kind::kAwaitAnswer};
        }
        if (XferCheckAbort(record_)) return Over(AnswerDue());
        return {Heard::Kind::kGoOn};
    }

    // Half duplex, a header starting ends the frame; a ZCRCE closes it first
    // unless the file is all sent.
    Heard Interrupted() {
        if (record_->byte_total < record_->file_length) {
            XferMessage(record_, "BackChannel: backtalk ZCAN/ZPAD");
            SendEmptySubpacket(record_, kZCRCE);
        }
        return Over(AnswerDue());
    }

    bool HasRoom() const { return !full_duplex_ || record_->byte_total - acknowledged_ < z_.window_size; }
    // A resynchronising empty ZCRCW goes out even at the end of the file.
    bool HasDataLeft() const { return record_->byte_total < record_->file_length || z_.resync_pending != 0; }

    // The next subpacket; a value when the frame ends with it.
    std::optional<FrameEnd> SendSubpacket() {
        XferMessage(record_, "SendDataFrame: sending @%ld", static_cast<long>(record_->byte_total));
        ended_ = ReadNextBlock(record_, file_position_) || z_.resync_pending != 0;
        if (record_->status < 0) return AnswerDue();
        // A stream ends the file as sz does, with a ZCRCE and the ZEOF
        // straight after it, rather than wait a round trip for a ZACK.
        const bool stream_ends =
            ended_ && Streaming(z_) && z_.resync_pending == 0 && record_->byte_total >= record_->file_length;
        SendDataSubpacket(record_, record_->block_size, Terminator(stream_ends));
        if (record_->status < 0) return AnswerDue();
        ++record_->file_block;
        if (stream_ends) return FrameEnd{FrameEnd::Kind::kStreamEnded};
        // A ZCRCW before the end (after a ZRPOS, or at the receiver's
        // buffer limit) is answered by a ZACK that the sender reads next.
        if (ended_ && (record_->byte_total < record_->file_length || record_->block_size == 0)) return AnswerDue();
        return std::nullopt;
    }

    int Terminator(bool stream_ends) {
        if (stream_ends) return kZCRCE;
        if (ended_) return kZCRCW;
        if (full_duplex_ && spacing_.Due(record_->block_size)) {
            queried_ = record_->byte_total;
            return kZCRCQ;
        }
        return kZCRCG;
    }

    // Everything is sent and an answer is due: true once input is there.
    bool AwaitInput() {
        for (;;) {
            if (WaitForInput(record_, kAckWaitMs)) return true;
            if (record_->status < 0 || CountError(record_)) return false;
        }
    }

    TransferRecord *record_;
    ZmodemArea &z_;
    std::int32_t *file_position_;
    const bool full_duplex_;
    // The furthest position a ZACK confirmed.
    std::int32_t acknowledged_;
    // Where the last subpacket that asks for a ZACK ended: acknowledgements
    // come no further than that.
    std::int32_t queried_;
    QuerySpacing spacing_;
    // The last subpacket ended the frame (with a ZCRCW or a ZCRCE).
    bool ended_ = false;
};

}  // namespace

bool Streaming(const ZmodemArea &z) {
    constexpr int kStreamable = kCANFDX | kCANOVIO;
    return z.stream_when_offered != 0 && (z.receiver_flags & kStreamable) == kStreamable;
}

bool InputWaiting(TransferRecord *record) { return record->port->functions.SpaceUsedInRXBuffer(record->port) > 0; }

bool WaitForInput(TransferRecord *record, int milliseconds) {
    const std::int32_t deadline = DeadlineAfter(milliseconds);
    for (;;) {
        if (InputWaiting(record)) return true;
        if (XferCheckAbort(record) || DeadlineReached(deadline)) return false;
        if (const int idle = RunIdleHook(record->port); idle < 0) {
            StopOnReadFailure(record, idle);
            return false;
        }
    }
}

int SendHeaderAt(TransferRecord *record, int type, std::int32_t position) {
    unsigned char data[4];
    PositionHeader(position, data);
    return SendBinaryHeader(record, type, data);
}

FrameEnd SendDataFrame(TransferRecord *record, std::int32_t *file_position) {
    ZmodemArea &z = Zmodem(record);
    z.garbage_count = 0;
    switch (BackChannel(record)) {
        case BackTalk::kHeaderStarting:
            XferMessage(record, "BackChannel: backtalk ZCAN/ZPAD");
            SendEmptySubpacket(record, kZCRCE);
            return AnswerDue();
        case BackTalk::kGarbage:
            return AnswerDue();
        case BackTalk::kNothing:
            break;
    }
    z.frame_bytes = 0;
    SendHeaderAt(record, kZDATA, record->byte_total);
    if (record->status < 0) return AnswerDue();
    return DataFrame(record, file_position).Run();
}

}  // namespace portkit::transfer
