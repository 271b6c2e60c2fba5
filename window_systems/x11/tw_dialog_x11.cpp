#include "window_systems/x11/tw_dialog_x11.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <vector>

#include "window_systems/x11/modal_loop_x11.h"
#include "window_systems/x11/tw_look_x11.h"

namespace portkit::x11 {
namespace {

constexpr int kMargin = 16, kButtonWidth = 80;

struct Button {
    const char *label;
    int x, y, width, height;
    bool Contains(int px, int py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

class Dialog {
public:
    enum Result { kOpen, kOk, kCancel };

    // `edit_limit` < 0: no edit field.
    Dialog(X11Connection &connection, ::Window owner, const char *caption, const char *text, int edit_limit)
        : connection_(connection), display_(connection.display()), edit_limit_(edit_limit) {
        for (const char *p = text != nullptr ? text : "";; ++p) {
            const char *end = p;
            while (*end != '\0' && *end != '\n') ++end;
            lines_.emplace_back(p, end);
            if (*end == '\0') break;
            p = end;
        }
        TWPen measure(connection, DefaultRootWindow(display_));
        line_height_ = measure.LineHeight();
        width_ = 60 * measure.TextWidth("m");
        for (const std::string &line : lines_) width_ = std::max(width_, measure.TextWidth(line) + 2 * kMargin);
        int y = kMargin + static_cast<int>(lines_.size()) * line_height_ + kMargin / 2;
        if (edit_limit_ >= 0) {
            edit_y_ = y;
            y += line_height_ + 8 + kMargin / 2;
        }
        const int button_height = line_height_ + 10;
        if (edit_limit_ >= 0) {
            buttons_.push_back({"OK", width_ / 2 - kButtonWidth - 8, y, kButtonWidth, button_height});
            buttons_.push_back({"Cancel", width_ / 2 + 8, y, kButtonWidth, button_height});
        } else {
            buttons_.push_back({"OK", (width_ - kButtonWidth) / 2, y, kButtonWidth, button_height});
        }
        height_ = y + button_height + kMargin;

        XWindowAttributes place{};
        XGetWindowAttributes(display_, owner != None ? owner : DefaultRootWindow(display_), &place);
        const int x = std::max(0, place.x + (place.width - width_) / 2),
                  top = std::max(0, place.y + (place.height - height_) / 3);
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, top, static_cast<unsigned>(width_),
                                      static_cast<unsigned>(height_), 1, connection.Pixel(kTWBlack),
                                      connection.Pixel(kTWFace));
        XStoreName(display_, window_, caption != nullptr ? caption : "");
        if (owner != None) XSetTransientForHint(display_, window_, owner);
        XSizeHints hints{};
        hints.flags = PPosition | PMinSize | PMaxSize;
        hints.x = x;
        hints.y = top;
        hints.min_width = hints.max_width = width_;
        hints.min_height = hints.max_height = height_;
        XSetWMNormalHints(display_, window_, &hints);
        Atom protocols[] = {connection.delete_window_atom()};
        XSetWMProtocols(display_, window_, protocols, 1);
        XSelectInput(display_, window_, ExposureMask | KeyPressMask | ButtonPressMask | StructureNotifyMask);
        XMapRaised(display_, window_);
        XEvent event;
        XIfEvent(
            display_, &event,
            [](Display *, XEvent *e, XPointer id) {
                return e->type == MapNotify && e->xmap.window == *reinterpret_cast<::Window *>(id) ? True : False;
            },
            reinterpret_cast<XPointer>(&window_));
        XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
    }

    ~Dialog() {
        XDestroyWindow(display_, window_);
        XFlush(display_);
    }

    Result Run() {
        RunModalLoop(
            connection_, window_, [this] { return result_ == kOpen; }, [this](XEvent &event) { Handle(event); });
        return result_;
    }

    const std::string &text() const { return edit_; }

private:
    void Draw() {
        TWPen pen(connection_, window_);
        pen.Fill(0, 0, width_, height_, kTWFace);
        int y = kMargin;
        for (const std::string &line : lines_) {
            pen.Text((width_ - pen.TextWidth(line)) / 2, y, line, kTWBlack);
            y += line_height_;
        }
        if (edit_limit_ >= 0) {
            const int left = kMargin, field_width = width_ - 2 * kMargin, field_height = line_height_ + 8;
            pen.Fill(left, edit_y_, field_width, field_height, kTWWhite);
            pen.Frame(left, edit_y_, field_width, field_height, kTWBlack);
            // The field scrolls so that the cursor stays in it.
            const int room = field_width - 8;
            std::size_t first = 0;
            while (first < cursor_ && pen.TextWidth(edit_.substr(first, cursor_ - first)) > room) ++first;
            std::string shown = edit_.substr(first);
            while (!shown.empty() && pen.TextWidth(shown) > room) shown.pop_back();
            pen.Text(left + 4, edit_y_ + 4, shown, kTWBlack);
            const int cursor_x = left + 4 + pen.TextWidth(edit_.substr(first, cursor_ - first));
            pen.Fill(cursor_x, edit_y_ + 3, 1, line_height_ + 2, kTWBlack);
        }
        for (const Button &button : buttons_) {
            pen.Fill(button.x, button.y, button.width, button.height, kTWFace);
            pen.Frame(button.x, button.y, button.width, button.height, kTWBlack);
            pen.Text(button.x + (button.width - pen.TextWidth(button.label)) / 2, button.y + 5, button.label, kTWBlack);
        }
        XFlush(display_);
    }

    void Key(XKeyEvent &key) {
        char text[8];
        KeySym keysym = NoSymbol;
        const int length = XLookupString(&key, text, sizeof text, &keysym, nullptr);
        switch (keysym) {
            case XK_Return:
            case XK_KP_Enter:
                result_ = kOk;
                return;
            case XK_Escape:
                result_ = kCancel;
                return;
            case XK_BackSpace:
                if (cursor_ > 0) edit_.erase(--cursor_, 1);
                break;
            case XK_Delete:
                if (cursor_ < edit_.size()) edit_.erase(cursor_, 1);
                break;
            case XK_Home:
                cursor_ = 0;
                break;
            case XK_End:
                cursor_ = edit_.size();
                break;
            case XK_Left:
                if (cursor_ > 0) --cursor_;
                break;
            case XK_Right:
                if (cursor_ < edit_.size()) ++cursor_;
                break;
            default:
                if (edit_limit_ < 0 || length != 1 || static_cast<unsigned char>(text[0]) < 0x20 || text[0] == 0x7F)
                    return;
                if (static_cast<int>(edit_.size()) >= edit_limit_) {
                    XBell(display_, 0);
                    return;
                }
                edit_.insert(cursor_++, 1, text[0]);
                break;
        }
        Draw();
    }

    void Handle(XEvent &event) {
        switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0) Draw();
                break;
            case KeyPress:
                Key(event.xkey);
                break;
            case ButtonPress:
                for (const Button &button : buttons_) {
                    if (button.Contains(event.xbutton.x, event.xbutton.y)) {
                        result_ = std::string(button.label) == "OK" ? kOk : kCancel;
                    }
                }
                break;
            case ClientMessage:
                if (static_cast<Atom>(event.xclient.data.l[0]) == connection_.delete_window_atom()) result_ = kCancel;
                break;
            default:
                break;
        }
    }

    X11Connection &connection_;
    Display *display_;
    ::Window window_ = None;
    std::vector<std::string> lines_;
    std::vector<Button> buttons_;
    int edit_limit_;
    std::string edit_;
    std::size_t cursor_ = 0;
    int width_ = 0, height_ = 0, line_height_ = 0, edit_y_ = 0;
    Result result_ = kOpen;
};

}  // namespace

bool RunTWLineDialog(X11Connection &connection, ::Window owner, const char *caption, const char *prompt, int limit,
                     std::string &line) {
    Dialog dialog(connection, owner, caption, prompt, std::max(limit, 0));
    const bool ok = dialog.Run() == Dialog::kOk;
    line = ok ? dialog.text() : std::string();
    return ok;
}

void RunTWMessageBox(X11Connection &connection, ::Window owner, const char *caption, const char *text) {
    Dialog dialog(connection, owner, caption, text, -1);
    dialog.Run();
}

}  // namespace portkit::x11
