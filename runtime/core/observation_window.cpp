// The window of observations that OPTIONS FIRSTOBS= and OBS= leave to a reader.
#include "runtime/core/observation_window.h"

#include <algorithm>

#include "host/options.h"

namespace qor::runtime {

ObservationWindow observation_window(int64_t observations) {
    long first = 1, last = 0;
    if (xoptigt("FIRSTOBS", &first) != 0 || first < 1) first = 1;
    if (xoptigt("OBS", &last) != 0) last = static_cast<long>(observations);
    ObservationWindow w;
    w.first = first;
    w.last = std::min<int64_t>(last, observations);
    return w;
}

}  // namespace qor::runtime
