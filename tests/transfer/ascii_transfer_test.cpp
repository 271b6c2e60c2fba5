// ASCII transfers on a scripted port: how files are cut into lines, how the
// pacing falls between them, the echo hook on both sides, and how each kind
// of failure ends a transfer.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "portkit/transfer.h"
#include "support/near_two_gigabytes.h"
#include "support/scratch_files.h"
#include "support/scripted_driver.h"

namespace portkit::test {
namespace {

std::string echoed;
void Echo(int c) { echoed += static_cast<char>(c); }

class AsciiTransfer : public ScriptedPortTest {
protected:
    void SetUp() override {
        ScriptedPortTest::SetUp();
        echoed.clear();
        // Each idle turn notes how much had been written: with a line delay
        // the turns fall exactly between lines.
        driver.on_turn = [this](ScriptedDriver &d) { boundaries.insert(d.sent.size()); };
    }

    // What was written, cut where the line delays fell.
    std::vector<std::string> Lines() const {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (const std::size_t end : boundaries) {
            if (end > start) lines.push_back(driver.sent.substr(start, end - start));
            start = end;
        }
        if (start < driver.sent.size()) lines.push_back(driver.sent.substr(start));
        return lines;
    }

    int Send(const std::string &names, int strip, XferEchoFunction echo = nullptr, int line_delay = 1) {
        return AsciiSendWithOptions(port, names.c_str(), nullptr, nullptr, echo, strip, line_delay, 0);
    }

