// The horizon list of a simulation or optimisation definition: corrected, sorted and without
// repeated values, so every later phase may rely on a strictly ascending list.
#include "engine/analyses/horizon_list.h"

#include <algorithm>

#include "host/print.h"

int normalise_horizons(const RSKANALYSIS* analysis, const int32_t* horizons, int32_t count, const char* who,
                       std::vector<int32_t>* out) {
    out->clear();
    if (horizons == nullptr || count <= 0) {
        out->push_back(1);
        return 0;
    }
    for (int32_t i = 0; i < count; ++i) {
        int32_t h = horizons[i];
        if (h < 1) {
            xpmlog(598, 2619, analysis->name.name.length, analysis->name.name.text, h);
            h = 1;
        }
        out->push_back(h);
    }
    std::sort(out->begin(), out->end());
    size_t kept = 1;
    for (size_t i = 1; i < out->size(); ++i) {
        if ((*out)[i] < (*out)[kept - 1]) {
            xebug("%s: bad sort for horizons list.", who);
            return 1;
        }
        if ((*out)[i] != (*out)[kept - 1]) (*out)[kept++] = (*out)[i];
    }
    out->resize(kept);
    return 0;
}
