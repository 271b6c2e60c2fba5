// The network driver's own record, kept in the port's driver_data.
#ifndef PORTKIT_DRIVERS_NET_NET_PORT_DATA_H
#define PORTKIT_DRIVERS_NET_NET_PORT_DATA_H

#include <cstddef>
#include <span>
#include <string>

#include "drivers/net/net_address.h"
#include "drivers/net/telnet_codec.h"
#include "drivers/win32/byte_ring.h"
#include "platform/net_socket.h"
#include "portkit/serial.h"

namespace portkit::net {

struct NetPortData {
    NetKind kind = NetKind::kRawTcp;
    std::string name;  // as opened, for the dump
    platform::NetSocket socket = platform::kNoSocket;
    TelnetDecoder decoder;
    driver::ByteRing input{};  // the device's bytes, decoded, until read
    std::size_t input_size = 0;
    std::size_t output_size = 0;  // the transmit queue's size the caller sees
    // What goes to the server: negotiation and commands first, always; the
    // device's bytes (escaped for Telnet) behind them, held back while the
    // server has suspended our output.
    std::string control_out;
    std::string data_out;
    std::size_t data_out_sent = 0;
    bool holding = false;  // a transfer's output collects and goes in batches
    bool gone = false;     // the connection has closed; reads end with a lost line once the input is taken
    int gone_error = 0;
    // The line's settings as last asked for.
    long baud_rate = 0;
    int parity = 'N';
    int word_length = 8;
    int stop_bits = 1;
    bool xon_xoff = false;
    bool rts_cts = false;
    bool dtr_dsr = false;
    bool dtr = true;
    bool rts = true;
    int local_line_errors = 0;  // PORTKIT_LS_ bits seen and not yet cleared
};

inline NetPortData *NetDataOf(PortStructure *port) { return static_cast<NetPortData *>(port->driver_data); }

// True for a port this driver opened.
bool IsNetPort(const PortStructure *port);

// Moves what waits to go to the server on, as far as the socket takes it,
// and takes what the server sent, as far as the input queue has room.
void MoveOutputOn(NetPortData &data);
void TakeInput(NetPortData &data);
std::size_t OutputPending(const NetPortData &data);
// Appends the device's bytes for the server (escaped for Telnet).
void QueueData(NetPortData &data, const char *bytes, std::size_t count);
// Sends a Com Port Control command (Telnet only; nothing on a raw port).
void SendCommand(NetPortData &data, const std::string &command);

// The queue calls a transfer or an emulator uses on any port.
std::span<const std::uint8_t> QueuedInput(PortStructure *port);
void DropInput(PortStructure *port, std::size_t count);
void HoldOutput(PortStructure *port, bool hold);
bool HoldingOutput(PortStructure *port);

// The driver's slots, installed by the open.
void InstallIoSlots(PortStructure *port);
void InstallControlSlots(PortStructure *port);
// Sends the whole line setting to the server (Telnet only).
void SendLineSettings(NetPortData &data);

}  // namespace portkit::net

#endif
