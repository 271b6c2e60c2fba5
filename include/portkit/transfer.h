/*
 * portkit file transfer: the transfer record, option codes, hooks and the
 * protocol entry points. Each entry point runs a whole transfer on the
 * calling thread and returns the number of files moved or a negative status.
 */
#ifndef PORTKIT_TRANSFER_H
#define PORTKIT_TRANSFER_H

#include <stdint.h>
#include <stdio.h>

#include "portkit/port.h"

PORTKIT_BEGIN_DECLS

/* Option codes: 32-bit list elements ended by 0; those marked "arg" take the
 * next element as their argument. */
enum PortkitTransferOption {
    PORTKIT_XFER_NO_OPTION = 1001,
    PORTKIT_XFER_KERMIT_EIGHTH_BIT = 1002,
    PORTKIT_XFER_KERMIT_SEVEN_BIT = 1003,
    PORTKIT_XFER_KERMIT_NO_REPEAT = 1004,
    PORTKIT_XFER_KEEP_PATHS = 1005,
    PORTKIT_XFER_CHECK_CARRIER = 1006,
    PORTKIT_XFER_ABORT_KEY = 1007, /* arg: key */
    PORTKIT_XFER_CHECKSUM = 1008,
    PORTKIT_XFER_DESCEND = 1009,
    PORTKIT_XFER_STREAMING = 1011,
    PORTKIT_XFER_ASCII_TIMEOUT = 1012, /* arg: milliseconds */
    PORTKIT_XFER_ZMODEM_RESUME = 1014,
    PORTKIT_XFER_ZMODEM_BLOCK_DURING_WRITE = 1015,
    PORTKIT_XFER_RESPONSE_TIMEOUT = 1016, /* arg: milliseconds */
    PORTKIT_XFER_ZMODEM_HALF_DUPLEX = 1017,
    PORTKIT_XFER_ZMODEM_NEWER_OR_LONGER = 1018, /* file-management options, one per batch */
    PORTKIT_XFER_ZMODEM_APPEND = 1019,
    PORTKIT_XFER_ZMODEM_REPLACE = 1020,
    PORTKIT_XFER_ZMODEM_DIFFERENT = 1021, /* send when length or time differ */
    PORTKIT_XFER_ZMODEM_PROTECT = 1022,   /* never replace an existing file */
    PORTKIT_XFER_ZMODEM_NEWER = 1023,     /* send when newer than the receiver's copy */
    PORTKIT_XFER_BPLUS_1024 = 1024,       /* arg: byte value */
    PORTKIT_XFER_BPLUS_1025 = 1025,
    PORTKIT_XFER_BPLUS_1026 = 1026,
    PORTKIT_XFER_STATUS_WINDOW = 1027,      /* arg: window handle */
    PORTKIT_XFER_ZMODEM_RETRY_LIMIT = 1028, /* arg: count */
    PORTKIT_XFER_ZMODEM_WINDOW = 1029,      /* arg: bytes */
    /* Receiving, every protocol; not carried by the option block of the
       generic calls. */
    PORTKIT_XFER_EXISTING_FILES = 1030, /* arg: PORTKIT_EXISTING_... */
    PORTKIT_XFER_PARTIAL_NAMES = 1031,  /* write ".NAME.part" until the file is whole */
    /* Kermit, both sides: offer long packets (to 9,024 bytes), sliding
       windows (to 31 packets) and the 16-bit CRC block check; a peer that
       offers none of them gets 94-byte packets, window 1, checksum type 1. */
    PORTKIT_XFER_KERMIT_LONG_PACKETS_AND_WINDOWS = 1032,
    /* ZMODEM sending: stream (no window, listening for the receiver's
       requests) when its ZRINIT offers full duplex and overlapped I/O, as
       sz does; else keep to the window. Not carried by the option block. */
    PORTKIT_XFER_ZMODEM_STREAM = 1033,
    /* Receiving a file the sender names (YMODEM, ZMODEM, Kermit, B+): a name
       or directory beginning with '.' is stored with '_' in its place and a
       message says so, so that a transfer the far end starts plants no hidden
       files. Not carried by the option block. */
    PORTKIT_XFER_NO_HIDDEN_NAMES = 1034
};

/* What a receiver does with a file of the incoming name that is here already
   (option PORTKIT_XFER_EXISTING_FILES). A ZMODEM sender's file-management
   option, when it gives one, decides instead. */
#define PORTKIT_EXISTING_REPLACE 0 /* write over it (the default) */
#define PORTKIT_EXISTING_SKIP                                                                   \
    1                             /* leave it alone: ZMODEM skips the file, the other protocols \
                                     receive it into nothing */
#define PORTKIT_EXISTING_RENAME 2 /* keep it and store the new file as NAME.1 (or .2, ...) */

