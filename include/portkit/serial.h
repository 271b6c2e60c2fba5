/*
 * portkit serial driver: opens a serial port by number or by device name and
 * installs its routines into the port's slots. Port n (0-based) is COM<n+1>
 * on Windows; on POSIX it is the device named by the environment variable
 * PORTKIT_COM<n+1>, or /dev/ttyS<n>.
 */
#ifndef PORTKIT_SERIAL_H
#define PORTKIT_SERIAL_H

#include "portkit/port.h"

PORTKIT_BEGIN_DECLS

/* Driver type of ports opened by this driver. */
#define PORTKIT_DRIVER_MSWIN32 15
/* Driver type of ports behind a serial server, opened by name as
 * "rfc2217://HOST:PORT" (Telnet with Com Port Control) or "tcp://HOST:PORT"
 * (bytes only; line settings are kept but go nowhere). HOST is a name, an
 * IPv4 address, or an IPv6 address in brackets. */
#define PORTKIT_DRIVER_NETWORK 16

/* Never returns null; the outcome is in PWGetPortStatus. Parity is one of
 * 'N', 'O', 'E', 'M', 'S' (either case). */
PORTKIT_API PortStructure *PortOpenMSWin32(int port_number, long baud_rate, char parity, int word_length,
                                           int stop_bits);
/* As PortOpenMSWin32, for a device named as Windows' CreateFile or, on
 * POSIX, open() takes it (or "sim:NAME:a|b", "fd:N"), or a serial server's
 * port (see PORTKIT_DRIVER_NETWORK). "COMn" and "\\.\COMn",
 * in either case, are port n-1 on every system; the port records that number
 * (PWGetPortHandle), or -1 for any other name. */
PORTKIT_API PortStructure *PortOpenMSWin32ByName(const char *device, long baud_rate, char parity, int word_length,
                                                 int stop_bits);
PORTKIT_API int _OpenMSWin32(PortStructure *port, int port_number);
PORTKIT_API uint32_t PortMSWin32GetEventMask(PortStructure *port);
PORTKIT_API void *PortMSWin32GetCommHandle(PortStructure *port);

/* The driver's slot routines. */
PORTKIT_API int _ReadCharMSWin32(PortStructure *port);
PORTKIT_API int _PeekCharMSWin32(PortStructure *port);
PORTKIT_API int _WriteCharMSWin32(PortStructure *port, int c);
PORTKIT_API int _PortCloseMSWin32(PortStructure *port);
PORTKIT_API int _PortSetMSWin32(PortStructure *port, long baud_rate, int parity, int word_length, int stop_bits);
PORTKIT_API int _UseXonXoffMSWin32(PortStructure *port, int on);
PORTKIT_API int _UseRtsCtsMSWin32(PortStructure *port, int on);
PORTKIT_API int _UseDtrDsrMSWin32(PortStructure *port, int on);
PORTKIT_API int _SetDtrMSWin32(PortStructure *port, int on);
PORTKIT_API int _SetRtsMSWin32(PortStructure *port, int on);
PORTKIT_API int _SpaceFreeInTXBufferMSWin32(PortStructure *port);
PORTKIT_API int _SpaceUsedInTXBufferMSWin32(PortStructure *port);
PORTKIT_API int _SpaceFreeInRXBufferMSWin32(PortStructure *port);
PORTKIT_API int _SpaceUsedInRXBufferMSWin32(PortStructure *port);
PORTKIT_API int _ClearTXBufferMSWin32(PortStructure *port);
PORTKIT_API int _WriteBufferMSWin32(PortStructure *port, const char *buffer, unsigned int count);
PORTKIT_API int _ReadBufferMSWin32(PortStructure *port, char *buffer, unsigned int count);
PORTKIT_API int _DumpPortStatusMSWin32(PortStructure *port, PortLinePrinter printer);
PORTKIT_API int _SendBreakMSWin32(PortStructure *port, int milliseconds);
PORTKIT_API int _GetModemStatusMSWin32(PortStructure *port);
PORTKIT_API int _GetLineStatusMSWin32(PortStructure *port);
PORTKIT_API int _ClearLineStatusMSWin32(PortStructure *port);

PORTKIT_END_DECLS

#endif
