// The directory a fuzzer's runs write their files in: made under $TMPDIR
// the first time, removed at exit. A run works inside it and leaves it
// empty; the current directory is restored afterwards, since libFuzzer
// reads and writes its corpus by relative paths between runs.
#ifndef PORTKIT_TESTS_FUZZ_SCRATCH_DIRECTORY_H
#define PORTKIT_TESTS_FUZZ_SCRATCH_DIRECTORY_H

namespace portkit::fuzz {

class InScratchDirectory {
public:
    InScratchDirectory();   // makes the directory if need be and enters it
    ~InScratchDirectory();  // empties it and goes back
    InScratchDirectory(const InScratchDirectory &) = delete;
    InScratchDirectory &operator=(const InScratchDirectory &) = delete;

private:
    int previous_;  // the directory to go back to, open
};

// A directory apart from the scratch one, with a file "secret" in it, for
// links that lead out: nothing a run does may reach it. Made the first time,
// removed at exit.
const char *OutsideDirectory();

}  // namespace portkit::fuzz

#endif
