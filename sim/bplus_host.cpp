#include "sim/bplus_host.h"

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <utility>

namespace portkit::sim {

using bplus::CheckMethod;
using bplus::WireEvent;
using Outcome = BPlusHostRecord::Outcome;

namespace {

std::string Printable(const std::string &bytes) {
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F) {
            text += c;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "<%02X>", byte);
            text += escaped;
        }
    }
    return text;
}

const char *OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::kRunning:
            return "running";
        case Outcome::kCompleted:
            return "completed";
        case Outcome::kViolation:
            return "protocol violation";
        case Outcome::kTerminalFailed:
            return "terminal sent a failure packet";
        case Outcome::kLineClosed:
            return "line closed";
        case Outcome::kWentSilent:
            return "went silent as asked";
        case Outcome::kFailedAsAsked:
            return "sent a failure packet as asked";
        case Outcome::kStopped:
            return "stopped";
    }
    return "?";
}

// The resume offer's check: the terminal's choice of starting value is its
// own, so the packet check's start and zero are both taken, as is the
// complemented form of the two reflected CRCs.
bool ResumeCheckMatches(CheckMethod method, const std::string &prefix, long long offered) {
    const CheckMethod running = method == CheckMethod::kChecksum ? CheckMethod::kCrc16 : method;
    const std::uint32_t mask = running == CheckMethod::kCrc32 ? 0xFFFFFFFFu : 0xFFFFu;
    const std::uint32_t wanted = static_cast<std::uint32_t>(offered) & mask;
    for (const std::uint32_t start : {bplus::BlockCheck(running).Value(), 0u}) {
        bplus::BlockCheck check(running, start);
        for (const char c : prefix) check.Add(static_cast<unsigned char>(c));
        const std::uint32_t value = check.Value() & mask;
        if (value == wanted) return true;
        if (running != CheckMethod::kCrc16 && (~value & mask) == wanted) return true;
    }
    return false;
}

}  // namespace

std::string BPlusHostRecord::Describe() const {
    std::string text = std::string("B+ host: ") + OutcomeName(outcome) + "\n";
    for (const std::string &violation : violations) text += "violation: " + violation + "\n";
    return text + log;
}

BPlusHost::BPlusHost(int in, int out, BPlusScenario scenario) : in_(in), out_(out), scenario_(std::move(scenario)) {
    scenario_.send_ahead = std::clamp(scenario_.send_ahead, 1, 5);
    // Until the exchange the terminal quotes every control character.
    reader_.Expect(CheckMethod::kChecksum, bplus::QuoteSet::All(), 1100);
}

BPlusHost::~BPlusHost() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
}

void BPlusHost::Start() {
    thread_ = std::thread([this] { Run(); });
}

BPlusHostRecord BPlusHost::Finish() {
    if (thread_.joinable()) {
        // A host still in its transfer gets the chance to finish it.
        if (record_.outcome == Outcome::kRunning && scenario_.silent_after_data_packets < 0) {
            thread_.join();
        } else {
            stop_ = true;
            thread_.join();
        }
    }
    return record_;
}

BPlusHostRecord BPlusHost::Run() {
    try {
        if (scenario_.greet_with_enq) Greet();
        ExchangeParameters();
        if (scenario_.direction == BPlusScenario::Direction::kDownload) {
            SendTransferRequest('D');
            Download();
        } else {
            SendTransferRequest('U');
            Upload();
        }
        record_.outcome = Outcome::kCompleted;
        Log("transfer complete");
    } catch (const Ended &ended) {
        record_.outcome = ended.outcome;
    }
    return record_;
}

void BPlusHost::Log(const std::string &line) { record_.log += line + "\n"; }

void BPlusHost::Violation(const std::string &what) {
    record_.violations.push_back(what);
    Log("VIOLATION: " + what);
    throw Ended{Outcome::kViolation};
}

int BPlusHost::ReadByte(int timeout_ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (buffered_at_ >= buffered_.size()) {
        if (stop_) throw Ended{Outcome::kStopped};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return -1;
        pollfd fd{in_, POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(std::min<long long>(left, 20)));
        if (ready < 0 && errno != EINTR) throw Ended{Outcome::kLineClosed};
        if (ready <= 0) continue;
        char chunk[4096];
        const ssize_t n = read(in_, chunk, sizeof chunk);
        if (n > 0) {
            buffered_.assign(chunk, static_cast<std::size_t>(n));
            buffered_at_ = 0;
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
            Log("line closed");
            throw Ended{Outcome::kLineClosed};
        }
    }
    return static_cast<unsigned char>(buffered_[buffered_at_++]);
}

