// portkit demo: every protocol moves sample files from a child process to
// this one over a pseudo-terminal, ZMODEM also between two threads over the
// library's simulated cable, and what arrives is checked byte for byte.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "tools/cli/commands.h"
#include "tools/cli/human_units.h"
#include "tools/cli/protocols.h"
#include "tools/demo/demo_bplus_posix.h"
#include "tools/demo/demo_files.h"
#include "tools/demo/demo_sessions.h"

namespace portkit::tool {
namespace {

namespace fs = std::filesystem;

// The empty sample goes only to protocols that can send one.
const std::vector<std::size_t> kSampleSizes = {0, 1, 1000, 100000, 500000};

enum class Line { kPty, kSimulatedCable };

struct DemoRow {
    std::string label;
    const Protocol *protocol;
    std::vector<int> send_options;
    Line line;
};

struct Outcome {
    int files = 0;
    std::int64_t bytes = 0;
    double seconds = 0;
    std::string problem;  // empty when every file arrived intact
};

std::vector<DemoRow> DemoRows() {
    std::vector<DemoRow> rows;
    for (const Protocol &protocol : Protocols()) {
        // ASCII ends only on silence and marks no file boundaries: not a protocol to race.
        if (protocol.family == kAsciiFamily) continue;
        rows.push_back({std::string(protocol.name), &protocol, {}, Line::kPty});
    }
    const Protocol *zmodem = FindProtocol("zmodem");
    const std::vector<int> half_duplex = {PORTKIT_XFER_ZMODEM_HALF_DUPLEX};
    rows.push_back({"zmodem half-duplex", zmodem, half_duplex, Line::kPty});
    rows.push_back({"zmodem", zmodem, {}, Line::kSimulatedCable});
    rows.push_back({"zmodem half-duplex", zmodem, half_duplex, Line::kSimulatedCable});
    return rows;
}

std::string Failure(const char *side, int code) {
    return std::string(side) + ": " + CommErrorName(code) + " (" + std::to_string(code) + ")";
}

// What is wrong with a session's result and files; "" when nothing.
std::string Check(const Protocol &protocol, const Session &session, const std::vector<SampleFile> &files,
                  const fs::path &sent_from, const fs::path &received_in) {
    if (session.sent < 0) return Failure("send", session.sent);
    if (session.received < 0) return Failure("receive", session.received);
    const int count = static_cast<int>(files.size());
    if (session.sent != count || session.received != count) {
        return "sent " + std::to_string(session.sent) + " and received " + std::to_string(session.received) + " of " +
               std::to_string(count) + " files";
    }
    for (const SampleFile &file : files) {
        const std::string problem = CompareReceived(sent_from / file.name, received_in / file.name, !protocol.Batch());
        if (!problem.empty()) return problem;
    }
    return "";
}

// A batch protocol takes every sample in one session; the others one each.
Outcome RunRow(const DemoRow &row, const fs::path &received_in, const fs::path &samples_directory,
               const std::vector<SampleFile> &samples) {
    Outcome outcome;
    std::error_code error;
    fs::create_directories(received_in, error);
    const Protocol &protocol = *row.protocol;
    std::vector<std::vector<SampleFile>> sessions;
    for (const SampleFile &sample : samples) {
        if (sample.size == 0 && !protocol.SendsEmptyFiles()) continue;
        if (protocol.Batch() && !sessions.empty()) {
            sessions.back().push_back(sample);
        } else {
            sessions.push_back({sample});
        }
    }
    for (const std::vector<SampleFile> &files : sessions) {
        SessionPlan plan{&protocol, row.send_options, samples_directory, {}, received_in, ""};
        for (const SampleFile &file : files) plan.files.push_back(file.name);
        if (protocol.ReceiveNeedsName()) plan.receive_name = files.front().name;
        const Session session = row.line == Line::kPty ? RunOverPty(plan) : RunOverSimulatedCable(plan);
        outcome.seconds += session.seconds;
        outcome.problem = Check(protocol, session, files, samples_directory, received_in);
        if (!outcome.problem.empty()) break;
        for (const SampleFile &file : files) {
            ++outcome.files;
            outcome.bytes += static_cast<std::int64_t>(file.size);
        }
    }
    return outcome;
}

std::optional<fs::path> MakeTemporaryDirectory() {
    std::error_code error;
    std::string pattern = (fs::temp_directory_path(error) / "portkit-demo-XXXXXX").string();
    if (error || mkdtemp(pattern.data()) == nullptr) return std::nullopt;
    return fs::path(pattern);
}

}  // namespace

int RunDemo(Arguments arguments) {
    if (!arguments.empty()) {
        std::fprintf(stderr, "portkit demo: takes no arguments\n");
        return kExitUsage;
    }
    const auto root = MakeTemporaryDirectory();
    std::error_code error;
    const fs::path samples_directory = root ? *root / "samples" : fs::path();
    if (!root || !fs::create_directory(samples_directory, error)) {
        std::fprintf(stderr, "portkit demo: cannot make a temporary directory\n");
        return kExitFailure;
    }
    const auto samples = WriteSampleFiles(samples_directory, kSampleSizes);
    if (!samples) {
        std::fprintf(stderr, "portkit demo: cannot write the sample files in %s\n", samples_directory.c_str());
        return kExitFailure;
    }
    const fs::path start_directory = fs::current_path(error);
    std::printf(
        "Each protocol moves files of random bytes (%s to %s, and an empty one where it can) from a\n"
        "child process to this one over a pseudo-terminal (pty); ZMODEM also between two threads over\n"
        "the library's simulated null-modem cable (sim). Every file that arrives is compared with the\n"
        "one sent.\n\n",
        FormatBytes(static_cast<std::int64_t>(kSampleSizes[1])).c_str(),
        FormatBytes(static_cast<std::int64_t>(kSampleSizes.back())).c_str());
    std::printf("%-20s %-4s %5s %10s %9s %12s  %s\n", "protocol", "line", "files", "bytes", "time", "rate", "result");
    int failed = 0;
    for (const DemoRow &row : DemoRows()) {
        const char *line = row.line == Line::kPty ? "pty" : "sim";
        // The name first, so a slow protocol shows which one is running.
        std::printf("%-20s %-4s ", row.label.c_str(), line);
        std::fflush(stdout);
        std::string folder = "received-" + row.label + "-" + line;
        std::replace(folder.begin(), folder.end(), ' ', '-');
        const fs::path received_in = *root / folder;
        const Outcome outcome = RunRow(row, received_in, samples_directory, *samples);
        if (!outcome.problem.empty()) ++failed;
        const std::string result = outcome.problem.empty() ? "ok" : "FAILED: " + outcome.problem;
        std::printf("%5d %10s %9s %12s  %s\n", outcome.files, FormatBytes(outcome.bytes).c_str(),
                    FormatDuration(outcome.seconds).c_str(),
                    FormatRate(static_cast<double>(outcome.bytes) / outcome.seconds).c_str(), result.c_str());
        std::fflush(stdout);
    }
    {
        // ASCII moves text, so it gets a text sample of its own.
        std::printf("%-20s %-4s ", "ascii", "sim");
        std::fflush(stdout);
        const fs::path text = samples_directory / "lines.txt";
        std::int64_t bytes = 0;
        {
            std::FILE *out = std::fopen(text.c_str(), "wb");
            for (int line = 0; out != nullptr && line < 2000; ++line) {
                bytes += std::fprintf(out, "%4d  the quick brown fox jumps over the lazy dog\r\n", line);
            }
            if (out != nullptr) std::fclose(out);
        }
        const fs::path received = *root / "received-ascii.txt";
        const Session session = RunAsciiOverSimulatedCable(text, received);
        std::string problem;
        if (session.sent < 0)
            problem = Failure("send", session.sent);
        else if (session.received < 0)
            problem = Failure("receive", session.received);
        else
            problem = CompareReceived(text, received, false);
        if (!problem.empty()) ++failed;
        std::printf("%5d %10s %9s %12s  %s\n", problem.empty() ? 1 : 0, FormatBytes(bytes).c_str(),
                    FormatDuration(session.seconds).c_str(),
                    FormatRate(static_cast<double>(bytes) / session.seconds).c_str(),
                    problem.empty() ? "ok" : ("FAILED: " + problem).c_str());
        std::fflush(stdout);
    }
    // B+ is driven by the host: the simulated host sends the largest sample and
    // fetches it back.
    const fs::path largest = samples_directory / samples->back().name;
    for (const bool download : {true, false}) {
        const char *label = download ? "bplus download" : "bplus upload";
        std::printf("%-20s %-4s ", label, "pty");
        std::fflush(stdout);
        const fs::path received_in = *root / (download ? "received-bplus" : "sent-bplus");
        fs::create_directories(received_in, error);
        const BPlusDemoResult outcome = RunBPlusDemo(download, largest, received_in);
        if (!outcome.problem.empty()) ++failed;
        const auto bytes = outcome.problem.empty() ? static_cast<std::int64_t>(samples->back().size) : 0;
        std::printf("%5d %10s %9s %12s  %s\n", outcome.problem.empty() ? 1 : 0, FormatBytes(bytes).c_str(),
                    FormatDuration(outcome.seconds).c_str(),
                    FormatRate(static_cast<double>(bytes) / outcome.seconds).c_str(),
                    outcome.problem.empty() ? "ok" : ("FAILED: " + outcome.problem).c_str());
        std::fflush(stdout);
    }
    fs::current_path(start_directory, error);
    if (failed == 0) {
        fs::remove_all(*root, error);
        std::printf("\nEvery protocol delivered every file intact.\n");
        return kExitOk;
    }
    std::printf("\n%d row(s) failed; the files are kept in %s\n", failed, root->c_str());
    return kExitFailure;
}

}  // namespace portkit::tool
