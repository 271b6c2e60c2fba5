// The CompuServe B+ engine, terminal side: the host drives, we answer.
// Packets are DLE B, a sequence digit, DLE-quoted data, ETX and a check;
// a few of ours may be outstanding before the host acknowledges them.
#ifndef PORTKIT_TRANSFER_BPLUS_BPLUS_ENGINE_H
#define PORTKIT_TRANSFER_BPLUS_BPLUS_ENGINE_H

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "transfer/transfer_internal.h"

namespace portkit::transfer {

constexpr std::uint8_t kETX = 0x03;
constexpr std::uint8_t kENQ = 0x05;
constexpr std::uint8_t kDLE = 0x10;

constexpr int kBPlusCharTimeoutMs = 15000;
constexpr int kBPlusWriteTimeoutMs = 500;
// The largest data length before the host's parameters say otherwise.
constexpr int kBPlusInitialBlockSize = 1031;
// What XferSetUp gives a B+ record's `buffer`.
constexpr int kBPlusBufferSize = 1025;
constexpr int kBPlusPendingSlots = 5;
constexpr int kTransportLength = 18;
constexpr std::size_t kBPlusNameLimit = 63;

// Quote modes: while our `+` packet goes out every control character is
// quoted, since the host has not yet said which it can take.
constexpr int kQuoteEverything = 3;
constexpr int kQuoteBySet = 4;

// The check methods, as byte 4 of the `+` packets numbers them; the lower
// of the two sides' numbers is in force.
enum BPlusCheckMethod : int {
    kBPlusChecksum = 0,  // one byte, a sum that rotates left
    kBPlusCrc16 = 1,     // the XMODEM CRC-16
    kBPlusCcitt = 2,     // the reflected CCITT CRC-16
    kBPlusCrc32 = 3,
};

struct PendingPacket {
    int sequence;
    int length;
    unsigned char data[kBPlusInitialBlockSize];
};

struct BPlusState {
    int done = 0;
    int second_sequence = 0;
    int packet_length = 0;
    int char_timeout = kBPlusCharTimeoutMs;
    int last_read = 0;
    int raw_char = 0;
    int received_since_send = 0;
    PendingPacket pending[kBPlusPendingSlots]{};  // oldest first
    int pending_count = 0;
    int check_method = kBPlusChecksum;
    int enq_sent = 0;
    int last_ack = 0;
    int quote_mode = kQuoteBySet;
    int failure_sent = 0;  // an F packet went out: the host has been told
    int stray_bytes = 0;   // bytes outside the exchange since it last moved on
    // Bit 0x01 of byte i marks character i, bit 0x10 character 0x80 + i.
    unsigned char quote_set[32]{};
};

inline BPlusArea &BPlus(TransferRecord *record) { return record->protocol.bplus; }
inline BPlusState &StateOf(TransferRecord *record) {
    return *static_cast<BPlusState *>(record->protocol.bplus.bplus_state);
}

// The character time-out new transfers start with; tests shorten it.
void SetBPlusCharTimeout(int milliseconds);
int BPlusCharTimeout();

// Quoting.
void SetDefaultQuoteSet(BPlusState &state);
bool IsQuoted(const BPlusState &state, unsigned char c);
// The byte after DLE back to the character it stands for.
constexpr unsigned char Unquote(unsigned char c) {
    return static_cast<unsigned char>((c >= 0x60 ? c + 0x80 : c) & 0x9F);
}
constexpr unsigned char QuoteOf(unsigned char c) { return static_cast<unsigned char>(c < 0x20 ? c + 0x40 : c - 0x20); }
// Appends c to `out` as it goes on the wire; gives the bytes appended.
int QuoteInto(const BPlusState &state, unsigned char c, unsigned char *out);

// Checks: a running value per method over the digit, the data and ETX.
struct BPlusCheck {
    int method;
    std::uint32_t value;
};
BPlusCheck StartCheck(int method);
void AddToCheck(BPlusCheck &check, unsigned char c);
// The check bytes in wire order; gives how many (1, 2 or 4).
int CheckBytes(const BPlusCheck &check, unsigned char *out);
// After the received check bytes were added: whether the packet is good.
bool CheckAccepts(const BPlusCheck &check, unsigned char received_sum);
int CheckByteCount(int method);
// The check of a file's present contents, as offered when resuming.
std::uint32_t FileCheckValue(int method, const unsigned char *data, std::size_t length, std::uint32_t running);
std::uint32_t StartFileCheck(int method);
std::uint32_t FinishFileCheck(int method, std::uint32_t running);

// The next byte from the host within `timeout_ms`. The stop check runs
// before every read and at least once a second while the line is silent.
// A byte, PORTKIT_BUFFER_EMPTY when none came, or the failure that ends the
// transfer (a stop, a line that has gone), also left in the record's status.
int BPlusReadChar(TransferRecord *record, int timeout_ms);

// The error limit is on errors that follow one another: the exchange moving
// on (a new packet, an acknowledgement of ours) starts the count again.
void CountExchangeError(TransferRecord *record);
// Bytes outside packets and acknowledgements: a run of them is one error,
// and every packet's worth more another, so noise that hides the start of a
// packet costs little while a flood still reaches the limit.
void CountStrayByte(TransferRecord *record);
void ExchangeMovedOn(TransferRecord *record);
inline bool AtErrorLimit(const TransferRecord *record) { return record->retry_count >= kErrorLimit; }

// The names a host's transfer request gives. A download's is made safe to
// create below the current directory (false: refused). An upload's is used
// as given or refused: the reason, or null with the name in `out`.
bool NameToReceive(TransferRecord *record, const char *given, char *out, std::size_t size);
const char *RefusalToSend(const TransferRecord *record, std::string_view given, char *out, std::size_t size);

// Results of _BPWaitForACK.
constexpr int kAcknowledged = 0;
int _BPWaitForACK(bool wait, bool in_packet, bool send_ack, bool resend, TransferRecord *record);
void _BPSendACK(TransferRecord *record);
int _BPHandleProtocol(TransferRecord *record);
int ReceiveFile(TransferRecord *record);
int SendFile(TransferRecord *record);
int BPlusSendPacket(TransferRecord *record, int length, int sequence, const unsigned char *data);
int BPlusQueuePacket(TransferRecord *record, int length, const unsigned char *data);
int BPlusWaitAll(TransferRecord *record);
int BPlusSendFailure(TransferRecord *record, int code, const char *text);
int BPlusTransportParameters(TransferRecord *record);
// Our `+` packet as it stands, into `out` (kTransportLength bytes).
void BuildTransportPacket(TransferRecord *record, bool host_full_length, unsigned char *out);
int QuoteLevelCode(const BPlusState &state, bool host_full_length);

// Releases every pending packet up to and including the one with `sequence`;
// the host acknowledges in order. False when none has that sequence.
bool ReleaseThrough(BPlusState &state, int sequence);
// Sends one byte with the B+ write time-out; false (status set) on failure.
bool SendRaw(TransferRecord *record, unsigned char c);

// The whole transfer after DLE B was seen: set-up, the main loop, clean-up.
void BPlusServe(TransferRecord *record);
// Set-up with the state created; false (status set) when that failed.
bool BPlusStart(TransferRecord *record);
// Clean-up: closes, releases the state, turns a last packet into success.
void BPlusFinish(TransferRecord *record);

}  // namespace portkit::transfer

#endif