void BPlusHost::Write(const std::string &bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        if (stop_) throw Ended{Outcome::kStopped};
        // A socket whose peer went away must not raise SIGPIPE in the test.
        ssize_t n = send(out_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) n = write(out_, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd fd{out_, POLLOUT, 0};
            poll(&fd, 1, 20);
        } else {
            Log("line closed while writing");
            throw Ended{Outcome::kLineClosed};
        }
    }
}

void BPlusHost::SendPacket(const std::string &data, bool spoil) {
    while (static_cast<int>(outstanding_.size()) >= scenario_.send_ahead) {
        std::string packet;
        if (Pump(scenario_.reply_timeout_ms, "an acknowledgement", &packet))
            Violation("unexpected packet " + Printable(packet) + " while waiting for an acknowledgement");
    }
    if (NextSequence() == repeated_sequence_) {
        WaitAllAcked("the second acknowledgement of the packet sent twice");
        CheckRepeatAcknowledged();
    }
    sequence_ = NextSequence();
    const std::string wire = bplus::EncodePacket(sequence_, data, method_, send_quote_);
    outstanding_.push_back({sequence_, wire});
    record_.packets_sent.push_back(data);
    Log("sent " + std::to_string(sequence_) + " " + Printable(data.substr(0, 40)) +
        (spoil ? " with a spoilt check" : ""));
    // A spoilt copy must be NAKed; the good one goes out on the NAK.
    Write(spoil ? bplus::EncodePacket(sequence_, data, method_, send_quote_, true) : wire);
}

void BPlusHost::SendAck(int sequence) {
    last_ack_sent_ = sequence;
    Write({static_cast<char>(bplus::kDle), static_cast<char>('0' + sequence)});
}

void BPlusHost::Resend() {
    for (const Outstanding &packet : outstanding_) {
        Log("resent " + std::to_string(packet.sequence));
        Write(packet.wire);
    }
}

void BPlusHost::HandleAck(int digit) {
    ++record_.acks_received[digit];
    if (digit == repeated_sequence_) ++repeated_acks_;
    if (awaiting_enq_reply_) {
        awaiting_enq_reply_ = false;
        record_.enq_reply_digit = digit;
        Log("ENQ answered with ACK " + std::to_string(digit));
        return;
    }
    const auto named = std::find_if(outstanding_.begin(), outstanding_.end(),
                                    [digit](const Outstanding &packet) { return packet.sequence == digit; });
    if (named != outstanding_.end()) {
        Log("got ACK " + std::to_string(digit));
        outstanding_.erase(named);
        return;
    }
    // Repeats of an acknowledgement are allowed (the terminal repeats one
    // after a duplicate packet); one for a packet never sent is not.
    if (record_.acks_received[digit] < 2 && digit != sequence_)
        Violation("ACK " + std::to_string(digit) + " names no packet the host sent");
    Log("got repeated ACK " + std::to_string(digit));
}

bool BPlusHost::AcceptPacket(const WireEvent &event, std::string *packet) {
    const bool failure = !event.data.empty() && event.data[0] == 'F';
    if (event.sequence == sequence_ && !failure) {
        ++record_.duplicates_received;
        Log("repeated packet " + std::to_string(event.sequence) + " acknowledged again");
        SendAck(event.sequence);
        return false;
    }
    if (event.sequence != NextSequence() && !failure) {
        // Packets the terminal sent ahead before our NAK reached it are
        // dropped until the NAKed one comes again.
        if (nak_done_ && terminal_packets_ == scenario_.nak_terminal_packet - 1) {
            Log("dropped packet " + std::to_string(event.sequence) + ", sent ahead of the NAKed one");
            return false;
        }
        Violation("packet sequence " + std::to_string(event.sequence) + " where " + std::to_string(NextSequence()) +
                  " was due");
    }
    ++terminal_packets_;
    if (!nak_done_ && terminal_packets_ == scenario_.nak_terminal_packet) {
        nak_done_ = true;
        --terminal_packets_;  // it will come again
        ++record_.naks_sent;
        Log("NAK for packet " + std::to_string(event.sequence) + " (asked for)");
        Write(std::string(1, static_cast<char>(bplus::kNak)));
        return false;
    }
    sequence_ = event.sequence;
    SendAck(event.sequence);
    record_.packets_received.push_back(event.data);
    Log("got packet " + std::to_string(event.sequence) + " " + Printable(event.data.substr(0, 40)));
    if (failure) {
        record_.terminal_failure = event.data.size() > 1 ? event.data[1] : '?';
        Log(std::string("terminal failed the transfer with code ") + record_.terminal_failure);
        throw Ended{Outcome::kTerminalFailed};
    }
    *packet = event.data;
    return true;
}

