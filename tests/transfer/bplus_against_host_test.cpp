// The engine against the independent test host over a kernel pty: every
// check method, awkward files, the host's faults, resume, and silence.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "portkit/serial.h"
#include "portkit/timedio.h"
#include "portkit/transfer.h"
#include "sim/bplus_host.h"
#include "support/pty_pair.h"
#include "support/scratch_files.h"
#include "support/transfer_log.h"
#include "transfer/bplus/bplus_engine.h"

namespace portkit::test {
namespace {

namespace bplus = sim::bplus;
using sim::BPlusHost;
using sim::BPlusHostRecord;
using sim::BPlusScenario;

constexpr int kPort = 46;  // COM47: unlikely to exist on a test machine

std::string EveryByteValue(int times) {
    std::string bytes;
    for (int t = 0; t < times; ++t) {
        for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    }
    return bytes;
}

class BPlusAgainstHost : public InScratchDirectory {
protected:
    using Transfer = std::function<int(PortStructure *)>;

    void SetUp() override {
        InScratchDirectory::SetUp();
        pty_.MapToPort(kPort);
        port_ = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(port_), 0);
        transfer::SetBPlusCharTimeout(2000);
    }
    void TearDown() override {
        transfer::SetBPlusCharTimeout(0);
        if (port_ != nullptr) PWPortClose(port_);
        unsetenv("PORTKIT_COM47");
        InScratchDirectory::TearDown();
    }

    // Plays the application: answers ENQ, then hands DLE B to the engine.
    int Terminal(const Transfer &transfer) {
        for (int previous = -1;;) {
            const int c = ReadCharTimed(port_, 5000);
            if (c < 0) return c;
            if (c == bplus::kEnq) CompuServeBPlusRespond(port_, 1);
            if (previous == bplus::kDle && c == 'B') return transfer(port_);
            previous = c;
        }
    }

    BPlusHostRecord Exchange(const BPlusScenario &scenario, int *result, const Transfer &transfer = Plain) {
        BPlusHost host(pty_.master(), pty_.master(), scenario);
        host.set_silent_hold_ms(silent_hold_ms_);
        host.Start();
        *result = Terminal(transfer);
        return host.Finish();
    }

    static int Plain(PortStructure *port) { return CompuServeBPlusWithOptions(port, nullptr, nullptr, 0); }
    static Transfer Asking(int method) {
        return [method](PortStructure *port) {
            return CompuServeBPlusWithOptions(port, nullptr, nullptr, PORTKIT_XFER_BPLUS_1024, method, 0);
        };
    }

    PtyPair pty_;
    PortStructure *port_ = nullptr;
    int silent_hold_ms_ = 500;
};

struct FileCase {
    const char *what;
    int method;
    int block_units;
    std::string data;
    bool quote_high = false;  // the host asks for 0x80-0x9F quoted as well
};

std::vector<FileCase> FileCases() {
    return {
        {"checksum, every byte value", 0, 8, EveryByteValue(5)},
        {"CRC-16", 1, 8, EveryByteValue(3)},
        {"CCITT CRC-16, small blocks", 2, 1, EveryByteValue(2)},
        {"CRC-32, the host's quote set", 3, 8, EveryByteValue(2), true},
        {"empty file", 3, 8, ""},
    };
}

BPlusScenario ScenarioFor(const FileCase &c, BPlusScenario::Direction direction) {
    BPlusScenario scenario;
    scenario.direction = direction;
    scenario.download_data = c.data;
    scenario.parameters.check_method = c.method;
    scenario.parameters.block_units = c.block_units;
    if (c.quote_high) {
        for (int ch = 0x80; ch < 0xA0; ++ch) scenario.parameters.quote.Mark(static_cast<unsigned char>(ch));
        scenario.parameters.quote.Mark(0x00);
    }
    return scenario;
}

TEST_F(BPlusAgainstHost, DownloadsArriveWhole) {
    for (const FileCase &c : FileCases()) {
        SCOPED_TRACE(c.what);
        int result = 0;
        const BPlusHostRecord record =
            Exchange(ScenarioFor(c, BPlusScenario::Direction::kDownload), &result, Asking(c.method));
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(record.Completed()) << record.Describe();
        EXPECT_EQ(record.check_method, c.method);
        EXPECT_EQ(ReadFile("FILE.DAT"), c.data);
        std::filesystem::remove("FILE.DAT");
    }
}

// Protocol 8 of the generic calls is the same transfer, whichever call.
TEST_F(BPlusAgainstHost, GenericCallsRunTheHostsTransfer) {
    const std::string data = EveryByteValue(2);
    int32_t no_options[] = {0};
    int result = 0;
    Exchange(ScenarioFor({"download", 1, 8, data}, BPlusScenario::Direction::kDownload), &result,
             [&](PortStructure *port) {
                 return PWFileReceive(port, PORTKIT_BPLUS, nullptr, 0, PWSetFileTransferOptions(no_options));
             });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadFile("FILE.DAT"), data);
    const BPlusHostRecord record = Exchange(
        ScenarioFor({"upload", 1, 8, data}, BPlusScenario::Direction::kUpload), &result, [&](PortStructure *port) {
            return PWFileSend(port, PORTKIT_BPLUS, nullptr, 0, 0, PWSetFileTransferOptions(no_options));
        });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(record.uploaded, data);
}

