// The demo's CompuServe B+ rows: the simulated host (sim/) plays the
// information service on a pty and sends (download) or fetches (upload) one
// sample file.
#ifndef PORTKIT_TOOLS_DEMO_DEMO_BPLUS_POSIX_H
#define PORTKIT_TOOLS_DEMO_DEMO_BPLUS_POSIX_H

#include <filesystem>
#include <string>

namespace portkit::tool {

struct BPlusDemoResult {
    std::string problem;  // empty when the file arrived intact
    double seconds = 0;
};

// Moves `sample` from the host into `received_in` (download), or from where
// it lies to the host (upload), checking what arrives.
BPlusDemoResult RunBPlusDemo(bool download, const std::filesystem::path &sample,
                             const std::filesystem::path &received_in);

}  // namespace portkit::tool

#endif
