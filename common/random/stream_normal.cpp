// Standard normal numbers of a random stream by Marsaglia's polar method, one at a time (a second
// value waits in the cache) or a whole output array per call.
#include <cmath>

#include "common/random/random_stream.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// One accepted pair through the cache's two doubles: returns the first value, the second stays in
// cache->value[1] (the caller decides whether it waits).
double polar_pair(random_stream* stream) {
    normal_cache* c = stream->normal;
    double z1, z2, s;
    do {
        c->value[0] = rnd_uniform(stream->state);
        c->value[1] = rnd_uniform(stream->state);
        z1 = 2.0 * c->value[0] - 1.0;
        z2 = 2.0 * c->value[1] - 1.0;
        s = z1 * z1 + z2 * z2;
    } while (s >= 1.0);
    double f = std::sqrt(-2.0 * std::log(s) / s);
    c->value[0] = z2 * f;    // the waiting value is kept first
    return z1 * f;
}

// Fill out[0..even-1] (even length) with normals: uniforms go straight into the array, each accepted
// pair is turned into two normals in place at the front, and the gap is drawn again until full.
void fill_even(random_stream* stream, double* out, int32_t even) {
    int32_t done = 0;
    while (done < even) {
        for (int32_t i = done; i < even; ++i) out[i] = rnd_uniform(stream->state);
        int32_t write = done;
        for (int32_t i = done; i + 1 < even; i += 2) {
            double z1 = 2.0 * out[i] - 1.0;
            double z2 = 2.0 * out[i + 1] - 1.0;
            double s = z1 * z1 + z2 * z2;
            if (s >= 1.0) continue;
            double f = std::sqrt(-2.0 * std::log(s) / s);
            out[write++] = z1 * f;
            out[write++] = z2 * f;
        }
        done = write;
    }
}

}  // namespace

double zrndnor(random_stream* stream) {
    normal_cache* c = stream->normal;
    stream->status = RND_OK;
    if (!stream->output) {
        if (stream->count != 1) {
            stream->status = RND_NO_OUTPUT;
            xebug("zrndnor: count %i without an output array.", stream->count);
            return qor::missing();
        }
        if (c->waiting) {
            c->waiting = 0;
            return c->value[0];
        }
        double first = polar_pair(stream);
        c->waiting = 1;
        return first;
    }
    if (stream->count < 0) {
        stream->status = RND_BAD_COUNT;
        xebug("zrndnor: negative count %i.", stream->count);
        return qor::missing();
    }
    double* out = stream->output;
    int32_t left = stream->count;
    if (left == 0) return 0.0;
    if (c->waiting) {
        *out++ = c->value[0];
        c->waiting = 0;
        --left;
    }
    int32_t even = left - left % 2;
    fill_even(stream, out, even);
    if (left % 2) {
        out[even] = polar_pair(stream);
        c->waiting = 1;
    }
    return 0.0;
}
