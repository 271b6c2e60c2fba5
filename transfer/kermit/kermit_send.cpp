// The Kermit sender: Send-Init, then for each file its name, attributes,
// data and end of file, and a Break when the list is done.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

// The name as the F packet carries it, prefixed like data and cut to fit.
int EncodeName(const TransferRecord *record, const char *name, char *out) {
    int length = 0;
    for (const char *p = name; *p != '\0'; ++p) {
        char encoded[4];
        const int size = EncodeByte(record, static_cast<unsigned char>(*p), encoded);
        if (length + size > std::min(KermitDataRoom(record), kMaxDataLength)) break;
        std::memcpy(out + length, encoded, static_cast<std::size_t>(size));
        length += size;
    }
    return length;
}

bool SendOneAtATime(TransferRecord *record) {
    char field[kMaxDataLength + 1];
    for (;;) {
        const int length = KermitEncodeData(record, field);
        if (length == 0) return true;
        XferMessage(record, "Sending packet %d", static_cast<int>(record->file_block % 64));
        if (!KermitSendAndWait(record, 'D', length, field)) return false;
        record->retry_count = 0;
    }
}

bool SendOneFile(TransferRecord *record) {
    if (record->file_list != nullptr && record->file_list->size < 0) {
        XferMessage(record, "File too large to send (2 GiB or more): %s", record->file_list->path_name);
        record->status = PORTKIT_XFER_OPEN_FAILED;
        KermitFinish(record);
        return false;
    }
    if (!XferOpenFile(record)) {
        KermitFinish(record);
        return false;
    }
    Kermit(record).carried_run = 0;  // a run carried belongs to the file it came from
    XferMessage(record, "Sending file %s", record->file_name);
    const char *name = record->strip_path ? XferStripPathComponent(record->file_name) : record->file_name;
    char field[kMaxDataLength + 1];
    if (!KermitSendAndWait(record, 'F', EncodeName(record, name, field), field)) return false;
    if ((Kermit(record).remote_capabilities & 8) != 0) {
        const int length = BuildAttributes(record, field, sizeof field);
        XferMessage(record, "A Packet: %.17s", field + 2);
        if (!KermitSendAndWait(record, 'A', length, field)) return false;
        // An N in the acknowledgement refuses the file: it is discarded.
        if (record->block_size > 0 && PacketData(record)[0] == 'N') {
            XferMessage(record, "Receiver refused %s", name);
            CloseXferFile(record);
            --record->file_count;
            return KermitSendAndWait(record, 'Z', 1, "D") != 0;
        }
    }
    const KermitArea &k = Kermit(record);
    if (!(k.window_size > 1 || k.long_packets != 0 ? KermitSendWindowed(record) : SendOneAtATime(record))) return false;
    // A read that failed must not pass for the end of the file.
    if (std::ferror(record->file) != 0) {
        record->status = PORTKIT_XFER_FILE_IO;
        KermitFinish(record);
        return false;
    }
    CloseXferFile(record);
    XferMessage(record, "Sending end of file packet");
    return KermitSendAndWait(record, 'Z', 0, nullptr) != 0;
}

// The first Send-Init may reach a peer not yet listening, so it goes again
// after a short wait; from then on the usual time-out holds.
bool SendInit(TransferRecord *record, const char *init, int length) {
    KermitArea &k = Kermit(record);
    k.timeout_seconds = kFirstInitWaitSeconds;
    const bool sent = KermitSendPacket(record, 'S', length, init) != 0;
    const int answer = sent ? KermitReadPacket(record) : kPacketStopped;
    k.timeout_seconds = kKermitDefaultTimeoutSeconds;
    if (answer == kPacketStopped) return false;
    if (answer == 'E') {
        KermitStopOnRemoteError(record);
        return false;
    }
    if (answer == 'Y' && record->block_number == 0) {
        ++record->file_block;
        return true;
    }
    if (answer == kPacketTimedOut) XferMessage(record, "No answer to the S-init packet yet; sending it again");
    return KermitSendAndWait(record, 'S', length, init) != 0;
}

}  // namespace

int RunKermitSend(TransferRecord *record) {
    record->sending = 1;
    record->file_time = -1;
    if (record->buffer != nullptr) Kermit(record).long_packets_and_windows = 0;  // its size is unknown
    if (!XferSetUp(record)) return 0;
    ResetKermitLink(record);
    XferMessage(record, "Sending S-init packet");
    static char none[] = "<none>";
    record->file_name = none;
    char init[kLongSendInitLength];
    if (!SendInit(record, init, KermitBuildInit(record, init))) return 0;
    KermitParseInit(record);
    while (record->file_list != nullptr && record->file_list->next(record->file_list)) {
        record->byte_total = 0;
        if (XferCheckAbort(record)) {
            KermitFinish(record);
            return 0;
        }
        if (!SendOneFile(record)) return 0;
    }
    if (record->file_count == 0) record->status = PORTKIT_XFER_NO_FILES;
    // The Break ends the other side's batch either way; with nothing sent
    // an E follows it.
    const int32_t status = record->status;
    record->status = 0;
    KermitSendAndWait(record, 'B', 0, nullptr);
    if (record->status == 0) record->status = status;
    KermitFinish(record);
    return record->status == 0 ? 1 : 0;
}

}  // namespace portkit::transfer
