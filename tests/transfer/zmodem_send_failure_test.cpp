// Sending failures name the part of a ZMODEM subpacket that did not go out.
#include <gtest/gtest.h>

#include "support/scripted_driver.h"
#include "support/transfer_log.h"
#include "transfer/zmodem/zmodem_frames.h"

namespace portkit::test {
namespace {

using namespace portkit::transfer;

class ZmodemSendFailure : public ScriptedPortTest {};

TEST_F(ZmodemSendFailure, SubpacketFailureIsLoggedByPart) {
    struct Case {
        int room;  // bytes the driver takes before failing
        int flags;
        const char *message;
    };
    // Data "ab" then ZDLE 'k', CRC, XON.
    const Case cases[] = {
        {1, 0, "Error sending encoded character"}, {2, 0, "Error sending ZDLE"},
        {3, 0, "Error sending terminator"},        {5, 0, "Error sending CRC-16"},
        {7, kCANFC32, "Error sending CRC-32"},
    };
    for (const Case &c : cases) {
        TransferRecord record{};
        record.port = port;
        record.message_function = TransferLog::Hook;
        record.transfer_type = PORTKIT_ZMODEM;
        char data[2] = {'a', 'b'};
        record.buffer = data;
        Zmodem(&record).receiver_flags = c.flags;
        driver.tx_room = c.room;
        driver.tx_refusal = -1;  // a hard failure, not a full queue
        driver.sent.clear();
        TransferLog::Clear();
        EXPECT_LT(SendDataSubpacket(&record, 2, kZCRCW), 0) << c.message;
        EXPECT_TRUE(TransferLog::Has(c.message)) << TransferLog::Text();
        EXPECT_EQ(record.status, PORTKIT_XFER_BLOCK_FULL);
    }
}

}  // namespace
}  // namespace portkit::test
