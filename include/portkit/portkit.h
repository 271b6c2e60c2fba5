/* Every public portkit family. */
#ifndef PORTKIT_PORTKIT_H
#define PORTKIT_PORTKIT_H

#include "portkit/port.h"
#include "portkit/serial.h"
#include "portkit/timedio.h"
#include "portkit/modem.h"
#include "portkit/crc.h"
#include "portkit/transfer.h"
#include "portkit/ini.h"
#include "portkit/emulator.h"
#include "portkit/screen.h"
#include "portkit/dsterm.h"
#include "portkit/textwin.h"
#include "portkit/event_source.h"

#endif
