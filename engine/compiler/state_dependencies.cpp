// State dependencies of variables, which the methods compiler resolves from the compiled
// methods: not offered yet, so the resolution says so and fails, and no variable depends.
#include "common/module/not_yet.h"
#include "engine/model/services/compiler.h"

int rskrsvx(RSKCON*) { return not_yet_available("rskrsvx"); }

int rskrsvv(RSKCON*, RSKVARIABLE*) { return 0; }
