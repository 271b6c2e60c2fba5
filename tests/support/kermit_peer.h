// A scripted Kermit peer for end 'b' of the simulated cable, with packet
// code of its own so that a fault in the engine's packets cannot hide by
// agreeing with itself.
#ifndef PORTKIT_TESTS_SUPPORT_KERMIT_PEER_H
#define PORTKIT_TESTS_SUPPORT_KERMIT_PEER_H

#include <string>

#include "support/xmodem_peer.h"

namespace portkit::test {

struct KermitPacket {
    char type = 0;  // 0: nothing came whole
    int seq = -1;
    int length = -1;  // unchar(LEN), or DATA and CHECK of an extended packet
    std::string data;
    bool ok = false;  // checksum good

    // "Y3 ~* @-#Y1~(", a bad one ends in '!'.
    std::string Describe() const;
};

class KermitPeer {
public:
    explicit KermitPeer(XmodemPeer &line) : line_(line) {}

    // MARK LEN SEQ TYPE DATA CHECK CR; `damage` spoils the check. With
    // check type 3 after set_crc(); extended (LEN blank, LENX1 LENX2
    // HCHECK) when the basic LEN cannot hold it.
    std::string Packet(int seq, char type, const std::string &data, bool damage = false) const;
    // Block check 3 for what follows the Send-Init exchange.
    void set_crc(bool on) { crc_ = on; }
    // Undoes control prefixes (#) and, when given, 8th-bit and repeat prefixes.
    static std::string Decode(const std::string &field, char eighth_bit = 0, char repeat = 0);

    void Send(int seq, char type, const std::string &data = "", bool damage = false) {
        line_.Send(Packet(seq, type, data, damage));
    }
    void SendRaw(const std::string &bytes) { line_.Send(bytes); }
    KermitPacket Read(int timeout_ms = 3000);

private:
    XmodemPeer &line_;
    bool crc_ = false;
};

}  // namespace portkit::test

#endif
