// The subset of the Win32 communications API that the serial driver uses,
// provided over termios (and the simulated line) on POSIX. Shapes, constants
// and error numbers follow Win32 so that one driver source serves both.
// Its namespace, win32_imitation, holds only this imitation (and the console
// one beside it); the Windows build takes the real calls from <windows.h>.
#ifndef PORTKIT_PLATFORM_POSIX_COMM_WIN32_COMM_H
#define PORTKIT_PLATFORM_POSIX_COMM_WIN32_COMM_H

#include <cstdint>

namespace portkit::win32_imitation {

using DWORD = std::uint32_t;
using WORD = std::uint16_t;
using BYTE = std::uint8_t;
using BOOL = int;
using HANDLE = void *;
using LPCSTR = const char *;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
inline HANDLE const INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
constexpr DWORD MAXDWORD = 0xFFFFFFFFu;

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000u;

// Error numbers (GetLastError).
constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_ACCESS_DENIED = 5;
constexpr DWORD ERROR_INVALID_HANDLE = 6;
constexpr DWORD ERROR_NOT_ENOUGH_MEMORY = 8;
constexpr DWORD ERROR_GEN_FAILURE = 31;
constexpr DWORD ERROR_NOT_SUPPORTED = 50;
constexpr DWORD ERROR_INVALID_PARAMETER = 87;
constexpr DWORD ERROR_BROKEN_PIPE = 109;
constexpr DWORD ERROR_IO_INCOMPLETE = 996;
constexpr DWORD ERROR_IO_PENDING = 997;

// DCB values.
constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;
constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2, RTS_CONTROL_TOGGLE = 3;

// ClearCommError error bits.
constexpr DWORD CE_RXOVER = 0x0001, CE_OVERRUN = 0x0002, CE_RXPARITY = 0x0004, CE_FRAME = 0x0008, CE_BREAK = 0x0010,
                CE_TXFULL = 0x0100, CE_MODE = 0x8000;

// PurgeComm flags.
constexpr DWORD PURGE_TXABORT = 0x0001, PURGE_RXABORT = 0x0002, PURGE_TXCLEAR = 0x0004, PURGE_RXCLEAR = 0x0008;

// EscapeCommFunction codes.
constexpr DWORD SETXOFF = 1, SETXON = 2, SETRTS = 3, CLRRTS = 4, SETDTR = 5, CLRDTR = 6, SETBREAK = 8, CLRBREAK = 9;

// GetCommModemStatus bits.
constexpr DWORD MS_CTS_ON = 0x0010, MS_DSR_ON = 0x0020, MS_RING_ON = 0x0040, MS_RLSD_ON = 0x0080;

struct DCB {
    DWORD DCBlength;
    DWORD BaudRate;
    DWORD fBinary : 1;
    DWORD fParity : 1;
    DWORD fOutxCtsFlow : 1;
    DWORD fOutxDsrFlow : 1;
    DWORD fDtrControl : 2;
    DWORD fDsrSensitivity : 1;
    DWORD fTXContinueOnXoff : 1;
    DWORD fOutX : 1;
    DWORD fInX : 1;
    DWORD fErrorChar : 1;
    DWORD fNull : 1;
    DWORD fRtsControl : 2;
    DWORD fAbortOnError : 1;
    DWORD fDummy2 : 17;
    WORD wReserved;
    WORD XonLim;
    WORD XoffLim;
    BYTE ByteSize;
    BYTE Parity;
    BYTE StopBits;
    char XonChar;
    char XoffChar;
    char ErrorChar;
    char EofChar;
    char EvtChar;
    WORD wReserved1;
};

struct COMMTIMEOUTS {
    DWORD ReadIntervalTimeout;
    DWORD ReadTotalTimeoutMultiplier;
    DWORD ReadTotalTimeoutConstant;
    DWORD WriteTotalTimeoutMultiplier;
    DWORD WriteTotalTimeoutConstant;
};

struct COMSTAT {
    DWORD fCtsHold : 1;
    DWORD fDsrHold : 1;
    DWORD fRlsdHold : 1;
    DWORD fXoffHold : 1;
    DWORD fXoffSent : 1;
    DWORD fEof : 1;
    DWORD fTxim : 1;
    DWORD fReserved : 25;
    DWORD cbInQue;
    DWORD cbOutQue;
};

struct OVERLAPPED {
    std::uintptr_t Internal;
    std::uintptr_t InternalHigh;  // bytes moved by the last operation
    DWORD Offset;
    DWORD OffsetHigh;
    HANDLE hEvent;
};

DWORD GetLastError();
void SetLastError(DWORD error);
// The errno behind the last error, when it came from one; else 0.
int LastErrno();
DWORD GetVersion();

HANDLE CreateFileA(LPCSTR name, DWORD access, DWORD share_mode, void *security, DWORD creation, DWORD flags,
                   HANDLE template_file);
BOOL CloseHandle(HANDLE handle);
BOOL SetupComm(HANDLE handle, DWORD in_queue, DWORD out_queue);
BOOL GetCommState(HANDLE handle, DCB *dcb);
BOOL SetCommState(HANDLE handle, DCB *dcb);
BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS *timeouts);
BOOL SetCommTimeouts(HANDLE handle, COMMTIMEOUTS *timeouts);
BOOL GetCommMask(HANDLE handle, DWORD *mask);
BOOL SetCommMask(HANDLE handle, DWORD mask);
BOOL ClearCommError(HANDLE handle, DWORD *errors, COMSTAT *status);
BOOL ReadFile(HANDLE handle, void *buffer, DWORD count, DWORD *read, OVERLAPPED *overlapped);
BOOL WriteFile(HANDLE handle, const void *buffer, DWORD count, DWORD *written, OVERLAPPED *overlapped);
BOOL GetOverlappedResult(HANDLE handle, OVERLAPPED *overlapped, DWORD *transferred, BOOL wait);
BOOL PurgeComm(HANDLE handle, DWORD flags);
// Every operation here completes before it returns, so an event is only a
// token that the calls taking one accept.
HANDLE CreateEventA(void *security, BOOL manual_reset, BOOL initial_state, LPCSTR name);
BOOL ResetEvent(HANDLE event);
BOOL EscapeCommFunction(HANDLE handle, DWORD function);
BOOL SetCommBreak(HANDLE handle);
BOOL ClearCommBreak(HANDLE handle);
BOOL GetCommModemStatus(HANDLE handle, DWORD *modem_status);

}  // namespace portkit::win32_imitation

// The POSIX layer itself speaks in these types too.
namespace portkit::posix {
using namespace portkit::win32_imitation;
}

#endif
