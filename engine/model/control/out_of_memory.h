// Out-of-memory reporting of the engine: message 598/2797 at most once per control structure,
// guarded by its no-memory flag.
#pragma once
#include <cstddef>
#include "engine/tables/control_structure.h"

// Reports that `bytes` could not be allocated for `label`, unless already reported for this
// control structure; sets the no-memory flag either way.
void rsknomem(RSKCON* con, size_t bytes, const char* label);
