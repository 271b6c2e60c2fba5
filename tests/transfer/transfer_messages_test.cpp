// The lines transfers give their message hook: whatever the other end put
// in them reaches the hook with its control bytes escaped.
#include <gtest/gtest.h>

#include <string>

#include "port/escaped_text.h"
#include "support/transfer_log.h"
#include "transfer/transfer_internal.h"

namespace portkit::test {
namespace {

// Every line of a transfer goes through one formatter, which escapes what
// the other end put in it and keeps the line's limit.
TEST(TransferMessages, PeerTextIsEscapedWithinTheLineLimit) {
    TransferLog::Clear();
    TransferRecord record{};
    record.message_function = TransferLog::Hook;
    const std::string hostile =
        "x\x1b]52;c;cm0gLXJmIH4K\x07\x1b]0;owned\x07\x9b"
        "31m" +
        std::string(100, '\x9d');
    transfer::XferMessage(&record, "Refused the name %s", hostile.c_str());
    const std::string line = TransferLog::Text();
    ASSERT_FALSE(line.empty());
    const std::string shown = line.substr(0, line.size() - 1);
    EXPECT_EQ(EscapeControls(shown), shown);  // nothing left to escape
    EXPECT_EQ(line.rfind("Refused the name x\\x1B]52;c;cm0gLXJmIH4K\\x07\\x1B]0;owned\\x07\\x9B31m\\x9D", 0), 0u)
        << line;
    EXPECT_LE(line.size() - 1, 83u);
    EXPECT_EQ(line.substr(line.size() - 5), "\\x9D\n");
}

}  // namespace
}  // namespace portkit::test
