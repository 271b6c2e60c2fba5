// The list of files to send: walks a patterns of names and wildcard
// patterns one file at a time, descending into subdirectories on request.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "platform/file_search.h"
#include "platform/file_time.h"
#include "transfer/file_list.h"

namespace portkit::transfer {
namespace {

constexpr std::size_t kItemCapacity = 256;  // characters of one name or pattern
constexpr std::size_t kPathCapacity = sizeof(FileList::path_name);

// Where "next" resumes: the search of the current directory runs through
// its matching files, then (when descending) through its subdirectories.
enum class Step { kNextItem, kFirstMatch, kMoreMatches, kSubdirectories, kNextSubdirectory, kLeaveDirectory };

// Zero-filled when allocated, which is its starting state.
struct SearchState {
    const char *cursor;          // into the caller's patterns
    char prefix[kPathCapacity];  // directory of the current depth, ending in a separator, or empty
    std::size_t prefix_length[kMaxDescent + 1];
    char pattern[kItemCapacity + 1];
    int depth;
    bool descend;
    bool item_matched;  // the current name or pattern found a file somewhere
    Step step;
    platform::DirectorySearch *searches[kMaxDescent + 1];
};

bool IsSeparator(char c) {
    switch (c) {
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case '\v':
        case '\f':
        case ',':
        case ';':
            return true;
        default:
            return false;
    }
}

void CloseSearch(SearchState *state) {
    platform::CloseDirectorySearch(state->searches[state->depth]);
    state->searches[state->depth] = nullptr;
}

void OpenSearch(SearchState *state, FileList *list, const char *pattern) {
    CloseSearch(state);
    int error = 0;
    state->searches[state->depth] = platform::OpenDirectorySearch(state->prefix, pattern, &error);
    // Below the named directory a search that finds nothing is no fault:
    // only a name or pattern that finds no file anywhere is.
    if (state->searches[state->depth] == nullptr && (error == ENOMEM || state->depth == 0)) {
        list->error = error == ENOMEM ? PORTKIT_XFER_NO_BUFFER : error;
    }
}

// Takes the next name or pattern from the patterns and splits it into
// directory and pattern; false at the end of the patterns.
bool TakeItem(SearchState *state, FileList *list) {
    for (;;) {
        const char *start = state->cursor;
        while (*start != '\0' && IsSeparator(*start)) ++start;
        const char *end = start;
        while (*end != '\0' && !IsSeparator(*end)) ++end;
        state->cursor = end;
        if (start == end) return false;
        const std::size_t length = static_cast<std::size_t>(end - start);
        // Cut short, it would be a different name.
        if (length > kItemCapacity) {
            list->error = ENAMETOOLONG;
            continue;
        }
        char item[kItemCapacity + 1];
        std::memcpy(item, start, length);
        item[length] = '\0';
        std::size_t split = 0;
        for (std::size_t i = 0; i < length; ++i) {
            if (item[i] == '/' || item[i] == '\\') {
                item[i] = platform::kPathSeparator;
                split = i + 1;
            }
        }
        if (split == 0 && platform::kDriveColon) {
            if (const char *colon = std::strrchr(item, ':')) split = static_cast<std::size_t>(colon - item) + 1;
        }
        // A directory alone names no file; the items after it still count.
        if (split == length) continue;
        std::memcpy(state->prefix, item, split);
        state->prefix[split] = '\0';
        std::strcpy(state->pattern, item + split);
        state->depth = 0;
        state->prefix_length[0] = split;
        state->item_matched = false;
        return true;
    }
}

// Yields the search's next file of this depth, skipping what is not a
// regular file and paths too long for the entry.
bool YieldNextFile(SearchState *state, FileList *list) {
    platform::DirectoryEntry entry{};
    const std::size_t prefix_length = state->prefix_length[state->depth];
    while (platform::NextDirectoryEntry(state->searches[state->depth], &entry)) {
        const std::size_t name_length = std::strlen(entry.name);
        if (entry.kind != platform::EntryKind::kFile || prefix_length + name_length >= kPathCapacity) continue;
        std::memcpy(list->path_name, state->prefix, prefix_length);
        std::memcpy(list->path_name + prefix_length, entry.name, name_length + 1);
        ProcessTXFile(list);
        state->item_matched = true;
        return true;
    }
    return false;
}

// Moves one level down into the next subdirectory of this depth's search.
bool EnterNextSubdirectory(SearchState *state) {
    platform::DirectoryEntry entry{};
    const std::size_t prefix_length = state->prefix_length[state->depth];
    while (platform::NextDirectoryEntry(state->searches[state->depth], &entry)) {
        const std::size_t name_length = std::strlen(entry.name);
        // Room for the separator and at least a one-letter file name.
        if (entry.kind != platform::EntryKind::kDirectory || prefix_length + name_length + 2 >= kPathCapacity) continue;
        std::memcpy(state->prefix + prefix_length, entry.name, name_length);
        state->prefix[prefix_length + name_length] = platform::kPathSeparator;
        state->prefix[prefix_length + name_length + 1] = '\0';
        ++state->depth;
        state->prefix_length[state->depth] = prefix_length + name_length + 1;
        return true;
    }
    return false;
}

int Next(FileList *list) {
    auto *state = static_cast<SearchState *>(list->search_state);
    for (;;) {
        switch (state->step) {
            case Step::kNextItem:
                if (!TakeItem(state, list)) return 0;
                state->step = Step::kFirstMatch;
                break;
            case Step::kFirstMatch:
                OpenSearch(state, list, state->pattern);
                if (state->searches[state->depth] != nullptr) {
                    if (YieldNextFile(state, list)) {
                        state->step = Step::kMoreMatches;
                        return 1;
                    }
                }
                state->step = Step::kSubdirectories;
                break;
            case Step::kMoreMatches:
                if (YieldNextFile(state, list)) return 1;
                state->step = Step::kSubdirectories;
                break;
            case Step::kSubdirectories:
                CloseSearch(state);
                state->step = Step::kLeaveDirectory;
                if (state->descend && state->depth < kMaxDescent) {
                    OpenSearch(state, list, nullptr);
                    if (state->searches[state->depth] != nullptr) state->step = Step::kNextSubdirectory;
                }
                break;
            case Step::kNextSubdirectory:
                state->step = EnterNextSubdirectory(state) ? Step::kFirstMatch : Step::kLeaveDirectory;
                break;
            case Step::kLeaveDirectory:
                CloseSearch(state);
                if (state->depth == 0) {
                    if (!state->item_matched && list->error == 0) list->error = ENOENT;
                    state->step = Step::kNextItem;
                } else {
                    --state->depth;
                    state->prefix[state->prefix_length[state->depth]] = '\0';
                    state->step = Step::kNextSubdirectory;
                }
                break;
        }
    }
}

void Destroy(FileList *list) {
    if (list == nullptr) return;
    auto *state = static_cast<SearchState *>(list->search_state);
    if (state != nullptr) {
        for (platform::DirectorySearch *search : state->searches) platform::CloseDirectorySearch(search);
        FreeXferBuffer(state);
    }
    FreeXferBuffer(list);
}

}  // namespace

FileList *FileListCreate(const char *patterns, int descend) {
    auto *list = static_cast<FileList *>(AllocateXferBuffer(sizeof(FileList)));
    auto *state = static_cast<SearchState *>(AllocateXferBuffer(sizeof(SearchState)));
    if (list == nullptr || state == nullptr) {
        FreeXferBuffer(list);
        FreeXferBuffer(state);
        return nullptr;
    }
    state->cursor = patterns != nullptr ? patterns : "";
    state->descend = descend != 0;
    list->next = Next;
    list->destroy = Destroy;
    list->search_state = state;
    return list;
}

}  // namespace portkit::transfer

