#include "screen/text_windows/tw_instance.h"

#include <cstdint>
#include <cstdlib>

#include "screen/text_windows/tw_platform.h"

namespace portkit::screen {
namespace {

TWInstanceData *&Slot(int index) {
    static TWInstanceData *slots[kTWInstanceSlots]{};
    return slots[index];
}

TWPlatform *installed_platform = nullptr;

}  // namespace

TWSettings &TheTWSettings() {
    static TWSettings settings{};
    return settings;
}

void *TWCurrentOwner() { return reinterpret_cast<void *>(static_cast<std::intptr_t>(-2)); }

void InstallTWPlatform(TWPlatform *platform) { installed_platform = platform; }
TWPlatform *InstalledTWPlatform() { return installed_platform; }

TWInstanceData *StartTWInstance(void *instance, int show_command) {
    TWInstanceData *data = GetTWInstanceDataPtr();
    for (int index = 0; data == nullptr && index < kTWInstanceSlots; ++index) {
        if (Slot(index) != nullptr) continue;
        data = static_cast<TWInstanceData *>(std::calloc(1, sizeof(TWInstanceData)));
        if (data == nullptr) break;
        data->owner = TWCurrentOwner();
        Slot(index) = data;
    }
    if (data == nullptr) {
        if (installed_platform != nullptr)
            installed_platform->ShowMessage("Fatal Error", "Could not allocate\nheader information");
        return nullptr;
    }
    data->instance = instance;
    data->show_command = show_command;
    data->quit = 0;
    TWSettings &settings = TheTWSettings();
    settings.instance = instance;
    settings.show_command = show_command;
    settings.focused = nullptr;
    return data;
}

bool TWFrameClosed(const TW_WINDOW &w) {
    const TWInstanceData *data = w.instance != nullptr ? w.instance : GetTWInstanceDataPtr();
    return data == nullptr || data->quit != 0;
}

}  // namespace portkit::screen

using namespace portkit::screen;

extern "C" {

PORTKIT_API TWInstanceData *GetTWInstanceDataPtr(void) {
    for (int index = 0; index < kTWInstanceSlots; ++index) {
        if (Slot(index) != nullptr && Slot(index)->owner == TWCurrentOwner()) return Slot(index);
    }
    return nullptr;
}

PORTKIT_API void TWFreeInstanceData(void) {
    TWInstanceData *data = GetTWInstanceDataPtr();
    if (data == nullptr) return;
    for (int index = 0; index < kTWInstanceSlots; ++index) {
        if (Slot(index) == data) Slot(index) = nullptr;
    }
    std::free(data);
}

PORTKIT_API void ClearTWInstanceDataPtr(void) {
    TWInstanceData *data = GetTWInstanceDataPtr();
    if (data != nullptr && installed_platform != nullptr) installed_platform->DestroyMenus(*data);
}

PORTKIT_API void TWYield(void) {
    if (installed_platform != nullptr) installed_platform->Yield();
}

}  // extern "C"
