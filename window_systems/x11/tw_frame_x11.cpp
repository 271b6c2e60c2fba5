#include "window_systems/x11/tw_frame_x11.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>
#include <utility>

#include "screen/text_windows/tw_instance.h"
#include "screen/text_windows/tw_keys.h"
#include "window_systems/x11/text_window_x11.h"
#include "window_systems/x11/tw_look_x11.h"
#include "window_systems/x11/tw_popup_x11.h"

namespace portkit::x11 {
namespace {

constexpr const char *kMenuTitles[] = {"&File", "&Window"};
constexpr int kFileMenu = 0, kWindowMenu = 1, kMenuCount = 2;
constexpr int kTitleSpacing = 16;

}  // namespace

std::unique_ptr<X11TWFrame> X11TWFrame::Create(X11Connection &connection, const char *title) {
    Display *display = connection.display();
    const int screen = DefaultScreen(display);
    const auto width = static_cast<unsigned>(DisplayWidth(display, screen));
    const auto height = static_cast<unsigned>(DisplayHeight(display, screen));
    const ::Window frame = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, width, height, 0,
                                               connection.Pixel(kTWBlack), connection.Pixel(kTWFace));
    if (frame == None) return nullptr;
    XStoreName(display, frame, title != nullptr ? title : "");
    Atom protocols[] = {connection.delete_window_atom()};
    XSetWMProtocols(display, frame, protocols, 1);
    XSelectInput(display, frame, ExposureMask | ButtonPressMask | StructureNotifyMask | KeyPressMask);
    std::unique_ptr<X11TWFrame> created(new X11TWFrame(connection, frame, None));
    const int bar = created->MenuBarHeight();
    created->area_ = XCreateSimpleWindow(display, frame, 0, bar, width, height - static_cast<unsigned>(bar), 0,
                                         connection.Pixel(kTWBlack), connection.Pixel(kTWWorkspace));
    XSelectInput(display, created->area_, ButtonPressMask | KeyPressMask);
    XMapWindow(display, created->area_);
    XMapWindow(display, frame);
    // Text windows take the focus at once: wait until the frame shows.
    XEvent event;
    XIfEvent(
        display, &event,
        [](Display *, XEvent *e, XPointer id) {
            return e->type == MapNotify && e->xmap.window == *reinterpret_cast<::Window *>(id) ? True : False;
        },
        reinterpret_cast<XPointer>(&created->frame_));
    return created;
}

X11TWFrame::X11TWFrame(X11Connection &connection, ::Window frame, ::Window area)
    : connection_(connection), display_(connection.display()), frame_(frame), area_(area) {
    connection_.AddWindow(this);
}

X11TWFrame::~X11TWFrame() {
    if (open()) connection_.RemoveWindow(this);
}

int X11TWFrame::MenuBarHeight() const { return connection_.font()->ascent + connection_.font()->descent + 6; }

X11TextWindow *X11TWFrame::AddTextWindow(TW_WINDOW &w, XFontStruct *font, int x, int y, int client_width,
                                         int client_height) {
    X11TextWindow *window = X11TextWindow::Create(*this, w, font, x, y, client_width, client_height);
    if (window != nullptr) windows_.push_back(window);
    return window;
}

void X11TWFrame::Forget(X11TextWindow *window) {
    std::erase(windows_, window);
    // The keyboard goes on to the window now on top, unless all go.
    if (!closing_ && !windows_.empty()) windows_.back()->TakeFocus();
}

X11TextWindow *X11TWFrame::WindowOf(const TW_WINDOW &w) const {
    auto found =
        std::find_if(windows_.begin(), windows_.end(), [&w](X11TextWindow *window) { return &window->record() == &w; });
    return found != windows_.end() ? *found : nullptr;
}

int X11TWFrame::MenuTitleLeft(int index) const {
    TWPen pen(connection_, frame_);
    int left = kTitleSpacing / 2;
    for (int i = 0; i < index; ++i) left += pen.TextWidth(ParseTWLabel(kMenuTitles[i]).text) + kTitleSpacing;
    return left;
}

int X11TWFrame::MenuTitleAt(int x) const {
    for (int i = kMenuCount - 1; i >= 0; --i) {
        if (x >= MenuTitleLeft(i) - kTitleSpacing / 2) return x < MenuTitleLeft(kMenuCount) ? i : -1;
    }
    return -1;
}

void X11TWFrame::DrawMenuBar() {
    TWPen pen(connection_, frame_);
    const int height = MenuBarHeight();
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, frame_, &attributes);
    pen.Fill(0, 0, attributes.width, height, kTWFace);
    for (int i = 0; i < kMenuCount; ++i) {
        const TWLabel label = ParseTWLabel(kMenuTitles[i]);
        const int left = MenuTitleLeft(i);
        const bool open = i == open_menu_;
        if (open)
            pen.Fill(left - kTitleSpacing / 2, 0, pen.TextWidth(label.text) + kTitleSpacing, height, kTWHighlight);
        pen.Text(left, 3, label.text, open ? kTWWhite : kTWBlack, label.mnemonic_index);
    }
    XFlush(display_);
}

bool X11TWFrame::OpenMenuByMnemonic(char letter) {
    for (int i = 0; i < kMenuCount; ++i) {
        if (ParseTWLabel(kMenuTitles[i]).mnemonic ==
            static_cast<char>(std::tolower(static_cast<unsigned char>(letter)))) {
            RunMenus(i);
            return true;
        }
    }
    return false;
}

