#include "window_systems/x11/scroll_log_x11.h"

#include <algorithm>

namespace portkit::x11 {
namespace {

// Past this many, the oldest scrolls are forgotten (exposures come back in
// a few turns of the event loop) and the places to paint become one.
constexpr std::size_t kMostScrolls = 256;
constexpr std::size_t kMostPlaces = 16;

bool Empty(const screen::PixelRect &r) { return r.right <= r.left || r.bottom <= r.top; }

screen::PixelRect Intersection(const screen::PixelRect &a, const screen::PixelRect &b) {
    return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

screen::PixelRect Bounds(const std::vector<screen::PixelRect> &places) {
    screen::PixelRect bounds = places.front();
    for (const screen::PixelRect &r : places) {
        bounds = {std::min(bounds.left, r.left), std::min(bounds.top, r.top), std::max(bounds.right, r.right),
                  std::max(bounds.bottom, r.bottom)};
    }
    return bounds;
}

}  // namespace

void X11ScrollLog::Note(unsigned long serial, const screen::PixelRect &area, int dx, int dy) {
    if (scrolls_.size() == kMostScrolls) scrolls_.erase(scrolls_.begin());
    scrolls_.push_back({serial, area, dx, dy});
}

std::vector<screen::PixelRect> X11ScrollLog::Follow(const screen::PixelRect &exposed, unsigned long serial) {
    // Exposures come in the order X made them: scrolls this one postdates
    // are behind every later one too.
    scrolls_.erase(scrolls_.begin(), std::find_if(scrolls_.begin(), scrolls_.end(),
                                                  [serial](const Scroll &s) { return s.serial > serial; }));
    std::vector<screen::PixelRect> places{exposed};
    for (const Scroll &scroll : scrolls_) {
        const std::size_t count = places.size();
        for (std::size_t i = 0; i < count; ++i) {
            const screen::PixelRect inside = Intersection(places[i], scroll.area);
            if (Empty(inside)) continue;
            const screen::PixelRect moved = Intersection(
                {inside.left + scroll.dx, inside.top + scroll.dy, inside.right + scroll.dx, inside.bottom + scroll.dy},
                scroll.area);
            // Cells wholly inside went with the copy; the rest stay to paint.
            if (inside == places[i]) {
                places[i] = moved;
            } else if (!Empty(moved)) {
                places.push_back(moved);
            }
        }
        if (places.size() > kMostPlaces) places = {Bounds(places)};
    }
    std::erase_if(places, Empty);
    return places;
}

}  // namespace portkit::x11
