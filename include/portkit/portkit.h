/* Every public portkit family. */
#ifndef PORTKIT_PORTKIT_H
#define PORTKIT_PORTKIT_H

#include "portkit/port.h"

#endif
