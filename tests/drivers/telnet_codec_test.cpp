// The Telnet side of a serial server's connection: data through IAC
// escaping whatever the reads' boundaries, negotiation answered once and
// only where it must be, the server's reports, and broken or hostile input
// bounded.
#include <gtest/gtest.h>

#include <string>

#include "drivers/net/telnet_codec.h"

namespace portkit::net {
namespace {

using namespace std::string_literals;

const std::string kIac = "\xFF";

std::string Decoded(TelnetDecoder &decoder, std::string wire, std::size_t piece) {
    std::string data;
    for (std::size_t at = 0; at < wire.size(); at += piece) {
        std::string chunk = wire.substr(at, piece);
        auto *bytes = reinterpret_cast<std::uint8_t *>(chunk.data());
        data.append(chunk.data(), decoder.Decode(bytes, chunk.size()));
    }
    return data;
}

std::string Report(int command, const std::string &value) {
    return "\xFF\xFA\x2C" + std::string(1, static_cast<char>(command)) + value + "\xFF\xF0";
}

TEST(TelnetCodec, EveryByteValueSurvivesEscapingWhereverTheReadsSplitIt) {
    std::string data;
    for (int round = 0; round < 3; ++round) {
        for (int value = 0; value < 256; ++value) data.push_back(static_cast<char>(value));
    }
    data += kIac + kIac + kIac;  // runs of IAC, and one at the very end
    std::string wire;
    AppendEscaped(reinterpret_cast<const std::uint8_t *>(data.data()), data.size(), &wire);
    EXPECT_EQ(wire.size(), data.size() + 6);
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, wire.size()}) {
        TelnetDecoder decoder;
        EXPECT_EQ(Decoded(decoder, wire, piece), data) << "pieces of " << piece;
        EXPECT_TRUE(decoder.Answers().empty());
    }
}

TEST(TelnetCodec, Ser2netsGreetingIsAgreedWithOnlyEchoRefusedAndRepeatsGetNoAnswer) {
    TelnetDecoder decoder;
    const std::string opening = OpeningNegotiation(&decoder);
    EXPECT_EQ(opening, "\xFF\xFB\x00\xFF\xFD\x00\xFF\xFB\x03\xFF\xFD\x03\xFF\xFB\x2C"s);
    const std::string greeting =
        "\xFF\xFB\x03\xFF\xFD\x03\xFF\xFB\x01\xFF\xFE\x01\xFF\xFD\x00\xFF\xFB\x00\xFF\xFD\x2C"s;
    EXPECT_EQ(Decoded(decoder, greeting + "hi", 1), "hi");
    EXPECT_EQ(decoder.Answers(), "\xFF\xFE\x01");  // DONT ECHO, and nothing else
    EXPECT_TRUE(decoder.Reports().com_port_agreed);
    decoder.Answers().clear();

    std::string flood;
    for (int i = 0; i < 20000; ++i) flood += "\xFF\xFB\x01\xFF\xFD\x63\xFF\xFD\x00"s;  // WILL ECHO, DO 99, DO BINARY
    EXPECT_EQ(Decoded(decoder, flood, 4096), "");
    EXPECT_EQ(decoder.Answers(), "\xFF\xFC\x63");  // WONT 99 once

    std::string every_option;
    for (int option = 0; option < 256; ++option) {
        every_option += "\xFF\xFB" + std::string(1, static_cast<char>(option)) + "\xFF\xFD" +
                        std::string(1, static_cast<char>(option));
    }
    Decoded(decoder, every_option + every_option, 100);
    EXPECT_LE(decoder.Answers().size(), 4096u);

    // Taking Com Port Control back is heard.
    Decoded(decoder, "\xFF\xFE\x2C", 3);
    EXPECT_FALSE(decoder.Reports().com_port_agreed);
}

TEST(TelnetCodec, TheServersReportsAreKept) {
    TelnetDecoder decoder;
    const std::string reports = Report(101, std::string("\x00\x01\xC2\xFF\xFF", 5)) + Report(102, "\x07") +
                                Report(103, "\x03") + Report(104, "\x02") + Report(105, "\x03") + Report(107, "\xB1") +
                                Report(106, "\x10") + Report(106, "\x60") + Report(108, "") + Report(100, "ser2net") +
                                Report(101, "\x01");
    EXPECT_EQ(Decoded(decoder, "a" + reports + "b", 5), "ab");
    const ComPortReports &got = decoder.Reports();
    EXPECT_EQ(got.baud_rate, 0x0001C2FFu);  // IAC IAC in a value is one 0xFF; a short value is left alone
    EXPECT_EQ(got.data_size, 7);
    EXPECT_EQ(got.parity, 3);
    EXPECT_EQ(got.stop_size, 2);
    EXPECT_EQ(got.control, 3);
    EXPECT_EQ(got.modem_state, 0xB1);
    EXPECT_EQ(got.line_state, 0x60);
    EXPECT_EQ(got.line_state_seen, 0x10);  // the break stays seen; the buffer states are no errors
    EXPECT_TRUE(got.suspended);
    Decoded(decoder, Report(109, ""), 1);
    EXPECT_FALSE(decoder.Reports().suspended);
}

TEST(TelnetCodec, BrokenAndEndlessSubnegotiationsLoseNoDataAfterThem) {
    TelnetDecoder decoder;
    // Too long for any report: skipped to its end.
    EXPECT_EQ(Decoded(decoder, "\xFF\xFA\x2C\x6B" + std::string(100000, 'x') + "\xFF\xF0" + "after", 999), "after");
    EXPECT_EQ(decoder.Reports().malformed, 1u);
    // Never closed: the next command ends it, and data comes through again.
    EXPECT_EQ(Decoded(decoder, "\xFF\xFA\x2C\x6B\x10\xFF\xFB\x00more"s, 2), "more");
    EXPECT_EQ(decoder.Reports().modem_state, 0);
    // Stray SE, unknown commands and an IAC split from its partner.
    const std::string first = Decoded(decoder,
                                      "a\xFF\xF0"
                                      "b\xFF\xF1"
                                      "c\xFF",
                                      100);
    EXPECT_EQ(first + Decoded(decoder,
                              "\xFF"
                              "d",
                              100),
              "abc\xFF"
              "d");
}

}  // namespace
}  // namespace portkit::net
