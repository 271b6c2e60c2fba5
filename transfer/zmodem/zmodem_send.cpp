// The ZMODEM sender: announces each file of the list with ZFILE, streams it
// in ZDATA frames from the position the receiver asks for, and ends the
// session with ZFIN. Recovery is always by position: a ZRPOS moves the file
// back and the stream starts a new frame there.
#include <cstring>

#include "portkit/timedio.h"
#include "transfer/file_list.h"
#include "platform/file_open.h"
#include "transfer/file_header_fields.h"
#include "transfer/zmodem/zmodem_engine.h"

namespace portkit::transfer {
namespace {

constexpr int kAckWaitMs = 1500;
constexpr int kBackChannelCharMs = 70;
constexpr int kBackChannelGarbageLimit = 100;
// How long a ZRINIT may be followed by another header before the ZFILE it
// seems to ask for again is sent again.
constexpr int kFollowingHeaderMs = 50;

// SendDataFrame's answer when a stream ended the file with a ZCRCE: no ZACK
// comes for it, and the ZEOF follows at once.
constexpr int kStreamEnded = -1;

// What BackChannel found in the reverse channel.
enum class BackTalk { kNothing, kHeaderStarting, kGarbage };

bool InputWaiting(TransferRecord *record) {
    return record->port->functions.SpaceUsedInRXBuffer(record->port) > 0;
}

// Waits up to `milliseconds` for input, calling the abort check and the idle
// hook; true when input is there.
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

int SendEmptySubpacket(TransferRecord *record, int terminator) { return SendDataSubpacket(record, 0, terminator); }

int SendHeaderAt(TransferRecord *record, int type, std::int32_t position) {
    unsigned char data[4];
    PositionHeader(position, data);
    return SendBinaryHeader(record, type, data);
}

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

// A receiver that reads while it writes to disk takes a stream as fast as
// the line goes, however long the round trip, when the caller allows it.
bool Streaming(const ZmodemArea &z) {
    constexpr int kStreamable = kCANFDX | kCANOVIO;
    return z.stream_when_offered != 0 && (z.receiver_flags & kStreamable) == kStreamable;
}

bool OpenLink(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    const unsigned char zero[4] = {0, 0, 0, 0};
    if (SendHexHeader(record, kZRQINIT, zero) < 0) {
        XferMessage(record, "OpenLink: Error sending ZRQINIT");
        return false;
    }
    while (record->status >= 0) {
        const int type = ReadFrameHeader(record, 0);
        if (type == kZRINIT) {
            XferMessage(record, "OpenLink: Got ZRINIT");
            z.receiver_buffer_size = z.header_data[0] + 256 * z.header_data[1];
            z.receiver_flags = z.header_data[3];
            if ((z.receiver_flags & kCANFDX) == 0) z.full_duplex = 0;
            if (Streaming(z)) z.full_duplex = 0;
            return true;
        }
        if (record->status < 0) break;
        XferMessage(record, "OpenLink: got %d instead of ZRINIT", type);
        CountError(record);
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
        if (list != nullptr && list->error == PORTKIT_XFER_NO_BUFFER) record->status = PORTKIT_XFER_NO_BUFFER;
        else if (list != nullptr && list->error != 0) record->status = PORTKIT_XFER_ENGINE_FAILED;
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

// Sends ZFILE and its data; true once the receiver asked for data with
// ZRPOS, false when it skipped the file or the exchange failed.
bool ExchangeFileHeader(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    z.resync_pending = 0;
    if ((z.receiver_flags & kCANFC32) != 0) XferMessage(record, "Sending with CRC-32");
    unsigned char data[4] = {0, 0, 0, 0};
    if (z.resume != 0 || z.management_option != 0) {
        data[2] = static_cast<unsigned char>(z.management_option);
        data[3] = z.resume != 0 ? kConversionResume : 0;
    }
    for (;;) {
        if (SendBinaryHeader(record, kZFILE, data) < 0) return false;
        if (SendDataSubpacket(record, record->block_size, kZCRCW) < 0) return false;
        for (;;) {
            const int type = ReadFrameHeader(record, 0);
            if (type == kZRPOS) {
                record->byte_total = HeaderPosition(z.header_data);
                return true;
            }
            if (type == kZSKIP) {
                XferMessage(record, "SendFile: received a ZSKIP frame");
                return false;
            }
            if (record->status < 0) return false;
            // A ZRINIT with nothing after it means the ZFILE was lost on the
            // way: send it again. One already answered is followed at once.
            if (type == kZRINIT) {
                if (HeaderFollows(record, kFollowingHeaderMs)) continue;
                if (record->status < 0 || CountError(record)) return false;
                break;
            }
            XferMessage(record, "SendFile: read frame type %d", type);
            if (CountError(record)) return false;
        }
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
        if (std::fseek(record->file, record->byte_total, SEEK_SET) != 0) *file_position = -1;
        else *file_position = record->byte_total;
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

// One ZDATA frame. 0 when SendFileData should read the receiver's next
// header itself, else a frame type already read for it to act on.
int SendDataFrame(TransferRecord *record, std::int32_t *file_position) {
    ZmodemArea &z = Zmodem(record);
    z.garbage_count = 0;
    switch (BackChannel(record)) {
        case BackTalk::kHeaderStarting:
            XferMessage(record, "BackChannel: backtalk ZCAN/ZPAD");
            SendEmptySubpacket(record, kZCRCE);
            return 0;
        case BackTalk::kGarbage: return 0;
        case BackTalk::kNothing: break;
    }
    z.frame_bytes = 0;
    SendHeaderAt(record, kZDATA, record->byte_total);
    if (record->status < 0) return 0;
    std::int32_t acknowledged = record->byte_total;
    // Where the last subpacket that asks for a ZACK ended: acknowledgements
    // come no further than that.
    std::int32_t queried = record->byte_total;
    QuerySpacing spacing(z.window_size);
    bool last_was_end = false;
    const bool full_duplex = z.full_duplex != 0;
    for (;;) {
        if (XferCheckAbort(record)) return 0;
        bool must_wait = false;
        const bool at_end = record->byte_total >= record->file_length;
        // Acknowledgements waiting are taken at once, whatever the window:
        // a receiver whose answers pile up unread would stop reading, and
        // both ends would wait for each other.
        bool look = !full_duplex || record->byte_total - acknowledged >= z.window_size ||
                    (last_was_end && record->byte_total != acknowledged && at_end) || InputWaiting(record);
        while (look) {
            look = false;
            const BackTalk talk = BackChannel(record);
            if (talk == BackTalk::kGarbage) return 0;
            if (talk == BackTalk::kHeaderStarting) {
                if (record->status < 0 || XferCheckAbort(record)) return 0;
                if (!full_duplex) {
                    if (record->byte_total < record->file_length) {
                        XferMessage(record, "BackChannel: backtalk ZCAN/ZPAD");
                        SendEmptySubpacket(record, kZCRCE);
                    }
                    return 0;
                }
                const int type = ReadFrameHeader(record, 0);
                if (type != kZACK) return type;
                // The position acknowledged is taken as it comes, so a lost
                // ZACK is made good by the next one.
                const std::int32_t position = HeaderPosition(z.header_data);
                if (at_end && position == record->byte_total) {
                    XferMessage(record, "SendDataFrame: Received a ZACK at EOF");
                    return kZACK;
                }
                if (position > acknowledged && position <= record->byte_total) acknowledged = position;
                record->retry_count = 0;
                look = true;
            } else if (full_duplex && at_end) {
                // The ZCRCW that ended the frame has its own ZACK, read by SendFileData.
                if (acknowledged == record->byte_total || acknowledged == queried) return 0;
                must_wait = true;
            } else if (XferCheckAbort(record)) {
                return 0;
            }
        }

        const bool room = !full_duplex || record->byte_total - acknowledged < z.window_size;
        // A resynchronising empty ZCRCW goes out even at the end of the file.
        const bool data_left = record->byte_total < record->file_length || z.resync_pending != 0;
        if (room && data_left && !must_wait) {
            XferMessage(record, "SendDataFrame: sending @%ld", static_cast<long>(record->byte_total));
            last_was_end = ReadNextBlock(record, file_position) || z.resync_pending != 0;
            if (record->status < 0) return 0;
            // A stream ends the file as sz does, with a ZCRCE and the ZEOF
            // straight after it, rather than wait a round trip for a ZACK.
            const bool stream_ends = last_was_end && Streaming(z) && z.resync_pending == 0 &&
                                     record->byte_total >= record->file_length;
            int terminator = kZCRCG;
            if (stream_ends) {
                terminator = kZCRCE;
            } else if (last_was_end) {
                terminator = kZCRCW;
            } else if (full_duplex && spacing.Due(record->block_size)) {
                terminator = kZCRCQ;
                queried = record->byte_total;
            }
            SendDataSubpacket(record, record->block_size, terminator);
            if (record->status < 0) return 0;
            ++record->file_block;
            if (stream_ends) return kStreamEnded;
            // A ZCRCW before the end (after a ZRPOS, or at the receiver's
            // buffer limit) is answered by a ZACK that SendFileData reads.
            if (last_was_end && (record->byte_total < record->file_length || record->block_size == 0)) return 0;
        } else if (full_duplex) {
            for (;;) {
                if (WaitForInput(record, kAckWaitMs)) break;
                if (record->status < 0) return 0;
                if (CountError(record)) return record->status;
            }
        } else if (RunIdleHook(record->port) < 0) {
            record->status = PORTKIT_XFER_CHAR_FULL;
            return 0;
        }
    }
}

// Moves the file back (or on) to where the receiver wants data from.
void Reposition(TransferRecord *record, std::int32_t position) {
    record->byte_total = position;
    XferMessage(record, "SendFileData: ZRPOS location %ld", static_cast<long>(position));
    Zmodem(record).resync_pending = 1;
    record->port->functions.ClearTXBuffer(record->port);
}

enum class EndOfFile { kAcknowledged, kResend, kFailed };

// Sends ZEOF until the receiver answers with ZRINIT. A ZRPOS for an earlier
// position means data went missing: the caller streams again from there.
EndOfFile SendEndOfFile(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    for (;;) {
        if (SendHeaderAt(record, kZEOF, record->byte_total) < 0) return EndOfFile::kFailed;
        const int type = ReadFrameHeader(record, 1);
        if (type == kZRINIT || type == kZSKIP) return EndOfFile::kAcknowledged;
        if (record->status < 0) return EndOfFile::kFailed;
        if (type == kZRPOS) {
            const std::int32_t position = HeaderPosition(z.header_data);
            if (position >= 0 && position < record->byte_total) {
                Reposition(record, position);
                return EndOfFile::kResend;
            }
        }
        if (CountError(record)) return EndOfFile::kFailed;
    }
}

void SendFileData(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    std::int32_t file_position = 0;
    for (;;) {
        bool eof_acknowledged = false;
        while (!(record->byte_total == record->file_length && eof_acknowledged) && record->file_length != 0) {
            int frame = SendDataFrame(record, &file_position);
            if (record->status < 0) return;
            if (frame == kStreamEnded) break;
            if (frame == 0) frame = ReadFrameHeader(record, 0);
            for (;;) {
                if (frame == kZRPOS) {
                    Reposition(record, HeaderPosition(z.header_data));
                } else if (frame == kZACK && HeaderPosition(z.header_data) < record->byte_total) {
                    // It answers a ZCRCQ sent earlier; the ZCRCW that ended
                    // the frame has its own ZACK still to come.
                    frame = ReadFrameHeader(record, 0);
                    continue;
                } else if (frame == kZACK) {
                    XferMessage(record, "SendFile: received an ACK frame");
                    record->retry_count = 0;
                    z.resync_pending = 0;
                    if (record->byte_total >= record->file_length) {
                        if (HeaderPosition(z.header_data) == record->file_length) {
                            ClearRXBuffer(record->port);
                            eof_acknowledged = true;
                        } else {
                            record->status = PORTKIT_XFER_PROTOCOL_ERROR;
                        }
                    }
                } else if (frame == kZRINIT || frame == kZSKIP) {
                    record->status = PORTKIT_XFER_REMOTE_ABORT;
                } else {
                    XferMessage(record, "SendFile: frame type %d", frame);
                    if (record->status < 0) return;
                    frame = ReadFrameHeader(record, 0);
                    continue;
                }
                break;
            }
            if (record->status < 0) return;
        }
        switch (SendEndOfFile(record)) {
            case EndOfFile::kAcknowledged: ++record->file_count; return;
            case EndOfFile::kResend: continue;
            case EndOfFile::kFailed: return;
        }
    }
}

void CloseLink(TransferRecord *record) {
    const unsigned char zero[4] = {0, 0, 0, 0};
    while (record->status >= 0) {
        if (SendHexHeader(record, kZFIN, zero) < 0) {
            XferMessage(record, "Error sending ZFIN frame");
            break;
        }
        int type = ReadFrameHeader(record, 0);
        if (type == kZRINIT || type == kZFERR) type = ReadFrameHeader(record, 0);
        if (type == kZFIN) break;
        XferMessage(record, "CloseLink: got %d instead of ZFIN", type);
        if (record->status < 0) break;
        CountError(record);
    }
    XferSendChar(record, 'O');
    XferSendChar(record, 'O');
}

}  // namespace

void ZmodemSendBatch(TransferRecord *record) {
    char none[] = "<none>";
    record->file_name = none;
    record->sending = 1;
    record->file_time = -1;
    if (XferSetUp(record) && (ResetZmodemCounters(record), OpenLink(record))) {
        while (PrepareNextFile(record)) {
            if (ExchangeFileHeader(record)) SendFileData(record);
            if (record->status < 0) break;
            CloseXferFile(record);
        }
    }
    if (record->status >= 0) CloseLink(record);
    XferCleanUp(record);
    record->file_name = nullptr;
    if (record->status == 0 && record->file_count == 0) record->status = PORTKIT_XFER_NO_FILES;
}

}  // namespace portkit::transfer
