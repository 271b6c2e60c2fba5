#include "window_systems/win32/tw_line_dialog_win32.h"

#include <cstddef>
#include <initializer_list>

namespace portkit::win32 {
namespace {

constexpr WORD kStaticClass = 0x0082, kEditClass = 0x0081;  // the predefined classes' atoms

struct LineRequest {
    const char *caption, *prompt;
    char *buffer;
    int limit;
};

// Writes a dialog template: words, with each item on a DWORD boundary.
class TemplateWriter {
public:
    explicit TemplateWriter(WORD *start) : at_(start), start_(start) {}

    void Word(WORD value) { *at_++ = value; }
    void Dword(DWORD value) {
        Word(LOWORD(value));
        Word(HIWORD(value));
    }
    void AlignToDword() {
        if ((at_ - start_) % 2 != 0) Word(0);
    }
    void Item(DWORD style, short x, short y, short width, short height, WORD id, WORD class_atom) {
        AlignToDword();
        Dword(style | WS_CHILD | WS_VISIBLE);
        Dword(0);  // extended style
        for (short value : {x, y, width, height}) Word(static_cast<WORD>(value));
        Word(id);
        Word(0xFFFF);
        Word(class_atom);
        Word(0);  // no text: it is set when the dialog starts
        Word(0);  // no creation data
    }

private:
    WORD *at_;
    WORD *start_;
};

// Two items of at most 12 words each after a header of 12 words, with room
// for alignment.
constexpr std::size_t kTemplateBytes = 64 * sizeof(WORD);

void BuildTemplate(WORD *start) {
    TemplateWriter writer(start);
    writer.Dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
    writer.Dword(0);  // extended style
    writer.Word(2);   // items
    for (short value : {20, 30, 295, 55}) writer.Word(static_cast<WORD>(value));
    writer.Word(0);  // no menu
    writer.Word(0);  // the standard dialog class
    writer.Word(0);  // the caption is set when the dialog starts
    writer.Item(SS_CENTER, 25, 10, 244, 12, kLinePromptId, kStaticClass);
    writer.Item(WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 37, 29, 221, 12, kLineEditId, kEditClass);
}

INT_PTR CALLBACK LineDialogProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) {
        const auto *request = reinterpret_cast<const LineRequest *>(lparam);
        SetWindowLongPtrA(dialog, DWLP_USER, lparam);
        SetWindowTextA(dialog, request->caption != nullptr ? request->caption : "");
        SetDlgItemTextA(dialog, kLinePromptId, request->prompt != nullptr ? request->prompt : "");
        SendDlgItemMessageA(dialog, kLineEditId, EM_LIMITTEXT, static_cast<WPARAM>(request->limit), 0);
        return TRUE;  // the focus goes to the edit field, the first item that takes it
    }
    if (message != WM_COMMAND) return FALSE;
    const auto *request = reinterpret_cast<const LineRequest *>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (LOWORD(wparam)) {
        case IDOK:
            GetDlgItemTextA(dialog, kLineEditId, request->buffer, request->limit + 1);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool RunTWLineDialog(HINSTANCE instance, HWND owner, const char *caption, const char *prompt, char *buffer, int limit) {
    HGLOBAL memory = GlobalAlloc(GMEM_ZEROINIT, kTemplateBytes);
    if (memory == nullptr) return false;
    auto *dialog_template = static_cast<WORD *>(GlobalLock(memory));
    BuildTemplate(dialog_template);
    LineRequest request{caption, prompt, buffer, limit};
    const INT_PTR result = DialogBoxIndirectParamA(instance, reinterpret_cast<LPCDLGTEMPLATEA>(dialog_template), owner,
                                                   LineDialogProcedure, reinterpret_cast<LPARAM>(&request));
    GlobalUnlock(memory);
    GlobalFree(memory);
    return result != -1;
}

}  // namespace portkit::win32