/* Transfer types, stored in transfer_type. */
enum PortkitTransferType {
    PORTKIT_XMODEM = 0,
    PORTKIT_XMODEM_1K = 1,
    PORTKIT_YMODEM = 2,
    PORTKIT_XMODEM_1K_G = 3,
    PORTKIT_YMODEM_G = 4,
    PORTKIT_KERMIT = 5,
    PORTKIT_ASCII = 6,
    PORTKIT_ZMODEM = 7,
    PORTKIT_BPLUS = 8
};

typedef struct TransferRecord TransferRecord;
typedef struct FileList FileList;

/* The files to send, from a list of names and wildcard patterns and separators. */
struct FileList {
    int (*next)(FileList *list); /* 1: the fields below hold the next file; 0: the end */
    void (*destroy)(FileList *list);
    void *search_state;
    char path_name[512];
    int32_t size;
    int32_t time; /* local-time Unix seconds */
    int32_t year, month, day, hour, minute, second;
    int32_t error;
};

/* Receives each progress and diagnostic line (at most 83 characters). */
typedef void (*XferMessageFunction)(const char *line, TransferRecord *record);

/* A received file whose length differs from what its sender announced is
   written by the protocol's rules, and reported through the message hook in
   a line that starts with this text, followed by "<received> bytes received,
   <announced> announced". */
#define PORTKIT_LENGTH_MISMATCH_LINE "Length mismatch: "
/* A received file that could not be written is reported in a line that
   starts with this text, followed by "<name>: <the system's reason>". */
#define PORTKIT_WRITE_FAILED_LINE "Cannot write "
/* Called at every abort check; its result is ignored. */
typedef int (*XferStatusFunction)(TransferRecord *record);

/* The XMODEM family's part of the protocol area. */
struct XmodemArea {
    int32_t response_timeout; /* sender: milliseconds to wait for start and acknowledgements */
    int32_t last_char;        /* the character before the current one */
    unsigned char crc_mode;   /* 1: CRC-16; 0: additive checksum */
};

/* ZMODEM's part of the protocol area. */
struct ZmodemArea {
    int32_t cancel_count;         /* consecutive CAN seen by the current read */
    int32_t garbage_count;        /* unexpected characters while hunting for a header */
    int32_t receiver_flags;       /* sender: ZF0 of the receiver's ZRINIT */
    int32_t resync_pending;       /* sender: a ZRPOS asks for an empty ZCRCW next */
    int32_t receiver_buffer_size; /* sender: the receiver's buffer length, 0 unlimited */
    int32_t frame_bytes;          /* sender: data bytes since the last ZDATA header */
    unsigned char header_data[4]; /* p0..p3 of the last header read */
    int32_t header_format;        /* 'A', 'B', 'C'; 0 after garbage, -8 after a failed hunt */
    int32_t resume;               /* ask for or allow resuming an interrupted file */
    int32_t block_during_write;   /* receiver: hold the sender off during disk writes */
    int32_t full_duplex;          /* sender: windowed streaming */
    int32_t window_size;          /* sender: unacknowledged bytes allowed */
    int32_t conversion_option;    /* receiver: ZF0 of the incoming ZFILE */
    int32_t management_option;    /* ZF1 of ZFILE */
    int32_t hex_header_seen;      /* 1 after a whole hex header was read */
    int32_t retry_limit;          /* consecutive errors allowed */
    int32_t subpacket_size;       /* sender: size of the current subpacket, at most 1024 */
    int32_t stream_when_offered;  /* sender: stream without a window when the receiver can take it */
};

/* Called with every character an ASCII transfer reads from the port (0-255). */
typedef void (*XferEchoFunction)(int c);

/* ASCII's part of the protocol area. */
struct AsciiArea {
    int32_t receive_timeout;        /* receiver: milliseconds of silence that end it; negative: never */
    XferEchoFunction echo_function; /* null: characters read are dropped */
    int32_t line_delay;             /* sender: milliseconds after each line */
    int32_t char_delay;             /* sender: milliseconds after each character; 0 none */
    unsigned char strip_linefeeds;  /* non-zero: LF is neither sent nor written */
};

