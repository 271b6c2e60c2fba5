// Line settings, flow control, the modem lines, break and the status dump.
// Over Telnet every change goes to the server as a Com Port Control command
// and what the server reports is what the queries answer; a raw connection
// keeps settings here, as a pty does, and has no lines to drive or read.
#include <cstdio>

#include "drivers/net/net_port_data.h"
#include "port/port_internal.h"

namespace portkit::net {
namespace {

// How long a dump waits for the server's first answers.
constexpr int kReportWaitMs = 500;

// Com Port Control's parity and stop-size codes.
int ParityCode(int letter) {
    switch (letter & ~0x20) {
        case 'N':
            return 1;
        case 'O':
            return 2;
        case 'E':
            return 3;
        case 'M':
            return 4;
        case 'S':
            return 5;
        default:
            return 0;
    }
}

// What a raw connection gives for a line it does not have: the same as a
// device without one.
int NoSuchLine(PortStructure *port) {
    port->status = PORTKIT_GENERAL_ERROR;
    return port->status;
}

int Lost(PortStructure *port) {
    port->system_error = NetDataOf(port)->gone_error;
    port->status = PORTKIT_XFER_LOST_CARRIER;
    return port->status;
}

int PortSet(PortStructure *port, long baud_rate, int parity, int word_length, int stop_bits) {
    NetPortData &data = *NetDataOf(port);
    if (baud_rate <= 0 || baud_rate > 0x7FFFFFFF) {
        port->status = PORTKIT_ILLEGAL_BAUD_RATE;
        return port->status;
    }
    if (ParityCode(parity) == 0) {
        port->status = PORTKIT_ILLEGAL_PARITY;
        return port->status;
    }
    if (stop_bits != 1 && stop_bits != 2) {
        port->status = PORTKIT_ILLEGAL_STOP_BITS;
        return port->status;
    }
    if (word_length < 5 || word_length > 8) {
        port->status = PORTKIT_ILLEGAL_WORD_LENGTH;
        return port->status;
    }
    data.baud_rate = baud_rate;
    data.parity = parity & ~0x20;
    data.word_length = word_length;
    data.stop_bits = stop_bits;
    if (data.gone) return Lost(port);
    SendLineSettings(data);
    return port->status;
}

int SetFlow(PortStructure *port, bool *flag, int on, std::uint8_t on_code) {
    NetPortData &data = *NetDataOf(port);
    *flag = on != 0;
    if (data.gone) return Lost(port);
    if (data.kind == NetKind::kRfc2217)
        SendCommand(data, ComPortCommandBytes(kSetControl, on != 0 ? on_code : std::uint8_t{kControlFlowNone}));
    return 0;
}

int UseXonXoff(PortStructure *port, int on) {
    return SetFlow(port, &NetDataOf(port)->xon_xoff, on, kControlFlowXonXoff);
}
int UseRtsCts(PortStructure *port, int on) {
    return SetFlow(port, &NetDataOf(port)->rts_cts, on, kControlFlowHardware);
}
int UseDtrDsr(PortStructure *port, int on) { return SetFlow(port, &NetDataOf(port)->dtr_dsr, on, kControlFlowDsr); }

int SetLine(PortStructure *port, bool *level, int on, std::uint8_t on_code, std::uint8_t off_code) {
    NetPortData &data = *NetDataOf(port);
    if (data.kind != NetKind::kRfc2217) return NoSuchLine(port);
    if (data.gone) return Lost(port);
    *level = on != 0;
    SendCommand(data, ComPortCommandBytes(kSetControl, on != 0 ? on_code : off_code));
    return 0;
}

int SetDtr(PortStructure *port, int on) {
    return SetLine(port, &NetDataOf(port)->dtr, on, kControlDtrOn, kControlDtrOff);
}
int SetRts(PortStructure *port, int on) {
    return SetLine(port, &NetDataOf(port)->rts, on, kControlRtsOn, kControlRtsOff);
}

// The break goes out after what was written before it, and ends after the
// time asked for, as on a local line.
int SendBreak(PortStructure *port, int milliseconds) {
    NetPortData &data = *NetDataOf(port);
    if (data.kind != NetKind::kRfc2217) return NoSuchLine(port);
    if (data.gone) return Lost(port);
    const bool holding = data.holding;
    data.holding = false;
    MoveOutputOn(data);
    data.control_out += ComPortCommandBytes(kSetControl, kControlBreakOn);
    MoveOutputOn(data);
    PortKillTime(port, milliseconds);
    SendCommand(data, ComPortCommandBytes(kSetControl, kControlBreakOff));
    data.holding = holding;
    return 0;
}

int GetModemStatus(PortStructure *port) {
    NetPortData &data = *NetDataOf(port);
    if (data.kind != NetKind::kRfc2217) return NoSuchLine(port);
    TakeInput(data);
    return data.decoder.Reports().modem_state;
}

int GetLineStatus(PortStructure *port) {
    NetPortData &data = *NetDataOf(port);
    TakeInput(data);
    ComPortReports &reports = data.decoder.Reports();
    data.local_line_errors |= reports.line_state_seen;
    reports.line_state_seen = 0;
    return data.local_line_errors & (PORTKIT_LS_BREAK | PORTKIT_LS_FRAMING | PORTKIT_LS_PARITY | PORTKIT_LS_OVERRUN);
}

int ClearLineStatus(PortStructure *port) {
    NetPortData &data = *NetDataOf(port);
    data.decoder.Reports().line_state_seen = 0;
    data.local_line_errors = 0;
    return 0;
}

int Bit(int value, int mask) { return (value & mask) != 0 ? 1 : 0; }

int DumpPortStatus(PortStructure *port, PortLinePrinter printer) {
    NetPortData &data = *NetDataOf(port);
    char line[320];
    auto print = [&](auto... values) {
        std::snprintf(line, sizeof line, values...);
        printer(line);
    };
    const bool telnet = data.kind == NetKind::kRfc2217;
    const ComPortReports &reports = data.decoder.Reports();
    // Just opened, the server may not have answered the settings yet.
    const std::int32_t deadline = DeadlineAfter(kReportWaitMs);
    while (telnet && !data.gone && reports.baud_rate == 0 && !DeadlineReached(deadline)) {
        TakeInput(data);
        if (reports.baud_rate != 0 || RunIdleHook(port) < 0) break;
    }
    printer("");
    print("Port type:  network (%s)  %s", telnet ? "RFC 2217" : "raw TCP", data.name.c_str());
    print("Asked for:  %ld baud  parity %c  %d data bits  %d stop bits  XON/XOFF: %d  RTS/CTS: %d  DTR/DSR: %d",
          data.baud_rate, static_cast<char>(data.parity), data.word_length, data.stop_bits, data.xon_xoff ? 1 : 0,
          data.rts_cts ? 1 : 0, data.dtr_dsr ? 1 : 0);
    if (!telnet) {
        printer("Settings are kept here only: a raw TCP connection carries bytes and no line settings");
    } else if (!reports.com_port_agreed) {
        printer("The server has not agreed to Com Port Control: settings may not reach the line");
    } else {
        print("Server reports:  %lu baud  data size %u  parity %u  stop size %u  control %u",
              static_cast<unsigned long>(reports.baud_rate), reports.data_size, reports.parity, reports.stop_size,
              reports.control);
    }
    const int line_status = GetLineStatus(port);
    const int ls = line_status < 0 ? 0 : line_status;
    print(
        "RX count/free: %5d/%-5d  TX count/free: %5d/%-5d  BREAK/FE/OE/PE: %d%d%d%d", static_cast<int>(data.input.size),
        static_cast<int>(data.input_size - data.input.size), static_cast<int>(OutputPending(data)),
        static_cast<int>(data.output_size - std::min(OutputPending(data), data.output_size)), Bit(ls, PORTKIT_LS_BREAK),
        Bit(ls, PORTKIT_LS_FRAMING), Bit(ls, PORTKIT_LS_OVERRUN), Bit(ls, PORTKIT_LS_PARITY));
    if (telnet) {
        const int ms = reports.modem_state;
        print("CTS/DSR/RI/CD: %d%d%d%d  output suspended by the server: %d", Bit(ms, PORTKIT_MS_CTS),
              Bit(ms, PORTKIT_MS_DSR), Bit(ms, PORTKIT_MS_RI), Bit(ms, PORTKIT_MS_CD), reports.suspended ? 1 : 0);
    }
    if (data.gone) printer("The connection has closed");
    return 0;
}

}  // namespace

void SendLineSettings(NetPortData &data) {
    if (data.kind != NetKind::kRfc2217) return;
    std::string commands = ComPortBaudRate(static_cast<std::uint32_t>(data.baud_rate));
    commands += ComPortCommandBytes(kSetDataSize, static_cast<std::uint8_t>(data.word_length));
    commands += ComPortCommandBytes(kSetParity, static_cast<std::uint8_t>(ParityCode(data.parity)));
    commands += ComPortCommandBytes(kSetStopSize, static_cast<std::uint8_t>(data.stop_bits));
    SendCommand(data, commands);
}

void InstallControlSlots(PortStructure *port) {
    DriverFunctions &slots = port->functions;
    slots.PortSet = PortSet;
    slots.UseXonXoff = UseXonXoff;
    slots.UseRtsCts = UseRtsCts;
    slots.UseDtrDsr = UseDtrDsr;
    slots.SetDtr = SetDtr;
    slots.SetRts = SetRts;
    slots.DumpPortStatus = DumpPortStatus;
    slots.SendBreak = SendBreak;
    slots.GetModemStatus = GetModemStatus;
    slots.GetLineStatus = GetLineStatus;
    slots.ClearLineStatus = ClearLineStatus;
}

}  // namespace portkit::net
