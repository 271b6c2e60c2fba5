// The simulated B+ host (sim/): its wire codec against published check
// values and the worked bytes of the protocol, and its flows against a
// terminal scripted here, so that the engine's tests can trust what it
// reports.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "sim/bplus_host.h"

namespace portkit::test {
namespace {

namespace bplus = sim::bplus;
using bplus::BlockCheck;
using bplus::CheckMethod;
using bplus::QuoteSet;
using bplus::WireEvent;
using bplus::WireReader;
using sim::BPlusHost;
using sim::BPlusHostRecord;
using sim::BPlusScenario;

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int v : values) bytes += static_cast<char>(v);
    return bytes;
}

TEST(BPlusWire, ChecksMatchPublishedValuesAndLeaveTheirResidues) {
    struct Case {
        CheckMethod method;
        std::uint32_t start;
        std::uint32_t over_123456789;
    };
    // CRC-16/XMODEM, CRC-16/X-25 before its complement, CRC-32 before its complement.
    for (const Case &c : {Case{CheckMethod::kCrc16, 0, 0x31C3}, Case{CheckMethod::kCrcCcitt, 0xFFFF, 0x906E ^ 0xFFFF},
                          Case{CheckMethod::kCrc32, 0xFFFFFFFFu, 0xCBF43926u ^ 0xFFFFFFFFu}}) {
        BlockCheck check(c.method, c.start);
        for (const char ch : std::string("123456789")) check.Add(static_cast<unsigned char>(ch));
        EXPECT_EQ(check.Value(), c.over_123456789) << static_cast<int>(c.method);
    }
    for (const CheckMethod method :
         {CheckMethod::kChecksum, CheckMethod::kCrc16, CheckMethod::kCrcCcitt, CheckMethod::kCrc32}) {
        BlockCheck check(method);
        for (const char ch : std::string("3N\x10\x91payload\x03")) check.Add(static_cast<unsigned char>(ch));
        std::string sent = check.Final();
        EXPECT_TRUE(check.Verify(sent)) << static_cast<int>(method);
        sent[0] = static_cast<char>(sent[0] ^ 0x40);
        EXPECT_FALSE(check.Verify(sent)) << static_cast<int>(method);
    }
    // The checksum folds its carry back in: 0xFF doubled is 0x1FE -> 0xFF.
    BlockCheck sum(CheckMethod::kChecksum);
    sum.Add(0xFF);
    sum.Add(0x00);
    EXPECT_EQ(sum.Value(), 0xFFu);
}