bool BPlusHost::Pump(int wait_ms, const char *waiting_for, std::string *packet) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        const int byte = ReadByte(static_cast<int>(std::max<long long>(left, 0)));
        if (byte < 0) {
            if (wait_ms < scenario_.reply_timeout_ms && !reader_.InPacket()) return false;
            Violation(std::string("nothing from the terminal for ") + std::to_string(wait_ms) +
                      " ms while waiting for " + waiting_for);
        }
        const WireEvent event = reader_.Feed(static_cast<unsigned char>(byte));
        switch (event.kind) {
            case WireEvent::kNone:
                continue;
            case WireEvent::kAck:
                HandleAck(event.sequence);
                return false;
            case WireEvent::kNak:
                ++record_.naks_received;
                Log("got NAK");
                Resend();
                return false;
            case WireEvent::kEnq:
                ++record_.enqs_received;
                Log("got ENQ, repeating ACK " + std::to_string(last_ack_sent_));
                SendAck(last_ack_sent_);
                return false;
            case WireEvent::kDleSemicolon:
                return false;
            case WireEvent::kStray: {
                char text[64];
                std::snprintf(text, sizeof text, "stray byte 0x%02X between packets", event.byte);
                Violation(text);
            }
            case WireEvent::kBadPacket:
                Violation("packet " + std::to_string(event.sequence) + " " + Printable(event.data.substr(0, 40)) +
                          ": " + event.problem);
            case WireEvent::kPacket:
                return AcceptPacket(event, packet);
        }
    }
}

std::string BPlusHost::ExpectPacket(const char *waiting_for) {
    if (!held_packets_.empty()) {
        std::string held = held_packets_.front();
        held_packets_.erase(held_packets_.begin());
        return held;
    }
    std::string packet;
    while (!Pump(scenario_.reply_timeout_ms, waiting_for, &packet)) {
    }
    return packet;
}

void BPlusHost::WaitAllAcked(const char *waiting_for) {
    while (!outstanding_.empty()) {
        std::string packet;
        if (Pump(scenario_.reply_timeout_ms, waiting_for, &packet))
            Violation("unexpected packet " + Printable(packet) + " while waiting for " + waiting_for);
    }
}

void BPlusHost::ExpectEnqReply(bool exact) {
    awaiting_enq_reply_ = true;
    Log("sent ENQ (asked for)");
    Write(std::string(1, static_cast<char>(bplus::kEnq)));
    while (awaiting_enq_reply_) {
        std::string packet;
        if (!Pump(scenario_.reply_timeout_ms, "the answer to ENQ", &packet)) continue;
        if (exact) Violation("unexpected packet " + Printable(packet) + " while waiting for the answer to ENQ");
        held_packets_.push_back(packet);  // an upload goes on meanwhile
    }
    // The terminal repeats the acknowledgement of the last packet it has;
    // when sending it may already have sent the next ones.
    const int behind = (sequence_ - record_.enq_reply_digit + 10) % 10;
    const int ahead = (record_.enq_reply_digit - sequence_ + 10) % 10;
    if (exact ? behind != 0 : (behind != 0 && ahead > scenario_.parameters.receive_window + 3))
        Violation("ENQ answered with ACK " + std::to_string(record_.enq_reply_digit) + " after packet " +
                  std::to_string(sequence_));
}

