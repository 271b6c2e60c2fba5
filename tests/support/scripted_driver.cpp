// The scripted driver's slots and its idle hook.
#include "support/scripted_driver.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "platform/platform.h"
#include "support/fake_driver.h"

namespace portkit::test {
namespace {

constexpr int kSpinLimit = 10000;

}  // namespace

PortStructure *ScriptedDriver::Open() {
    PortStructure *port = OpenBarePort();
    port->driver_data = this;
    port->functions.SpaceUsedInRXBuffer = SpaceUsed;
    port->functions.ReadBuffer = ReadBuffer;
    port->functions.ReadChar = ReadChar;
    port->functions.WriteBuffer = WriteBuffer;
    port->functions.WriteChar = WriteChar;
    return port;
}

ScriptedDriver &ScriptedDriver::Of(PortStructure *port) { return *static_cast<ScriptedDriver *>(port->driver_data); }

namespace {

std::atomic<std::uint32_t> turn_clock{0};

std::uint32_t TurnClock() { return turn_clock.load(); }

}  // namespace

void ScriptedDriver::UseTurnClock(bool on) { platform::ReplaceClock(on ? TurnClock : nullptr); }

void ScriptedDriver::PassTime(int milliseconds) {
    if (milliseconds > 0) turn_clock += static_cast<std::uint32_t>(milliseconds);
}

int ScriptedDriver::IdleHook(PortStructure *port) {
    ++turn_clock;
    ScriptedDriver &driver = Of(port);
    ++driver.turns;
    driver.fruitless_reads_ = 0;
    if (!driver.script_.empty() && driver.script_.front().kind == Step::kPause && --driver.script_.front().value <= 0) {
        driver.script_.pop_front();
    }
    if (driver.on_turn) driver.on_turn(driver);
    return driver.abort_on_turn > 0 && driver.turns >= driver.abort_on_turn ? driver.abort_code : 0;
}

ScriptedDriver &ScriptedDriver::Receive(std::string_view bytes) {
    for (char c : bytes) script_.push_back({Step::kByte, static_cast<unsigned char>(c)});
    return *this;
}

ScriptedDriver &ScriptedDriver::Pause(int turns) {
    script_.push_back({Step::kPause, turns});
    return *this;
}

ScriptedDriver &ScriptedDriver::Fail(int code) {
    script_.push_back({Step::kError, code});
    return *this;
}

int ScriptedDriver::Answer(PortStructure *port, int code, bool stored) {
    if (!sloppy) {
        port->count = 0;
        if (stored) port->status = code;
    }
    return code;
}

int ScriptedDriver::NothingToRead(PortStructure *port) {
    if (++fruitless_reads_ > kSpinLimit) {
        spun = true;
        port->status = PORTKIT_GENERAL_ERROR;
        return PORTKIT_GENERAL_ERROR;
    }
    return Answer(port, PORTKIT_BUFFER_EMPTY, false);
}

int ScriptedDriver::SpaceUsed(PortStructure *port) {
    ScriptedDriver &driver = Of(port);
    if (driver.rx_used_answer) return *driver.rx_used_answer;
    auto end = std::find_if(driver.script_.begin(), driver.script_.end(),
                            [](const Step &step) { return step.kind != Step::kByte; });
    const int bytes = static_cast<int>(end - driver.script_.begin());
    // A pending error shows as something to read, so that the read meets it.
    return bytes == 0 && end != driver.script_.end() && end->kind == Step::kError ? 1 : bytes;
}

int ScriptedDriver::ReadBuffer(PortStructure *port, char *buffer, unsigned int count) {
    ScriptedDriver &driver = Of(port);
    std::deque<Step> &script = driver.script_;
    unsigned int moved = 0;
    while (moved < count && !script.empty() && script.front().kind == Step::kByte) {
        buffer[moved++] = static_cast<char>(script.front().value);
        script.pop_front();
    }
    if (moved > 0) {
        port->count = static_cast<int32_t>(moved);
        return 0;
    }
    if (!script.empty() && script.front().kind == Step::kError) {
        const int code = script.front().value;
        script.pop_front();
        return driver.Answer(port, code, true);
    }
    return driver.NothingToRead(port);
}

int ScriptedDriver::ReadChar(PortStructure *port) {
    char c = 0;
    const int result = ReadBuffer(port, &c, 1);
    return result < 0 ? result : static_cast<unsigned char>(c);
}

int ScriptedDriver::WriteBuffer(PortStructure *port, const char *buffer, unsigned int count) {
    ScriptedDriver &driver = Of(port);
    if (driver.tx_error != 0) return driver.Answer(port, driver.tx_error, true);
    unsigned int take = std::min(count, static_cast<unsigned int>(std::max(driver.tx_room, 0)));
    if (driver.tx_per_call > 0) take = std::min(take, static_cast<unsigned int>(driver.tx_per_call));
    if (take < count && driver.sloppy) return driver.tx_refusal;
    driver.sent.append(buffer, take);
    driver.tx_room -= static_cast<int>(take);
    port->count = static_cast<int32_t>(take);
    if (take == count) return 0;
    port->status = driver.tx_refusal;
    return driver.tx_refusal;
}

int ScriptedDriver::WriteChar(PortStructure *port, int c) {
    const char byte = static_cast<char>(c);
    return WriteBuffer(port, &byte, 1);
}

}  // namespace portkit::test