TEST(BPlusWire, WorkedBytesOfTheProtocol) {
    EXPECT_EQ(bplus::kEnqReply, Bytes({0x10, '+', '+', 0x10, '0'}));
    EXPECT_EQ(bplus::TransportParameters{}.Encode(),
              Bytes({'+', 1, 1, 8, 0, 1, 0, 0x14, 0x00, 0xD4, 0x00, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(bplus::Quote(0x10), "\x10P");
    EXPECT_EQ(bplus::Quote(0x91), "\x10\x71");
    EXPECT_EQ(bplus::Unquote(0x71), 0x91);
    EXPECT_EQ(bplus::Unquote('C'), 0x03);

    QuoteSet with_91 = QuoteSet::Default();
    with_91.Mark(0x91);
    const std::string body = "N\x10\x91";
    const std::string plain = bplus::EncodePacket(4, body, CheckMethod::kChecksum, QuoteSet::Default());
    EXPECT_EQ(plain.substr(0, 8), Bytes({0x10, 'B', '4', 'N', 0x10, 'P', 0x91, 0x03}));
    const std::string quoted = bplus::EncodePacket(4, body, CheckMethod::kChecksum, with_91);
    EXPECT_EQ(quoted.substr(0, 9), Bytes({0x10, 'B', '4', 'N', 0x10, 'P', 0x10, 0x71, 0x03}));

    const auto decoded = bplus::TransportParameters::Decode("+\x02\x03\x04");
    EXPECT_EQ(decoded.block_units, 4);
    EXPECT_EQ(decoded.check_method, 0);  // padded
    EXPECT_EQ(QuoteSet::FromBitmap(QuoteSet::Default().Bitmap()).Bitmap(), QuoteSet::Default().Bitmap());
}

// The first event the bytes make.
WireEvent FeedAll(WireReader &reader, const std::string &wire) {
    for (const char c : wire) {
        const WireEvent event = reader.Feed(static_cast<unsigned char>(c));
        if (event.kind != WireEvent::kNone) return event;
    }
    return {};
}

TEST(BPlusWire, ReaderTakesBackEveryByteAndCatchesFaults) {
    std::string every_byte = "N";
    for (int c = 0; c < 256; ++c) every_byte += static_cast<char>(c);
    for (const CheckMethod method :
         {CheckMethod::kChecksum, CheckMethod::kCrc16, CheckMethod::kCrcCcitt, CheckMethod::kCrc32}) {
        WireReader reader;
        reader.Expect(method, QuoteSet::All(), 1024);
        const WireEvent event = FeedAll(reader, bplus::EncodePacket(7, every_byte, method, QuoteSet::All()));
        EXPECT_EQ(event.kind, WireEvent::kPacket) << event.problem;
        EXPECT_EQ(event.sequence, 7);
        EXPECT_EQ(event.data, every_byte);
        const WireEvent spoilt = FeedAll(reader, bplus::EncodePacket(7, "N", method, QuoteSet::All(), true));
        EXPECT_EQ(spoilt.kind, WireEvent::kBadPacket);
    }
    struct Case {
        std::string wire;
        WireEvent::Kind kind;
        const char *problem;
    };
    WireReader strict;
    strict.Expect(CheckMethod::kChecksum, QuoteSet::Default(), 4);
    const Case cases[] = {
        {"\x10"
         "5",
         WireEvent::kAck, ""},
        {"\x15", WireEvent::kNak, ""},
        {"\x05", WireEvent::kEnq, ""},
        {"\x10;", WireEvent::kDleSemicolon, ""},
        {"x", WireEvent::kStray, ""},
        {"\x10"
         "BxN",
         WireEvent::kBadPacket, "not a digit"},
        {bplus::EncodePacket(1, "N\x11", CheckMethod::kChecksum, QuoteSet()), WireEvent::kBadPacket, "not quoted"},
        {bplus::EncodePacket(1, "N1234", CheckMethod::kChecksum, QuoteSet::Default()), WireEvent::kBadPacket, "longer"},
    };
    for (const Case &c : cases) {
        const WireEvent event = FeedAll(strict, c.wire);
        EXPECT_EQ(event.kind, c.kind) << c.wire;
        EXPECT_NE(event.problem.find(c.problem), std::string::npos) << event.problem;
        // A bad packet may leave the rest of its bytes as strays; start clean.
        strict = WireReader();
        strict.Expect(CheckMethod::kChecksum, QuoteSet::Default(), 4);
    }
}

// A terminal scripted from the wire description, acknowledging every packet,
// to check the host's flows end to end.
class ScriptedTerminal {
public:
    explicit ScriptedTerminal(int fd) : fd_(fd) { reader_.Expect(CheckMethod::kChecksum, QuoteSet::Default(), 1100); }

    void Write(const std::string &bytes) {
        ASSERT_EQ(write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    void Ack(int sequence) { Write(Bytes({0x10, '0' + sequence})); }

    // The next event; kNone when the host said nothing for a second.
    WireEvent Next() {
        for (;;) {
            char c;
            timeval wait{1, 0};
            setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
            if (read(fd_, &c, 1) != 1) return {};
            const WireEvent event = reader_.Feed(static_cast<unsigned char>(c));
            if (event.kind != WireEvent::kNone) return event;
        }
    }

    // Answers ENQ and exchanges parameters; gives the host's.
    bplus::TransportParameters Begin(int check_method) {
        EXPECT_EQ(Next().kind, WireEvent::kEnq);
        Write(bplus::kEnqReply);
        const WireEvent host = Next();
        EXPECT_EQ(host.kind, WireEvent::kPacket);
        EXPECT_EQ(host.sequence, 1);
        Ack(1);
        bplus::TransportParameters ours;
        ours.check_method = check_method;
        Write(bplus::EncodePacket(2, ours.Encode(), CheckMethod::kChecksum, QuoteSet::All()));
        EXPECT_EQ(Next().sequence, 2);
        const auto theirs = bplus::TransportParameters::Decode(host.data);
        method_ = static_cast<CheckMethod>(std::min(check_method, theirs.check_method));
        reader_.Expect(method_, QuoteSet::Default(), 1100);
        sequence_ = 2;
        return theirs;
    }

    // Takes packets, acknowledging each (repeats again), until TC; NAKs bad
    // ones, answers ENQ and starts over on Tf.
    std::string ReceiveUntilComplete(int *repeats) {
        std::string data;
        for (WireEvent event = Next(); event.kind != WireEvent::kNone; event = Next()) {
            if (event.kind == WireEvent::kBadPacket) {
                Write("\x15");
                continue;
            }
            if (event.kind == WireEvent::kEnq) {
                Ack(sequence_);
                continue;
            }
            if (event.kind != WireEvent::kPacket) break;
            Ack(event.sequence);
            if (event.sequence == sequence_) {
                ++*repeats;
                continue;
            }
            sequence_ = event.sequence;
            if (event.data[0] == 'N') data += event.data.substr(1);
            if (event.data == "Tf") data.clear();
            if (event.data == "TC") return data;
        }
        return data;  // the host fell silent or went wrong: the caller's checks tell
    }

    // Sends a packet and waits for its ACK, sending it again on a NAK.
    void Send(const std::string &data) {
        sequence_ = (sequence_ + 1) % 10;
        const std::string wire = bplus::EncodePacket(sequence_, data, method_, QuoteSet::Default());
        Write(wire);
        WireEvent ack = Next();
        if (ack.kind == WireEvent::kNak) {
            ++naks_;
            Write(wire);
            ack = Next();
        }
        EXPECT_EQ(ack.kind, WireEvent::kAck);
        EXPECT_EQ(ack.sequence, sequence_);
    }

    int sequence_ = 0;
    int naks_ = 0;
    CheckMethod method_ = CheckMethod::kChecksum;

private:
    int fd_;
    WireReader reader_;
};

struct SocketPair {
    SocketPair() { EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0); }
    ~SocketPair() {
        close(fds[0]);
        close(fds[1]);
    }
    int fds[2] = {-1, -1};
};

TEST(BPlusHost, DownloadsInBlocksAndSeesARepeatedPacketAcknowledgedAgain) {
    SocketPair line;
    BPlusScenario scenario;
    scenario.download_data = std::string(300, '\x10') + "tail\x91";
    scenario.parameters.block_units = 1;
    scenario.parameters.check_method = 3;
    scenario.duplicate_data_packet = 2;
    scenario.file_name = "PIC.GIF";
    BPlusHost host(line.fds[0], line.fds[0], scenario);
    host.Start();

    ScriptedTerminal terminal(line.fds[1]);
    terminal.Begin(2);
    const WireEvent request = terminal.Next();
    EXPECT_EQ(request.data, "TDBPIC.GIF");
    terminal.Ack(request.sequence);
    terminal.sequence_ = request.sequence;
    int repeats = 0;
    EXPECT_EQ(terminal.ReceiveUntilComplete(&repeats), scenario.download_data);
    EXPECT_EQ(repeats, 1);

    const BPlusHostRecord record = host.Finish();
    EXPECT_TRUE(record.Completed()) << record.Describe();
    EXPECT_EQ(record.check_method, 2);
    EXPECT_EQ(record.block_bytes, 128);
    EXPECT_EQ(record.terminal_parameters.check_method, 2);
    EXPECT_EQ(record.packets_sent.size(), 6u);  // +, T, three blocks, TC: the repeat is not a new packet
}

TEST(BPlusHost, DownloadFaultsOnRequest) {
    std::string file;
    for (int i = 0; i < 300; ++i) file += static_cast<char>(i * 7);
    bplus::BlockCheck prefix_check(CheckMethod::kCrc16);
    for (int i = 0; i < 128; ++i) prefix_check.Add(static_cast<unsigned char>(file[i]));
    const std::string good_offer = "Tr128 " + std::to_string(prefix_check.Value()) + " ";
    struct Case {
        const char *name;
        void (*set)(BPlusScenario &);
        std::string resume_offer;  // sent after the T packet when not empty
        std::string expected;      // what the terminal ends with
        BPlusHostRecord::Outcome outcome;
    };
    const Case cases[] = {
        {"spoilt check", [](BPlusScenario &s) { s.corrupt_data_packet = 2; }, "", file,
         BPlusHostRecord::Outcome::kCompleted},
        {"ENQ", [](BPlusScenario &s) { s.enq_after_data_packet = 1; }, "", file, BPlusHostRecord::Outcome::kCompleted},
        {"resume", [](BPlusScenario &s) { s.parameters.download_resume = 1; }, good_offer, file.substr(128),
         BPlusHostRecord::Outcome::kCompleted},
        {"resume with a wrong check", [](BPlusScenario &s) { s.parameters.download_resume = 1; }, "Tr128 1 ", file,
         BPlusHostRecord::Outcome::kCompleted},
        {"silent", [](BPlusScenario &s) { s.silent_after_data_packets = 1; }, "", file.substr(0, 128),
         BPlusHostRecord::Outcome::kWentSilent},
        {"file information, then failure",
         [](BPlusScenario &s) {
             s.file_info = "300 bytes";
             s.fail_after_data_packets = 2;
         },
         "", file.substr(0, 256), BPlusHostRecord::Outcome::kFailedAsAsked},
    };
    for (const Case &c : cases) {
        SocketPair line;
        BPlusScenario scenario;
        scenario.download_data = file;
        scenario.parameters.block_units = 1;
        c.set(scenario);
        BPlusHost host(line.fds[0], line.fds[0], scenario);
        host.Start();
        ScriptedTerminal terminal(line.fds[1]);
        terminal.Begin(0);
        const WireEvent request = terminal.Next();
        terminal.Ack(request.sequence);
        terminal.sequence_ = request.sequence;
        if (!c.resume_offer.empty()) terminal.Send(c.resume_offer);
        int repeats = 0;
        const std::string got = terminal.ReceiveUntilComplete(&repeats);
        EXPECT_EQ(got, c.expected) << c.name;
        const BPlusHostRecord record = host.Finish();
        EXPECT_EQ(record.outcome, c.outcome) << c.name << "\n" << record.Describe();
        const std::string name = c.name;
        if (name == "spoilt check") {
            EXPECT_EQ(record.naks_received, 1);
        } else if (name == "ENQ") {
            EXPECT_EQ(record.enq_reply_digit, 4);  // the first data packet's
        } else if (name == "file information, then failure") {
            EXPECT_EQ(record.packets_sent.at(2), "TI300 bytes");
            EXPECT_EQ(record.packets_sent.back().substr(0, 3), "FN ");
        } else if (!c.resume_offer.empty()) {
            EXPECT_EQ(record.resume_accepted, c.expected.size() < file.size()) << c.name;
        }
    }
}

// An upload under way: parameters exchanged, the T packet acknowledged.
struct UploadUnderWay {
    explicit UploadUnderWay(int check_method, int nak_terminal_packet = 0) {
        BPlusScenario scenario;
        scenario.nak_terminal_packet = nak_terminal_packet;
        scenario.direction = BPlusScenario::Direction::kUpload;
        host = std::make_unique<BPlusHost>(line.fds[0], line.fds[0], scenario);
        host->Start();
        terminal.Begin(check_method);
        const WireEvent request = terminal.Next();
        EXPECT_EQ(request.data, "TUBFILE.DAT");
        terminal.Ack(request.sequence);
        terminal.sequence_ = request.sequence;
    }
    SocketPair line;
    ScriptedTerminal terminal{line.fds[1]};
    std::unique_ptr<BPlusHost> host;
};

TEST(BPlusHost, UploadCollectsDataAndFailsOnFaultsOfTheTerminal) {
    {
        UploadUnderWay upload(1, 3);  // the terminal's `+` is its first packet
        upload.terminal.Send("Nfirst\x03");
        upload.terminal.Send("Nsecond");
        upload.terminal.Send("TC ");
        const BPlusHostRecord record = upload.host->Finish();
        EXPECT_TRUE(record.Completed()) << record.Describe();
        EXPECT_EQ(record.uploaded, "first\x03second");
        EXPECT_EQ(record.naks_sent, 1);
        EXPECT_EQ(upload.terminal.naks_, 1);
    }
    struct Fault {
        const char *name;
        std::string wire;  // sent where the next data packet is due
        const char *violation;
    };
    const Fault faults[] = {
        {"sequence skipped", bplus::EncodePacket(6, "Nx", CheckMethod::kChecksum, QuoteSet::Default()), "sequence 6"},
        {"bad check", bplus::EncodePacket(4, "Nx", CheckMethod::kChecksum, QuoteSet::Default(), true), "bad check"},
        {"DC1 unquoted", bplus::EncodePacket(4, "N\x11", CheckMethod::kChecksum, QuoteSet()), "not quoted"},
        {"noise", "hello", "stray byte 0x68"},
        {"ACK for nothing", Bytes({0x10, '8'}), "names no packet"},
    };
    for (const Fault &fault : faults) {
        UploadUnderWay upload(0);
        upload.terminal.Write(fault.wire);
        const BPlusHostRecord record = upload.host->Finish();
        EXPECT_EQ(record.outcome, BPlusHostRecord::Outcome::kViolation) << fault.name;
        ASSERT_EQ(record.violations.size(), 1u) << fault.name;
        EXPECT_NE(record.violations[0].find(fault.violation), std::string::npos) << record.violations[0];
    }
}

}  // namespace
}  // namespace portkit::test
