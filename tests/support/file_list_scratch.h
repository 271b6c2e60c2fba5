// A scratch tree for tests of the list of files to send, and what the list
// yields from it.
#ifndef PORTKIT_TESTS_SUPPORT_FILE_LIST_SCRATCH_H
#define PORTKIT_TESTS_SUPPORT_FILE_LIST_SCRATCH_H

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

#include "support/scratch_files.h"
#include "transfer/file_list.h"

namespace portkit::test {

using Names = std::vector<std::string>;

// A scratch directory, removed with everything in it. Paths use '/', which
// Windows takes too.
class Scratch {
public:
    std::string operator()(const std::string &relative) const { return root_ + "/" + relative; }
    // The path as the list yields it: lower-cased on Windows, whose names
    // match in any case.
    std::string listed(const std::string &relative) const {
        std::string path = (*this)(relative);
#ifdef _WIN32
        for (char &c : path) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
#endif
        return path;
    }
    void Files(std::initializer_list<std::string> names, const std::string &content = "x") const {
        for (const std::string &name : names) {
            std::filesystem::create_directories(std::filesystem::path((*this)(name)).parent_path());
            std::FILE *file = std::fopen((*this)(name).c_str(), "wb");
            std::fputs(content.c_str(), file);
            std::fclose(file);
        }
    }

private:
    TempDirectory directory_;
    std::string root_ = std::filesystem::path(directory_.path()).generic_string();
};

// A path the list yields, with '/' for whichever separator the system uses.
inline std::string Generic(const char *path_name) { return std::filesystem::path(path_name).generic_string(); }

// Every path the list yields; after the end it must keep saying 0.
inline Names Collect(const std::string &patterns, int descend) {
    FileList *list = transfer::FileListCreate(patterns.c_str(), descend);
    Names names;
    while (list->next(list) == 1) names.emplace_back(Generic(list->path_name));
    EXPECT_EQ(list->next(list), 0);
    list->destroy(list);
    return names;
}

inline std::set<std::string> AsSet(const Names &names) { return {names.begin(), names.end()}; }

}  // namespace portkit::test

#endif
