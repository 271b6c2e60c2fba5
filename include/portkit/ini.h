/*
 * portkit INI store: named settings kept in a text file of [section] lines
 * and key=value lines, read into memory, changed and written back. Section
 * and key names are matched without regard to ASCII case.
 */
#ifndef PORTKIT_INI_H
#define PORTKIT_INI_H

#include "portkit/export.h"

PORTKIT_BEGIN_DECLS

typedef struct PBIniStore PBIniStore;

/* A new, empty store for the file named after `file_name`: its directories
 * and drive are dropped and its extension becomes ".INI" (D:\DIR\TERM.CFG
 * gives TERM.INI, relative to the current directory). Null when memory is
 * short; a null name gives a store that cannot be read or written. */
PORTKIT_API PBIniStore *PBConstruct(const char *file_name);
/* Merges the file into the store; the number of lines read, 0 when the file
 * cannot be opened. */
PORTKIT_API int PBReadIniFile(PBIniStore *store);
/* Sets `key` in `section`, creating either; the key keeps the letter case
 * given last. 1, or 0 when a record could not be made or when the file would
 * not give back what was given: a null, a CR or LF anywhere, an '=' in the
 * key or a key opening with '['. Nothing is stored then. */
PORTKIT_API int PBAddKey(PBIniStore *store, const char *section, const char *key, const char *value);
/* The value (owned by the store), or null when there is none. */
PORTKIT_API char *PBFindValue(PBIniStore *store, const char *section, const char *key);
/* Replaces the file with the store's contents; does nothing when it cannot. */
PORTKIT_API void PBWriteIniFile(PBIniStore *store);
PORTKIT_API void PBDestroy(PBIniStore *store);

PORTKIT_END_DECLS

#endif
