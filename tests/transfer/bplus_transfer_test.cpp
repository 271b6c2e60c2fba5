// Downloads and uploads against a scripted host: the data arrives whole,
// failures end the transfer with a clear code, and names stay in place.
#include <filesystem>

#include "portkit/crc.h"
#include "support/near_two_gigabytes.h"
#include "tests/transfer/bplus_exchange.h"

namespace portkit::test {
namespace {

using bplus_script::Ack;
using bplus_script::Event;
using bplus_script::HostParameters;
using bplus_script::Packet;

int CountAcks(const std::vector<Event> &events, int sequence) {
    int count = 0;
    for (const Event &e : events) count += e.kind == Event::kAck && e.sequence == sequence ? 1 : 0;
    return count;
}

int CountKind(const std::vector<Event> &events, Event::Kind kind) {
    int count = 0;
    for (const Event &e : events) count += e.kind == kind ? 1 : 0;
    return count;
}

TEST(BPlusRespond, AnswersEnqWithAndWithoutBPlus) {
    ScriptedDriver driver;
    PortStructure *port = driver.Open();
    EXPECT_EQ(CompuServeBPlusRespond(port, 1), 0);
    EXPECT_EQ(driver.sent, std::string("\x10++\x10"
                                       "0"));
    driver.sent.clear();
    CompuServeBPlusRespond(port, 0);
    EXPECT_EQ(driver.sent, std::string("\x10"
                                       "0"));
    EXPECT_EQ(CompuServeBPlusWithOptions(port, nullptr, nullptr, 1011, 0), PORTKIT_INVALID_PARAMETER);
    PWPortClose(port);
}

// Nothing went out: the answer says so, with the write's own code.
TEST(BPlusRespond, GivesTheWriteFailureWhenTheAnswerCannotGoOut) {
    ScriptedDriver driver;
    PortStructure *port = driver.Open();
    driver.tx_error = PORTKIT_NOT_SUPPORTED;
    EXPECT_EQ(CompuServeBPlusRespond(port, 1), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(CompuServeBPlusRespond(port, 0), PORTKIT_NOT_SUPPORTED);
    EXPECT_EQ(driver.sent, "");
    PWPortClose(port);
}

using BPlusDownload = BPlusExchange;

TEST_F(BPlusDownload, OurParametersPacketIsTheDefaultOne) {
    HostOpens();
    Run();
    const auto packets = bplus_script::PacketsOf(Sent(0));
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(packets[0].sequence, 2);
    EXPECT_TRUE(packets[0].check_ok);
    const std::string expected("+\x01\x01\x08\x00\x01\x00\x14\x00\xD4\x00\x00\x00\x00\x00\x00\x00\x00", 18);
    EXPECT_EQ(packets[0].data, expected);
    // Sent while every control character is quoted.
    EXPECT_EQ(driver.sent.find(std::string("\x01", 1)), std::string::npos);
}

TEST_F(BPlusDownload, EveryCheckMethodCarriesEveryByteValue) {
    std::string every;
    for (int c = 0; c < 256; ++c) every += static_cast<char>(c);
    for (int method : {0, 1, 2, 3}) {
        SCOPED_TRACE(method);
        driver.sent.clear();
        const std::string name = "all" + std::to_string(method) + ".bin";
        HostOpens(HostParameters(1, 8, method));
        driver.Receive(Packet(3, "TDB" + name, method))
            .Receive(Packet(4, "N" + every, method))
            .Receive(Packet(5, "N" + every, method))
            .Receive(Packet(6, "TC", method));
        EXPECT_EQ(CompuServeBPlusWithOptions(port, nullptr, nullptr, PORTKIT_XFER_BPLUS_1024, 3, 0), 1);
        EXPECT_EQ(ReadFile(name), every + every);
        EXPECT_EQ(CountAcks(Sent(method), 6), 1);
        EXPECT_EQ(CountKind(Sent(method), Event::kNak), 0);
    }
}

TEST_F(BPlusDownload, EmptyFileIsCreated) {
    HostOpens();
    driver.Receive(Packet(3, "TDBempty.txt")).Receive(Packet(4, "TC"));
    EXPECT_EQ(Run(), 1);
    EXPECT_TRUE(std::filesystem::exists("empty.txt"));
    EXPECT_EQ(ReadFile("empty.txt"), "");
}

TEST_F(BPlusDownload, DamagedRepeatedAndOutOfOrderPacketsDoNotCorruptTheFile) {
    HostOpens();
    std::string damaged = Packet(4, "Nfirst ");
    damaged[4] ^= 0x01;
    driver.Receive(Packet(3, "TDBrepair.txt"))
        .Receive(damaged)
        .Receive(Packet(4, "Nfirst "))
        .Receive(Packet(4, "Nfirst "))  // our ACK was lost: a repeat
        .Receive(Packet(7, "Nlost"))    // out of order
        .Receive(Packet(5, "Nsecond"))
        .Receive(std::string(1, bplus_script::kENQ))
        .Receive(Packet(6, "TC"));
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(ReadFile("repair.txt"), "first second");
    const auto events = Sent(0);
    EXPECT_EQ(CountKind(events, Event::kNak), 2);
    EXPECT_EQ(CountAcks(events, 4), 2);
    EXPECT_EQ(CountAcks(events, 5), 2);  // once more for the ENQ
}

TEST_F(BPlusDownload, ReceivedNameStaysInTheDirectory) {
    HostOpens();
    driver.Receive(Packet(3, "TDB../../escape.txt")).Receive(Packet(4, "Nx")).Receive(Packet(5, "TC"));
    EXPECT_EQ(Run(), 1);
    EXPECT_EQ(FilesBelow("."), std::vector<std::string>{"escape.txt"});
}

TEST_F(BPlusDownload, ResumeKeepsThePartAndOffersItsLengthAndCheck) {
    WriteFile("part.bin", "hello");
    HostOpens(HostParameters(1, 8, 1, true, std::string(4, '\0'), 1));
    driver.Receive(Packet(3, "TDBpart.bin", 1))
        .Receive(Ack(4))
        .Receive(Packet(5, "N world", 1))
        .Receive(Packet(6, "TC", 1));
    EXPECT_EQ(
        CompuServeBPlusWithOptions(port, nullptr, nullptr, PORTKIT_XFER_BPLUS_1024, 1, PORTKIT_XFER_BPLUS_1026, 0), 1);
    EXPECT_EQ(ReadFile("part.bin"), "hello world");
    std::uint16_t crc = 0xFFFF;
    for (char c : std::string("hello")) crc = CalculateCharacterCRC16m(crc, static_cast<unsigned char>(c));
    const auto packets = bplus_script::PacketsOf(Sent(1));
    ASSERT_GE(packets.size(), 2u);
    EXPECT_EQ(packets[1].sequence, 4);
    EXPECT_EQ(packets[1].data, "Tr5 " + std::to_string(crc) + " ");
}

TEST_F(BPlusDownload, HostFailurePacketEndsTheTransfer) {
    HostOpens();
    driver.Receive(Packet(3, "TDBf.txt")).Receive(Packet(4, "FNnot today"));
    EXPECT_EQ(Run(), PORTKIT_XFER_PROTOCOL_ERROR);
}

TEST_F(BPlusDownload, UnknownPacketTypeIsRefusedWithFailurePacket) {
    HostOpens();
    driver.Receive(Packet(3, "Zzz")).Receive(Ack(4));
    EXPECT_EQ(Run(), PORTKIT_XFER_PROTOCOL_ERROR);
    const auto packets = bplus_script::PacketsOf(Sent(0));
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(packets.back().data, "FN");
}

// A host that stops answering, or a line that goes, must end the call.
TEST_F(BPlusDownload, SilentHostEndsWithTooManyErrors) {
    HostOpens();
    driver.Receive(Packet(3, "TDBsilent.txt")).Receive(Packet(4, "Npart"));
    EXPECT_EQ(Run(), PORTKIT_XFER_TOO_MANY_ERRORS);
}

TEST_F(BPlusDownload, SilenceBetweenPacketsEndsWithTooManyErrors) {
    HostOpens();
    EXPECT_EQ(Run(), PORTKIT_XFER_TOO_MANY_ERRORS);
}

TEST_F(BPlusDownload, LostLineEndsAtOnce) {
    HostOpens();
    driver.Receive(Packet(3, "TDBgone.txt")).Fail(PORTKIT_XFER_LOST_CARRIER);
    EXPECT_EQ(Run(), PORTKIT_XFER_LOST_CARRIER);
    EXPECT_EQ(CountKind(Sent(0), Event::kNak), 0);
}

TEST_F(BPlusDownload, StopTellsTheHostWithFailureA) {
    HostOpens();
    driver.Receive(Packet(3, "TDBstop.txt")).Receive(Packet(4, "Npart"));
    driver.abort_on_turn = 1;
    EXPECT_EQ(Run(), PORTKIT_USER_ABORT);
    const auto packets = bplus_script::PacketsOf(Sent(0));
    ASSERT_FALSE(packets.empty());
    EXPECT_EQ(packets.back().data, "FA");
}

using BPlusUpload = BPlusExchange;

TEST_F(BPlusUpload, SendsTheFileInBlocksOfTheAgreedSize) {
    const std::string content = RandomBytes(300, 7);
    WriteFile("up.bin", content);
    HostOpens(HostParameters(1, 1, 2));  // 128-byte blocks, CCITT CRC
    // One acknowledgement of the last packet answers all four outstanding.
    driver.Receive(Packet(3, "TUBup.bin", 2)).Receive(Ack(7));
    EXPECT_EQ(CompuServeBPlusWithOptions(port, nullptr, nullptr, PORTKIT_XFER_BPLUS_1024, 2, 0), 1);
    const auto packets = bplus_script::PacketsOf(Sent(2));
    ASSERT_EQ(packets.size(), 5u);  // +, three N, TC
    for (std::size_t i = 1; i < packets.size(); ++i) {
        EXPECT_TRUE(packets[i].check_ok);
        EXPECT_EQ(packets[i].sequence, static_cast<int>(i) + 3);
    }
    EXPECT_EQ(packets[1].data.size(), 129u);
    EXPECT_EQ(packets[4].data, "TC ");
    EXPECT_EQ(DataSent(2), content);
}

TEST_F(BPlusUpload, NoMoreThanTheWindowAllowsIsOutstanding) {
    WriteFile("long.bin", RandomBytes(128 * 6, 3));
    HostOpens(HostParameters(1, 1, 0));
    driver.Receive(Packet(3, "TUBlong.bin"));  // then nothing
    EXPECT_EQ(Run(), PORTKIT_XFER_TOO_MANY_ERRORS);
    const auto events = Sent(0);
    EXPECT_EQ(bplus_script::PacketsOf(events).size(), 1u + 4u);
    EXPECT_GE(CountKind(events, Event::kEnq), 2);
}

TEST_F(BPlusUpload, HostsQuoteSetIsHonoured) {
    WriteFile("hi.bin", std::string("\x91\x81", 2));
    // The host's bitmap marks 0x91 only.
    HostOpens(HostParameters(1, 8, 0, true, std::string("\x00\x00\x40\x00", 4)));
    driver.Receive(Packet(3, "TUBhi.bin")).Receive(Ack(5));
    EXPECT_EQ(Run(), 1);
    EXPECT_NE(driver.sent.find("\x10\x71\x81"), std::string::npos);
    EXPECT_EQ(DataSent(0), std::string("\x91\x81", 2));
}

TEST_F(BPlusUpload, NamesOutsideTheDirectoryAreRefused) {
    TempDirectory elsewhere;
    WriteFile(elsewhere / "secret", "secret");
    std::vector<std::string> names = {elsewhere / "secret", "../secret"};
    // Windows makes symbolic links only with a privilege; elsewhere one is tried too.
    std::error_code no_links;
    std::filesystem::create_symlink(elsewhere / "secret", "link", no_links);
    if (!no_links) names.push_back("link");
    for (const std::string &name : names) {
        SCOPED_TRACE(name);
        driver.sent.clear();
        HostOpens();
        driver.Receive(Packet(3, "TUB" + name)).Receive(Ack(4));
        EXPECT_EQ(Run(), PORTKIT_XFER_OPEN_FAILED);
        const auto packets = bplus_script::PacketsOf(Sent(0));
        ASSERT_FALSE(packets.empty());
        EXPECT_EQ(packets.back().data, "FM");
        EXPECT_EQ(DataSent(0), "");
    }
}

// The host gets the file it named or a refusal, never another file; and
// asking for a file creates nothing.
TEST_F(BPlusUpload, ANameIsSentAsGivenOrRefused) {
    WriteFile("up.txt", "the file here");
    std::filesystem::create_directory("sub");
    WriteFile("sub/up.txt", "the file in sub");
    struct Case {
        const char *name;
        bool keep_paths;
        const char *sent;  // null: refused
    };
    const Case cases[] = {
        {"up.txt", false, "the file here"},
        {"sub/up.txt", true, "the file in sub"},
        {"sub/up.txt", false, nullptr},
        {"sub\\up.txt", false, nullptr},
        {"./up.txt", false, nullptr},
        {"x:up.txt", false, nullptr},
        {"../up.txt", true, nullptr},
        {"sub/../up.txt", true, nullptr},
        {"nothing/../sub/up.txt", true, nullptr},
        {"hostmade/deeper/none.txt", true, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.keep_paths ? " with paths kept" : ""));
        driver.sent.clear();
        HostOpens();
        driver.Receive(Packet(3, std::string("TUB") + c.name)).Receive(Ack(5));
        const int result = CompuServeBPlusWithOptions(
            port, nullptr, nullptr, c.keep_paths ? PORTKIT_XFER_KEEP_PATHS : PORTKIT_XFER_NO_OPTION, 0);
        if (c.sent != nullptr) {
            EXPECT_EQ(result, 1);
            EXPECT_EQ(DataSent(0), c.sent);
            continue;
        }
        EXPECT_EQ(result, PORTKIT_XFER_OPEN_FAILED);
        EXPECT_EQ(DataSent(0), "");
        const auto packets = bplus_script::PacketsOf(Sent(0));
        ASSERT_FALSE(packets.empty());
        EXPECT_EQ(packets.back().data, "FM");
    }
    EXPECT_FALSE(std::filesystem::exists("hostmade"));
    EXPECT_FALSE(std::filesystem::exists("nothing"));
}

// Past 2 GiB the count goes on in 64 bits and byte_total stops at its
// largest value.
TEST_F(BPlusDownload, ByteCountGoesOnPastTwoGigabytes) {
    HostOpens();
    driver.Receive(Packet(3, "TDBbig.bin")).Receive(Packet(4, "N" + std::string(100, 'b'))).Receive(Packet(5, "TC"));
    EXPECT_EQ(CompuServeBPlusWithOptions(port, nullptr, StartNearTwoGigabytes, 0), 1);
    EXPECT_EQ(last_seen_record.byte_total, INT32_MAX);
    EXPECT_EQ(last_seen_record.byte_total_wide, kCountStart + 100);
    EXPECT_EQ(ReadFile("big.bin"), std::string(100, 'b'));
}

}  // namespace
}  // namespace portkit::test
