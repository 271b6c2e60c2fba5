// A device for the Windows driver's output logic, in place of the system:
// its writes go pending until the test finishes them, in any order and for
// any part of their bytes, and the bytes are read from the writer's memory
// only then, as a system sending them later would.
#ifndef PORTKIT_TESTS_DRIVER_LOGIC_SCRIPTED_DEVICE_H
#define PORTKIT_TESTS_DRIVER_LOGIC_SCRIPTED_DEVICE_H

#include <cstddef>
#include <string>

#include "platform/comm_api.h"

namespace portkit::test::device {

HANDLE Handle();
// Forgets every write and what reached the line.
void Reset();
// Writes finish at once, taking `bytes` more in all and then nothing; -1
// makes them go pending.
void FinishAtOnce(long bytes);
// Writes handed over and not yet finished.
std::size_t Pending();
// Finishes one pending write (0 is the oldest), taking `bytes` of it, or all
// when -1.
void Finish(std::size_t index, long bytes = -1);
// What reached the far end, in order.
const std::string &Line();

}  // namespace portkit::test::device

#endif
