// Reading market data by date (positioning at a date, reading the values at a date into the
// risk factors): the market data reader does not offer these yet, so they say so and fail.
#include "common/module/not_yet.h"
#include "engine/model/services/files.h"

int rskmds0(RSKCON*, mds*, double) { return not_yet_available("rskmds0"); }

int rskmds2(RSKCON*, mds*, double, double* date_out) {
    if (date_out != nullptr) *date_out = 0;
    return not_yet_available("rskmds2") + 1;
}
