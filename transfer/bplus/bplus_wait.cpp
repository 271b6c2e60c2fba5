// The packet reader: acknowledgements, ENQ and NAK between packets, and
// whole packets, as one explicit state machine over the incoming bytes.
#include "portkit/timedio.h"
#include "transfer/bplus/bplus_engine.h"

namespace portkit::transfer {
namespace {

// The states, with what each waits for (from kAccept on, what each does).
// A CRC byte is added to the check by the state after the one that read
// it; the checksum's byte is compared with the sum instead.
enum State {
    kIdle = 0,          // between packets: DLE, or an ENQ or NAK from the host
    kAfterDle = 1,      // DLE seen: an ACK digit, or B for a packet
    kSequence = 2,      // DLE B seen: the sequence digit next
    kData = 3,          // data bytes up to ETX
    kFirstCheck = 4,    // ETX seen: the first check byte
    kSecondCrc16 = 5,   // the CRC-16's first byte read: its second
    kMoreCrc32 = 6,     // a CRC-32 byte read, one of the first three: the next
    kLastCheck = 7,     // the last CRC byte read: the packet is judged by its CRC
    kChecksumByte = 8,  // the checksum byte read: the packet is judged by it
    kAccept = 9,        // a good packet: the next (or an F) is taken, the last again acknowledged again
    kNakPacket = 10,    // a bad packet, silence inside one, or silence with none of ours out: NAK
    kRepeatAck = 11,    // an ENQ or a packet again: our last ACK again
    kAskForAck = 12,    // silence or a NAK while ours are outstanding: ENQ ENQ asks for the host's ACK
    kResend = 13,       // the host's answers to our ENQ acknowledge no more: ours still out go again
};

constexpr int kNoCharacter = PORTKIT_BUFFER_EMPTY;

struct Reader {
    TransferRecord *record;
    BPlusState &state;
    bool wait;
    bool fatal = false;  // a stop, the line or the idle hook ended the read

    // One character; kNoCharacter when none came in time. A DLE inside a
    // packet takes the next character as a quoted one.
    int Read(bool in_packet) {
        const int c = Raw();
        if (c < 0) return c;
        state.raw_char = 1;
        if (!in_packet) return BPlus(record).seven_bit_input != 0 ? (c & 0x7F) : c;
        if (c != kDLE) return c;
        const int next = Raw();
        if (next < 0) return next;
        state.raw_char = 0;
        return Unquote(static_cast<unsigned char>(next));
    }

    int Raw() {
        const int c = BPlusReadChar(record, wait ? state.char_timeout : 0);
        state.last_read = c;
        if (c < 0 && c != kNoCharacter) fatal = true;
        return c;
    }

