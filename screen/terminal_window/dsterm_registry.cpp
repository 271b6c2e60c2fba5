#include "screen/terminal_window/dsterm_registry.h"

#include <algorithm>
#include <vector>

namespace portkit::screen {
namespace {

struct Tables {
    DSTermInstance instances[kDSTermInstanceSlots]{};
    DSTermModel *blinking[kDSTermWindowSlots]{};
    std::vector<DSTermModel *> open;  // every open window, also those that do not blink
};

Tables &TheTables() {
    static Tables tables;
    return tables;
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kDSTermInstanceSlots; }

}  // namespace

int ClaimDSTermInstance(void *handle) {
    DSTermInstance *instances = TheTables().instances;
    for (int slot = 0; slot < kDSTermInstanceSlots; ++slot) {
        if (instances[slot].handle != nullptr) continue;
        instances[slot].handle = handle;
        return slot;
    }
    return -1;
}

int FindDSTermInstance(void *handle) {
    const DSTermInstance *instances = TheTables().instances;
    for (int slot = 0; slot < kDSTermInstanceSlots; ++slot) {
        if (instances[slot].handle == handle && handle != nullptr) return slot;
    }
    return -1;
}

DSTermInstance *DSTermInstanceAt(int slot) { return ValidSlot(slot) ? &TheTables().instances[slot] : nullptr; }

bool OpenDSTermWindow(DSTermModel *model, int instance) {
    Tables &tables = TheTables();
    tables.open.push_back(model);
    model->set_instance_index(instance);
    for (DSTermModel *&slot : tables.blinking) {
        if (slot != nullptr) continue;
        slot = model;
        break;
    }
    if (!ValidSlot(instance)) return false;
    const bool first = tables.instances[instance].open_windows++ == 0;
    if (first) model->surface().StartBlinkTimer(kDSTermBlinkMs);
    return first;
}

bool CloseDSTermWindow(DSTermModel *model) {
    Tables &tables = TheTables();
    std::erase(tables.open, model);
    std::replace(std::begin(tables.blinking), std::end(tables.blinking), model, static_cast<DSTermModel *>(nullptr));
    const int instance = model->record().instance_index;
    if (!ValidSlot(instance) || tables.instances[instance].open_windows == 0) return false;
    const bool last = --tables.instances[instance].open_windows == 0;
    if (last) model->surface().StopBlinkTimer();
    return last;
}

void DSTermBlinkTick(int instance) {
    for (DSTermModel *model : TheTables().blinking) {
        if (model != nullptr && model->record().instance_index == instance) model->BlinkTick();
    }
}

DSTermModel *DSTermModelOf(void *window) {
    for (DSTermModel *model : TheTables().open) {
        if (model->record().window == window) return model;
    }
    return nullptr;
}

}  // namespace portkit::screen
