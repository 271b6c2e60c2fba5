// The per-process settings record, its 255-slot table and the settings calls.
#include <array>

#include "platform/platform.h"
#include "port/port_internal.h"
#include "transfer/transfer_internal.h"

namespace portkit {
namespace {

constexpr std::size_t kInstanceSlots = 255;
constexpr int kDefaultQueueSize = 1050;
constexpr int kEscape = 27;
constexpr int kNoModemAbortKey = 0xFFFF;

std::array<DSInstanceData *, kInstanceSlots> instance_table{};

void InitialiseSettings(DSInstanceData *settings, void *owner) {
    settings->port_idle_function = DefaultPortIdleFunction;
    settings->abort_modem_function = DefaultAbortModemFunction;
    settings->xfer_file_open_function = _DefaultXferFileOpenFunction;
    settings->abort_xfer_function = transfer::DefaultAbortXferFunction;
    settings->abort_key = kEscape;
    settings->error_name_function = DefaultErrorNameFunction;
    settings->marker[0] = 0xC1;
    settings->marker[1] = 0x41;
    settings->modem_reply = "OK";
    settings->modem_abort_key = kNoModemAbortKey;
    settings->rx_buffer_size = kDefaultQueueSize;
    settings->tx_buffer_size = kDefaultQueueSize;
    settings->owner = owner;
    settings->use_count = 1;
}

}  // namespace

const char *DefaultErrorNameFunction(int) { return nullptr; }

DSInstanceData *SettingsOf(PortStructure *port) {
    if (port != nullptr && port->instance_data != nullptr) return port->instance_data;
    return AddOrGetDSInstanceData();
}

}  // namespace portkit

extern "C" {

PORTKIT_API DSInstanceData *GetDSInstanceDataPtr(void) {
    void *key = portkit::platform::CurrentThreadKey();
    for (DSInstanceData *settings : portkit::instance_table) {
        if (settings != nullptr && settings->owner == key) return settings;
    }
    return nullptr;
}

PORTKIT_API DSInstanceData *AddInstanceData(void) {
    for (DSInstanceData *&slot : portkit::instance_table) {
        if (slot != nullptr) continue;
        auto *settings = static_cast<DSInstanceData *>(AllocateGenericStructure(sizeof(DSInstanceData)));
        if (settings == nullptr) return nullptr;
        portkit::InitialiseSettings(settings, portkit::platform::CurrentThreadKey());
        slot = settings;
        return settings;
    }
    return nullptr;
}

PORTKIT_API DSInstanceData *AddOrGetDSInstanceData(void) {
    if (DSInstanceData *settings = GetDSInstanceDataPtr()) return settings;
    return AddInstanceData();
}

PORTKIT_API void SetDefaultBufferSize(int rx_size, int tx_size) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) {
        settings->rx_buffer_size = rx_size;
        settings->tx_buffer_size = tx_size;
    }
}

PORTKIT_API void SetDefaultAbortKey(int key) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) settings->abort_key = key;
}

PORTKIT_API void SetUserErrorNameFunctionPtr(UserErrorNameFunction function) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) {
        settings->error_name_function = function != nullptr ? function : portkit::DefaultErrorNameFunction;
    }
}

PORTKIT_API void SetPortIdleFunctionPtr(PortIdleFunction function) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) {
        settings->port_idle_function = function != nullptr ? function : portkit::DefaultPortIdleFunction;
    }
}

PORTKIT_API void SetAbortModemFunctionPtr(AbortModemFunction function) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) {
        settings->abort_modem_function = function != nullptr ? function : portkit::DefaultAbortModemFunction;
    }
}

}  // extern "C"