    bool Unquoted(int c, int want) const { return c == want && state.raw_char == 1; }
};

void SendNak(TransferRecord *record) { SendRaw(record, kNAK); }

void ResendPending(TransferRecord *record) {
    BPlusState &state = StateOf(record);
    for (int i = 0; i < state.pending_count; ++i) {
        const PendingPacket &slot = state.pending[i];
        if (BPlusSendPacket(record, slot.length, slot.sequence, slot.data) != 0) return;
    }
}

}  // namespace

void _BPSendACK(TransferRecord *record) {
    SendRaw(record, kDLE);
    SendRaw(record, static_cast<unsigned char>('0' + record->block_number));
    XferMessage(record, "_BPSendACK : Sent ACK");
}

int _BPWaitForACK(bool wait, bool in_packet, bool send_ack, bool resend, TransferRecord *record) {
    BPlusState &state = StateOf(record);
    Reader reader{record, state, wait};
    record->status = 0;
    state.packet_length = 0;
    auto *buffer = reinterpret_cast<unsigned char *>(record->buffer);
    // A buffer already released by a failed open takes nothing.
    const int limit = record->block_size < kBPlusBufferSize ? record->block_size : kBPlusBufferSize;
    const int capacity = buffer != nullptr ? limit : 0;
    int state_now = in_packet ? kSequence : kIdle;
    int sequence = 0;
    int count = 0;
    int crc32_left = 0;
    int c = 0;
    BPlusCheck check = StartCheck(state.check_method);

    for (;;) {
        if (AtErrorLimit(record)) {
            record->status = PORTKIT_XFER_TOO_MANY_ERRORS;
            return record->status;
        }
        if (reader.fatal || record->status == PORTKIT_XFER_LOST_CARRIER) return record->status;
        switch (state_now) {
            case kIdle:
                if (state.received_since_send > BPlus(record).send_window + 2 && state.pending_count > 0) {
                    record->status = PORTKIT_XFER_PACKET_TIMEOUT;
                    CountExchangeError(record);
                    state.received_since_send = 0;
                    state_now = kAskForAck;
                    break;
                }
                c = reader.Read(false);
                if (reader.fatal) break;
                if (c == kNoCharacter) {
                    if (!wait) return PORTKIT_XFER_NO_CHARACTER;
                    if (state.enq_sent != 0)
                        CountExchangeError(record);
                    else
                        state_now = kAskForAck;
                } else if (c == kDLE) {
                    XferMessage(record, "_BPWaitForACK : Got DLE");
                    state_now = kAfterDle;
                } else if (c == kNAK) {
                    XferMessage(record, "_BPWaitForACK : Got NAK instead of DLE");
                    state_now = kAskForAck;
                } else if (c == kENQ) {
                    XferMessage(record, "_BPWaitForACK : Got ENQ instead of DLE");
                    state_now = kRepeatAck;
                } else if (c == kETX) {
                    XferMessage(record, "_BPWaitForACK : ETX seen too early");
                    record->status = PORTKIT_XFER_BAD_PACKET_SIZE;
                    state_now = kNakPacket;
                } else {
                    CountStrayByte(record);
                }
                break;
            case kAfterDle:
                c = reader.Read(false);
                if (reader.fatal) break;
                if (c == kNoCharacter) {
                    state_now = kAskForAck;
                } else if (c >= '0' && c <= '9' && state.enq_sent != 0 && c - '0' == state.last_ack) {
                    state.enq_sent = 0;
                    if (state.pending_count == 0) return kAcknowledged;
                    state_now = kResend;
                } else if (c >= '0' && c <= '9') {
                    XferMessage(record, "_BPWaitForACK : Received ACK");
                    state.last_ack = c - '0';
                    if (ReleaseThrough(state, c - '0'))
                        ExchangeMovedOn(record);
                    else if (state.enq_sent == 0)
                        CountExchangeError(record);  // it acknowledges nothing of ours
                    if (state.enq_sent == 0) return kAcknowledged;
                    state_now = kIdle;
                } else if (c == 'B') {
                    state_now = kSequence;
                } else if (c == kENQ) {
                    state_now = kRepeatAck;
                } else {
                    // DLE ; never moves the exchange on; DLE and another byte is noise.
                    if (c == ';')
                        CountExchangeError(record);
                    else
                        CountStrayByte(record);
                    state_now = kIdle;
                }
                break;
            case kSequence:
                c = reader.Raw();
                if (reader.fatal) break;
                if (c == kNoCharacter) {
                    XferMessage(record, "_BPWaitForACK : read char failure");
                    state_now = kNakPacket;
                } else if (c == kENQ) {
                    state_now = kRepeatAck;
                } else {
                    XferMessage(record, "_BPWaitForACK : Received <DLE> B");
                    check = StartCheck(state.check_method);
                    count = 0;
                    sequence = c - '0';
                    AddToCheck(check, static_cast<unsigned char>(c));
                    state_now = kData;
                }
                break;
            case kData:
                c = reader.Read(true);
                if (reader.fatal) break;
                if (c == kNoCharacter) {
                    XferMessage(record, "_BPWaitForACK : Sending NAK, read char failure");
                    state_now = kNakPacket;
                } else if (reader.Unquoted(c, kETX)) {
                    crc32_left = 2;
                    state_now = kFirstCheck;
                } else if (reader.Unquoted(c, kENQ)) {
                    state_now = kRepeatAck;
                } else if (count >= capacity) {
                    XferMessage(record, "_BPWaitForACK : Sending NAK, buffer overflow");
                    record->status = PORTKIT_XFER_BAD_PACKET_SIZE;
                    state_now = kNakPacket;
                } else {
                    buffer[count++] = static_cast<unsigned char>(c);
                    AddToCheck(check, static_cast<unsigned char>(c));
                }
                break;
            case kFirstCheck:
                AddToCheck(check, kETX);
                c = reader.Read(true);
                if (reader.fatal) break;
                if (c == kNoCharacter)
                    state_now = kNakPacket;
                else if (reader.Unquoted(c, kENQ))
                    state_now = kRepeatAck;
                else if (state.check_method == kBPlusCrc32)
                    state_now = kMoreCrc32;
                else if (state.check_method == kBPlusChecksum)
                    state_now = kChecksumByte;
                else
                    state_now = kSecondCrc16;
                break;
            case kSecondCrc16:
            case kMoreCrc32:
                AddToCheck(check, static_cast<unsigned char>(c));
                c = reader.Read(true);
                if (reader.fatal) break;
                if (c == kNoCharacter)
                    state_now = kNakPacket;
                else if (reader.Unquoted(c, kENQ))
                    state_now = kRepeatAck;
                else if (state_now == kMoreCrc32 && crc32_left-- > 0)
                    state_now = kMoreCrc32;
                else
                    state_now = kLastCheck;
                break;
            case kLastCheck:
                AddToCheck(check, static_cast<unsigned char>(c));
                if (CheckAccepts(check, 0)) {
                    state_now = kAccept;
                } else {
                    record->status = PORTKIT_XFER_BAD_PACKET_SIZE;
                    XferMessage(record, "_BPWaitForACK : Bad CRC");
                    state_now = kNakPacket;
                }
                break;
            case kChecksumByte:
                if (CheckAccepts(check, static_cast<unsigned char>(c))) {
                    state_now = kAccept;
                } else {
                    record->status = PORTKIT_XFER_BAD_PACKET_SIZE;
                    XferMessage(record, "_BPWaitForACK : Bad checksum");
                    state_now = kNakPacket;
                }
                break;
            case kAccept:
                if (sequence == (record->block_number + 1) % 10 || (count > 0 && buffer[0] == 'F')) {
                    ExchangeMovedOn(record);
                    ++state.received_since_send;
                    record->block_number = sequence;
                    if (send_ack) _BPSendACK(record);
                    state.packet_length = count;
                    record->status = PORTKIT_XFER_BPLUS_PACKET;
                    XferMessage(record, "_BPWaitForACK : Received packet");
                    return PORTKIT_XFER_BPLUS_PACKET;
                }
                if (sequence == record->block_number) {
                    state_now = kRepeatAck;
                } else {
                    record->status = PORTKIT_XFER_BPLUS_SEQUENCE;
                    state_now = kNakPacket;
                }
                break;
            case kNakPacket:
                CountExchangeError(record);
                SendNak(record);
                state_now = kIdle;
                break;
            case kRepeatAck:
                // An ENQ or a packet again: the host has not moved on either.
                CountExchangeError(record);
                _BPSendACK(record);
                state_now = kIdle;
                break;
            case kAskForAck:
                if (state.pending_count == 0) {
                    state_now = kNakPacket;
                    break;
                }
                state.enq_sent = 1;
                SendRaw(record, kENQ);
                SendRaw(record, kENQ);
                CountExchangeError(record);
                state.last_ack = -1;
                state_now = kIdle;
                break;
            case kResend:
                if (!resend) return record->status;
                ResendPending(record);
                state_now = kIdle;
                break;
            default:
                return PORTKIT_XFER_INTERNAL_ERROR;
        }
    }
}

}  // namespace portkit::transfer
