#include "bbs_stream.h"

#include <cstdint>
#include <string>

namespace portkit::bench {
namespace {

class Random {
public:
    // A number in [0, bound).
    unsigned Below(unsigned bound) {
        state_ = state_ * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<unsigned>((state_ >> 33) % bound);
    }
    unsigned Between(unsigned low, unsigned high) { return low + Below(high - low + 1); }

private:
    std::uint64_t state_ = 0x0BB5u;
};

// Attribute changes as menus and ANSI screens use them.
constexpr const char *kAttributes[] = {"0",      "1;33;44", "37", "1;37",    "0;36", "1;31", "33;40",
                                       "0;1;32", "5;35",    "7",  "0;37;40", "1",    "34",   "1;36;41"};

class Writer {
public:
    explicit Writer(BbsStream *stream) : stream_(stream) {}

    void Text(const std::string &text) {
        stream_->bytes.insert(stream_->bytes.end(), text.begin(), text.end());
        stream_->text_bytes += text.size();
    }
    void Sequence(const std::string &body) {
        stream_->bytes.push_back('\x1b');
        stream_->bytes.push_back('[');
        stream_->bytes.insert(stream_->bytes.end(), body.begin(), body.end());
    }

private:
    BbsStream *stream_;
};

// Words of lower-case letters, or a run of CP437 shading and block
// characters as ANSI art draws them (0xB0-0xDF: no C1 controls).
std::string TextRun(Random &random) {
    std::string run;
    if (random.Below(8) == 0) {
        const unsigned length = random.Between(1, 40);
        for (unsigned i = 0; i < length; ++i) run.push_back(static_cast<char>(random.Between(0xB0, 0xDF)));
        return run;
    }
    const unsigned words = random.Between(1, 12);
    for (unsigned w = 0; w < words; ++w) {
        if (w > 0) run.push_back(' ');
        const unsigned length = random.Between(1, 10);
        for (unsigned i = 0; i < length; ++i) run.push_back(static_cast<char>('a' + random.Below(26)));
    }
    return run;
}

void NextEvent(Random &random, Writer &out) {
    const unsigned pick = random.Below(1000);
    if (pick < 400) {
        out.Text(TextRun(random));
        if (random.Below(2) == 0) out.Text("\r\n");
    } else if (pick < 650) {
        out.Sequence(std::string(kAttributes[random.Below(std::size(kAttributes))]) + "m");
    } else if (pick < 730) {
        out.Sequence(std::to_string(random.Between(1, 25)) + ";" + std::to_string(random.Between(1, 80)) + "H");
    } else if (pick < 810) {
        const char final = "ABCD"[random.Below(4)];
        const unsigned distance = random.Below(6);
        out.Sequence((distance == 0 ? std::string() : std::to_string(distance)) + final);
    } else if (pick < 870) {
        out.Sequence("K");
    } else if (pick < 998) {
        out.Text("\r\n");
    } else {
        out.Sequence("2J");
        out.Sequence("H");
    }
}

}  // namespace

BbsStream MakeBbsStream(std::size_t size) {
    BbsStream stream;
    stream.bytes.reserve(size + 256);
    Random random;
    Writer out(&stream);
    while (stream.bytes.size() < size) NextEvent(random, out);
    return stream;
}

}  // namespace portkit::bench
