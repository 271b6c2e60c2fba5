/*
 * portkit port family: the port record and its driver slots, the generic
 * PW* calls, derived status tests, driver-support and allocation routines,
 * per-process settings, status-code names, the time base and user hooks.
 */
#ifndef PORTKIT_PORT_H
#define PORTKIT_PORT_H

#include <stdint.h>
#include <stdio.h>

#include "portkit/export.h"

PORTKIT_BEGIN_DECLS

/* Status codes; CommErrorName gives each one's message. */
enum PortkitStatus {
    PORTKIT_SUCCESS = 0,
    PORTKIT_GENERAL_ERROR = -1,
    PORTKIT_INVALID_PORT = -2,
    PORTKIT_IN_USE = -3,
    PORTKIT_INVALID_BUFFER_SIZE = -4,
    PORTKIT_NO_MEMORY = -5,
    PORTKIT_NOT_SET_UP = -6,
    PORTKIT_INVALID_PARAMETER = -7,
    PORTKIT_BUFFER_EMPTY = -8,
    PORTKIT_BUFFER_FULL = -9,
    PORTKIT_TIME_OUT = -10,
    PORTKIT_CTS_LOW = -11,
    PORTKIT_CD_LOW = -12,
    PORTKIT_DSR_LOW = -13,
    PORTKIT_NO_DEVICE = -14,
    PORTKIT_XMODEM_STATUS = -15,
    PORTKIT_USER_ABORT = -16,
    PORTKIT_FILE_IO_ERROR = -17,
    PORTKIT_XMODEM_STATUS_2 = -18,
    PORTKIT_NOT_WIDE_TRACK = -19,
    PORTKIT_HARDWARE_CONFLICT = -20,
    PORTKIT_CRC_MODE = -21,
    PORTKIT_MODEM_NO_OK = -22,
    PORTKIT_NO_MODEM_RESPONSE = -23,
    PORTKIT_NOT_SUPPORTED = -24,
    PORTKIT_ILLEGAL_BAUD_RATE = -25,
    PORTKIT_ILLEGAL_PARITY = -26,
    PORTKIT_ILLEGAL_WORD_LENGTH = -27,
    PORTKIT_ILLEGAL_STOP_BITS = -28,
    PORTKIT_DRIVER_NOT_INSTALLED = -30,
    PORTKIT_USER_BUFFER_OVERFLOW = -31,
    PORTKIT_CONNECT_FAILURE = -32,
    PORTKIT_DOS_EXTENDER_ERROR = -33,
    PORTKIT_ILLEGAL_BOARD_NUMBER = -34,
    PORTKIT_BOARD_IN_USE = -35,
    PORTKIT_BLOCKED_BY_HANDSHAKING = -36,
    PORTKIT_TOO_MANY_PORTS = -37,
    PORTKIT_ILLEGAL_IRQ = -38,
    PORTKIT_IRQ_IN_USE = -39,
    PORTKIT_THUNK_SETUP_FAILED = -40,
    PORTKIT_ANSI_ERROR = -41,
    PORTKIT_PACKING_ERROR = -42,
    PORTKIT_XFER_NO_BUFFER = -601,
    PORTKIT_XFER_OPEN_FAILED = -602,
    PORTKIT_XFER_NAK_FULL = -603,
    PORTKIT_XFER_ACK_FULL = -604,
    PORTKIT_XFER_USER_ABORT = -605,
    PORTKIT_XFER_REMOTE_ABORT = -606,
    PORTKIT_XFER_FILE_IO = -607,
    PORTKIT_XFER_PACKET_TIMEOUT = -608,
    PORTKIT_XFER_BAD_PACKET_SIZE = -609,
    PORTKIT_XFER_TOO_MANY_ERRORS = -610,
    PORTKIT_XFER_INTERNAL_ERROR = -611,
    PORTKIT_XFER_BLOCK_FULL = -612,
    PORTKIT_XFER_EOT_FULL = -613,
    PORTKIT_XFER_PROTOCOL_ERROR = -614,
    PORTKIT_XFER_CHAR_FULL = -615,
    PORTKIT_XFER_NO_CHARACTER = -616,
    PORTKIT_XFER_CHAR_TIMEOUT = -617,
    PORTKIT_XFER_LOST_CARRIER = -618,
    PORTKIT_XFER_NO_FILES = -619,
    PORTKIT_XFER_SHOULD_SKIP = -620,
    PORTKIT_XFER_BPLUS_SEQUENCE = -621,
    PORTKIT_XFER_BPLUS_PACKET = -622,
    PORTKIT_XFER_ENGINE_FAILED = -623,
};

