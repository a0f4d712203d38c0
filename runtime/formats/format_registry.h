// Runtime-internal access to the format registry by code, for the services that format values
// and read texts (the public look-up by name is xfrname in host/formats.h).
#pragma once
#include "host/formats.h"

// The registry row of a format code (1 upwards): its upper-case name and limits.
// 0, or QOR_FORMAT_UNKNOWN for a code that names no row (name and info then untouched).
int qor_format_by_code(int code, const char** name, qor_format_info* info);