/* Kermit's part of the protocol area. */
struct KermitArea {
    int32_t max_packet_length;              /* MAXL in force: 94, then the other side's */
    int32_t eighth_bit_quoting;             /* 1 when 8th-bit prefixing was agreed */
    int32_t seven_bit;                      /* bit 8 cleared on every data byte sent and written */
    unsigned char timeout_seconds;          /* seconds to wait for the start of a packet */
    unsigned char pad_count;                /* NPAD to send before each packet */
    unsigned char pad_char;                 /* PADC */
    unsigned char end_of_line;              /* EOL to send after each packet */
    unsigned char control_prefix;           /* the other side's QCTL */
    unsigned char remote_eighth_bit_prefix; /* the other side's QBIN */
    unsigned char eighth_bit_prefix;        /* ours: 'N', '&', 'Y', or the one agreed */
    unsigned char repeat_mode;              /* 1 on, 0 off, 0xFF take the sender's choice */
    unsigned char remote_repeat_prefix;     /* the other side's REPT */
    unsigned char repeat_prefix;            /* ours */
    unsigned char remote_capabilities;      /* unchar of the other side's CAPAS */
    unsigned char error_sent;               /* an E packet went out already */
    unsigned char long_packets_and_windows; /* option 1032; off when the caller gave the buffer */
    unsigned char check_type;               /* block check in force: 1, or 3 (16-bit CRC) */
    unsigned char window_size;              /* packets in flight agreed: 1 to 31 */
    unsigned char long_packets;             /* 1 when long packets were agreed */
    int32_t send_packet_length;             /* the longest packet the other side takes */
    uint32_t window_filled;                 /* receiver: packets held ahead, by sequence modulo 32 */
    int32_t carried_run;                    /* sender: a run the last field had no room for,
                                               count * 256 + byte; 0 none */
};

/* CompuServe B+'s part of the protocol area; the transport bytes are those
 * of the `+` packet exchanged with the host. */
struct BPlusArea {
    void *bplus_state;             /* the running transfer's state, released at clean-up */
    int32_t window_enabled;        /* 1: our send window goes in the `+` packet */
    int32_t seven_bit_input;       /* 1: characters between packets are masked to 7 bits */
    unsigned char download_resume; /* transport byte 15: a download first offers to resume */
    unsigned char transport_byte_16;
    unsigned char transport_byte_17;
    unsigned char send_window; /* packets we may send ahead */
    unsigned char receive_window;
    unsigned char transport_byte_6;       /* cleared before each packet is handled */
    unsigned char requested_check_method; /* 0 checksum, 1 CRC-16, 2 CCITT CRC-16, 3 CRC-32 */
};

struct TransferRecord {
    FileList *file_list;
    char *file_name;
    int32_t file_block;
    int32_t byte_total;
    int32_t file_length;
    int32_t file_time; /* local-time Unix seconds, -1 unknown */
    XferMessageFunction message_function;
    XferStatusFunction status_function;
    char *buffer;
    FILE *file;
    PortStructure *port;
    int32_t abort_key;
    int32_t file_count;
    int32_t status;
    int32_t block_size;
    int32_t block_check;
    int32_t block_number;
    int32_t check_carrier;
    int32_t error_count;
    int32_t retry_count;
    unsigned char sending;
    unsigned char strip_path;
    uint32_t status_window;
    unsigned char transfer_type;
    union {
        struct XmodemArea xmodem;
        struct ZmodemArea zmodem;
        struct KermitArea kermit;
        struct BPlusArea bplus;
        struct AsciiArea ascii;
        unsigned char reserved[512]; /* room for every protocol's fields */
    } protocol;
    /* Fields below came later; those above keep their places. */
    int32_t file_mode;       /* permission bits a file header carries or carried, -1 unknown */
    int32_t existing_files;  /* receiver: PORTKIT_EXISTING_... */
    int32_t partial_names;   /* receiver: 1 writes each file as ".NAME.part" until it is whole */
    int32_t discarding;      /* receiver: the open file is a sink for a file being skipped */
    char *writing_name;      /* receiver: the name the open file has until it is whole, or null */
    char *final_name;        /* receiver: the name it takes then, when not file_name; or null */
    int64_t byte_total_wide; /* byte_total without its limit: past INT32_MAX, byte_total stays there */
    int32_t no_hidden_names; /* receiver: 1 stores a name beginning with '.' with '_' instead */
};

/* Entry points of the XMODEM family. Options follow the hooks, ended by 0. */
PORTKIT_API int XmodemSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                      XferStatusFunction status, ...);
PORTKIT_API int XmodemReceiveWithOptions(PortStructure *port, const char *file_name, XferMessageFunction message,
                                         XferStatusFunction status, ...);
PORTKIT_API int Xmodem1KSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                        XferStatusFunction status, ...);
PORTKIT_API int Xmodem1KReceiveWithOptions(PortStructure *port, const char *file_name, XferMessageFunction message,
                                           XferStatusFunction status, ...);
PORTKIT_API int YmodemSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                      XferStatusFunction status, ...);
PORTKIT_API int YmodemReceiveWithOptions(PortStructure *port, XferMessageFunction message, XferStatusFunction status,
                                         ...);

/* ZMODEM batches. The sender streams every file that file_spec names;
 * the receiver takes names, lengths and times from the sender. */
