// A port on a kernel pty with the simulated Hayes modem at the other end.
// The modem settings, which are per process, are put back after each test.
#ifndef PORTKIT_TESTS_MODEM_MODEM_ON_PTY_H
#define PORTKIT_TESTS_MODEM_MODEM_ON_PTY_H

#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "portkit/modem.h"
#include "portkit/serial.h"
#include "support/hayes_modem.h"
#include "support/pty_pair.h"

namespace portkit::test {

class ModemOnPty : public ::testing::Test {
protected:
    static constexpr int kPort = 50;  // COM51
    static constexpr int kDialDelayMs = 100;

    void SetUp() override {
        pty_.MapToPort(kPort);
        HayesOptions options;
        options.dial_delay = std::chrono::milliseconds(kDialDelayMs);
        modem = std::make_unique<HayesModem>(pty_.master(), options);
        port = PortOpenMSWin32(kPort, 115200, 'N', 8, 1);
        ASSERT_EQ(PWGetPortStatus(port), 0);
    }

    void TearDown() override {
        modem->Pause(false);
        PWPortClose(port);
        modem.reset();
        HMWaitForOK(0, "OK");  // the reply is kept by pointer: leave the usual one
        HMFixedDelay(0);
        HMSetUpEchoRoutine(nullptr);
        SetAbortModemFunctionPtr(nullptr);
        SetPortIdleFunctionPtr(nullptr);
        unsetenv("PORTKIT_COM51");
    }

    // What the host sent since the last call, once `length` bytes came; a
    // moment more lets stray bytes after them show up too.
    std::string TakeSent(std::size_t length) {
        modem->WaitForTranscript(length);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const std::string sent = modem->Transcript();
        modem->ClearTranscript();
        return sent;
    }

    // The next line from the modem that is neither blank nor the echo of a
    // command; empty at the time-out.
    std::string NextReply(int timeout_ms = 2000) {
        char line[100];
        int left = timeout_ms;
        while ((left = HMInputLine(port, left, line, sizeof line)) > 0) {
            if (line[0] != '\0' && line[0] != 'A') return line;
        }
        return "";
    }

    static int MillisecondsSince(int32_t start) { return ElapsedTime() - start; }

    PtyPair pty_;  // outlives the modem serving it
    std::unique_ptr<HayesModem> modem;
    PortStructure *port = nullptr;
};

}  // namespace portkit::test

#endif
