// Status-code messages and control-character names.
#include "portkit/port.h"

#include <iterator>

namespace {

struct StatusMessage {
    int code;
    const char *message;
};

constexpr StatusMessage kMessages[] = {
    {0, "Success"},
    {-1, "General error"},
    {-2, "Invalid port"},
    {-3, "In use"},
    {-4, "Invalid buffer size"},
    {-5, "No memory available"},
    {-6, "Not set up"},
    {-7, "Invalid parameter"},
    {-8, "Buffer empty"},
    {-9, "Buffer full"},
    {-10, "Time out"},
    {-11, "CTS is low"},
    {-12, "CD is low"},
    {-13, "DSR is low"},
    {-14, "No 8250 present"},
    {-15, "XMODEM status"},
    {-16, "User abort"},
    {-17, "File I/O error"},
    {-18, "XMODEM status"},
    {-19, "Not wide track"},
    {-20, "Hardware conflict"},
    {-21, "CRC mode"},
    {-22, "Modem didn't send OK"},
    {-23, "No modem response"},
    {-24, "Function not supported"},
    {-25, "Illegal baud rate"},
    {-26, "Illegal parity"},
    {-27, "Ilegal word length"},
    {-28, "Illegal number of stop bits"},
    {-30, "Driver not installed"},
    {-31, "User buffer overflow"},
    {-32, "Failure to connect to port"},
    {-33, "DOS Extender returned an error"},
    {-34, "Illegal board number"},
    {-35, "Board is in use"},
    {-36, "Blocked by handshaking"},
    {-37, "Maximum number of ports exceeded"},
    {-38, "Illegal IRQ line"},
    {-39, "IRQ line in use"},
    {-40, "Thunk setup failed"},
    {-41, "ANSI Error"},
    {-42, "Compiler packing error"},
    {-601, "Can't allocate xfer buffer"},
    {-602, "Can't open xfer file"},
    {-603, "Can't send NAK, buffer full"},
    {-604, "Can't send ACK, buffer full"},
    {-605, "User hit abort key"},
    {-606, "Remote end sent abort code"},
    {-607, "Error during file I/O"},
    {-608, "Timed out waiting for packet"},
    {-609, "Got an invalid packet size"},
    {-610, "Too many errors to continue"},
    {-611, "Internal error"},
    {-612, "Can't send block, buffer full"},
    {-613, "Can't send EOT, buffer full"},
    {-614, "Protocol error"},
    {-615, "Can't send char, buffer full"},
    {-616, "Can't get character"},
    {-617, "Timeout waiting for characters"},
    {-618, "Lost carrier during transfer"},
    {-619, "No files were sent"},
    {-620, "Receiver should send ZSKIP"},
    {-621, "CompuServe B+ packet sequence err"},
    {-622, "CompuServe B+ packet arrived"},
    {-623, "File engine failed"},
};

constexpr const char *kControlNames[32] = {"NUL", "SOH", "STX", "ETX", "EOT", "ENQ", "ACK", "BEL", "BS",  "HT",  "LF",
                                           "VT",  "FF",  "CR",  "SO",  "SI",  "DLE", "DC1", "DC2", "DC3", "DC4", "NAK",
                                           "SYN", "ETB", "CAN", "EM",  "SUB", "ESC", "FS",  "GS",  "RS",  "US"};

const char *BuiltInMessage(int code) {
    for (const StatusMessage &entry : kMessages) {
        if (entry.code == code) return entry.message;
    }
    return "Unknown error code";
}

}  // namespace

extern "C" {

PORTKIT_API const char *CommErrorName(int code) {
    DSInstanceData *settings = AddOrGetDSInstanceData();
    if (settings != nullptr && settings->error_name_function != nullptr) {
        if (const char *custom = settings->error_name_function(code)) return custom;
    }
    return BuiltInMessage(code);
}

PORTKIT_API const char *AsciiControlCharacterName(int c) {
    if (c < 0 || c >= static_cast<int>(std::size(kControlNames))) return "???";
    return kControlNames[c];
}

}  // extern "C"
