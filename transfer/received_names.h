// Names that arrive from the wire are untrusted: they must never lead a
// write outside the directory the transfer receives into.
#ifndef PORTKIT_TRANSFER_RECEIVED_NAMES_H
#define PORTKIT_TRANSFER_RECEIVED_NAMES_H

#include <cstddef>

namespace portkit::transfer {

// Turns a received name into one that is safe to create below the current
// directory, into `out` (at most `out_size` - 1 characters, cut if longer).
// Without `keep_paths` every directory part goes (/, \ and drive letters);
// with it a relative path is kept, without "..", a root or a drive, and its
// directories are created, except with `unhide` where a part is hidden:
// such a name is renamed before it is opened (UnhideReceivedName), and only
// the renamed directories may be made. False for an empty name, a name of
// control characters, or one with nothing left.
bool MakeSafeReceivedName(const char *received, bool keep_paths, char *out, std::size_t out_size, bool unhide = false);

// Puts '_' in place of the '.' that begins any part of `name` (a safe name,
// parts split at '/'), so that nothing received is hidden. True when it
// changed anything.
bool UnhideName(char *name);

}  // namespace portkit::transfer

#endif
