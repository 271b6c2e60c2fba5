#include "window_systems/win32/dsterm_instance_win32.h"

#include "screen/terminal_window/dsterm_registry.h"

namespace portkit::win32 {
namespace {

DSTermInstanceWin32 *PlatformOf(int slot) {
    screen::DSTermInstance *entry = screen::DSTermInstanceAt(slot);
    return entry != nullptr ? static_cast<DSTermInstanceWin32 *>(entry->platform) : nullptr;
}

// A thread timer: it outlives whichever window started it.
void CALLBACK BlinkTimerTick(HWND, UINT, UINT_PTR timer, DWORD) {
    for (int slot = 0; slot < screen::kDSTermInstanceSlots; ++slot) {
        const DSTermInstanceWin32 *instance = PlatformOf(slot);
        if (instance != nullptr && instance->blink_timer == timer) screen::DSTermBlinkTick(slot);
    }
}

}  // namespace

DSTermInstanceWin32 *DSTermInstanceFor(HINSTANCE instance) { return PlatformOf(screen::FindDSTermInstance(instance)); }

screen::CellMetrics DSTermCell(const DSTermInstanceWin32 &instance) {
    const TEXTMETRICA &metrics = instance.metrics;
    return {static_cast<int>(metrics.tmAveCharWidth), static_cast<int>(metrics.tmHeight - metrics.tmInternalLeading),
            static_cast<int>(metrics.tmInternalLeading)};
}

void StartDSTermBlinkTimer(DSTermInstanceWin32 &instance, int interval_ms) {
    if (instance.blink_timer == 0) {
        instance.blink_timer = SetTimer(nullptr, 0, static_cast<UINT>(interval_ms), BlinkTimerTick);
    }
}

void StopDSTermBlinkTimer(DSTermInstanceWin32 &instance) {
    if (instance.blink_timer != 0) KillTimer(nullptr, instance.blink_timer);
    instance.blink_timer = 0;
}

}  // namespace portkit::win32
