// Turning FILE arguments into the one string of names the library's file
// list reads. That list separates names with blanks, tabs, line ends, commas
// and semicolons, splits directories at / and \, expands wildcards, and has
// no quoting: such a character in a file's own name is sent as the wildcard
// ?, which the list matches back to the real name.
#ifndef PORTKIT_TOOLS_TRANSFER_FILE_LIST_TEXT_H
#define PORTKIT_TOOLS_TRANSFER_FILE_LIST_TEXT_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace portkit::tool {

// The files joined with blanks. Nothing (with the reason on stderr) when a
// file cannot be named this way: such a character in a directory name,
// a name that as a pattern would also match another file beside it, or an
// item longer than the list takes. With `directories_as_trees` a directory
// stands for every file in it, which the list's descent extends to the
// files below.
std::optional<std::string> FileListText(std::string_view command, const std::vector<std::string> &files,
                                        bool directories_as_trees = false);

}  // namespace portkit::tool

#endif
