// Peer text made safe for a screen: every control byte escaped, nothing else
// touched, and a cut never splits an escape.
#include <gtest/gtest.h>

#include <string>

#include "port/escaped_text.h"

namespace portkit::test {
namespace {

bool HoldsControl(const std::string &text) {
    for (const unsigned char c : text) {
        if (c < 0x20 || c == 0x7F || (c >= 0x80 && c <= 0x9F)) return true;
    }
    return false;
}

TEST(EscapeControls, EscapesC0DelAndC1AndNothingElse) {
    std::string every;
    for (int c = 0; c < 256; ++c) every.push_back(static_cast<char>(c));
    const std::string shown = EscapeControls(every);
    EXPECT_FALSE(HoldsControl(shown));
    EXPECT_EQ(shown.substr(0, 12), "\\x00\\x01\\x02");
    EXPECT_NE(shown.find("\\x1B\\x1C\\x1D\\x1E\\x1F !\"#"), std::string::npos);
    EXPECT_NE(shown.find("}~\\x7F\\x80\\x81"), std::string::npos);
    EXPECT_NE(shown.find("\\x9E\\x9F\xA0\xA1"), std::string::npos);
    EXPECT_EQ(shown.size(), 256u + 3 * (32 + 1 + 32));
    EXPECT_EQ(EscapeControls("plain name.txt"), "plain name.txt");
    EXPECT_EQ(EscapeControls(shown), shown);  // escaping twice changes nothing
}

TEST(EscapeControls, CutsOnlyBetweenWholeEscapes) {
    EXPECT_EQ(EscapeControls("ab\x1b[2J", 4), "ab");
    EXPECT_EQ(EscapeControls("ab\x1b[2J", 6), "ab\\x1B");
    EXPECT_EQ(EscapeControls("ab\x1b[2J", 7), "ab\\x1B[");
    EXPECT_EQ(EscapeControls("abc", 0), "");
}

}  // namespace
}  // namespace portkit::test
