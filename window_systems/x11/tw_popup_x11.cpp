#include "window_systems/x11/tw_popup_x11.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cctype>

#include "window_systems/x11/modal_loop_x11.h"
#include "window_systems/x11/tw_look_x11.h"

namespace portkit::x11 {
namespace {

constexpr int kPadding = 12, kBorder = 2;

class Popup {
public:
    Popup(X11Connection &connection, int x, int y, const std::vector<std::string> &items)
        : connection_(connection), display_(connection.display()) {
        for (const std::string &item : items) labels_.push_back(ParseTWLabel(item.c_str()));
        TWPen measure(connection, DefaultRootWindow(display_));
        item_height_ = measure.LineHeight() + 4;
        for (const TWLabel &label : labels_) width_ = std::max(width_, measure.TextWidth(label.text) + 2 * kPadding);
        height_ = static_cast<int>(labels_.size()) * item_height_ + 2 * kBorder;
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.background_pixel = connection.Pixel(kTWFace);
        const int screen = DefaultScreen(display_);
        x = std::clamp(x, 0, std::max(0, DisplayWidth(display_, screen) - width_));
        y = std::clamp(y, 0, std::max(0, DisplayHeight(display_, screen) - height_));
        window_ = XCreateWindow(display_, DefaultRootWindow(display_), x, y, static_cast<unsigned>(width_),
                                static_cast<unsigned>(height_), 0, CopyFromParent, InputOutput, CopyFromParent,
                                CWOverrideRedirect | CWBackPixel, &attributes);
        XSelectInput(display_, window_,
                     ExposureMask | KeyPressMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask);
        XMapRaised(display_, window_);
        XSync(display_, False);
        XGrabKeyboard(display_, window_, False, GrabModeAsync, GrabModeAsync, CurrentTime);
        XGrabPointer(display_, window_, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask, GrabModeAsync,
                     GrabModeAsync, None, None, CurrentTime);
    }

    ~Popup() {
        XUngrabPointer(display_, CurrentTime);
        XUngrabKeyboard(display_, CurrentTime);
        XDestroyWindow(display_, window_);
        XFlush(display_);
    }

    int Run() {
        RunModalLoop(
            connection_, window_, [this] { return result_ == kOpen; }, [this](XEvent &event) { Handle(event); });
        return result_;
    }

private:
    static constexpr int kOpen = -100;

    void Draw() {
        TWPen pen(connection_, window_);
        pen.Fill(0, 0, width_, height_, kTWFace);
        pen.Frame(0, 0, width_, height_, kTWBlack);
        for (int i = 0; i < static_cast<int>(labels_.size()); ++i) {
            const int top = kBorder + i * item_height_;
            const bool selected = i == selected_;
            if (selected) pen.Fill(kBorder, top, width_ - 2 * kBorder, item_height_, kTWHighlight);
            pen.Text(kPadding, top + 2, labels_[static_cast<std::size_t>(i)].text, selected ? kTWWhite : kTWBlack,
                     labels_[static_cast<std::size_t>(i)].mnemonic_index);
        }
        XFlush(display_);
    }

    int ItemAt(int x, int y) const {
        if (x < 0 || x >= width_ || y < kBorder) return -1;
        const int item = (y - kBorder) / item_height_;
        return item < static_cast<int>(labels_.size()) ? item : -1;
    }

    void Select(int item) {
        if (item == selected_) return;
        selected_ = item;
        Draw();
    }

    int ItemOfLetter(char letter) const {
        letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        for (int i = 0; i < static_cast<int>(labels_.size()); ++i) {
            const TWLabel &label = labels_[static_cast<std::size_t>(i)];
            const char first =
                label.text.empty() ? 0 : static_cast<char>(std::tolower(static_cast<unsigned char>(label.text[0])));
            if ((label.mnemonic != 0 ? label.mnemonic : first) == letter) return i;
        }
        return -1;
    }

    void Key(XKeyEvent &key) {
        char text[8];
        KeySym keysym = NoSymbol;
        const int length = XLookupString(&key, text, sizeof text, &keysym, nullptr);
        const int count = static_cast<int>(labels_.size());
        switch (keysym) {
            case XK_Escape:
                result_ = -1;
                return;
            case XK_Left:
                result_ = kTWPopupLeft;
                return;
            case XK_Right:
                result_ = kTWPopupRight;
                return;
            case XK_Up:
                if (count > 0) Select(selected_ <= 0 ? count - 1 : selected_ - 1);
                return;
            case XK_Down:
                if (count > 0) Select((selected_ + 1) % count);
                return;
            case XK_Return:
            case XK_KP_Enter:
                if (selected_ >= 0) result_ = selected_;
                return;
            default:
                break;
        }
        if (length == 1) {
            if (const int item = ItemOfLetter(text[0]); item >= 0) result_ = item;
        }
    }

    void Handle(XEvent &event) {
        switch (event.type) {
            case Expose:
                if (event.xexpose.count == 0) Draw();
                break;
            case MotionNotify:
                if (const int item = ItemAt(event.xmotion.x, event.xmotion.y); item >= 0) Select(item);
                break;
            case ButtonPress:
                if (ItemAt(event.xbutton.x, event.xbutton.y) < 0) result_ = -1;
                break;
            case ButtonRelease:
                if (const int item = ItemAt(event.xbutton.x, event.xbutton.y); item >= 0) result_ = item;
                break;
            case KeyPress:
                Key(event.xkey);
                break;
            default:
                break;
        }
    }

    X11Connection &connection_;
    Display *display_;
    ::Window window_;
    std::vector<TWLabel> labels_;
    int width_ = 0, height_ = 0, item_height_ = 0;
    int selected_ = -1;
    int result_ = kOpen;
};

}  // namespace

int RunTWPopup(X11Connection &connection, int x, int y, const std::vector<std::string> &items) {
    if (items.empty()) return -1;
    Popup popup(connection, x, y, items);
    return popup.Run();
}

}  // namespace portkit::x11