typedef struct PortStructure PortStructure;
struct TransferRecord;

/* Receives one zero-terminated line of a port status dump. */
typedef void (*PortLinePrinter)(const char *line);

/* The 24 driver operation slots, in slot order. */
typedef struct DriverFunctions {
    int (*ReadChar)(PortStructure *port);
    int (*PeekChar)(PortStructure *port);
    int (*WriteChar)(PortStructure *port, int c);
    int (*PortClose)(PortStructure *port);
    int (*PortSet)(PortStructure *port, long baud_rate, int parity, int word_length, int stop_bits);
    int (*UseXonXoff)(PortStructure *port, int on);
    int (*UseRtsCts)(PortStructure *port, int on);
    int (*UseDtrDsr)(PortStructure *port, int on);
    int (*SetDtr)(PortStructure *port, int on);
    int (*SetRts)(PortStructure *port, int on);
    int (*SpaceFreeInTXBuffer)(PortStructure *port);
    int (*SpaceUsedInTXBuffer)(PortStructure *port);
    int (*SpaceFreeInRXBuffer)(PortStructure *port);
    int (*SpaceUsedInRXBuffer)(PortStructure *port);
    int (*ClearTXBuffer)(PortStructure *port);
    int (*WriteBuffer)(PortStructure *port, const char *buffer, unsigned int count);
    int (*ReadBuffer)(PortStructure *port, char *buffer, unsigned int count);
    int (*DumpPortStatus)(PortStructure *port, PortLinePrinter printer);
    int (*SendBreak)(PortStructure *port, int milliseconds);
    int (*GetModemStatus)(PortStructure *port);
    int (*GetLineStatus)(PortStructure *port);
    int (*ClearLineStatus)(PortStructure *port);
    int (*Block)(PortStructure *port, int on);
    void (*ClearError)(PortStructure *port);
} DriverFunctions;

typedef struct DSInstanceData DSInstanceData;

/* One open port. Zero-filled when allocated. */
struct PortStructure {
    void *driver_data;       /* the driver's own record */
    PortStructure *next;     /* open-port list link */
    int32_t handle;          /* driver's handle; the serial driver stores the port number */
    int32_t status;          /* sticky last status code */
    signed char driver_type; /* 15 serial driver, -1 out-of-memory port, 0 unclaimed */
    int32_t dialing_method;
    int32_t count; /* bytes moved by the last buffer call */
    DriverFunctions functions;
    DSInstanceData *instance_data;
    /* Came later; the fields above keep their places. */
    int32_t system_error; /* the system's code for the last failure: errno, or GetLastError() */
};

/* Hook types. A negative result from a wait hook ends the wait with that code. */
typedef int (*PortIdleFunction)(PortStructure *port);
typedef int (*AbortModemFunction)(PortStructure *port);
typedef FILE *(*XferFileOpenFunction)(struct TransferRecord *record, const char *file_name, const char *mode);
typedef int (*AbortXferFunction)(struct TransferRecord *record);
typedef const char *(*UserErrorNameFunction)(int code);
typedef int (*ModemEchoFunction)(int c);

