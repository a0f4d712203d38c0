// Blocks of filter expression texts in the control structure's current pool, and the report of
// an expression that would pass the filter's length limit.
#pragma once
#include <cstddef>
#include "engine/model/filters/filters.h"

// A block of `bytes` from the current pool; null after 598/2797 (once per control structure).
char* rsk_filter_block(RSKCON* con, size_t bytes, const char* label);
// Reports with 598/2182 that the filter's expression would pass kRskFilterTextLimit.
void rsk_filter_too_long(RSKCON* con, const RSKFILTER* filter);
