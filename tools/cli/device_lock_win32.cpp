#include "tools/cli/device_lock.h"

namespace portkit::tool {

bool LockDevice(const std::string &, const std::string &, bool) { return true; }
void ReleaseLockOnClose(PortStructure *, const std::string &) {}
void ReleaseDeviceLock(const std::string &) {}

}  // namespace portkit::tool