TEST_F(BPlusAgainstHost, UploadsArriveWhole) {
    for (const FileCase &c : FileCases()) {
        SCOPED_TRACE(c.what);
        WriteFile("FILE.DAT", c.data);
        int result = 0;
        const BPlusHostRecord record =
            Exchange(ScenarioFor(c, BPlusScenario::Direction::kUpload), &result, Asking(c.method));
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(record.Completed()) << record.Describe();
        EXPECT_EQ(record.uploaded, c.data);
    }
}

// A host's names reach the message hook escaped: one that would set the
// clipboard and the title is refused and named as \x1B..., one with C1
// bytes is received and named likewise.
TEST_F(BPlusAgainstHost, HostileNamesReachTheMessagesEscaped) {
    const auto logged = [this](const std::string &name) {
        BPlusScenario scenario;
        scenario.file_name = name;
        scenario.download_data = "data";
        TransferLog::Clear();
        int result = 0;
        Exchange(scenario, &result,
                 [](PortStructure *port) { return CompuServeBPlusWithOptions(port, TransferLog::Hook, nullptr, 0); });
        return TransferLog::Text();
    };
    const std::string received = logged(
        "caf\x9b"
        "31m\x85.txt");
    const std::string refused = logged("\x1b]52;c;cm0gLXJmIH4K\x07\x1b]0;owned\x07");
    EXPECT_NE(refused.find("Refused the name \\x1B]52;c;cm0gLXJmIH4K\\x07\\x1B]0;owned\\x07\n"), std::string::npos)
        << refused;
    EXPECT_NE(received.find("Opening file caf\\x9B31m\\x85.txt\n"), std::string::npos) << received;
    for (const std::string &text : {refused, received}) {
        for (const unsigned char c : text) {
            EXPECT_TRUE(c == '\n' || (c >= 0x20 && c != 0x7F && (c < 0x80 || c > 0x9F))) << "byte " << int{c};
        }
    }
}

