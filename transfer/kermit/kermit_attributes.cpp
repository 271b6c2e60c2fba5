// Attribute packets: the file's date and length as tag, length, value.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "transfer/kermit/kermit_engine.h"

namespace portkit::transfer {
namespace {

constexpr char kDateTag = '#';
constexpr char kLengthTag = '1';

bool AllDigits(const std::string &text) {
    if (text.empty()) return false;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// "hh:mm:ss" or "hh:mm" into its three numbers.
bool ParseClock(const std::string &text, int *hour, int *minute, int *second) {
    const std::string full = text.size() == 5 ? text + ":00" : text;
    if (full.size() != 8 || full[2] != ':' || full[5] != ':') return false;
    const std::string h = full.substr(0, 2), m = full.substr(3, 2), s = full.substr(6, 2);
    if (!AllDigits(h) || !AllDigits(m) || !AllDigits(s)) return false;
    *hour = std::atoi(h.c_str());
    *minute = std::atoi(m.c_str());
    *second = std::atoi(s.c_str());
    return *hour < 24 && *minute < 60 && *second < 61;
}

int32_t ParseLength(const std::string &value) {
    if (!AllDigits(value)) return -1;
    errno = 0;
    const long long length = std::strtoll(value.c_str(), nullptr, 10);
    return errno == 0 && length <= INT32_MAX ? static_cast<int32_t>(length) : -1;
}

}  // namespace

int BuildAttributes(const TransferRecord *record, char *out, std::size_t room) {
    const FileList *entry = record->file_list;
    if (entry == nullptr || room < 32) return 0;
    char date[32];
    std::snprintf(date, sizeof date, "%04d%02d%02d %02d:%02d:%02d", static_cast<int>(entry->year) % 10000,
                  static_cast<int>(entry->month) % 100, static_cast<int>(entry->day) % 100,
                  static_cast<int>(entry->hour) % 100, static_cast<int>(entry->minute) % 100,
                  static_cast<int>(entry->second) % 100);
    const std::size_t date_length = std::strlen(date);
    std::size_t used = 0;
    out[used++] = kDateTag;
    out[used++] = static_cast<char>(ToChar(static_cast<int>(date_length)));
    std::memcpy(out + used, date, date_length);
    used += date_length;
    char length[16];
    std::snprintf(length, sizeof length, "%010ld", static_cast<long>(record->file_length));
    out[used++] = kLengthTag;
    out[used++] = static_cast<char>(ToChar(10));
    std::memcpy(out + used, length, 10);
    used += 10;
    return static_cast<int>(used);
}

int32_t ParseAttributeDate(const char *text, std::size_t length) {
    const std::string value(text, length);
    const std::size_t blank = value.find(' ');
    const std::string date = value.substr(0, blank);
    const std::string clock = blank == std::string::npos ? "00:00:00" : value.substr(blank + 1);
    if (!AllDigits(date) || (date.size() != 6 && date.size() != 8)) return -1;
    int year = std::atoi(date.substr(0, date.size() - 4).c_str());
    if (date.size() == 6) year += year >= 50 ? 1900 : 2000;
    const int month = std::atoi(date.substr(date.size() - 4, 2).c_str());
    const int day = std::atoi(date.substr(date.size() - 2).c_str());
    int hour = 0, minute = 0, second = 0;
    if (month < 1 || month > 12 || day < 1 || day > 31 || year < 1970 || year > 2037) return -1;
    if (!ParseClock(clock, &hour, &minute, &second)) return -1;
    return CreateUnixTime(year, month, day, hour, minute, second);
}

// Each value is as long as its length byte says, cut at the end of the
// packet; tags we do not use are stepped over.
void ParseAttributes(TransferRecord *record) {
    const char *data = PacketData(record);
    const int size = record->block_size < 0 ? 0 : record->block_size;
    int i = 0;
    while (i + 1 < size) {
        const char tag = data[i];
        int length = UnChar(static_cast<unsigned char>(data[i + 1]));
        i += 2;
        if (length < 0) length = 0;
        if (length > size - i) length = size - i;
        const std::string value(data + i, static_cast<std::size_t>(length));
        i += length;
        if (tag == kLengthTag) {
            record->file_length = ParseLength(value);
        } else if (tag == kDateTag) {
            record->file_time = ParseAttributeDate(value.data(), value.size());
        }
    }
}

}  // namespace portkit::transfer
