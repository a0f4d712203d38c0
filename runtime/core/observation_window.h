// The observations a reader of data sets honours under the options FIRSTOBS= and OBS=: every
// reader of the runtime (procedures, DATA step, SQL) asks here instead of reading the options.
#pragma once
#include <cstdint>

#include "host/export.h"

namespace qor::runtime {

// Observations first..last (1-based, inclusive) of a data set; empty when last < first.
struct ObservationWindow {
    int64_t first = 1;
    int64_t last = 0;
    int64_t count() const { return last >= first ? last - first + 1 : 0; }
};

// The window of a data set of `observations` observations: from FIRSTOBS through OBS (OBS is the
// number of the last observation read, MAX for all), cut to the data set.
QOR_HOST_API ObservationWindow observation_window(int64_t observations);

}  // namespace qor::runtime
