// A display for emulator tests: a screen of a given size with a cursor that
// goto_xy moves, a queue of keys for read_key, and a log of every drawing
// call as a line of text ("goto_xy 4 9", "put_string \"abc\"").
#ifndef PORTKIT_TESTS_SUPPORT_RECORDING_DISPLAY_H
#define PORTKIT_TESTS_SUPPORT_RECORDING_DISPLAY_H

#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "portkit/emulator.h"

namespace portkit::test {

struct RecordingDisplay {
    int rows = 25, cols = 80, row = 0, col = 0;
    std::deque<int> keys;  // what read_key hands out, then -1
    int keys_read = 0;
    std::vector<std::string> calls;

    // Installs the 20 display operations in `record`, with this as display.
    void AttachTo(EmulatorRecord *record);
};

// `bytes` in double quotes, with \e, \r, \n, \t, \\, \" and \xNN for the
// other bytes outside printable ASCII.
std::string Quoted(std::string_view bytes);

}  // namespace portkit::test

#endif