/* Per-process settings record. Created on first use, never released. */
struct DSInstanceData {
    PortIdleFunction port_idle_function;
    AbortModemFunction abort_modem_function;
    XferFileOpenFunction xfer_file_open_function;
    AbortXferFunction abort_xfer_function;
    int32_t abort_request;
    void *spare_pointer;
    int32_t abort_key;
    UserErrorNameFunction error_name_function;
    unsigned char marker[2];
    int32_t modem_wait;
    const char *modem_reply;
    ModemEchoFunction modem_echo_function;
    int32_t modem_abort_key;
    int32_t rx_buffer_size;
    int32_t tx_buffer_size;
    void *owner;
    int32_t use_count;
};

/* Modem status bits (8250 modem status register layout). */
#define PORTKIT_MS_CTS 0x10
#define PORTKIT_MS_DSR 0x20
#define PORTKIT_MS_RI 0x40
#define PORTKIT_MS_CD 0x80
/* Line status bits (8250 line status register layout). */
#define PORTKIT_LS_OVERRUN 0x02
#define PORTKIT_LS_PARITY 0x04
#define PORTKIT_LS_FRAMING 0x08
#define PORTKIT_LS_BREAK 0x10

/* Generic port calls: each calls the port's slot of the same name. */
PORTKIT_API int PWReadChar(PortStructure *port);
PORTKIT_API int PWPeekChar(PortStructure *port);
PORTKIT_API int PWWriteChar(PortStructure *port, int c);
PORTKIT_API int PWPortClose(PortStructure *port);
PORTKIT_API int PWPortSet(PortStructure *port, long baud_rate, const char *parity, int word_length, int stop_bits);
PORTKIT_API int PWUseXonXoff(PortStructure *port, int on);
PORTKIT_API int PWUseRtsCts(PortStructure *port, int on);
PORTKIT_API int PWUseDtrDsr(PortStructure *port, int on);
PORTKIT_API int PWSetDtr(PortStructure *port, int on);
PORTKIT_API int PWSetRts(PortStructure *port, int on);
PORTKIT_API int PWSpaceFreeInTXBuffer(PortStructure *port);
PORTKIT_API int PWSpaceUsedInTXBuffer(PortStructure *port);
PORTKIT_API int PWSpaceFreeInRXBuffer(PortStructure *port);
PORTKIT_API int PWSpaceUsedInRXBuffer(PortStructure *port);
PORTKIT_API int PWClearTXBuffer(PortStructure *port);
PORTKIT_API int PWWriteBuffer(PortStructure *port, const char *buffer, unsigned int count);
PORTKIT_API int PWReadBuffer(PortStructure *port, char *buffer, unsigned int count);
PORTKIT_API int PWDumpPortStatus(PortStructure *port, PortLinePrinter printer);
PORTKIT_API int PWSendBreak(PortStructure *port, int milliseconds);
PORTKIT_API int PWGetModemStatus(PortStructure *port);
PORTKIT_API int PWGetLineStatus(PortStructure *port);
PORTKIT_API int PWClearLineStatus(PortStructure *port);
PORTKIT_API int PWBlock(PortStructure *port, int on);
/* The operating system's own reason for the port's last failure (an open
 * that failed included): its code (errno on POSIX, GetLastError() on
 * Windows; 0 when the system gave none), and its words, copied into
 * `buffer` (cut to `size` - 1 characters). The text call returns the
 * length copied, 0 when there is no reason to give. */
PORTKIT_API int PWGetSystemError(PortStructure *port);
PORTKIT_API int PWGetSystemErrorText(PortStructure *port, char *buffer, int size);

/* Clears the port's status; returns 0. */
PORTKIT_API int PWClearError(PortStructure *port);

/* Field getters. */
PORTKIT_API int PWGetPortStatus(PortStructure *port);
PORTKIT_API int PWGetPortHandle(PortStructure *port);
PORTKIT_API int PWGetPortDriverType(PortStructure *port);
PORTKIT_API int PWGetPortDialingMethod(PortStructure *port);
PORTKIT_API int PWGetPortCount(PortStructure *port);