// Asked to, a download the host names ".bash_login" is stored as
// "_bash_login", and the message hook is told.
TEST_F(BPlusAgainstHost, HiddenNamesAreStoredUnhiddenWhenAsked) {
    BPlusScenario scenario;
    scenario.file_name = ".bash_login";
    scenario.download_data = "echo planted\n";
    TransferLog::Clear();
    int result = 0;
    Exchange(scenario, &result, [](PortStructure *port) {
        return CompuServeBPlusWithOptions(port, TransferLog::Hook, nullptr, PORTKIT_XFER_NO_HIDDEN_NAMES, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(std::filesystem::exists(".bash_login"));
    EXPECT_EQ(ReadFile("_bash_login"), "echo planted\n");
    EXPECT_TRUE(TransferLog::Has("Renamed .bash_login to _bash_login: no hidden files")) << TransferLog::Text();
}

// With paths kept, a hidden directory in the name is not made either: the
// file goes under "_ssh" and no empty ".ssh" is left behind.
TEST_F(BPlusAgainstHost, HiddenDirectoriesAreNotMadeWhenPathsAreKept) {
    BPlusScenario scenario;
    scenario.file_name = ".ssh/authorized_keys";
    scenario.download_data = "ssh-ed25519 planted\n";
    int result = 0;
    Exchange(scenario, &result, [](PortStructure *port) {
        return CompuServeBPlusWithOptions(port, nullptr, nullptr, PORTKIT_XFER_KEEP_PATHS, PORTKIT_XFER_NO_HIDDEN_NAMES,
                                          0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(std::filesystem::exists(".ssh"));
    EXPECT_EQ(ReadFile("_ssh/authorized_keys"), "ssh-ed25519 planted\n");
}

TEST_F(BPlusAgainstHost, HostFaultsAreRecoveredFrom) {
    struct Fault {
        const char *what;
        std::function<void(BPlusScenario &)> set;
    };
    const Fault faults[] = {
        {"a damaged packet", [](BPlusScenario &s) { s.corrupt_data_packet = 2; }},
        {"a repeated packet", [](BPlusScenario &s) { s.duplicate_data_packet = 2; }},
        {"ENQ mid-transfer", [](BPlusScenario &s) { s.enq_after_data_packet = 2; }},
        {"packets sent ahead", [](BPlusScenario &s) { s.send_ahead = 3; }},
        {"short parameters packet", [](BPlusScenario &s) { s.parameters_length = 7; }},
    };
    const std::string data = EveryByteValue(6);
    for (const Fault &fault : faults) {
        SCOPED_TRACE(fault.what);
        BPlusScenario scenario;
        scenario.download_data = data;
        scenario.parameters.block_units = 2;
        fault.set(scenario);
        int result = 0;
        const BPlusHostRecord record = Exchange(scenario, &result);
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(record.Completed()) << record.Describe();
        EXPECT_EQ(ReadFile("FILE.DAT"), data);
    }
}

// A NAK of our `+` packet, or of a data packet with more sent after it.
TEST_F(BPlusAgainstHost, NakedPacketsAreSentAgain) {
    const std::string data = EveryByteValue(4);
    for (int naked : {1, 3}) {
        SCOPED_TRACE(naked);
        WriteFile("FILE.DAT", data);
        BPlusScenario scenario;
        scenario.direction = BPlusScenario::Direction::kUpload;
        scenario.parameters.block_units = 2;
        scenario.nak_terminal_packet = naked;
        int result = 0;
        const BPlusHostRecord record = Exchange(scenario, &result);
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(record.Completed()) << record.Describe();
        EXPECT_EQ(record.naks_sent, 1);
        EXPECT_EQ(record.uploaded, data);
    }
}

TEST_F(BPlusAgainstHost, ResumeAppendsToThePartAlreadyHere) {
    const std::string data = EveryByteValue(4);
    const std::string part = data.substr(0, 700);
    for (int method : {0, 1, 2, 3}) {
        SCOPED_TRACE(method);
        WriteFile("FILE.DAT", part);
        BPlusScenario scenario;
        scenario.download_data = data;
        scenario.parameters.check_method = method;
        scenario.parameters.download_resume = 1;
        int result = 0;
        const BPlusHostRecord record = Exchange(scenario, &result, [method](PortStructure *port) {
            return CompuServeBPlusWithOptions(port, nullptr, nullptr, PORTKIT_XFER_BPLUS_1024, method,
                                              PORTKIT_XFER_BPLUS_1026, 0);
        });
        EXPECT_EQ(result, 1);
        EXPECT_TRUE(record.Completed()) << record.Describe();
        EXPECT_TRUE(record.resume_accepted);
        EXPECT_EQ(record.resume_offset, 700);
        EXPECT_EQ(ReadFile("FILE.DAT"), data);
    }
}

// A host that will not resume says Tf: the file starts over from nothing.
TEST_F(BPlusAgainstHost, RefusedResumeStartsTheFileOver) {
    const std::string data = EveryByteValue(3);
    WriteFile("FILE.DAT", std::string(900, 'x'));
    BPlusScenario scenario;
    scenario.download_data = data;
    scenario.parameters.download_resume = 1;
    scenario.refuse_resume = true;
    int result = 0;
    const BPlusHostRecord record = Exchange(scenario, &result, [](PortStructure *port) {
        return CompuServeBPlusWithOptions(port, nullptr, nullptr, PORTKIT_XFER_BPLUS_1026, 0);
    });
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(record.Completed()) << record.Describe();
    EXPECT_FALSE(record.resume_accepted);
    EXPECT_EQ(ReadFile("FILE.DAT"), data);
}

TEST_F(BPlusAgainstHost, SilentHostEndsTheTransfer) {
    transfer::SetBPlusCharTimeout(50);
    // Ten time-outs of 50 ms may take longer than 500 ms on a loaded
    // machine; the host must still be there when they are over.
    silent_hold_ms_ = 5000;
    for (auto direction : {BPlusScenario::Direction::kDownload, BPlusScenario::Direction::kUpload}) {
        WriteFile("FILE.DAT", EveryByteValue(8));
        BPlusScenario scenario;
        scenario.direction = direction;
        scenario.download_data = EveryByteValue(8);
        scenario.parameters.block_units = 1;
        scenario.silent_after_data_packets = 2;
        int result = 0;
        Exchange(scenario, &result);
        EXPECT_EQ(result, PORTKIT_XFER_TOO_MANY_ERRORS);
    }
}

}  // namespace
}  // namespace portkit::test
