// A scripted XMODEM/YMODEM peer for testing our engines byte by byte: one of
// our engines runs on a thread at end 'a' of a simulated cable while the test
// speaks raw protocol bytes at end 'b'. Each test gets its own cable and its
// own scratch directory as the current directory.
#ifndef PORTKIT_TESTS_SUPPORT_XMODEM_PEER_H
#define PORTKIT_TESTS_SUPPORT_XMODEM_PEER_H

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>

#include "portkit/crc.h"
#include "portkit/serial.h"
#include "portkit/timedio.h"
#include "portkit/transfer.h"
#include "support/skipping_clock.h"
#include "support/transfer_log.h"

namespace portkit::test {

constexpr int kSoh = 0x01;
constexpr int kStx = 0x02;
constexpr int kEot = 0x04;
constexpr int kAck = 0x06;
constexpr int kBs = 0x08;
constexpr int kNak = 0x15;
constexpr int kCan = 0x18;
constexpr int kNothing = PORTKIT_BUFFER_EMPTY;  // what ReadCharTimed gives when no byte came

// A whole block on the wire: SOH for 128 data bytes, else STX; the number,
// its complement, the data, then CRC-16 (high byte first) or the byte sum.
inline std::string MakeFrame(int number, const std::string &data, bool crc = true) {
    std::string frame;
    frame += static_cast<char>(data.size() == 128 ? kSoh : kStx);
    frame += static_cast<char>(number & 0xFF);
    frame += static_cast<char>(~number & 0xFF);
    frame += data;
    if (crc) {
        const std::uint16_t check = CalculateBlockCRC16(static_cast<int>(data.size()), 0, data.data());
        frame += static_cast<char>(check >> 8);
        frame += static_cast<char>(check & 0xFF);
    } else {
        unsigned sum = 0;
        for (const char c : data) sum += static_cast<unsigned char>(c);
        frame += static_cast<char>(sum & 0xFF);
    }
    return frame;
}

// The 128 data bytes of a YMODEM header block: name, NUL, the text, zeros.
inline std::string YmodemHeaderData(const std::string &name, const std::string &information) {
    std::string data = name + '\0' + information;
    data.resize(128, '\0');
    return data;
}

// A frame as read from the line: `header` is what came first (SOH, STX, or
// another byte, or kNothing); the rest is filled for SOH and STX only.
struct Frame {
    int header = kNothing;
    int number = -1;
    int complement = -1;
    std::string data;
    bool complete = false;  // every byte of the frame came
    bool check_ok = false;  // complete, complementary numbers, and the check matches
};

class XmodemPeer {
public:
    explicit XmodemPeer(PortStructure *port = nullptr) : port_(port) {}

    void Send(const std::string &bytes) {
        ASSERT_EQ(WriteBufferTimed(port_, bytes.data(), static_cast<unsigned>(bytes.size()), 3000), 0);
    }
    void Send(int byte) { Send(std::string(1, static_cast<char>(byte))); }
    // The peer's DTR is our carrier detect on the simulated cable.
    void SetDtr(bool on) { PWSetDtr(port_, on ? 1 : 0); }

    // For a thread of its own: false instead of a failed assertion.
    bool TrySend(const std::string &bytes) {
        return WriteBufferTimed(port_, bytes.data(), static_cast<unsigned>(bytes.size()), 100) == 0;
    }

    // One byte, or kNothing after `timeout_ms`.
    int Get(int timeout_ms = 3000) { return ReadCharTimed(port_, timeout_ms); }

    // Up to `count` bytes: fewer when the time ran out.
    std::string GetBytes(std::size_t count, int timeout_ms = 3000) {
        std::string bytes(count, '\0');
        const int result = ReadBufferTimed(port_, bytes.data(), static_cast<unsigned>(count), timeout_ms);
        bytes.resize(result == 0 ? count : static_cast<std::size_t>(PWGetPortCount(port_)));
        return bytes;
    }

    // True when nothing arrives for `milliseconds`.
    bool Quiet(int milliseconds) { return Get(milliseconds) == kNothing; }

    Frame ReadFrame(bool crc = true, int timeout_ms = 3000) { return ReadFrameAfter(Get(timeout_ms), crc); }

    // The rest of a frame whose first byte `header` was already read.
    Frame ReadFrameAfter(int header, bool crc = true) {
        Frame frame;
        frame.header = header;
        if (header != kSoh && header != kStx) return frame;
        const std::size_t size = header == kSoh ? 128 : 1024;
        const std::size_t check_length = crc ? 2 : 1;
        const std::string rest = GetBytes(2 + size + check_length, 2000);
        if (rest.size() != 2 + size + check_length) return frame;
        frame.complete = true;
        frame.number = static_cast<unsigned char>(rest[0]);
        frame.complement = static_cast<unsigned char>(rest[1]);
        frame.data = rest.substr(2, size);
        frame.check_ok = frame.number == (~frame.complement & 0xFF) &&
                         MakeFrame(frame.number, frame.data, crc).substr(3 + size) == rest.substr(2 + size);
        return frame;
    }

    // The 20 bytes of our cancel sequence, 10 CAN then 10 BS, starting with
    // the CAN already read as `first`.
    bool RestOfCancel(int first) {
        if (first != kCan) return false;
        return GetBytes(19) == std::string(9, static_cast<char>(kCan)) + std::string(10, static_cast<char>(kBs));
    }
    bool ReadCancel(int timeout_ms = 3000) { return RestOfCancel(Get(timeout_ms)); }