void BPlusHost::Greet() {
    for (int attempt = 0; attempt < scenario_.enq_attempts; ++attempt) {
        Log("sent ENQ");
        Write(std::string(1, static_cast<char>(bplus::kEnq)));
        std::string reply;
        for (int byte; reply.size() < bplus::kEnqReply.size() && (byte = ReadByte(2000)) >= 0;)
            reply += static_cast<char>(byte);
        record_.enq_reply = reply;
        if (reply.empty()) continue;
        if (reply != bplus::kEnqReply) Violation("ENQ answered with " + Printable(reply) + ", not <10>++<10>0");
        Log("ENQ answered for B+");
        return;
    }
    Violation("no answer to ENQ");
}

void BPlusHost::ExchangeParameters() {
    const bplus::TransportParameters &ours = scenario_.parameters;
    const std::string our_packet =
        ours.Encode().substr(0, static_cast<std::size_t>(std::clamp(scenario_.parameters_length, 1, 18)));
    SendPacket(our_packet);
    const std::string theirs = ExpectPacket("the terminal's transport parameters");
    if (theirs[0] != '+') Violation("first packet from the terminal is " + Printable(theirs) + ", not +");
    if (theirs.size() != 18) Violation("terminal's + packet has " + std::to_string(theirs.size()) + " bytes, not 18");
    WaitAllAcked("the acknowledgement of our + packet");

    const bplus::TransportParameters terminal = bplus::TransportParameters::Decode(theirs);
    record_.terminal_parameters_data = theirs;
    record_.terminal_parameters = terminal;
    if (terminal.block_units < 1) Violation("terminal's + packet asks for a block size of 0");
    if (terminal.check_method > 3) Violation("terminal asks for check method " + std::to_string(terminal.check_method));

    // The smaller value of each side takes effect.
    method_ = static_cast<CheckMethod>(std::min(ours.check_method, terminal.check_method));
    block_bytes_ = static_cast<std::size_t>(std::min(ours.block_units, terminal.block_units)) * 128;
    record_.check_method = static_cast<int>(method_);
    record_.block_bytes = static_cast<int>(block_bytes_);
    send_quote_ = bplus::QuoteSet::Default();
    send_quote_.Merge(ours.quote);
    send_quote_.Merge(terminal.quote);
    // The terminal takes our quote set only from a full-length packet.
    bplus::QuoteSet required = bplus::QuoteSet::Default();
    if (our_packet.size() >= 18) required.Merge(ours.quote);
    reader_.Expect(method_, required, block_bytes_ + 1);
    Log("in force: check method " + std::to_string(record_.check_method) + ", " + std::to_string(block_bytes_) +
        "-byte blocks");
}

void BPlusHost::SendTransferRequest(char direction) {
    SendPacket(std::string{'T', direction, scenario_.binary ? 'B' : 'A'} + scenario_.file_name);
    WaitAllAcked("the acknowledgement of the T packet");
}

// Where a download starts: 0, or the length a resume offer proves the
// terminal already has.
std::size_t BPlusHost::ResumePoint() {
    if (scenario_.parameters.download_resume == 0) return 0;
    // A terminal that does not resume repeats its ACK of the T packet and
    // waits; one that does sends its offer, which it may take a while to check.
    const int wait_ms = record_.terminal_parameters.download_resume != 0 ? scenario_.reply_timeout_ms : 500;
    std::string packet;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (packet.empty() && std::chrono::steady_clock::now() < deadline) {
        if (Pump(wait_ms, "the resume offer", &packet)) break;
        packet.clear();
        if (record_.acks_received[sequence_] >= 2) return 0;
    }
    if (packet.empty()) {
        if (record_.terminal_parameters.download_resume != 0) Violation("no resume offer after the T packet");
        return 0;
    }
    if (packet.size() < 2 || packet[0] != 'T' || packet[1] != 'r')
        Violation("packet " + Printable(packet) + " where a resume offer or data was due");
    record_.resume_offered = true;
    long long offset = -1;
    long long check = -1;
    char blank = 0;
    if (std::sscanf(packet.c_str() + 2, "%lld %lld%c", &offset, &check, &blank) != 3 || blank != ' ' || offset < 0)
        Violation("resume offer " + Printable(packet) + " is not \"Tr<length> <check> \"");
    record_.resume_offset = static_cast<long>(offset);
    record_.resume_check = static_cast<long>(check);
    const std::string &data = scenario_.download_data;
    const bool fits = static_cast<std::size_t>(offset) <= data.size() &&
                      ResumeCheckMatches(method_, data.substr(0, static_cast<std::size_t>(offset)), check);
    if (fits && !scenario_.refuse_resume) {
        record_.resume_accepted = true;
        Log("resuming at " + std::to_string(offset));
        return static_cast<std::size_t>(offset);
    }
    Log(fits ? "refusing the resume offer (asked for)" : "resume offer does not match our file: starting over");
    SendPacket("Tf");
    WaitAllAcked("the acknowledgement of Tf");
    return 0;
}