PORTKIT_API int ZmodemSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                      XferStatusFunction status, ...);
PORTKIT_API int ZmodemReceiveWithOptions(PortStructure *port, XferMessageFunction message, XferStatusFunction status,
                                         ...);

/* Kermit batches: printable checksummed packets, one acknowledged at a time.
 * Options 1002 (8th-bit prefixing, send only), 1003 (seven bits), 1004 (no
 * repeat compression), 1032 (long packets, sliding windows and the CRC when
 * the other side offers them too). KermitSend and KermitReceive run a record already
 * filled; the result is the number of files moved or a negative status.
 * KermitReceive takes names into file_name, which must hold 81 bytes, or
 * into a buffer of its own when file_name is null. */
PORTKIT_API int KermitSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                      XferStatusFunction status, ...);
PORTKIT_API int KermitReceiveWithOptions(PortStructure *port, XferMessageFunction message, XferStatusFunction status,
                                         ...);
PORTKIT_API int KermitSend(TransferRecord *record);
PORTKIT_API int KermitReceive(TransferRecord *record);

/* CompuServe B+, the terminal side. When the host sends ENQ, answer with
 * CompuServeBPlusRespond (bplus non-zero: DLE + + DLE 0, else DLE 0); when it
 * sends DLE B, call CompuServeBPlusWithOptions, which reads that packet and
 * runs the host's transfer to its end. Options 1024 (arg: check method to
 * ask for), 1025 (transport byte 17), 1026 (offer to resume downloads),
 * 1005 (keep relative paths of names the host gives). Returns 1, or a
 * negative status. */
PORTKIT_API int CompuServeBPlusWithOptions(PortStructure *port, XferMessageFunction message, XferStatusFunction status,
                                           ...);
PORTKIT_API int CompuServeBPlusRespond(PortStructure *port, int bplus);

/* ASCII text without a protocol. The sender writes each file of file_spec
 * in lines of at most 82 characters (a line ends after CR), waiting
 * line_delay milliseconds after each; the receiver writes what arrives to
 * file_name until the line has been quiet for the receive time-out (option
 * 1012, default 10000 ms), which it reports as -617: its normal end.
 * _AsciiSend and _AsciiReceive run a record already filled (the sender
 * needs file_list); they return 1 on success, else 0. */
PORTKIT_API int AsciiSendWithOptions(PortStructure *port, const char *file_spec, XferMessageFunction message,
                                     XferStatusFunction status, XferEchoFunction echo, int strip_linefeeds,
                                     int line_delay, ...);
PORTKIT_API int AsciiReceiveWithOptions(PortStructure *port, const char *file_name, XferMessageFunction message,
                                        XferStatusFunction status, XferEchoFunction echo, int strip_linefeeds, ...);
PORTKIT_API int _AsciiSend(TransferRecord *record);
PORTKIT_API int _AsciiReceive(TransferRecord *record);

/* Any protocol by its transfer-type number. PWSetFileTransferOptions turns
 * an option list ended by 0 or -1 into a block of 28 slots; PWFileSend and
 * PWFileReceive forward the block to the protocol's entry point and always
 * release it. Protocols 3 and 4 are reached through 1 and 2 with option 1011. */
#define PORTKIT_OPTION_BLOCK_SLOTS 28
PORTKIT_API int32_t *PWSetFileTransferOptions(const int32_t *option_list);
PORTKIT_API int PWFileSend(PortStructure *port, int protocol, const char *file_spec, int ascii_flag, int ascii_value,
                           int32_t *options);
PORTKIT_API int PWFileReceive(PortStructure *port, int protocol, const char *file_name, int ascii_flag,
                              int32_t *options);

/* Drops whatever the port's receive queue holds: 0, or a read failure. */
PORTKIT_API int ClearRXBuffer(PortStructure *port);

/* The pad character that fills the last block of every file sent (default 0). */
PORTKIT_API void SetGlobalXmodemPadCharacter(int c);

/* Hooks, process-wide. A null function restores the default. */
PORTKIT_API void SetXferFileOpenFunctionPtr(XferFileOpenFunction function);
PORTKIT_API FILE *_DefaultXferFileOpenFunction(TransferRecord *record, const char *file_name, const char *mode);
PORTKIT_API void SetAbortXferFunctionPtr(AbortXferFunction function);
PORTKIT_API void PWFileTransferAbort(void);

/* Helpers. */
PORTKIT_API char *XferStripPathComponent(char *name);
PORTKIT_API void CloseXferFile(TransferRecord *record);
PORTKIT_API void ProcessTXFile(FileList *entry);
PORTKIT_API int32_t CreateUnixTime(int year, int month, int day, int hour, int minute, int second);

PORTKIT_END_DECLS

#endif
