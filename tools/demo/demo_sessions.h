// One demo session: a sender and a receiver joined by a line, each running
// a whole transfer through the library's entry points.
#ifndef PORTKIT_TOOLS_DEMO_DEMO_SESSIONS_H
#define PORTKIT_TOOLS_DEMO_DEMO_SESSIONS_H

#include <filesystem>
#include <string>
#include <vector>

#include "tools/cli/protocols.h"

namespace portkit::tool {

struct SessionPlan {
    const Protocol *protocol = nullptr;
    std::vector<int> send_options;
    std::filesystem::path send_directory;
    std::vector<std::string> files;  // names in send_directory, free of blanks
    std::filesystem::path receive_directory;
    std::string receive_name;  // for receivers that need one
};

struct Session {
    int sent = PORTKIT_GENERAL_ERROR;      // the send entry point's result
    int received = PORTKIT_GENERAL_ERROR;  // the receive entry point's result
    double seconds = 0;
};

// The sender in a child process opens the slave of a pseudo-terminal by its
// path, as a program opens a serial device; this process receives on the
// master.
Session RunOverPty(const SessionPlan &plan);

// Both ends in this process, on the two ends of the library's simulated
// null-modem cable: the sender on a thread of its own.
Session RunOverSimulatedCable(const SessionPlan &plan);

// ASCII: `text` sent line by line on one end of the simulated cable, and
// written to `received` on the other until the line falls quiet.
Session RunAsciiOverSimulatedCable(const std::filesystem::path &text, const std::filesystem::path &received);

}  // namespace portkit::tool

#endif
