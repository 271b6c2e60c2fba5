// The message line every engine reports through.
#include <cstdio>
#include <string>

#include "port/escaped_text.h"
#include "transfer/transfer_internal.h"

namespace portkit::transfer {

void XferMessage(TransferRecord *record, const char *format, ...) {
    if (record->message_function == nullptr) return;
    char line[kMessageLineLength + 1];
    std::va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    // Names and texts in a line may come from the other end: the line goes
    // to a screen, so its control bytes go escaped.
    const std::string shown = EscapeControls(line, kMessageLineLength);
    record->message_function(shown.c_str(), record);
}

void ReportLengthMismatch(TransferRecord *record, long received, long announced) {
    XferMessage(record, PORTKIT_LENGTH_MISMATCH_LINE "%ld bytes received, %ld announced", received, announced);
}

}  // namespace portkit::transfer
