/*
 * portkit Hayes modem family: AT command lines sent over an open port, with
 * an optional wait for the modem's reply, S-register reads and writes, and a
 * line reader for result codes. Every call but the settings calls takes the
 * port first and returns 0 or a negative status code unless said otherwise.
 *
 * How long a command waits is a per-process setting (HMWaitForOK,
 * HMFixedDelay); by default a command returns once it has left the
 * transmit queue.
 */
#ifndef PORTKIT_MODEM_H
#define PORTKIT_MODEM_H

#include "portkit/port.h"

PORTKIT_BEGIN_DECLS

/* Dialing methods of HMSetDialingMethod. */
#define PORTKIT_DIAL_TONE 0    /* ATDT */
#define PORTKIT_DIAL_PULSE 1   /* ATDP */
#define PORTKIT_DIAL_DEFAULT 2 /* ATD: the modem's own default */

/* A dial command line holds at most 49 characters, prefix and suffix
 * included; a number that would make it longer gives -7 and nothing is
 * sent. Numbers of up to 44 characters always fit. */
#define PORTKIT_MAX_DIAL_NUMBER 44

/* Sending and reading. */

/* Writes the string and terminator (0..255 one character, -1 none, -2 CR LF)
 * and waits until the transmit queue has drained. A queue that stops
 * draining (output held by flow control) ends the wait with -10. */
PORTKIT_API int HMSendStringNoWait(PortStructure *port, const char *string, int terminator);
/* Sends the command and CR, then waits as the settings say: not at all, a
 * fixed delay, or until the expected reply line (-22 when it does not come). */
PORTKIT_API int HMSendString(PortStructure *port, const char *command);
/* Reads one reply line (up to CR; LF dropped) into a zero-terminated buffer
 * of `size` bytes. The milliseconds left of `timeout`, 0 on time-out, or a
 * negative code; -7 when size is below 2. */
PORTKIT_API int HMInputLine(PortStructure *port, int timeout, char *buffer, int size);
/* The value 0..255 of S-register `reg`, -23 when the modem gives none. */
PORTKIT_API int HMGetRegister(PortStructure *port, int reg);
/* Sends ATSreg=value. -7 when the command would pass 11 characters. */
PORTKIT_API int HMSetRegister(PortStructure *port, int reg, int value);

/* Commands. */
PORTKIT_API int HMReset(PortStructure *port);
PORTKIT_API int HMGoOnline(PortStructure *port);
PORTKIT_API int HMAnswer(PortStructure *port);
PORTKIT_API int HMRepeatLastCommand(PortStructure *port);
/* The dial calls send the command and return; read the connect result with
 * HMInputLine. */
PORTKIT_API int HMDial(PortStructure *port, const char *number);
PORTKIT_API int HMDialInAnswerMode(PortStructure *port, const char *number);
PORTKIT_API int HMDialAndReturnToCommandMode(PortStructure *port, const char *number);
/* Setters: a value out of range gives -7 and sends nothing. */
PORTKIT_API int HMSetCarrier(PortStructure *port, int on);                /* ATC 0..1 */
PORTKIT_API int HMSetEchoMode(PortStructure *port, int on);               /* ATE 0..1 */
PORTKIT_API int HMSetFullDuplexMode(PortStructure *port, int on);         /* ATF 0..1 */
PORTKIT_API int HMSetHookSwitch(PortStructure *port, int state);          /* ATH 0..2 */
PORTKIT_API int HMSetSpeaker(PortStructure *port, int mode);              /* ATM 0..2 */
PORTKIT_API int HMReturnNoResultCodes(PortStructure *port, int on);       /* ATQ 0..1 */
PORTKIT_API int HMSelectExtendedResultCodes(PortStructure *port, int on); /* ATX 0..1 */
PORTKIT_API int HMSetVerboseMode(PortStructure *port, int on);            /* ATV 0..1 */

/* S-registers. The character setters take a character code, -128..255
 * (a signed char is taken as its unsigned code); others give -7. */
PORTKIT_API int HMSetAutoAnswerRingCount(PortStructure *port, int rings); /* S0 */
PORTKIT_API int HMGetIncomingRingCount(PortStructure *port);              /* S1 */
PORTKIT_API int HMSetEscapeCode(PortStructure *port, int character);      /* S2 */
PORTKIT_API int HMSetEscapeCodeVB(PortStructure *port, int character);
PORTKIT_API int HMSetEndOfLineCharacter(PortStructure *port, int character); /* S3 */
PORTKIT_API int HMSetEndOfLineCharacterVB(PortStructure *port, int character);
PORTKIT_API int HMSetLineFeedCharacter(PortStructure *port, int character); /* S4 */
PORTKIT_API int HMSetLineFeedCharacterVB(PortStructure *port, int character);
PORTKIT_API int HMSetBackspaceCharacter(PortStructure *port, int character); /* S5 */
PORTKIT_API int HMSetBackspaceCharacterVB(PortStructure *port, int character);
PORTKIT_API int HMSetWaitForDialToneTime(PortStructure *port, int value);   /* S6 */
PORTKIT_API int HMSetWaitTimeForCarrier(PortStructure *port, int value);    /* S7 */
PORTKIT_API int HMSetPauseTimeForComma(PortStructure *port, int value);     /* S8 */
PORTKIT_API int HMSetCDResponseTime(PortStructure *port, int value);        /* S9 */
PORTKIT_API int HMSetCarrierDisconnectTime(PortStructure *port, int value); /* S10 */
PORTKIT_API int HMSetTouchToneDuration(PortStructure *port, int value);     /* S11 */
PORTKIT_API int HMSetEscapeCodeGuardTime(PortStructure *port, int value);   /* S12 */
PORTKIT_API int HMGetUARTStatus(PortStructure *port);                       /* S13 */
PORTKIT_API int HMGetOptionRegister(PortStructure *port);                   /* S14 */
PORTKIT_API int HMGetFlagRegister(PortStructure *port);                     /* S15 */

/* Settings, per process. */

/* Commands wait up to `timeout` ms for the reply line `reply` (kept by
 * pointer; null keeps the reply set before, "OK" at first). */
PORTKIT_API void HMWaitForOK(int timeout, const char *reply);
/* Commands wait a fixed `milliseconds` after sending; 0 does not wait. */
PORTKIT_API void HMFixedDelay(int milliseconds);
/* Called with every character the reply reader takes from the port. */
PORTKIT_API void HMSetUpEchoRoutine(ModemEchoFunction function);
/* Stored for the application; the library does not read it. */
PORTKIT_API void HMSetUpAbortKey(int key);
/* PORTKIT_DIAL_TONE, _PULSE or _DEFAULT; others give -7, also kept as the
 * port's status. */
PORTKIT_API int HMSetDialingMethod(PortStructure *port, int method);

PORTKIT_END_DECLS

#endif