extern "C" {

PORTKIT_API void ProcessTXFile(FileList *entry) {
    using namespace portkit;
    if (entry == nullptr) return;
    entry->path_name[sizeof entry->path_name - 1] = '\0';
    // Lower case only where the file system ignores case; elsewhere it would
    // name another file, or none.
    if (platform::kNamesIgnoreCase) {
        for (char *c = entry->path_name; *c != '\0'; ++c) {
            if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
        }
    }
    platform::FileStatus status{};
    const int error = platform::GetFileStatus(entry->path_name, &status);
    if (error != 0) {
        entry->size = 0;
        entry->error = error;
    } else if (status.size > std::numeric_limits<std::int32_t>::max()) {
        // A wrapped length would send a wrong, perhaps negative, size.
        entry->size = -1;
        entry->error = transfer::kFileTooLarge;
    } else {
        entry->size = static_cast<std::int32_t>(status.size);
    }
    platform::CivilTime local{};
    if ((error != 0 || !platform::LocalFromUtc(status.modified, &local)) &&
        !platform::LocalFromUtc(platform::NowUtc(), &local)) {
        local = {1980, 1, 1, 0, 0, 0};
    }
    entry->year = local.year;
    entry->month = local.month;
    entry->day = local.day;
    entry->hour = local.hour;
    entry->minute = local.minute;
    entry->second = local.second;
    entry->time = CreateUnixTime(local.year, local.month, local.day, local.hour, local.minute, local.second);
}

}  // extern "C"
