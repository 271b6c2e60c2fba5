// The Kermit engine's pieces: packets on the wire, the Send-Init exchange,
// the data field's prefixing and compression, attributes, and the two sides.
#ifndef PORTKIT_TRANSFER_KERMIT_ENGINE_H
#define PORTKIT_TRANSFER_KERMIT_ENGINE_H

#include <cstddef>
#include <cstdint>

#include "transfer/transfer_internal.h"

namespace portkit::transfer {

inline KermitArea &Kermit(TransferRecord *record) { return record->protocol.kermit; }
inline const KermitArea &Kermit(const TransferRecord *record) { return record->protocol.kermit; }

constexpr int ToChar(int x) { return x + 32; }
constexpr int UnChar(int c) { return c - 32; }
constexpr int Ctl(int c) { return c ^ 64; }

// The longest packet of the basic protocol: LEN counts SEQ, TYPE, DATA and
// CHECK, and must stay printable.
constexpr int kMaxPacketLength = 94;
constexpr int kMaxDataLength = kMaxPacketLength - 3;
// What the other side means by a blank MAXL, and the least we go down to.
constexpr int kDefaultPeerPacketLength = 80;
constexpr int kMinPacketLength = 10;
constexpr int kSendInitLength = 10;
// With long packets and windows offered, WINDO, MAXLX1 and MAXLX2 follow.
constexpr int kLongSendInitLength = 13;
// An extended packet's LENX1 and LENX2 count DATA and CHECK up to 95 * 95 - 1,
// what we offer to take.
constexpr int kMaxLongPacketLength = 9024;
// C-Kermit counts that length otherwise and sends up to 9025, LENX1 a DEL:
// we take what LENX1 up to 95 and LENX2 can say.
constexpr int kMaxExtendedCount = 95 * 95 + 94;
// What a blank MAXLX means: the protocol's default for long packets.
constexpr int kDefaultLongPacketLength = 500;
constexpr int kMaxWindowSize = 31;
// Window slots go by sequence number modulo this; a window is shorter.
constexpr int kWindowSlots = 32;
// The first Send-Init goes again after this long unanswered: the other side
// may not have been listening yet.
constexpr int kFirstInitWaitSeconds = 1;
constexpr int kMaxRepeatCount = 94;
constexpr int kKermitRetryLimit = 10;
// Seconds we wait for a packet unless the other side asks for another time.
constexpr int kKermitDefaultTimeoutSeconds = 10;
// The receiver's name buffer, a protocol limit of the original API.
constexpr std::size_t kKermitNameBufferSize = 81;

// KermitReadPacket's results besides a packet's TYPE letter.
constexpr int kPacketTimedOut = 'T';
constexpr int kPacketDamaged = 'Q';
constexpr int kPacketStopped = -1;  // the abort check stopped the transfer

// Beyond the basic protocol, with a peer that offered long packets or
// windows: fields filled to the last byte, and only the control bytes a
// link may act on prefixed. Any other peer gets the basic encoding.
inline bool KermitEncodesTightly(const KermitArea &k) {
    return k.long_packets_and_windows != 0 && (k.long_packets != 0 || k.window_size > 1);
}

// A prefix character has to be printable and not a blank.
constexpr bool IsPrefixCharacter(int c) { return (c >= 33 && c <= 62) || (c >= 96 && c <= 126); }

// Block check type 1 over `bytes`: the sum folded into six bits.
int KermitChecksum(const unsigned char *bytes, std::size_t length);
// Block check type 3: the 16-bit CRC Kermit uses (CCITT, reflected, from 0).
unsigned KermitCrc(const unsigned char *bytes, std::size_t length);
// Characters the block check of `type` takes on the wire.
constexpr int CheckLength(int type) { return type == 3 ? 3 : 1; }
// Puts the block check of `type` over `bytes` as it goes on the wire; the
// number of characters put.
int KermitBlockCheck(int type, const unsigned char *bytes, std::size_t length, unsigned char *out);

// The record's buffer: one packet read, and with long packets and windows
// a slot for every packet a window holds.
std::size_t KermitBufferSize(const TransferRecord *record);
// A packet held in a window slot, sent or received.
struct KermitSlot {
    int32_t length;
    int32_t sequence;
    char type;
    char data[kMaxExtendedCount];
};
KermitSlot &WindowSlot(TransferRecord *record, int sequence);
// The longest DATA field a packet may carry to the other side now.
int KermitDataRoom(const TransferRecord *record);

// Our side's values before the Send-Init exchange; the options stay.
void ResetKermitLink(TransferRecord *record);

// 1 when the packet went out; 0 with the status set.
int KermitSendPacket(TransferRecord *record, int type, int length, const char *data);
// The same with a sequence number of its own rather than the current one.
int KermitSendNumbered(TransferRecord *record, int sequence, int type, int length, const char *data);
// A TYPE letter with the packet in `buffer`, T, Q, or kPacketStopped.
int KermitReadPacket(TransferRecord *record);
// 1 when the packet was acknowledged; 0 when the transfer ends.
int KermitSendAndWait(TransferRecord *record, int type, int length, const char *data);
// 1 while another try is allowed; 0 (status -610) after ten in a row.
int KermitCountRetry(TransferRecord *record);
// After an E from the other side: the transfer ends with -606, cleaned up.
void KermitStopOnRemoteError(TransferRecord *record);
// An E packet for a failed transfer, then the clean-up.
void KermitFinish(TransferRecord *record);

// Where the packet read last has its data, and how long that is.
inline const char *PacketData(const TransferRecord *record) { return record->buffer + 4; }

// Our Send-Init data, its length (at most kLongSendInitLength).
int KermitBuildInit(const TransferRecord *record, char *out);
// Takes the other side's Send-Init from the packet in `buffer`.
void KermitParseInit(TransferRecord *record);

// Encodes one byte as the data field carries it; the number of bytes put.
int EncodeByte(const TransferRecord *record, int c, char *out);
// One data field from the open file into `out` (room for
// KermitDataRoom): its length, 0 at the end of the file.
int KermitEncodeData(TransferRecord *record, char *out);

// Decodes a received field into `out`; the number of bytes it gave, at
// most `room`. A field that would give more is cut at `room`.
std::size_t DecodeField(const TransferRecord *record, const char *data, int length, unsigned char *out,
                        std::size_t room);
// Decodes from `*position` on while a whole repeat group still fits `room`;
// `*position` then says where to go on.
std::size_t DecodeSome(const TransferRecord *record, const char *data, int length, int *position, unsigned char *out,
                       std::size_t room);
// Writes the data packet in `buffer` to the file: 1, or 0 with -607.
int KermitDecodeData(TransferRecord *record);

// The attribute data for the current file of the list; its length.
int BuildAttributes(const TransferRecord *record, char *out, std::size_t room);
// Takes the length and date from the attribute packet in `buffer`.
void ParseAttributes(TransferRecord *record);
// A date token and an optional time token as local-time Unix seconds; -1
// when they do not read as a date.
int32_t ParseAttributeDate(const char *text, std::size_t length);

// The sender's data packets of the open file with up to the agreed window
// of them unacknowledged: 1 when all are acknowledged, 0 when it ends.
int KermitSendWindowed(TransferRecord *record);
// The receiver's next packet in sequence order: packets ahead of it are
// held and acknowledged, the ones missing asked for, repeats of those
// already taken acknowledged again; like KermitReadPacket otherwise.
int KermitReadInOrder(TransferRecord *record);

// The two sides on a filled record: 1 when the batch ended well.
int RunKermitSend(TransferRecord *record);
int RunKermitReceive(TransferRecord *record);

// The protocol area's values for a fresh record, before the options.
void SetKermitDefaults(TransferRecord *record, bool sending);

}  // namespace portkit::transfer

#endif
