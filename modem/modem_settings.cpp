// The per-process settings that govern how modem commands wait, and the
// port's dialing method.
#include "modem/modem_internal.h"

extern "C" {

PORTKIT_API void HMWaitForOK(int timeout, const char *reply) {
    DSInstanceData *settings = AddOrGetDSInstanceData();
    if (settings == nullptr) return;
    settings->modem_wait = -timeout;
    if (reply != nullptr) settings->modem_reply = reply;
}

PORTKIT_API void HMFixedDelay(int milliseconds) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) settings->modem_wait = milliseconds;
}

PORTKIT_API void HMSetUpEchoRoutine(ModemEchoFunction function) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) settings->modem_echo_function = function;
}

PORTKIT_API void HMSetUpAbortKey(int key) {
    if (DSInstanceData *settings = AddOrGetDSInstanceData()) settings->modem_abort_key = key;
}

PORTKIT_API int HMSetDialingMethod(PortStructure *port, int method) {
    if (port == nullptr) return PORTKIT_INVALID_PARAMETER;
    if (method < PORTKIT_DIAL_TONE || method > PORTKIT_DIAL_DEFAULT) {
        port->status = PORTKIT_INVALID_PARAMETER;
        return PORTKIT_INVALID_PARAMETER;
    }
    port->dialing_method = method;
    return PORTKIT_SUCCESS;
}

}  // extern "C"