    TempDirectory dir;
    std::set<std::size_t> boundaries;
};

struct LineCase {
    const char *name;
    std::vector<std::string> files;
    int strip;
    std::vector<std::string> lines;
};

TEST_F(AsciiTransfer, FilesGoOutInLinesWithTheDelayAfterEach) {
    const std::string x200(200, 'x');
    const std::vector<LineCase> cases = {
        {"CR LF stripped", {"ab\r\ncd\r\n"}, 1, {"ab\r", "cd\r"}},
        {"CR LF kept: LF opens the next line", {"ab\r\ncd\r\n"}, 0, {"ab\r", "\ncd\r", "\n"}},
        {"200 characters without CR", {x200}, 0, {x200.substr(0, 82), x200.substr(82, 82), x200.substr(164)}},
        {"no final CR, next file straight after", {"one\rend", "next\r"}, 0, {"one\r", "end", "next\r"}},
        {"empty file between", {"a\r", "", "b\r"}, 0, {"a\r", "b\r"}},
    };
    for (const LineCase &c : cases) {
        SCOPED_TRACE(c.name);
        driver.sent.clear();
        boundaries.clear();
        std::string names;
        for (std::size_t i = 0; i < c.files.size(); ++i) {
            std::string name = "f";
            name += std::to_string(i);
            name += ".txt";
            const std::string path = dir / name;
            WriteFile(path, c.files[i]);
            names += path + " ";
        }
        // A delay that cannot be over before the sender's first look at the
        // clock, even on a loaded machine.
        EXPECT_EQ(Send(names, c.strip, nullptr, 10), static_cast<int>(c.files.size()));
        EXPECT_EQ(Lines(), c.lines);
    }
}

// The far end's characters reach the hook after each line, and while the
// transmit queue is full; the refused character is sent again, once.
TEST_F(AsciiTransfer, EchoIsDrainedAfterLinesAndWhileTheQueueIsFull) {
    WriteFile(dir / "a.txt", "hello\rworld\r");
    driver.Receive("HE");
    driver.tx_room = 3;
    driver.on_turn = [](ScriptedDriver &d) {
        d.tx_room += 3;
        d.Receive("+");
    };
    EXPECT_EQ(Send(dir / "a.txt", 0, Echo), 1);
    EXPECT_EQ(driver.sent, "hello\rworld\r");
    ASSERT_GE(echoed.size(), 3u);
    EXPECT_EQ(echoed.substr(0, 2), "HE");
    // Without a hook the echo is still read, so that it never blocks the far end.
    driver.on_turn = nullptr;
    driver.tx_room = 1 << 20;
    driver.Receive("dropped");
    EXPECT_EQ(Send(dir / "a.txt", 0), 1);
    EXPECT_EQ(driver.Unread(), 0u);
}

TEST_F(AsciiTransfer, SenderFailuresEndWithTheirOwnCodes) {
    WriteFile(dir / "a.txt", "text\r");
    EXPECT_EQ(Send(dir / "missing.txt", 0), PORTKIT_XFER_NO_FILES);
    driver.tx_error = PORTKIT_GENERAL_ERROR;
    EXPECT_EQ(Send(dir / "a.txt", 0), PORTKIT_XFER_CHAR_FULL);
    driver.tx_error = PORTKIT_XFER_LOST_CARRIER;
    EXPECT_EQ(Send(dir / "a.txt", 0), PORTKIT_XFER_LOST_CARRIER);
    // A line that goes while text is left ends the send (and the echo
    // drain does not spin on it); once all is written it is the normal end.
    driver.tx_error = 0;
    driver.rx_used_answer = PORTKIT_XFER_LOST_CARRIER;
    WriteFile(dir / "b.txt", "one\rtwo\r");
    for (const std::string &names : {dir / "b.txt", dir / "a.txt " + dir / "b.txt"}) {
        driver.sent.clear();
        EXPECT_EQ(Send(names, 0), PORTKIT_XFER_LOST_CARRIER) << names;
        EXPECT_EQ(driver.sent.size(), driver.sent.find('\r') + 1);
    }
    WriteFile(dir / "c.txt", "last\r\n");
    driver.sent.clear();
    EXPECT_EQ(Send(dir / "c.txt", 1), 1);
    EXPECT_EQ(driver.sent, "last\r");
    driver.rx_used_answer.reset();
#if !defined(_WIN32)
    // A file that cannot be read is a failure, not a short success. (A
    // write-only stream makes the read fail here; Windows' C runtime reads
    // one as if at its end, so the case cannot be made this way there.)
    SetXferFileOpenFunctionPtr([](TransferRecord *, const char *name, const char *) { return std::fopen(name, "a"); });
    EXPECT_EQ(Send(dir / "a.txt", 0), PORTKIT_XFER_FILE_IO);
    SetXferFileOpenFunctionPtr(nullptr);
#endif
    driver.sent.clear();
    // A queue that stays full is waited on until the abort check says stop.
    driver.tx_error = 0;
    driver.tx_room = 0;
    driver.abort_on_turn = 5;
    EXPECT_EQ(Send(dir / "a.txt", 0), PORTKIT_USER_ABORT);
    EXPECT_EQ(driver.sent, "");
}

class AsciiReceive : public AsciiTransfer {
protected:
    int Receive(int strip, int timeout_ms) {
        return AsciiReceiveWithOptions(port, path.c_str(), nullptr, nullptr, Echo, strip, PORTKIT_XFER_ASCII_TIMEOUT,
                                       timeout_ms, 0);
    }
    std::string path = dir / "in.txt";
};

// Silence is the normal end of a receive; the hook sees every character,
// line feeds included even when they are not written.
TEST_F(AsciiReceive, WritesWhatArrivesUntilTheLineFallsQuiet) {
    for (const int strip : {0, 1}) {
        SCOPED_TRACE(strip);
        echoed.clear();
        driver.Receive("one\r\n").Pause(3).Receive("two\r\n");
        EXPECT_EQ(Receive(strip, 20), PORTKIT_XFER_CHAR_TIMEOUT);
        EXPECT_EQ(ReadFile(path), strip ? "one\rtwo\r" : "one\r\ntwo\r\n");
        EXPECT_EQ(echoed, "one\r\ntwo\r\n");
    }
}

TEST_F(AsciiReceive, CountsDroppedLineFeedsToo) {
    driver.Receive("a\nb\n");
    TransferRecord record{};
    record.port = port;
    record.transfer_type = PORTKIT_ASCII;
    record.file_time = -1;
    record.file_name = path.data();
    record.protocol.ascii.strip_linefeeds = 1;
    record.protocol.ascii.receive_timeout = 10;
    EXPECT_EQ(_AsciiReceive(&record), 0);
    EXPECT_EQ(record.status, PORTKIT_XFER_CHAR_TIMEOUT);
    EXPECT_EQ(record.byte_total, 4);
    EXPECT_EQ(ReadFile(path), "ab");
}

TEST_F(AsciiReceive, EndsOnAbortFailureOrLostLineButNeverOnSilenceWithoutTimeout) {
    driver.abort_on_turn = 300;
    EXPECT_EQ(Receive(0, -1), PORTKIT_USER_ABORT);
    EXPECT_GE(driver.turns, 300);

    driver.abort_on_turn = 0;
    driver.Receive("ok").Fail(PORTKIT_GENERAL_ERROR);
    EXPECT_EQ(Receive(0, 1000), PORTKIT_XFER_NO_CHARACTER);
    EXPECT_EQ(ReadFile(path), "ok");

    driver.Receive("x").Fail(PORTKIT_XFER_LOST_CARRIER);
    EXPECT_EQ(Receive(0, 1000), PORTKIT_XFER_LOST_CARRIER);

    driver.rx_used_answer = PORTKIT_XFER_LOST_CARRIER;
    EXPECT_EQ(Receive(0, -1), PORTKIT_XFER_LOST_CARRIER);
    driver.rx_used_answer.reset();

    EXPECT_EQ(AsciiReceiveWithOptions(port, nullptr, nullptr, nullptr, nullptr, 0, 0), PORTKIT_INVALID_PARAMETER);
    EXPECT_EQ(AsciiReceiveWithOptions(port, path.c_str(), nullptr, nullptr, nullptr, 0, PORTKIT_XFER_DESCEND, 0),
              PORTKIT_INVALID_PARAMETER);
}

// Past 2 GiB the count goes on in 64 bits, byte_total stops at its largest
// value, and the abort check still comes round every 256 characters.
TEST_F(AsciiReceive, ByteCountGoesOnPastTwoGigabytes) {
    SetAbortXferFunctionPtr([](TransferRecord *record) {
        return record->byte_total_wide >= std::int64_t{INT32_MAX} + 1000 ? static_cast<int>(PORTKIT_XFER_USER_ABORT)
                                                                         : 0;
    });
    driver.Receive(std::string(600, 'a'));
    EXPECT_EQ(AsciiReceiveWithOptions(port, path.c_str(), nullptr, StartNearTwoGigabytes, nullptr, 0,
                                      PORTKIT_XFER_ASCII_TIMEOUT, 20, 0),
              PORTKIT_XFER_CHAR_TIMEOUT);
    EXPECT_EQ(last_seen_record.byte_total, INT32_MAX);
    EXPECT_EQ(last_seen_record.byte_total_wide, kCountStart + 600);
    EXPECT_EQ(ReadFile(path), std::string(600, 'a'));

    driver.Receive(std::string(3000, 'b'));
    EXPECT_EQ(AsciiReceiveWithOptions(port, path.c_str(), nullptr, StartNearTwoGigabytes, nullptr, 0,
                                      PORTKIT_XFER_ASCII_TIMEOUT, 20, 0),
              PORTKIT_XFER_USER_ABORT);
    EXPECT_LT(ReadFile(path).size(), 1300u);
    SetAbortXferFunctionPtr(nullptr);
}

}  // namespace
}  // namespace portkit::test
