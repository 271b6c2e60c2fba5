// A B+ transfer against a scripted host in a scratch directory.
#ifndef PORTKIT_TESTS_TRANSFER_BPLUS_EXCHANGE_H
#define PORTKIT_TESTS_TRANSFER_BPLUS_EXCHANGE_H

#include <gtest/gtest.h>

#include "portkit/transfer.h"
#include "support/bplus_script.h"
#include "support/scratch_files.h"
#include "support/scripted_driver.h"
#include "transfer/bplus/bplus_engine.h"

namespace portkit::test {

class BPlusExchange : public InScratchDirectory {
protected:
    void SetUp() override {
        InScratchDirectory::SetUp();
        port = driver.Open();
        SetPortIdleFunctionPtr(ScriptedDriver::IdleHook);
        // Silence is real time: keep it short.
        transfer::SetBPlusCharTimeout(20);
    }
    void TearDown() override {
        transfer::SetBPlusCharTimeout(0);
        SetPortIdleFunctionPtr(nullptr);
        PWPortClose(port);
        InScratchDirectory::TearDown();
    }
    // The host's `+` packet as sequence 1, whose DLE B the caller has read,
    // and its acknowledgement of ours.
    void HostOpens(const std::string &parameters = bplus_script::HostParameters()) {
        driver.Receive(bplus_script::Packet(1, parameters).substr(2)).Receive(bplus_script::Ack(2));
    }
    int Run() { return CompuServeBPlusWithOptions(port, nullptr, nullptr, 0); }
    std::vector<bplus_script::Event> Sent(int method) const { return bplus_script::ParseSent(driver.sent, method); }
    // The data of our packets of `type` after the parameters exchange.
    std::string DataSent(int method) const {
        std::string data;
        for (const auto &packet : bplus_script::PacketsOf(Sent(method))) {
            if (packet.data.size() > 0 && packet.data[0] == 'N') data += packet.data.substr(1);
        }
        return data;
    }

    ScriptedDriver driver;
    PortStructure *port = nullptr;
};

}  // namespace portkit::test

#endif
