// Cauchy variates by the ratio of a uniform point in a disc, and class indices drawn from a
// table of probabilities used as they stand.
#include "common/random/random_stream.h"
#include "host/missing.h"
#include "host/print.h"

double zrndcau(random_stream* stream) {
    double x, y;
    do {
        x = rnd_uniform(stream->state) - 0.5;
        y = rnd_uniform(stream->state) - 0.5;
    } while (x * x + y * y > 0.25);
    return x / y;
}

double zrndtbl(int32_t n, const double* probabilities, random_stream* stream) {
    if (n <= 0) return 1.0;
    if (!probabilities) {
        xebug("zrndtbl: no probabilities for %i classes.", n);
        return qor::missing();
    }
    double u = rnd_uniform(stream->state);
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        sum += probabilities[i];
        if (sum >= u) return i + 1.0;
    }
    // Probabilities that sum below u still name a class: the last one, never a class n + 1.
    return static_cast<double>(n);
}
