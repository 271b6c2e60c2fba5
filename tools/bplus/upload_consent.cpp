#include "tools/bplus/upload_consent.h"

#include <cerrno>
#include <cstdio>

#include "port/escaped_text.h"
#include "portkit/transfer.h"
#include "tools/cli/interrupt.h"
#include "tools/cli/terminal.h"
#include "tools/term/user_terminal.h"

namespace portkit::tool {
namespace {

constexpr int kKeyWaitMs = 100;

UploadQuestion *active_question = nullptr;
XferFileOpenFunction previous_open = nullptr;

std::FILE *OpenWithConsent(TransferRecord *record, const char *name, const char *mode) {
    if (record->sending != 0 && active_question != nullptr && !(*active_question)(EscapeControls(name))) {
        errno = EACCES;
        return nullptr;
    }
    return (previous_open != nullptr ? previous_open : _DefaultXferFileOpenFunction)(record, name, mode);
}

}  // namespace

UploadConsent::UploadConsent(UploadQuestion question) {
    const DSInstanceData *settings = AddOrGetDSInstanceData();
    previous_open = settings != nullptr ? settings->xfer_file_open_function : nullptr;
    active_question = new UploadQuestion(std::move(question));
    SetXferFileOpenFunctionPtr(OpenWithConsent);
}

UploadConsent::~UploadConsent() {
    SetXferFileOpenFunctionPtr(previous_open);
    delete active_question;
    active_question = nullptr;
    previous_open = nullptr;
}

bool AskOnTerminal(const std::string &question) {
    if (!StdinIsTerminal()) return false;
    std::fprintf(stderr, "%s", question.c_str());
    std::fflush(stderr);
    std::string line;
    // Read in turns, so a caught Ctrl-C ends the question too.
    while (!Interrupted() && !KeyboardClosed() && line.find_first_of("\r\n") == std::string::npos) {
        if (!WaitForKey(kKeyWaitMs)) continue;
        char bytes[64];
        line.append(bytes, ReadKeyBytes(bytes, sizeof bytes));
    }
    const std::size_t first = line.find_first_not_of(" \t");
    const bool yes = !Interrupted() && first != std::string::npos && (line[first] == 'y' || line[first] == 'Y');
    if (line.empty()) std::fprintf(stderr, "\n");
    return yes;
}

}  // namespace portkit::tool
