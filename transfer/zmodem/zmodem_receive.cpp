// The ZMODEM receiver: offers ZRINIT until a ZFILE comes, opens (or
// resumes, appends to, skips) the file it names, and asks for data with
// ZRPOS from the position it has, again after every error.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "portkit/timedio.h"
#include "transfer/file_list.h"
#include "transfer/received_names.h"
#include "transfer/file_header_fields.h"
#include "transfer/received_file.h"
#include "transfer/zmodem/zmodem_engine.h"

namespace portkit::transfer {
namespace {

// Received names are kept whole up to this length, a file system's limit.
constexpr std::size_t kNameBufferSize = 256;
// The sender's "OO" comes a round trip after our ZFIN. Some senders flush
// their line as they exit and it never comes, so the wait is a few of the
// round trips the session showed, within these bounds.
constexpr int kLeastOverMs = 500;
constexpr int kFirstOverMs = 2000;
constexpr int kSecondOverMs = 500;
constexpr int kAfterRequestMs = 200;
constexpr int kRequestPolls = 20;
constexpr int kBlockSettleMs = 70;
// Hunts through stale data (2 KB each) taken before a position is asked again.
constexpr int kStaleHuntLimit = 64;
// ZRINIT: any buffer length, full duplex, overlapped I/O, break, CRC-32.
constexpr unsigned char kReceiverCapabilities = kCANFDX | kCANOVIO | kCANBRK | kCANFC32;

int SendHexAt(TransferRecord *record, int type, std::int32_t position) {
    unsigned char data[4];
    PositionHeader(position, data);
    return SendHexHeader(record, type, data);
}

// Runs `io` with the sender held off, when the caller asked for that.
template <typename Io>
auto HeldOff(TransferRecord *record, Io io) {
    if (Zmodem(record).block_during_write == 0) return io();
    PortStructure *port = record->port;
    const std::int32_t saved = port->status;
    port->functions.Block(port, 1);
    PortKillTime(port, kBlockSettleMs);
    auto result = io();
    port->functions.Block(port, 0);
    if (port->status == PORTKIT_NOT_SUPPORTED || port->status == 0) port->status = saved;
    return result;
}

// The sender's "OO" after our ZFIN; `round_trip_ms` is how long its ZFIN
// took to answer our ZRINIT. The session is over whatever comes: a sender
// that has already hung up has had everything it needed.
void TakeOverAndOut(TransferRecord *record, std::uint32_t round_trip_ms) {
    PortStructure *port = record->port;
    const std::int32_t saved = port->status;
    const int first_wait_ms =
        static_cast<int>(std::clamp<std::uint32_t>(4 * round_trip_ms, kLeastOverMs, kFirstOverMs));
    if (ReadCharTimed(port, first_wait_ms) >= 0) ReadCharTimed(port, kSecondOverMs);
    if (LineHasGone(port)) port->status = saved;
}

// 1 when a ZFILE and its data are in header_data and the buffer; 0 when the
// sender ended the session or the exchange failed.
int GetFileName(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    for (;;) {
        XferMessage(record, "GetFileName: sending RINIT");
        const unsigned char capabilities[4] = {0, 0, 0, kReceiverCapabilities};
        if (SendHexHeader(record, kZRINIT, capabilities) < 0) {
            XferMessage(record, "GetFileName: Error sending RINIT");
            return 0;
        }
        const std::uint32_t asked_at = platform::TickCount();
        const int type = ReadFrameHeader(record, 1);
        if (type == kZFILE) {
            z.conversion_option = z.header_data[3];
            z.management_option = z.header_data[2];
            if (ReadDataSubpacket(record) >= 0) return 1;
        } else if (type == kZFIN) {
            const unsigned char zero[4] = {0, 0, 0, 0};
            SendHexHeader(record, kZFIN, zero);
            TakeOverAndOut(record, platform::TickCount() - asked_at);
            return 0;
        } else if (type == kZSINIT) {
            if (ReadDataSubpacket(record) >= 0) {
                XferMessage(record, "GetFileName: good ZSINIT");
                const unsigned char zero[4] = {0, 0, 0, 0};
                SendHexHeader(record, kZACK, zero);
            } else {
                XferMessage(record, "GetFileName: ZSINIT + bad packet");
                CountError(record);
            }
        } else {
            XferMessage(record, "GetFileName: frame_type=%d", type);
            if (type == kZRQINIT) {
                // A sender that already has our ZRINIT goes on at once; the
                // pause is only for one still repeating its request.
                const std::int32_t settled = DeadlineAfter(kAfterRequestMs);
                while (record->port->functions.SpaceUsedInRXBuffer(record->port) <= 0 && !DeadlineReached(settled)) {
                    if (XferCheckAbort(record)) break;
                    if (const int idle = RunIdleHook(record->port); idle < 0) {
                        StopOnReadFailure(record, idle);
                        break;
                    }
                }
                for (int poll = 0; poll < kRequestPolls; ++poll) {
                    if (record->port->functions.SpaceUsedInRXBuffer(record->port) > 0 || z.hex_header_seen) break;
                    if (ReadCharTimed(record->port, 1) == '\n') break;
                }
            } else {
                CountError(record);
            }
        }
        if (record->status < 0) return 0;
    }
}

// Takes the name, length and time from the ZFILE data. False when the name
// cannot be stored safely.
bool TakeFileInformation(TransferRecord *record) {
    const std::size_t size = static_cast<std::size_t>(record->block_size);
    const std::size_t name_length = strnlen(record->buffer, size);
    const std::string received(record->buffer, name_length);
    if (!MakeSafeReceivedName(received.c_str(), record->strip_path == 0, record->file_name, kNameBufferSize,
                              record->no_hidden_names != 0)) {
        XferMessage(record, "Refused file name from the sender");
        return false;
    }
    if (received != record->file_name) XferMessage(record, "Stripped filename %s", record->file_name);
    std::string information;
    if (name_length + 1 < size) {
        const char *rest = record->buffer + name_length + 1;
        information.assign(rest, strnlen(rest, size - name_length - 1));
    }
    const FileHeaderFields fields = ParseFileHeaderFields(information.c_str(), -1);
    record->file_length = fields.length;
    record->file_time = fields.time;
    record->file_mode = fields.mode;
    return true;
}

// True when a header read failed on a hunt that found nothing or on a
// header whose check failed, rather than on a stray pad among data bytes.
bool HeaderLost(const ZmodemArea &z) {
    switch (z.header_format) {
        case PORTKIT_BUFFER_EMPTY:
        case 0:
        case kZBIN:
        case kZHEX:
        case kZBIN32:
            return true;
        default:
            return false;
    }
}

bool WriteBlock(TransferRecord *record) {
    if (record->block_size == 0) return true;
    const auto size = static_cast<std::size_t>(record->block_size);
    return HeldOff(record, [&] { return WriteReceivedData(record, record->buffer, size); });
}

void ReadFileData(TransferRecord *record) {
    ZmodemArea &z = Zmodem(record);
    XferMessage(record, "ReadFileData: reading name");
    if (SendHexAt(record, kZRPOS, record->byte_total) < 0) {
        XferMessage(record, "ReadFileData: Error sending ZRPOS");
        return;
    }
    int last_result = 0;
    int stale_hunts = 0;
    for (;;) {
        if (XferCheckAbort(record)) return;
        const int type = ReadFrameHeader(record, 1);
        if (record->status < 0) {
            XferMessage(record, "ReadFileData: Fatal error on header");
            return;
        }
        // After a ZRPOS, data the sender had in flight arrives as garbage
        // and can be far more than one hunt takes. Asking again for every
        // such hunt would rewind the sender again and again; its new header
        // follows once it has our request.
        if (type < 0 && z.garbage_count >= kGarbageLimit && stale_hunts < kStaleHuntLimit) {
            ++stale_hunts;
            --record->retry_count;
            continue;
        }
        if (type >= 0) stale_hunts = 0;
        bool data_or_end = true;
        if (type == kZDATA) {
            if (HeaderPosition(z.header_data) != record->byte_total) {
                XferMessage(record, "ReadFileData: Mismatch in rx_pos");
                SendHexAt(record, kZRPOS, record->byte_total);
                continue;
            }
            XferMessage(record, "NEW BYTE COUNT: %lx", static_cast<unsigned long>(record->byte_total));
            HeldOff(record, [&] { return std::fseek(record->file, record->byte_total, SEEK_SET); });
            for (;;) {
                if (XferCheckAbort(record)) return;
                last_result = ReadDataSubpacket(record);
                if (record->status < 0) return;
                if (last_result < 0) break;
                record->retry_count = 0;
                ++record->file_block;
                if (!WriteBlock(record)) {
                    record->status = PORTKIT_XFER_FILE_IO;
                    XferCleanUp(record);
                    return;
                }
                XferMessage(record, "ReadFileData: read @%ld", static_cast<long>(record->byte_total));
                record->byte_total += record->block_size;
                if (last_result == kZCRCQ || last_result == kZCRCW) {
                    XferMessage(record, "Sending a ZACK");
                    SendHexAt(record, kZACK, record->byte_total);
                }
                if (last_result == kZCRCE || last_result == kZCRCW) break;
            }
        } else if (type == kZEOF) {
            if (HeaderPosition(z.header_data) == record->byte_total) {
                XferMessage(record, "ReadFileData: frame_type=%d", type);
                // The end's offset is what counts; an append adds to what was here.
                if (record->file_length >= 0 && record->byte_total != record->file_length &&
                    (z.management_option & kManagementMask) != kManageAppend) {
                    ReportLengthMismatch(record, record->byte_total, record->file_length);
                }
                return;
            }
            XferMessage(record, "ZEOF at wrong position");
        } else {
            XferMessage(record, "ReadFileData: frame_type=%d", type);
            last_result = -1;
            data_or_end = false;
            // The ZFILE again: our ZRPOS went astray. Its data is known already.
            if (type == kZFILE) ReadDataSubpacket(record);
        }
        // The sender may be waiting for an answer to the header we lost, and
        // a ZNAK or a repeated ZFILE asks for our position outright.
        const bool header_lost = type < 0 && HeaderLost(z);
        const bool asked_again = type == kZNAK || type == kZFILE;
        if ((last_result >= 0 || !data_or_end) && !header_lost && !asked_again) continue;
        // A lost header counted its own error.
        if (!header_lost && CountError(record)) return;
        if (record->byte_total != record->file_length) ClearRXBuffer(record->port);
        SendHexAt(record, kZRPOS, record->byte_total);
        XferMessage(record, "Sending a new file offset!!!");
    }
}

// Opens the file a ZFILE named and moves its data; false ends the session.
bool ReceiveFile(TransferRecord *record) {
    if (!TakeFileInformation(record)) {
        record->status = PORTKIT_XFER_OPEN_FAILED;
        return false;
    }
    // The opener compares with the copy of that file that is here already,
    // whole or in part, under the name it will have.
    UnhideReceivedName(record);
    const std::string copy = ExistingCopyName(record);
    record->file_list = FileListForName(copy.c_str());
    if (!XferOpenFile(record)) return false;
    if (record->status == PORTKIT_XFER_SHOULD_SKIP) {
        record->status = 0;
        const unsigned char zero[4] = {0, 0, 0, 0};
        SendHexHeader(record, kZSKIP, zero);
    } else {
        ReadFileData(record);
        if (record->status < 0) return false;
        CloseXferFile(record);
        record->file_name[0] = '\0';
    }
    if (record->file_list != nullptr) {
        record->file_list->destroy(record->file_list);
        record->file_list = nullptr;
    }
    return record->status >= 0;
}

}  // namespace

void ZmodemReceiveBatch(TransferRecord *record) {
    record->sending = 0;
    if (!XferSetUp(record)) return;
    ResetZmodemCounters(record);
    record->file_name = static_cast<char *>(AllocateXferBuffer(kNameBufferSize));
    if (record->file_name == nullptr) {
        record->status = PORTKIT_XFER_NO_BUFFER;
        XferCleanUp(record);
        return;
    }
    while (GetFileName(record) && ReceiveFile(record)) {
    }
    XferCleanUp(record);
    FreeXferBuffer(record->file_name);
    record->file_name = nullptr;
}

}  // namespace portkit::transfer
