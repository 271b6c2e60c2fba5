// A file-open hook for the fuzzers that holds every name a receiver opens to
// what the library promises of names from the other side: relative, below
// the current directory (links resolved), free of control characters, drive
// letters and backslashes, and without a directory part unless paths are
// kept. A B+ host names the files we send as well: those are held to the
// same rules. A name that breaks them stops the process, so the fuzzer
// keeps the input.
#ifndef PORTKIT_TESTS_FUZZ_RECEIVED_NAME_CHECK_H
#define PORTKIT_TESTS_FUZZ_RECEIVED_NAME_CHECK_H

namespace portkit::fuzz {

void InstallReceivedNameCheck();

}  // namespace portkit::fuzz

#endif
