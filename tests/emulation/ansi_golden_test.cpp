// Runs the ANSI emulator's golden files (golden/README.md): each case gives
// the set-up, the input in one or more reads, and every display call,
// returned value and byte sent back that it must produce. Cases without
// incoming commands are also replayed split at every byte, and must draw
// the same. The files of golden_extended/ are run on the extended mode
// (which draws once per read, so they are not replayed split).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "support/recording_display.h"
#include "support/scripted_driver.h"

namespace portkit::test {
namespace {

struct GoldenCase {
    std::string name;  // file stem and line, for the test's name
    std::string title;
    int rows = 25, cols = 80, row = 0, col = 0, mask = 0xFF;
    bool extended = false;
    unsigned options = ANSI_EXTENDED_CP437;
    std::vector<std::pair<std::string, int>> incoming;
    std::vector<int> keys;  // pressed once the input is taken
    std::vector<std::string> reads;
    std::vector<std::string> expected;  // in the recording display's spelling
    std::string expected_sent = "\"\"";
};

void PrintTo(const GoldenCase &c, std::ostream *out) { *out << c.title; }

std::string DataDirectory(const std::string &name = "golden") {
    return std::string(PORTKIT_TEST_DATA_DIR) + "/emulation/" + name;
}

// Decodes the first double-quoted string of `line`; `rest` gets what follows.
std::string Unquote(const std::string &line, std::string *rest = nullptr) {
    std::string out;
    std::size_t i = line.find('"') + 1;
    for (; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] != '\\') {
            out += line[i];
        } else if (const char e = line[++i]; e == 'x') {
            out += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            const std::string named =
                "e\x1b"
                "a\a"
                "b\b"
                "r\r"
                "n\n"
                "t\t";
            const std::size_t at = named.find(e);
            out += at != std::string::npos && at % 2 == 0 ? named[at + 1] : e;  // else \\ or \"
        }
    }
    if (rest != nullptr) *rest = i < line.size() ? line.substr(i + 1) : "";
    return out;
}

void ApplyLine(GoldenCase &c, const std::string &line) {
    std::istringstream words(line);
    std::string keyword, rest;
    words >> keyword;
    if (keyword == "screen") {
        words >> c.rows >> c.cols;
    } else if (keyword == "cursor") {
        words >> c.row >> c.col;
    } else if (keyword == "mask") {
        words >> rest;
        c.mask = std::stoi(rest, nullptr, 0);
    } else if (keyword == "incoming") {
        std::string text = Unquote(line, &rest);
        c.incoming.emplace_back(text, std::stoi(rest));
    } else if (keyword == "charset") {
        words >> rest;
        c.options = rest == "utf8" ? ANSI_EXTENDED_UTF8 : ANSI_EXTENDED_CP437;
    } else if (keyword == "press") {
        for (std::string key; words >> key;) c.keys.push_back(std::stoi(key, nullptr, 0));
    } else if (keyword == "push") {
        c.reads.push_back(Unquote(line));
    } else if (keyword == "sent") {
        c.expected_sent = Quoted(Unquote(line));
    } else {
        c.expected.push_back(line.substr(0, line.find_last_not_of(" \t") + 1));
    }
}

