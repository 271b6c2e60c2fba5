// Zero-filled allocation for drivers and transfers.
#include <cstdlib>

#include "port/port_internal.h"

namespace {

constexpr int kNumberedPorts = 35;

bool ValidPortNumber(int port_number) { return port_number >= 0 && port_number < kNumberedPorts; }

void *ZeroFilled(unsigned int size) { return std::calloc(1, size == 0 ? 1 : size); }

}  // namespace

extern "C" {

PORTKIT_API void *AllocateDriverStructure(unsigned int size) { return ZeroFilled(size); }
PORTKIT_API void *AllocateGenericStructure(unsigned int size) { return ZeroFilled(size); }
PORTKIT_API void *AllocateXferBuffer(unsigned int size) { return ZeroFilled(size); }
PORTKIT_API void FreeDriverStructure(void *block) { std::free(block); }
PORTKIT_API void FreeGenericStructure(void *block) { std::free(block); }
PORTKIT_API void FreeXferBuffer(void *block) { std::free(block); }

PORTKIT_API void *AllocateDrossantPortStructure(int port_number, unsigned int size) {
    return ValidPortNumber(port_number) ? ZeroFilled(size) : nullptr;
}
PORTKIT_API void *AllocateTXBuffer(int port_number, unsigned int size) {
    return ValidPortNumber(port_number) ? ZeroFilled(size) : nullptr;
}
PORTKIT_API void *AllocateRXBuffer(int port_number, unsigned int size) {
    return ValidPortNumber(port_number) ? ZeroFilled(size) : nullptr;
}

PORTKIT_API void FreeDrossantPortStructure(int port_number, void *block) {
    if (ValidPortNumber(port_number) && block != nullptr) std::free(block);
}
PORTKIT_API void FreeTXBuffer(int port_number, void *block) {
    if (ValidPortNumber(port_number)) std::free(block);
}
PORTKIT_API void FreeRXBuffer(int port_number, void *block) {
    if (ValidPortNumber(port_number)) std::free(block);
}

}  // extern "C"
