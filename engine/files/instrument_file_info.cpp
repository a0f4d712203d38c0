// The information member of an instrument utility file, printed by the instrument file reader.
// The reader is not built yet: the routine says so and fails.
#include "common/module/not_yet.h"
#include "engine/model/services/files.h"

int rsktrip(RSKCON*, RSKTFILE*) { return not_yet_available("rsktrip"); }
