// The simulated Hayes modem's behaviour over time, without I/O: command
// lines assembled and echoed as they come, dialing and answering that end
// after a delay, an online mode whose far end loops data back, the "+++"
// escape with its guard time, and rings. Bytes from the host go in with the
// time they arrived; bytes for the host collect until TakeOutput.
#ifndef PORTKIT_TESTS_SUPPORT_HAYES_ENGINE_H
#define PORTKIT_TESTS_SUPPORT_HAYES_ENGINE_H

#include <chrono>
#include <map>
#include <string>
#include <string_view>

#include "support/hayes_commands.h"

namespace portkit::test {

struct HayesOptions {
    std::chrono::milliseconds dial_delay{300};  // from ATD or ATA to its result
    std::string connect_text = "CONNECT";       // e.g. "CONNECT 9600"
};

class HayesEngine {
public:
    using Clock = std::chrono::steady_clock;

    // How a dialed number answers.
    enum class DialOutcome { kConnect, kNoCarrier, kBusy, kNoDialtone, kSilence };
    enum class Mode { kCommand, kDialing, kAnswering, kOnline };

    explicit HayesEngine(HayesOptions options = {});

    // Numbers not set connect.
    void SetDialOutcome(const std::string &number, DialOutcome outcome) { outcomes_[number] = outcome; }

    void FromHost(std::string_view bytes, Clock::time_point now);
    // Carries out what is due by `now`: call results, the escape, S1's reset.
    void Advance(Clock::time_point now);
    // One ring; false (and no RING) while off hook.
    bool Ring(Clock::time_point now);
    // The host let go of the line (DTR dropped): any call ends, as with &D2.
    void HostHungUp();
    std::string TakeOutput();

    Mode mode() const { return mode_; }
    const HayesProfile &profile() const { return profile_; }

private:
    enum class LineState { kWantA, kWantT, kInLine };

    void CommandByte(char c, Clock::time_point now);
    void OnlineByte(char c, Clock::time_point now);
    void Execute(const std::string &line, Clock::time_point now);
    void FinishCall(Clock::time_point now);
    void GoOnline(Clock::time_point now);
    void SendResult(HayesResult result);
    void SendInfo(const std::vector<std::string> &lines);
    Clock::duration GuardTime() const;

    HayesOptions options_;
    std::map<std::string, DialOutcome> outcomes_;
    HayesProfile profile_;
    Mode mode_ = Mode::kCommand;
    std::string output_;

    LineState line_state_ = LineState::kWantA;
    std::string line_;
    bool line_overflowed_ = false;
    std::string last_line_;  // for A/

    Clock::time_point call_ends_{};
    std::string dialed_number_;
    bool dial_returns_to_command_ = false;

    int pluses_ = 0;  // escape characters seen so far, each after due silence
    Clock::time_point last_data_{};
    Clock::time_point last_ring_{};
};

}  // namespace portkit::test

#endif
