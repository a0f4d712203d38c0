// The additive roll-up shared by sensitivity, P/L curve and P/L surface analyses: a child cell's
// area is added into its parent's, element by element, missing values taking over.
#include <cstring>

#include "common/strings/fields.h"
#include "engine/analyses/analysis_phases.h"
#include "engine/run/analysis_processing.h"

int rsasum(RSKCON*, RSKANLPROC* run, RSKANALYSIS*, void* parent, const void* child) {
    if (run == nullptr || parent == nullptr || child == nullptr) return 0;
    const int count = run->cell_size / static_cast<int>(sizeof(double));
    auto* to = static_cast<unsigned char*>(parent);
    const auto* from = static_cast<const unsigned char*>(child);
    // Cell areas are laid out on 4-byte boundaries: doubles are read and written by copy.
    for (int i = 0; i < count; ++i) {
        double sum = 0, add = 0;
        std::memcpy(&sum, to + i * sizeof(double), sizeof sum);
        std::memcpy(&add, from + i * sizeof(double), sizeof add);
        if (wzmis(sum)) continue;
        sum = wzmis(add) ? add : sum + add;
        std::memcpy(to + i * sizeof(double), &sum, sizeof sum);
    }
    return 0;
}
