// The pool the numeric routines take their work blocks from: the host's general pool.
// When the host has not named one (unit tests, early start-up), a pool of this library's own serves.
#pragma once
#include "host/pool.h"

enum : int { QOR_ALLOC_GENERAL = 8196 };   // allocation flags of work blocks in the general pool

qor_pool* zgenpool();
