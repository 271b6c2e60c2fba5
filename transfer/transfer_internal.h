// Services the protocol engines share: set-up and clean-up, the file opener,
// the abort check, timed sends and the message line.
#ifndef PORTKIT_TRANSFER_TRANSFER_INTERNAL_H
#define PORTKIT_TRANSFER_TRANSFER_INTERNAL_H

#include <cstdarg>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "port/port_internal.h"
#include "portkit/crc.h"
#include "portkit/transfer.h"

namespace portkit::transfer {

constexpr std::uint8_t kSOH = 0x01;
constexpr std::uint8_t kSTX = 0x02;
constexpr std::uint8_t kEOT = 0x04;
constexpr std::uint8_t kACK = 0x06;
constexpr std::uint8_t kBS = 0x08;
constexpr std::uint8_t kNAK = 0x15;
constexpr std::uint8_t kCAN = 0x18;
constexpr std::uint8_t kCrcRequest = 'C';
constexpr std::uint8_t kStreamingRequest = 'G';

constexpr int kMessageLineLength = 83;
constexpr int kErrorLimit = 10;

inline bool IsXmodemFamily(const TransferRecord *record) { return record->transfer_type <= PORTKIT_YMODEM_G; }
inline bool IsStreaming(const TransferRecord *record) {
    return record->transfer_type >= PORTKIT_XMODEM_1K_G && record->transfer_type <= PORTKIT_YMODEM_G;
}

// Formats a line of at most 83 characters for the message hook, if any.
void XferMessage(TransferRecord *record, const char *format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 2, 3)))
#endif
    ;

// Tells the message hook that a received file's length differs from what
// its sender announced.
void ReportLengthMismatch(TransferRecord *record, long received, long announced);

// 1 when the transfer must stop, else 0.
int XferCheckAbort(TransferRecord *record);
// 1 to go on, 0 when the set-up failed or an abort was asked for.
int XferSetUp(TransferRecord *record);
// Closes the file, cancels on failure, releases the buffers. Safe to repeat.
void XferCleanUp(TransferRecord *record);
// 1 with a file open (or a skipped file), 0 on failure.
int XferOpenFile(TransferRecord *record);
// With no_hidden_names set, a received name or directory beginning with '.'
// gets '_' in its place, said through the message hook. XferOpenFile does it.
void UnhideReceivedName(TransferRecord *record);
// For a download that resumes: opens a file already there for update,
// keeping its contents; creates it as XferOpenFile does when it is not.
int XferOpenFileToResume(TransferRecord *record);
// Ends the transfer when a read or a wait answered with a failure of its
// own rather than a byte or silence: the idle hook's code, or a line that
// has gone. The code becomes the status and the clean-up runs. True when
// `code` was such a failure (the transfer has already ended then).
bool StopOnReadFailure(TransferRecord *record, int code);

// The port's line has gone: its device vanished or the other end hung up.
// Carrier merely low on a live line is not this.
inline bool LineHasGone(const PortStructure *port) { return port->status == PORTKIT_XFER_LOST_CARRIER; }

// 0, or a negative code with the record's status set.
int XferSendChar(TransferRecord *record, int byte);
int XferSendBuffer(TransferRecord *record, const char *data, unsigned int length);

// After a send failed: names the failure with the protocol's own code for
// what was being sent (-603, -604, -612, -613), unless the send ended on
// something more telling, such as an abort or a line that has gone.
inline void NameSendFailure(TransferRecord *record, int code) {
    if (record->status >= 0 || record->status == PORTKIT_XFER_CHAR_FULL || record->status == PORTKIT_XFER_BLOCK_FULL) {
        record->status = code;
    }
}

// The options a …WithOptions entry point takes besides the common ones.
struct OptionSet {
    const int *codes;
    int count;
};

template <std::size_t N>
constexpr OptionSet OptionsOf(const int (&codes)[N]) {
    return OptionSet{codes, static_cast<int>(N)};
}

// Adds to the bytes moved of the current file: counted in 64 bits, shown in
// byte_total up to INT32_MAX. An engine may set byte_total itself (0 at
// open, a resume offset); below the limit the count goes on from there.
inline void CountBytes(TransferRecord *record, std::int64_t count) {
    constexpr std::int64_t kMost = INT32_MAX;
    if (record->byte_total < kMost) record->byte_total_wide = record->byte_total;
    record->byte_total_wide += count;
    record->byte_total = static_cast<int32_t>(record->byte_total_wide < kMost ? record->byte_total_wide : kMost);
}
// The bytes moved of the current file, in full.
inline std::int64_t BytesMoved(const TransferRecord *record) {
    return record->byte_total < INT32_MAX ? record->byte_total : record->byte_total_wide;
}

// What an entry point returns: the record's failure, else the files moved.
inline int TransferResult(const TransferRecord &record) {
    return record.status != 0 ? record.status : record.file_count;
}

// Lists the files `file_spec` names, runs `engine` over them, ends output
// holding and frees the list; gives the entry point's result.
int SendFileList(TransferRecord *record, const char *file_spec, bool descend, void (*engine)(TransferRecord *record));

// Applies the option list to the record; -7 for a record without a port or
// a code the entry point does not take. `streaming` reports option 1011,
// `descend` option 1009.
int ParseTransferOptions(TransferRecord *record, std::va_list options, OptionSet accepted, bool *streaming,
                         bool *descend);

// Fills a record as every entry point does before its options.
void InitialiseRecord(TransferRecord *record, PortStructure *port, XferMessageFunction message,
                      XferStatusFunction status, int transfer_type);

// The process's default abort check: carrier loss when the record asks for it.
int DefaultAbortXferFunction(TransferRecord *record);

}  // namespace portkit::transfer

#endif