std::vector<GoldenCase> LoadCases(const std::string &directory = "golden") {
    std::vector<std::filesystem::path> files;
    // No exception at registration: a missing directory shows as no cases.
    std::error_code error;
    for (const auto &entry : std::filesystem::directory_iterator(DataDirectory(directory), error)) {
        if (entry.path().extension() == ".txt") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    std::vector<GoldenCase> cases;
    for (const auto &file : files) {
        std::ifstream in(file);
        std::string line;
        for (int number = 1; std::getline(in, line); ++number) {
            if (line.rfind("case ", 0) == 0) {
                cases.emplace_back();
                cases.back().name = file.stem().string() + "_line" + std::to_string(number);
                cases.back().title = line.substr(5);
                cases.back().extended = directory != "golden";
            } else if (!line.empty() && line[0] != '#' && !cases.empty()) {
                ApplyLine(cases.back(), line);
            }
        }
    }
    return cases;
}

// The display calls and "returns N" lines in order, then the bytes sent.
std::vector<std::string> Play(const GoldenCase &c, const std::vector<std::string> &reads) {
    ScriptedDriver driver;
    PortStructure *port = driver.Open();
    for (std::size_t i = 0; i < reads.size(); ++i) (i > 0 ? driver.Pause() : driver).Receive(reads[i]);
    RecordingDisplay screen;
    screen.rows = c.rows, screen.cols = c.cols, screen.row = c.row, screen.col = c.col;
    EmulatorRecord *record = c.extended ? CreateAnsiEmulatorExtended(port, c.options) : CreateAnsiEmulator(port);
    screen.AttachTo(record);
    record->input_mask = c.mask;
    for (const auto &[text, value] : c.incoming) record->define_incoming_cmd(record, text.c_str(), value);
    // Polls as an application does; an empty read lets a pause pass.
    for (int polls = 0; polls < 1000; ++polls) {
        if (const int result = record->process_input(record); result != -1) {
            screen.calls.push_back("returns " + std::to_string(result));
        } else if (driver.Unread() == 0) {
            break;
        } else {
            ScriptedDriver::IdleHook(port);
        }
    }
    screen.keys.assign(c.keys.begin(), c.keys.end());
    for (int polls = 0; polls < 100 && (!screen.keys.empty() || record->macro_position != nullptr); ++polls) {
        if (const int result = record->process_kbd(record); result != -1) {
            screen.calls.push_back("returns " + std::to_string(result));
        }
    }
    record->destroy(record);
    PWPortClose(port);
    screen.calls.push_back("sent " + Quoted(driver.sent));
    return screen.calls;
}

std::vector<std::string> Expected(const GoldenCase &c) {
    std::vector<std::string> lines = c.expected;
    lines.push_back("sent " + c.expected_sent);
    return lines;
}

// Joins neighbouring put_string calls: a text run split by a read boundary
// is drawn in two calls, which is the same picture.
std::vector<std::string> JoinTextRuns(const std::vector<std::string> &calls) {
    const std::string prefix = "put_string \"";
    std::vector<std::string> joined;
    for (const std::string &call : calls) {
        if (!joined.empty() && call.starts_with(prefix) && joined.back().starts_with(prefix)) {
            joined.back().pop_back();
            joined.back() += call.substr(prefix.size());
        } else {
            joined.push_back(call);
        }
    }
    return joined;
}

class AnsiGolden : public ::testing::TestWithParam<GoldenCase> {};
class AnsiGoldenSplit : public AnsiGolden {};

TEST_P(AnsiGolden, DrawsExactly) {
    ASSERT_FALSE(GetParam().reads.empty()) << "a case without input";
    EXPECT_EQ(Play(GetParam(), GetParam().reads), Expected(GetParam()));
}

TEST_P(AnsiGoldenSplit, DrawsTheSameWhateverTheReads) {
    const GoldenCase &c = GetParam();
    std::string input;
    for (const auto &read : c.reads) input += read;
    std::vector<std::vector<std::string>> splits = {{input}, {}};
    for (char byte : input) splits.back().push_back(std::string(1, byte));
    for (std::size_t at = 1; at < input.size(); ++at) splits.push_back({input.substr(0, at), input.substr(at)});
    for (const auto &reads : splits) {
        ASSERT_EQ(JoinTextRuns(Play(c, reads)), JoinTextRuns(Expected(c)))
            << reads.size() << " reads, the first " << reads[0].size() << " bytes";
    }
}

TEST(AnsiGoldenFiles, AreFound) {
    EXPECT_GE(LoadCases().size(), 50u) << "in " << DataDirectory();
    EXPECT_GE(LoadCases("golden_extended").size(), 30u) << "in " << DataDirectory("golden_extended");
}

// Where a command stops the input, how the input is split is part of the case.
std::vector<GoldenCase> CasesWithoutCommands() {
    std::vector<GoldenCase> cases = LoadCases();
    std::erase_if(cases, [](const GoldenCase &c) { return !c.incoming.empty(); });
    return cases;
}

std::string CaseName(const ::testing::TestParamInfo<GoldenCase> &info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(Files, AnsiGolden, ::testing::ValuesIn(LoadCases()), CaseName);
INSTANTIATE_TEST_SUITE_P(Files, AnsiGoldenSplit, ::testing::ValuesIn(CasesWithoutCommands()), CaseName);
INSTANTIATE_TEST_SUITE_P(ExtendedFiles, AnsiGolden, ::testing::ValuesIn(LoadCases("golden_extended")), CaseName);

}  // namespace
}  // namespace portkit::test