void X11TWFrame::KeyboardMenuBar() {
    int index = 0, run = -1;
    bool done = false;
    open_menu_ = index;
    DrawMenuBar();
    XGrabKeyboard(display_, frame_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
    while (!done && open()) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.type != KeyPress) {
            if (event.type != KeyRelease && event.type != ButtonPress && event.type != ButtonRelease) {
                connection_.Dispatch(event);
            }
            continue;
        }
        char text[4];
        KeySym keysym = NoSymbol;
        const int length = XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr);
        if (keysym == XK_Left || keysym == XK_Right) {
            index = (index + (keysym == XK_Right ? 1 : kMenuCount - 1)) % kMenuCount;
            open_menu_ = index;
            DrawMenuBar();
            continue;
        }
        if (keysym == XK_Down || keysym == XK_Return) run = index;
        for (int i = 0; length == 1 && i < kMenuCount; ++i) {
            if (ParseTWLabel(kMenuTitles[i]).mnemonic == std::tolower(static_cast<unsigned char>(text[0]))) run = i;
        }
        // Any other key leaves the bar, as Escape and Alt do.
        done = true;
    }
    XUngrabKeyboard(display_, CurrentTime);
    open_menu_ = -1;
    if (open()) DrawMenuBar();
    if (run >= 0) RunMenus(run);
}

void X11TWFrame::CaptionsChanged() {
    // Each caption redraws on its own expose; ask for all of them.
    for (X11TextWindow *window : windows_) XClearArea(display_, window->outer(), 0, 0, 0, 0, True);
}

void X11TWFrame::RunMenus(int index) {
    while (index >= 0 && open()) {
        open_menu_ = index;
        DrawMenuBar();
        std::vector<std::string> items;
        if (index == kFileMenu) {
            items = {"E&xit"};
        } else {
            items = {"&Cascade", "&Tile"};
            for (std::size_t i = 0; i < windows_.size(); ++i) {
                const char *title = windows_[i]->record().title;
                std::string item = "&";
                item += std::to_string(i + 1);
                item += ' ';
                item += title != nullptr ? title : "";
                items.push_back(std::move(item));
            }
        }
        int x = 0, y = 0;
        ::Window child = None;
        XTranslateCoordinates(display_, frame_, DefaultRootWindow(display_), MenuTitleLeft(index) - kTitleSpacing / 2,
                              MenuBarHeight(), &x, &y, &child);
        const int choice = RunTWPopup(connection_, x, y, items);
        open_menu_ = -1;
        DrawMenuBar();
        if (choice == kTWPopupLeft || choice == kTWPopupRight) {
            index = (index + (choice == kTWPopupRight ? 1 : kMenuCount - 1)) % kMenuCount;
            continue;
        }
        if (choice >= 0) Command(index, choice);
        return;
    }
}

void X11TWFrame::Command(int menu, int item) {
    if (menu == kFileMenu) {
        Close();
    } else if (item == 0) {
        Cascade();
    } else if (item == 1) {
        Tile();
    } else if (const auto index = static_cast<std::size_t>(item - 2); index < windows_.size()) {
        windows_[index]->TakeFocus();
    }
}

void X11TWFrame::Cascade() {
    const int step = connection_.font()->ascent + connection_.font()->descent + 6;
    int offset = 0;
    for (X11TextWindow *window : windows_) {
        const TW_WINDOW &w = window->record();
        window->MoveResize(offset, offset, window->OuterWidth(w.client_width), window->OuterHeight(w.client_height));
        window->Raise();
        offset += step;
    }
    XFlush(display_);
}

void X11TWFrame::Tile() {
    if (windows_.empty()) return;
    XWindowAttributes area{};
    XGetWindowAttributes(display_, area_, &area);
    const int count = static_cast<int>(windows_.size());
    const int columns = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(count))));
    const int rows = (count + columns - 1) / columns;
    for (int i = 0; i < count; ++i) {
        const int row = i / columns, column = i % columns;
        // The last row's windows share its width.
        const int in_row = row == rows - 1 ? count - row * columns : columns;
        const int width = area.width / in_row, height = area.height / rows;
        windows_[static_cast<std::size_t>(i)]->MoveResize(column * width, row * height, width, height);
    }
    XFlush(display_);
}

void X11TWFrame::Close() {
    closing_ = true;
    while (!windows_.empty()) windows_.back()->Destroy();
    connection_.RemoveWindow(this);
    XDestroyWindow(display_, frame_);
    XFlush(display_);
    frame_ = area_ = None;
    if (TWInstanceData *data = GetTWInstanceDataPtr()) data->quit = 1;
    ClearTWInstanceDataPtr();
}

void X11TWFrame::Handle(XEvent &event) {
    switch (event.type) {
        case Expose:
            if (event.xexpose.window == frame_ && event.xexpose.count == 0) DrawMenuBar();
            break;
        case ButtonPress:
            if (event.xbutton.window == frame_ && event.xbutton.button == Button1 &&
                event.xbutton.y < MenuBarHeight()) {
                RunMenus(MenuTitleAt(event.xbutton.x));
            }
            break;
        case KeyPress:
            if ((event.xkey.state & Mod1Mask) != 0) {
                char text[4];
                KeySym keysym = NoSymbol;
                if (XLookupString(&event.xkey, text, sizeof text, &keysym, nullptr) == 1) OpenMenuByMnemonic(text[0]);
            }
            break;
        case ConfigureNotify:
            // The window area fills what the menu bar leaves.
            if (event.xconfigure.window == frame_) {
                XResizeWindow(display_, area_, static_cast<unsigned>(std::max(event.xconfigure.width, 1)),
                              static_cast<unsigned>(std::max(event.xconfigure.height - MenuBarHeight(), 1)));
            }
            break;
        case ClientMessage:
            if (event.xclient.message_type == connection_.protocols_atom() &&
                static_cast<Atom>(event.xclient.data.l[0]) == connection_.delete_window_atom()) {
                Close();
            }
            break;
        default:
            break;
    }
}

}  // namespace portkit::x11