/* Derived status tests. A "true" line test answers the bit's own value. */
PORTKIT_API int IsTXFull(PortStructure *port);
PORTKIT_API int IsTXEmpty(PortStructure *port);
PORTKIT_API int IsRXFull(PortStructure *port);
PORTKIT_API int IsRXEmpty(PortStructure *port);
PORTKIT_API int GetCts(PortStructure *port);
PORTKIT_API int GetDsr(PortStructure *port);
PORTKIT_API int GetRi(PortStructure *port);
PORTKIT_API int GetCd(PortStructure *port);
PORTKIT_API int GetOverrunError(PortStructure *port);
PORTKIT_API int GetParityError(PortStructure *port);
PORTKIT_API int GetFramingError(PortStructure *port);
PORTKIT_API int GetBreakDetect(PortStructure *port);

/* Default slot routines. */
PORTKIT_API int _GenericNotSupportedA(PortStructure *port);
PORTKIT_API int _GenericNotSupportedB(PortStructure *port, int value);
PORTKIT_API int _GenericNotSupportedC(PortStructure *port, long baud_rate, int parity, int word_length, int stop_bits);
PORTKIT_API int _GenericNotSupportedD(PortStructure *port, const char *buffer, unsigned int count);
PORTKIT_API int _GenericNotSupportedE(PortStructure *port, char *buffer, unsigned int count);
PORTKIT_API int _GenericNotSupportedG(PortStructure *port, PortLinePrinter printer);
PORTKIT_API int _GenericPortClose(PortStructure *port);
PORTKIT_API void _DefaultClearError(PortStructure *port);

/* Driver support. */
PORTKIT_API void _InitializeDriverFunctions(PortStructure *port);
PORTKIT_API void _FreePort(PortStructure *port);
PORTKIT_API PortStructure *_OutOfMemoryPort(void);
PORTKIT_API void _close_all_ports(void);

/* Allocation: zero-filled blocks, or null. */
PORTKIT_API void *AllocateDriverStructure(unsigned int size);
PORTKIT_API void *AllocateGenericStructure(unsigned int size);
PORTKIT_API void *AllocateXferBuffer(unsigned int size);
PORTKIT_API void FreeDriverStructure(void *block);
PORTKIT_API void FreeGenericStructure(void *block);
PORTKIT_API void FreeXferBuffer(void *block);
/* Numbered allocation: port numbers outside 0..34 get null / nothing. */
PORTKIT_API void *AllocateDrossantPortStructure(int port_number, unsigned int size);
PORTKIT_API void *AllocateTXBuffer(int port_number, unsigned int size);
PORTKIT_API void *AllocateRXBuffer(int port_number, unsigned int size);
PORTKIT_API void FreeDrossantPortStructure(int port_number, void *block);
PORTKIT_API void FreeTXBuffer(int port_number, void *block);
PORTKIT_API void FreeRXBuffer(int port_number, void *block);

/* Per-process settings. */
PORTKIT_API void SetDefaultBufferSize(int rx_size, int tx_size);
PORTKIT_API void SetDefaultAbortKey(int key);
PORTKIT_API DSInstanceData *GetDSInstanceDataPtr(void);
PORTKIT_API DSInstanceData *AddInstanceData(void);
PORTKIT_API DSInstanceData *AddOrGetDSInstanceData(void);

/* Status codes and names. */
PORTKIT_API const char *CommErrorName(int code);
/* A null function restores the built-in messages. */
PORTKIT_API void SetUserErrorNameFunctionPtr(UserErrorNameFunction function);
PORTKIT_API const char *AsciiControlCharacterName(int c);

/* Time base and hooks. */
PORTKIT_API int32_t ElapsedTime(void);
PORTKIT_API int asitime(void);
PORTKIT_API int PortKillTime(PortStructure *port, int milliseconds);
/* A null function restores the default hook. */
PORTKIT_API void SetPortIdleFunctionPtr(PortIdleFunction function);
PORTKIT_API void SetAbortModemFunctionPtr(AbortModemFunction function);

PORTKIT_END_DECLS

#endif
