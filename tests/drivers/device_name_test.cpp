// Which names the serial driver takes for COM ports, and what it opens.
#include <gtest/gtest.h>

#include "drivers/win32/device_name.h"

namespace portkit::driver {
namespace {

TEST(DeviceName, ComNamesInEitherFormAndCaseAreNumberedFromZero) {
    EXPECT_EQ(PortNumberOfName("COM1"), 0);
    EXPECT_EQ(PortNumberOfName("com3"), 2);
    EXPECT_EQ(PortNumberOfName("\\\\.\\COM10"), 9);
    EXPECT_EQ(PortNumberOfName("\\\\.\\cOm256"), 255);
}

TEST(DeviceName, OtherNamesHaveNoPortNumber) {
    for (const char *name : {"", "COM", "COM0", "COM01", "COM-1", "COM1:", "COM 1", "LPT1", "/dev/ttyS0", "sim:COM1:a",
                             "\\\\.\\", "\\\\.\\pipe\\COM1", "COM99999999999"}) {
        EXPECT_EQ(PortNumberOfName(name), kNoPortNumber) << name;
    }
}

TEST(DeviceName, ComNamesOpenInTheDeviceFormAndOthersAsGiven) {
    EXPECT_EQ(ComDeviceName(0), "\\\\.\\COM1");
    EXPECT_EQ(DeviceNameToOpen("com12"), "\\\\.\\COM12");
    EXPECT_EQ(DeviceNameToOpen("\\\\.\\com2"), "\\\\.\\COM2");
    EXPECT_EQ(DeviceNameToOpen("/dev/ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DeviceNameToOpen("\\\\.\\CNCA0"), "\\\\.\\CNCA0");
}

}  // namespace
}  // namespace portkit::driver
