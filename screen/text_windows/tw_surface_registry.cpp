// Which text window draws through which surface.
#include <map>

#include "screen/text_windows/tw_surface.h"

namespace portkit::screen {
namespace {

std::map<const TW_WINDOW *, TWSurface *> &Surfaces() {
    static std::map<const TW_WINDOW *, TWSurface *> surfaces;
    return surfaces;
}

}  // namespace

TWSurface *TWSurfaceOf(const TW_WINDOW &w) {
    if (w.window == nullptr) return nullptr;
    auto found = Surfaces().find(&w);
    return found != Surfaces().end() ? found->second : nullptr;
}

void AttachTWSurface(const TW_WINDOW &w, TWSurface *surface) { Surfaces()[&w] = surface; }

void DetachTWSurface(const TW_WINDOW &w) { Surfaces().erase(&w); }

}  // namespace portkit::screen
