// Catching the first Ctrl-C, so a wait can end cleanly instead of the
// program stopping mid-conversation.
#ifndef PORTKIT_TOOLS_CLI_INTERRUPT_H
#define PORTKIT_TOOLS_CLI_INTERRUPT_H

namespace portkit::tool {

// From now on the first Ctrl-C is only noted; a second one goes to the
// handler there was before (by default, ending the program at once). A
// shell that started us in the background had Ctrl-C ignored; so it stays.
void CatchInterrupt();
// Whether Ctrl-C has come since CatchInterrupt.
bool Interrupted();

}  // namespace portkit::tool

#endif
