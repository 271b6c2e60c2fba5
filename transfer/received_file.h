// Where a received file is written: the choice for a file of that name that
// is here already, the ".NAME.part" name it has until it is whole, and the
// permission bits its sender gave it.
#ifndef PORTKIT_TRANSFER_RECEIVED_FILE_H
#define PORTKIT_TRANSFER_RECEIVED_FILE_H

#include <cstddef>
#include <cstdio>
#include <string>

#include "portkit/transfer.h"

namespace portkit::transfer {

// ".NAME.part" in NAME's own directory.
std::string PartialNameOf(const std::string &name);

// The copy a resumed file goes on from: file_name when it is here, else its
// partial name when that is (and partial names are in use), else file_name.
std::string ExistingCopyName(const TransferRecord *record);

// Opens the file a receiver writes under file_name. Mode "wb" starts it
// afresh, by the record's choice for a file already there: it may become a
// sink (`discarding`), or get another final name; with partial names it is
// written under ".NAME.part". "ab" and "r+b" go on with the copy here, under
// its final or its partial name.
std::FILE *OpenReceivedFile(TransferRecord *record, XferFileOpenFunction open, const char *mode);

// Closes a received file: its time and the sender's permission bits go on a
// whole one, which then takes its final name; a failed one keeps its
// partial name. A write that fails on the way (a full disk) fails the
// transfer. Releases the names, with no file open too.
void CloseReceivedFile(TransferRecord *record);

// Closes a received file that is not whole, whatever the record's status
// says: it keeps its partial name.
void CloseUnfinishedFile(TransferRecord *record);

// Closes and removes what was written of a file its sender gave up on; a
// copy that was here before is never touched.
void DiscardReceivedFile(TransferRecord *record);

// Writes received data, naming the system's reason through the message hook
// when the write fails.
bool WriteReceivedData(TransferRecord *record, const void *data, std::size_t size);

// Frees the names OpenReceivedFile kept. Safe to repeat.
void ReleaseReceivedNames(TransferRecord *record);

}  // namespace portkit::transfer

#endif
