// How the tool's receivers treat what is already on disk: a file of the
// incoming name is kept unless --overwrite or --rename says otherwise, and
// every file is written under ".NAME.part" until it is whole.
#ifndef PORTKIT_TOOLS_TRANSFER_RECEIVED_FILE_CHOICE_H
#define PORTKIT_TOOLS_TRANSFER_RECEIVED_FILE_CHOICE_H

#include <optional>
#include <string>
#include <vector>

#include "tools/cli/options.h"
#include "tools/cli/protocols.h"

namespace portkit::tool {

enum class ExistingChoice { kKeep, kOverwrite, kRename };

// The choice --overwrite and --rename make; nothing, with the reason on
// stderr, when both are given.
std::optional<ExistingChoice> ExistingChoiceOption(const std::string &command, const Options &options);

// PORTKIT_EXISTING_SKIP, _REPLACE or _RENAME.
int ExistingFilesValue(ExistingChoice choice);

// The option codes that ask a receiver for that choice and for partial names.
std::vector<int> ReceivedFileCodes(ExistingChoice choice);

// The codes for a receive with `protocol`: the above, and for ZMODEM the
// resume option when --resume is given (other protocols cannot start a file
// in the middle; their partial file is replaced by a whole one).
std::vector<int> ReceiveCodes(const Protocol &protocol, const Options &options, ExistingChoice choice);

// Why FILE, named by the user for a protocol that does not carry names,
// cannot be received into; "" when it can.
std::string NamedFileProblem(const std::string &file, ExistingChoice choice);

// Why DIR cannot be received into ("" when it can): made if missing, then
// checked for a place to write.
std::string ReceiveDirectoryProblem(const std::string &directory);

}  // namespace portkit::tool

#endif