    // Reads on until the cancel sequence: the number of whole frames and
    // single answer bytes that came before it, or -1 when it never came.
    int CountUntilCancel(bool crc = true, int timeout_ms = 3000) {
        for (int before = 0;; ++before) {
            const int c = Get(timeout_ms);
            if (c == kCan) return RestOfCancel(c) ? before : -1;
            if (c == kNothing) return -1;
            if ((c == kSoh || c == kStx) && !ReadFrameAfter(c, crc).complete) return -1;
        }
    }

private:
    PortStructure *port_;
};

// Our port on end 'a', the peer's on end 'b', a scratch directory as the
// current directory, and the engine thread. An abort hook lets the fixture
// stop an engine that a failed test left waiting.
class XmodemPeerTest : public ::testing::Test {
protected:
    // Time-outs the engines wait out on a silent peer take no real time.
    SkippingClock clock_;
    static constexpr int kOurPort = 60;    // COM61
    static constexpr int kTheirPort = 61;  // COM62

    void SetUp() override {
        const ::testing::TestInfo *info = ::testing::UnitTest::GetInstance()->current_test_info();
        cable_ = std::string("xmodem-") + info->test_suite_name() + "-" + info->name();
        std::string pattern = (std::filesystem::temp_directory_path() / "portkit-xmodem-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        previous_directory_ = std::filesystem::current_path();
        std::filesystem::current_path(root_);
        setenv("PORTKIT_COM61", ("sim:" + cable_ + ":a").c_str(), 1);
        setenv("PORTKIT_COM62", ("sim:" + cable_ + ":b").c_str(), 1);
        ours_ = PortOpenMSWin32(kOurPort, 115200, 'N', 8, 1);
        theirs_ = PortOpenMSWin32(kTheirPort, 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(ours_), 0);
        ASSERT_EQ(PWGetPortStatus(theirs_), 0);
        peer = XmodemPeer(theirs_);
        stop_requested_ = false;
        SetAbortXferFunctionPtr(StopWhenAsked);
        TransferLog::Clear();
    }

    void TearDown() override {
        if (engine_.joinable()) {
            stop_requested_ = true;
            engine_.join();
        }
        SetAbortXferFunctionPtr(nullptr);
        SetGlobalXmodemPadCharacter(0);
        if (ours_ != nullptr) PWPortClose(ours_);
        if (theirs_ != nullptr) PWPortClose(theirs_);
        std::filesystem::current_path(previous_directory_);
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // Runs `transfer(our port)` on the engine thread.
    template <class Transfer>
    void Start(Transfer transfer) {
        finished_ = false;
        engine_ = std::thread([this, transfer] {
            result_ = transfer(ours_);
            finished_ = true;
        });
    }

    // The engine's result. An engine still running after `timeout_ms` is
    // stopped through the abort hook and the test fails.
    int Finish(int timeout_ms = 5000) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        while (!finished_ && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        if (!finished_) {
            ADD_FAILURE() << "the transfer did not end within " << timeout_ms << " ms\n" << TransferLog::Text();
            stop_requested_ = true;
        }
        engine_.join();
        stop_requested_ = false;
        return result_;
    }

    // The peer closes its end: to our end the line has gone, as when a
    // device is unplugged or the far side of a pty closes.
    void HangUpPeer() {
        PWPortClose(theirs_);
        theirs_ = nullptr;
    }

    const std::string &cable() const { return cable_; }
    const std::filesystem::path &root() const { return root_; }

    XmodemPeer peer;

private:
    static int StopWhenAsked(TransferRecord *) { return stop_requested_ ? PORTKIT_XFER_USER_ABORT : 0; }

    static inline std::atomic<bool> stop_requested_{false};
    std::string cable_;
    std::filesystem::path root_;
    std::filesystem::path previous_directory_;
    PortStructure *ours_ = nullptr;
    PortStructure *theirs_ = nullptr;
    std::thread engine_;
    std::atomic<bool> finished_{false};
    int result_ = 0;
};

// The peer's side of one YMODEM file with CRC: start request answered by the
// header block, start request answered by the data blocks (128 bytes each,
// padded with 0x1A), EOT. Expects an ACK for each.
inline void SendYmodemFile(XmodemPeer &peer, const std::string &name, const std::string &information,
                           const std::string &data) {
    ASSERT_EQ(peer.Get(), 'C') << "no request for the header of " << name;
    peer.Send(MakeFrame(0, YmodemHeaderData(name, information)));
    ASSERT_EQ(peer.Get(), kAck) << "header of " << name;
    ASSERT_EQ(peer.Get(), 'C') << "no request for the data of " << name;
    int number = 1;
    for (std::size_t at = 0; at < data.size(); at += 128, ++number) {
        std::string block = data.substr(at, 128);
        block.resize(128, '\x1A');
        peer.Send(MakeFrame(number, block));
        ASSERT_EQ(peer.Get(), kAck) << "block " << number << " of " << name;
    }
    peer.Send(kEot);
    ASSERT_EQ(peer.Get(), kAck) << "EOT of " << name;
}

// The all-zero header block that ends a batch, after the start request.
inline void EndYmodemBatch(XmodemPeer &peer) {
    ASSERT_EQ(peer.Get(), 'C') << "no request for the next header";
    peer.Send(MakeFrame(0, std::string(128, '\0')));
    ASSERT_EQ(peer.Get(), kAck) << "the empty header";
}

}  // namespace portkit::test

#endif
