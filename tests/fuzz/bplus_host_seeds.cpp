// Writes the seeds of the B+ host fuzzer: the host's side of the sessions
// the engine's tests play (downloads and uploads in each check method,
// resume, kept paths, damaged and repeated packets, ENQ), each after the
// option byte and from just after the host's first DLE B.
// Usage: bplus_host_seeds DIRECTORY
#include <cstdio>
#include <fstream>
#include <string>

#include "support/bplus_script.h"

namespace {

using portkit::test::bplus_script::Ack;
using portkit::test::bplus_script::HostParameters;
using portkit::test::bplus_script::Packet;

struct Seed {
    const char *name;
    int options;
    std::string host;
};

// The host's `+` packet without its DLE B, and its acknowledgement of ours.
std::string Opening(int method, int resume = 0) {
    const bool full = resume != 0;
    return Packet(1, HostParameters(1, 8, method, full, std::string(4, '\0'), resume), 0).substr(2) + Ack(2);
}

std::string Download(int method, const std::string &name, const std::string &data, int first = 3) {
    std::string host = Packet(first, "TDB" + name, method);
    int sequence = first + 1;
    for (std::size_t at = 0; at < data.size(); at += 1024) {
        host += Packet(sequence % 10, "N" + data.substr(at, 1024), method);
        ++sequence;
    }
    return host + Packet(sequence % 10, "TC", method);
}

std::string EveryByte(int times) {
    std::string bytes;
    for (int t = 0; t < times; ++t) {
        for (int c = 0; c < 256; ++c) bytes += static_cast<char>(c);
    }
    return bytes;
}

}  // namespace

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s DIRECTORY\n", argv[0]);
        return 2;
    }
    std::string damaged = Packet(4, "Nfirst ");
    damaged[4] ^= 0x01;
    const Seed seeds[] = {
        {"download-checksum", 0, Opening(0) + Download(0, "all.bin", EveryByte(5))},
        {"download-crc16", 1, Opening(1) + Download(1, "all.bin", EveryByte(5))},
        {"download-ccitt", 2, Opening(2) + Download(2, "all.bin", EveryByte(5))},
        {"download-crc32", 3, Opening(3) + Download(3, "all.bin", EveryByte(5))},
        {"download-with-path", 8, Opening(0) + Download(0, "sub/new.txt", "kept in sub\r\n")},
        {"download-over-a-file-renamed", 2 << 5 | 16, Opening(0) + Download(0, "up.txt", "a newer one\r\n")},
        {"download-resumed", 4 | 1,
         Opening(1, 1) + Packet(3, "TDBup.txt", 1) + Ack(4) + Packet(5, "N and the rest", 1) + Packet(6, "TC", 1)},
        {"download-repaired", 0,
         Opening(0) + Packet(3, "TDBrepair.txt") + damaged + Packet(4, "Nfirst ") + Packet(4, "Nfirst ") +
             Packet(7, "Nlost") + Packet(5, "Nsecond") + "\x05" + Packet(6, "TC")},
        {"download-host-fails", 0, Opening(0) + Packet(3, "TDBf.txt") + Packet(4, "FNnot today")},
        {"upload-small", 2, Opening(2) + Packet(3, "TUBup.txt", 2) + Ack(4) + Ack(5)},
        {"upload-three-blocks", 0, Opening(0) + Packet(3, "TUBdata.bin") + Ack(4) + Ack(5) + Ack(6) + Ack(7)},
        {"upload-with-path", 8 | 3, Opening(3) + Packet(3, "TUBsub/deep.txt", 3) + Ack(4) + Ack(5)},
        {"upload-through-a-link", 8, Opening(0) + Packet(3, "TUBout/secret") + Ack(4) + Ack(5)},
        {"unknown-packet", 0, Opening(0) + Packet(3, "Zzz") + Ack(4)},
    };
    for (const Seed &seed : seeds) {
        std::ofstream out(std::string(argv[1]) + "/" + seed.name, std::ios::binary);
        out << static_cast<char>(seed.options) << seed.host;
        if (!out) return 1;
    }
    return 0;
}
