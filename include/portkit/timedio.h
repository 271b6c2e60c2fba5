/*
 * portkit timed I/O family: character, buffer and string reads and writes
 * that wait, with a time-out in milliseconds (-1: no limit), calling the
 * idle hook on every turn of the wait. They work on any driver through the
 * port's slots; a negative idle-hook result ends the wait with that code.
 */
#ifndef PORTKIT_TIMEDIO_H
#define PORTKIT_TIMEDIO_H

#include "portkit/port.h"

PORTKIT_BEGIN_DECLS

/* Terminators of the string calls; 0..255 is one character. */
#define PORTKIT_TERMINATOR_NONE (-1) /* writing: none; reading: CR LF ends the line */
#define PORTKIT_TERMINATOR_CRLF (-2) /* writing: CR LF; reading: CR LF ends the line */

/* A byte 0..255, or -8 when none came in time. */
PORTKIT_API int ReadCharTimed(PortStructure *port, int timeout);
/* 0 when all `count` bytes came; the port's count holds the bytes read. */
PORTKIT_API int ReadBufferTimed(PortStructure *port, char *buffer, unsigned int count, int timeout);
/*
 * Reads up to the terminator (not stored) into a zero-terminated string of
 * at most size - 1 characters; the port's count holds the characters stored.
 * Gives the port's status at the terminator, -8 at the time-out, -31 when
 * the buffer overflows.
 */
PORTKIT_API int ReadStringTimed(PortStructure *port, char *buffer, unsigned int size, int terminator, int timeout);
/* ReadStringTimed without waiting. */
PORTKIT_API int ReadString(PortStructure *port, char *buffer, unsigned int size, int terminator);

/* Writes retry while the driver answers -9 or -36; at the time-out that code is returned. */
PORTKIT_API int WriteCharTimed(PortStructure *port, int c, int timeout);
/* The port's count holds the bytes written. */
PORTKIT_API int WriteBufferTimed(PortStructure *port, const char *buffer, unsigned int count, int timeout);
/* The string, then the terminator; the port's count holds the string bytes written. */
PORTKIT_API int WriteStringTimed(PortStructure *port, const char *string, int terminator, int timeout);
/* One try at the string and its terminator, no waiting; gives the port's status. */
PORTKIT_API int WriteString(PortStructure *port, const char *string, int terminator);

PORTKIT_END_DECLS

#endif
