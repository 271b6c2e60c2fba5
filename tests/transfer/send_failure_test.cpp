// A block that cannot go out ends the transfer with the reason it could not:
// the line gone or a stop asked for, not a generic "buffer full".
#include <gtest/gtest.h>

#include "portkit/transfer.h"
#include "support/scratch_files.h"
#include "support/scripted_driver.h"

namespace portkit::test {
namespace {

class BlockSendFailure : public ScriptedPortTest {
protected:
    int SendFile() {
        driver.Receive("C");
        return XmodemSendWithOptions(port, path_.c_str(), nullptr, nullptr, 0);
    }

private:
    TempDirectory scratch_;
    std::string path_ = scratch_ / "out.bin";
    bool written_ = (WriteFile(path_, std::string(300, 'x')), true);
};

TEST_F(BlockSendFailure, ALineThatHasGoneIsTheResult) {
    driver.tx_error = PORTKIT_XFER_LOST_CARRIER;
    EXPECT_EQ(SendFile(), PORTKIT_XFER_LOST_CARRIER);
}

TEST_F(BlockSendFailure, OtherDriverFailuresStillNameTheBlock) {
    driver.tx_error = PORTKIT_GENERAL_ERROR;
    EXPECT_EQ(SendFile(), PORTKIT_XFER_BLOCK_FULL);
}

}  // namespace
}  // namespace portkit::test
