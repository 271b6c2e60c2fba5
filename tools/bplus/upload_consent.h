// A file the far end asks for is sent only with the user's yes: a transfer
// the far end starts may bring files, but takes none unasked.
#ifndef PORTKIT_TOOLS_BPLUS_UPLOAD_CONSENT_H
#define PORTKIT_TOOLS_BPLUS_UPLOAD_CONSENT_H

#include <functional>
#include <string>

namespace portkit::tool {

// Asked with the file's name, escaped for the screen; true to send it.
using UploadQuestion = std::function<bool(const std::string &name)>;

// While one lives, a transfer that opens a file to send asks `question`
// first; a no fails the open, and the engine tells the far end so. One at
// a time.
class UploadConsent {
public:
    explicit UploadConsent(UploadQuestion question);
    ~UploadConsent();
    UploadConsent(const UploadConsent &) = delete;
    UploadConsent &operator=(const UploadConsent &) = delete;
};

// Asks QUESTION on standard error and takes a line from the keyboard: yes
// only for an answer that starts with y or Y. No terminal to ask, the end
// of input, or Ctrl-C (with the tool catching it) is a no.
bool AskOnTerminal(const std::string &question);

}  // namespace portkit::tool

#endif
