// The message table, the user hook and control-character names.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>

#include "portkit/port.h"

namespace portkit::test {
namespace {

const std::map<int, std::string> kExpected = {{0, "Success"},
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
                                              {-623, "File engine failed"}};

TEST(CommErrorName, EveryCodeFromPlusOneToMinus700HasItsMessage) {
    for (int code = 1; code >= -700; --code) {
        const auto known = kExpected.find(code);
        const std::string expected = known != kExpected.end() ? known->second : "Unknown error code";
        EXPECT_EQ(CommErrorName(code), expected) << code;
    }
    EXPECT_STREQ(CommErrorName(1 << 30), "Unknown error code");
}

const char *OverrideTimeOut(int code) { return code == -10 ? "Line went quiet" : nullptr; }
const char *OverrideUnknown(int code) { return code == 5 ? "Five" : nullptr; }

TEST(CommErrorName, HookOverridesOnlyWhatItAnswersAndNullRestoresDefault) {
    SetUserErrorNameFunctionPtr(OverrideTimeOut);
    EXPECT_STREQ(CommErrorName(-10), "Line went quiet");
    EXPECT_STREQ(CommErrorName(-9), "Buffer full");
    SetUserErrorNameFunctionPtr(OverrideUnknown);
    EXPECT_STREQ(CommErrorName(5), "Five");
    EXPECT_STREQ(CommErrorName(-10), "Time out");
    SetUserErrorNameFunctionPtr(nullptr);
    EXPECT_STREQ(CommErrorName(-10), "Time out");
    EXPECT_STREQ(CommErrorName(5), "Unknown error code");
}

TEST(AsciiControlCharacterName, NamesTheThirtyTwoControlsAndNothingElse) {
    EXPECT_STREQ(AsciiControlCharacterName(0), "NUL");
    EXPECT_STREQ(AsciiControlCharacterName(13), "CR");
    EXPECT_STREQ(AsciiControlCharacterName(27), "ESC");
    EXPECT_STREQ(AsciiControlCharacterName(31), "US");
    EXPECT_STREQ(AsciiControlCharacterName(32), "???");
    EXPECT_STREQ(AsciiControlCharacterName(127), "???");
    EXPECT_STREQ(AsciiControlCharacterName(-1), "???");
}

}  // namespace
}  // namespace portkit::test