void BPlusHost::AfterDataPacket(int count) {
    if (count > 0 && count == scenario_.enq_after_data_packet) {
        if (scenario_.direction == BPlusScenario::Direction::kDownload) WaitAllAcked("acknowledgements before ENQ");
        ExpectEnqReply(scenario_.direction == BPlusScenario::Direction::kDownload);
    }
    if (count == scenario_.fail_after_data_packets) {
        if (scenario_.direction == BPlusScenario::Direction::kDownload) WaitAllAcked("acknowledgements before F");
        SendFailure();
    }
    if (count == scenario_.silent_after_data_packets) {
        if (scenario_.direction == BPlusScenario::Direction::kDownload) WaitAllAcked("acknowledgements before silence");
        GoSilent();
    }
}

void BPlusHost::Download() {
    const std::string &data = scenario_.download_data;
    std::size_t at = ResumePoint();
    if (!scenario_.file_info.empty()) {
        SendPacket("TI" + scenario_.file_info);
        WaitAllAcked("the acknowledgement of TI");
    }
    AfterDataPacket(0);
    int count = 0;
    while (at < data.size()) {
        std::string packet(1, 'N');
        packet.append(data, at, block_bytes_);
        at += block_bytes_;
        ++count;
        SendPacket(packet, count == scenario_.corrupt_data_packet);
        if (count == scenario_.duplicate_data_packet) {
            Log("sent " + std::to_string(sequence_) + " again (asked for)");
            Write(outstanding_.back().wire);
            repeated_sequence_ = sequence_;
            repeated_acks_ = 0;
        }
        AfterDataPacket(count);
    }
    SendPacket("TC");
    WaitAllAcked("the acknowledgement of TC");
    CheckRepeatAcknowledged();
}

// A packet sent twice must be acknowledged twice; checked before its digit
// comes round again, and at the end.
void BPlusHost::CheckRepeatAcknowledged() {
    if (repeated_sequence_ < 0) return;
    if (repeated_acks_ < 2)
        Violation("the packet sent twice (" + std::to_string(repeated_sequence_) + ") was acknowledged " +
                  std::to_string(repeated_acks_) + " time(s)");
    repeated_sequence_ = -1;
}

void BPlusHost::Upload() {
    AfterDataPacket(0);
    for (int count = 1;; ++count) {
        const std::string packet = ExpectPacket("the terminal's next packet");
        if (packet.size() >= 2 && packet[0] == 'T' && packet[1] == 'C') return;
        if (packet[0] != 'N') Violation("packet " + Printable(packet.substr(0, 40)) + " in an upload");
        if (packet.size() - 1 > block_bytes_)
            Violation("data packet of " + std::to_string(packet.size() - 1) + " bytes, more than the block size");
        record_.uploaded += packet.substr(1);
        AfterDataPacket(count);
    }
}

// The terminal must end the transfer on it; an acknowledgement is all it owes.
void BPlusHost::SendFailure() {
    SendPacket(std::string{'F', scenario_.failure_code, ' '} + "host gives up (asked for)");
    WaitAllAcked("the acknowledgement of F");
    throw Ended{Outcome::kFailedAsAsked};
}

void BPlusHost::GoSilent() {
    Log("going silent (asked for)");
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(silent_hold_ms_);
    // Keep reading so that the terminal's writes never block, answering nothing.
    while (std::chrono::steady_clock::now() < until) {
        try {
            ReadByte(100);
        } catch (const Ended &) {
            break;
        }
    }
    throw Ended{Outcome::kWentSilent};
}

}  // namespace portkit::sim
