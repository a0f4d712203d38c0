// The host's attention check: a long-running engine routine asks whether the user interrupted.
#pragma once
#include "host/export.h"

// Attention check before traces and long loops: 0 when the run may go on. The qor host has no
// interrupt key, so it always answers 0.
QOR_HOST_API int xaktkiof();
