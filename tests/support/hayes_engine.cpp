#include "support/hayes_engine.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace portkit::test {
namespace {

constexpr std::size_t kLongestLine = 255;  // a longer command line gives ERROR
constexpr char kLineFeed = 0x0A;
// With no ring for this long the call has gone and S1 counts from 0 again.
constexpr auto kRingsForgotten = std::chrono::seconds(8);

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

HayesEngine::HayesEngine(HayesOptions options) : options_(std::move(options)) {}

void HayesEngine::FromHost(std::string_view bytes, Clock::time_point now) {
    for (const char c : bytes) {
        switch (mode_) {
            case Mode::kCommand:
                CommandByte(c, now);
                break;
            case Mode::kOnline:
                OnlineByte(c, now);
                break;
            case Mode::kDialing:
            case Mode::kAnswering:
                // Any key but a line feed trailing the command abandons the call.
                if (c == kLineFeed) break;
                mode_ = Mode::kCommand;
                SendResult(HayesResult::kNoCarrier);
                break;
        }
    }
}

// Every character is echoed (E1), also outside a command line; a line
// starts with AT, ends with S3 and loses its last character to S5. "A/"
// repeats the last line at once.
void HayesEngine::CommandByte(char c, Clock::time_point now) {
    if (profile_.echo) output_ += c;
    switch (line_state_) {
        case LineState::kWantA:  // want the A of AT or A/
            if (Upper(c) == 'A') line_state_ = LineState::kWantT;
            break;
        case LineState::kWantT:  // want T or /
            if (Upper(c) == 'T') {
                line_.clear();
                line_overflowed_ = false;
                line_state_ = LineState::kInLine;
            } else if (c == '/') {
                line_state_ = LineState::kWantA;
                Execute(last_line_, now);
            } else if (Upper(c) != 'A') {
                line_state_ = LineState::kWantA;
            }
            break;
        case LineState::kInLine:  // want the end of the line
            if (static_cast<unsigned char>(c) == profile_.S(3)) {
                line_state_ = LineState::kWantA;
                if (line_overflowed_) {
                    SendResult(HayesResult::kError);
                } else {
                    last_line_ = line_;
                    Execute(line_, now);
                }
            } else if (static_cast<unsigned char>(c) == profile_.S(5)) {
                if (!line_.empty()) line_.pop_back();
            } else if (line_.size() < kLongestLine) {
                line_ += c;
            } else {
                line_overflowed_ = true;
            }
            break;
    }
}

void HayesEngine::Execute(const std::string &line, Clock::time_point now) {
    const HayesOutcome outcome = RunHayesCommandLine(line, profile_);
    SendInfo(outcome.info);
    switch (outcome.action) {
        case HayesOutcome::Action::kDial:
            mode_ = Mode::kDialing;
            call_ends_ = now + options_.dial_delay;
            dialed_number_ = outcome.number;
            dial_returns_to_command_ = outcome.return_to_command;
            return;
        case HayesOutcome::Action::kAnswer:
            mode_ = Mode::kAnswering;
            call_ends_ = now + options_.dial_delay;
            return;
        case HayesOutcome::Action::kOnline:
            GoOnline(now);
            return;
        case HayesOutcome::Action::kHangUp:
            profile_.registers[1] = 0;
            break;
        case HayesOutcome::Action::kNone:
            break;
    }
    SendResult(outcome.result);
}

void HayesEngine::Advance(Clock::time_point now) {
    if ((mode_ == Mode::kDialing || mode_ == Mode::kAnswering) && now >= call_ends_) FinishCall(now);
    // "+++" stands once the guard time has passed without another byte.
    if (mode_ == Mode::kOnline && pluses_ == 3 && now - last_data_ >= GuardTime()) {
        pluses_ = 0;
        mode_ = Mode::kCommand;
        SendResult(HayesResult::kOk);
    }
    if (profile_.S(1) > 0 && now - last_ring_ >= kRingsForgotten) profile_.registers[1] = 0;
}

void HayesEngine::FinishCall(Clock::time_point now) {
    if (mode_ == Mode::kAnswering) {
        GoOnline(now);
        return;
    }
    mode_ = Mode::kCommand;
    if (dial_returns_to_command_) {
        SendResult(HayesResult::kOk);
        return;
    }
    const auto found = outcomes_.find(dialed_number_);
    switch (found == outcomes_.end() ? DialOutcome::kConnect : found->second) {
        case DialOutcome::kConnect:
            GoOnline(now);
            break;
        case DialOutcome::kNoCarrier:
            SendResult(HayesResult::kNoCarrier);
            break;
        case DialOutcome::kBusy:
            SendResult(HayesResult::kBusy);
            break;
        case DialOutcome::kNoDialtone:
            SendResult(HayesResult::kNoDialtone);
            break;
        case DialOutcome::kSilence:
            break;
    }
}

void HayesEngine::GoOnline(Clock::time_point now) {
    mode_ = Mode::kOnline;
    pluses_ = 0;
    last_data_ = now;  // the guard time before an escape counts from here
    SendResult(HayesResult::kConnect);
}

// The far end echoes data back. An escape is S2 three times, the first after
// a guard time of silence and each within a guard time of the one before;
// an S2 above 127 turns the escape off.
void HayesEngine::OnlineByte(char c, Clock::time_point now) {
    output_ += c;
    const int escape = profile_.S(2);
    if (escape <= 127 && static_cast<unsigned char>(c) == escape) {
        const bool after_silence = now - last_data_ >= GuardTime();
        if (pluses_ > 0 && pluses_ < 3 && now - last_data_ <= GuardTime()) {
            ++pluses_;
        } else {
            pluses_ = after_silence ? 1 : 0;
        }
    } else {
        pluses_ = 0;
    }
    last_data_ = now;
}

bool HayesEngine::Ring(Clock::time_point now) {
    if (mode_ != Mode::kCommand) return false;
    SendResult(HayesResult::kRing);
    profile_.registers[1] = std::min(255, profile_.S(1) + 1);
    last_ring_ = now;
    if (profile_.S(0) > 0 && profile_.S(1) >= profile_.S(0)) {
        mode_ = Mode::kAnswering;
        call_ends_ = now + options_.dial_delay;
    }
    return true;
}

void HayesEngine::HostHungUp() {
    mode_ = Mode::kCommand;
    line_state_ = LineState::kWantA;
    pluses_ = 0;
}

std::string HayesEngine::TakeOutput() { return std::exchange(output_, std::string()); }

// Verbose codes are framed by CR LF; numeric ones are the number and CR.
void HayesEngine::SendResult(HayesResult result) {
    if (profile_.quiet) return;
    if (!profile_.verbose) {
        output_ += std::to_string(static_cast<int>(result)) + "\r";
        return;
    }
    output_ += "\r\n";
    output_ += result == HayesResult::kConnect ? options_.connect_text : HayesResultText(result);
    output_ += "\r\n";
}

// Information text is sent whatever Q says.
void HayesEngine::SendInfo(const std::vector<std::string> &lines) {
    if (lines.empty()) return;
    if (profile_.verbose) output_ += "\r\n";
    for (const std::string &line : lines) output_ += line + "\r\n";
}

HayesEngine::Clock::duration HayesEngine::GuardTime() const {
    return std::chrono::milliseconds(20 * profile_.S(12));  // S12 counts fiftieths of a second
}

}  // namespace portkit::test
