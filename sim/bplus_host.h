// A CompuServe B+ host for the tests and `portkit demo`: it drives one
// transfer over a file descriptor (a pty master, one end of a socketpair, or
// a pipe pair) the way the information service does, is strict about
// everything the terminal sends, and misbehaves on request. Run() blocks;
// Start() runs it on a thread of its own for callers that drive the terminal
// on theirs.
#ifndef PORTKIT_SIM_BPLUS_HOST_H
#define PORTKIT_SIM_BPLUS_HOST_H

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "sim/bplus_wire.h"

namespace portkit::sim {

struct BPlusScenario {
    enum class Direction { kDownload, kUpload };
    Direction direction = Direction::kDownload;
    std::string file_name = "FILE.DAT";     // as the T packet names it
    std::string download_data;              // what a download sends
    bool binary = true;                     // T packet kind B, else A
    bool greet_with_enq = true;             // ENQ first, expecting the B+ answer
    int enq_attempts = 3;                   // an unanswered ENQ is sent again
    bplus::TransportParameters parameters;  // the host's `+` packet
    int parameters_length = 18;             // shorter ones test the terminal's padding
    int send_ahead = 1;                     // host packets unacknowledged at once (1-5)
    int reply_timeout_ms = 10000;           // silence from the terminal longer than this fails

    // Faults, counted from 1; 0 leaves them off.
    int nak_terminal_packet = 0;         // NAK the terminal's Nth packet (its `+` is the first) once
    int duplicate_data_packet = 0;       // send our Nth data packet twice
    int corrupt_data_packet = 0;         // send our Nth data packet first with a spoilt check
    int enq_after_data_packet = 0;       // ENQ once the Nth data packet is through
    int silent_after_data_packets = -1;  // answer nothing more after N data packets (0: after T)
    bool refuse_resume = false;          // answer a resume offer with Tf
    std::string file_info;               // sent as a TI packet before the data when not empty
    int fail_after_data_packets = -1;    // send F with `failure_code` after N data packets (0: after T)
    char failure_code = 'N';
};

// Everything the host saw and did, for assertions once it has finished.
struct BPlusHostRecord {
    enum class Outcome {
        kRunning,
        kCompleted,
        kViolation,
        kTerminalFailed,
        kLineClosed,
        kWentSilent,
        kFailedAsAsked,
        kStopped
    };
    Outcome outcome = Outcome::kRunning;
    std::vector<std::string> violations;  // the first one ended the run

    std::string enq_reply;                 // what the greeting ENQ brought
    std::string terminal_parameters_data;  // the terminal's `+` packet as received
    bplus::TransportParameters terminal_parameters;
    int check_method = 0;  // in force after the exchange
    int block_bytes = 0;   // data bytes per packet after the exchange

    std::vector<std::string> packets_sent;      // data of each packet, type byte first
    std::vector<std::string> packets_received;  // likewise, once each (duplicates not repeated)
    std::map<int, int> acks_received;           // sequence digit -> times acknowledged
    int naks_received = 0;
    int enqs_received = 0;
    int naks_sent = 0;
    int duplicates_received = 0;  // terminal packets that repeated the last one
    int enq_reply_digit = -1;     // the terminal's answer to a mid-transfer ENQ

    bool resume_offered = false;
    long resume_offset = -1;
    long resume_check = -1;
    bool resume_accepted = false;

    std::string uploaded;       // data bytes of an upload
    char terminal_failure = 0;  // code of an F packet from the terminal
    std::string log;            // one line an event

    bool Completed() const { return outcome == Outcome::kCompleted; }
    std::string Describe() const;  // outcome, violations and log, for failure messages
};

class BPlusHost {
public:
    // Reads `in` and writes `out` (the same descriptor for a pty or socket).
    BPlusHost(int in, int out, BPlusScenario scenario);
    ~BPlusHost();
    BPlusHost(const BPlusHost &) = delete;
    BPlusHost &operator=(const BPlusHost &) = delete;

    BPlusHostRecord Run();
    void Start();
    // Ends a silent or stuck host; then gives the record.
    BPlusHostRecord Finish();
    void Stop() { stop_ = true; }

    // How long a silent host keeps the line open when nobody stops it.
    void set_silent_hold_ms(int ms) { silent_hold_ms_ = ms; }

private:
    struct Outstanding {
        int sequence;
        std::string wire;
    };
    struct Ended {
        BPlusHostRecord::Outcome outcome;
    };

    // Line
    int ReadByte(int timeout_ms);  // byte, -1 on time-out; ends the run when the line closes
    void Write(const std::string &bytes);
    void Log(const std::string &line);
    [[noreturn]] void Violation(const std::string &what);

    // Packets
    int NextSequence() const { return (sequence_ + 1) % 10; }
    void SendPacket(const std::string &data, bool spoil = false);
    void SendAck(int sequence);
    void Resend();
    // One event from the terminal, with ACKs, NAKs, ENQs handled; a packet
    // given back only when it is new. Null after `wait_ms` without a packet.
    bool Pump(int wait_ms, const char *waiting_for, std::string *packet);
    std::string ExpectPacket(const char *waiting_for);
    bool AcceptPacket(const bplus::WireEvent &event, std::string *packet);
    void HandleAck(int digit);
    void WaitAllAcked(const char *waiting_for);
    void ExpectEnqReply(bool exact);
    void CheckRepeatAcknowledged();

    // Phases
    void Greet();
    void ExchangeParameters();
    void SendTransferRequest(char direction);
    std::size_t ResumePoint();
    void Download();
    void Upload();
    void AfterDataPacket(int count);
    [[noreturn]] void GoSilent();
    [[noreturn]] void SendFailure();

    int in_;
    int out_;
    BPlusScenario scenario_;
    BPlusHostRecord record_;
    bplus::WireReader reader_;
    bplus::CheckMethod method_ = bplus::CheckMethod::kChecksum;
    bplus::QuoteSet send_quote_ = bplus::QuoteSet::All();
    std::size_t block_bytes_ = 1024;
    int sequence_ = 0;          // last digit used in either direction
    int last_ack_sent_ = 0;     // repeated when the terminal sends ENQ
    int terminal_packets_ = 0;  // counted for the NAK fault
    bool nak_done_ = false;
    bool awaiting_enq_reply_ = false;
    int repeated_sequence_ = -1;  // the packet sent twice, until both ACKs are seen
    int repeated_acks_ = 0;
    std::vector<Outstanding> outstanding_;
    std::vector<std::string> held_packets_;  // upload data that came while an ENQ was answered
    std::string buffered_;
    std::size_t buffered_at_ = 0;
    std::atomic<bool> stop_{false};
    int silent_hold_ms_ = 120000;
    std::thread thread_;
};

}  // namespace portkit::sim

#endif
