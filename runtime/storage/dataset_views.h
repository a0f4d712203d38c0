// Views inside the runtime: opening a view member runs its stored program through the
// registered view runner and opens the data set the runner produced.
#pragma once
#include <string>

#include "host/dataset.h"

namespace qor::runtime {

// Opens a view of a library for input. 0 or a failure (no runner, no view, damaged view).
int ds_open_view(const std::string& libref, const std::string& member, qor_dataset** out);

}  // namespace qor::runtime
