// Opening, drawing from and releasing the random streams of the simulation generators: the
// choice of uniform source, antithetic pairing, the normal transformation, scaling and SHOCKS rows.
#include "engine/analyses/random_streams.h"

#include <cstring>

#include "common/distributions/normal.h"
#include "common/random/low_discrepancy.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/output/result_datasets.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

bool antithetic(int32_t kind) { return kind == RSKRAN_ANTITHETIC_LECUYER || kind == RSKRAN_ANTITHETIC_TWISTER; }
bool twister(int32_t kind) { return kind == RSKRAN_TWISTER || kind == RSKRAN_ANTITHETIC_TWISTER; }

// The antithetic buffer of `dimension` doubles from the caller's pool; its bytes are counted
// against the run's pool. False after 598/2797 with the generator's label.
bool allocate_buffer(RSKCON* con, RSKRANSTREAM* stream, int32_t dimension, qor_pool* pool, const char* label) {
    const size_t bytes = static_cast<size_t>(dimension) * sizeof(double);
    stream->antithetic = static_cast<double*>(xmalloc_labelled(pool, bytes, QOR_ALLOC_ZERO, label));
    if (stream->antithetic == nullptr) {
        rsknomem(con, bytes, label);
        stream->buffer_bytes = 0;
        return false;
    }
    stream->buffer_bytes = static_cast<uint32_t>(bytes);
    if (con != nullptr && con->run_block != nullptr) con->run_block->run_pool_bytes += bytes;
    return true;
}

// The uniforms of one draw into out[0..n-1]: 0, or the source's code.
int draw_uniforms(double* out, int32_t n, RSKRANSTREAM* stream) {
    switch (stream->kind) {
    case RSKRAN_FAURE:
        return zfaure(out, static_cast<faure_generator*>(stream->sequence));
    case RSKRAN_SOBOL:
        return zsobol(out, static_cast<sobol_generator*>(stream->sequence));
    case RSKRAN_LECUYER:
    case RSKRAN_ANTITHETIC_LECUYER:
        return zranu(&stream->congruential, n, out);
    default:
        break;
    }
    // The Twister: one number on its own, or the whole vector through the stream's output.
    if (n == 1) {
        out[0] = rnd_uniform(stream->twister->state);
        return 0;
    }
    stream->twister->count = stream->dimension;
    stream->twister->output = out;
    zrndmt(stream->twister);
    stream->twister->output = nullptr;
    return stream->twister->status;
}

// Whether n values per draw fit the stream: every source can give its dimension, and the
// congruential and Twister sources can also give a single value.
bool count_fits(const RSKRANSTREAM* stream, int32_t n) {
    if (n == stream->dimension) return true;
    return n == 1 && stream->kind >= RSKRAN_LECUYER;
}

// One SHOCKS row per element when the run has that result data set open.
int write_shocks(RSKCON* con, const double* out, int32_t n) {
    RSKRUNRESULTS* results = rskres_run(con);
    if (results == nullptr) return 0;
    RSKRESDS* shocks = &results->descriptors[RSKRES_SHOCKS];
    if (!shocks->open) return 0;
    int rc = 0;
    for (int32_t i = 0; i < n; ++i) {
        results->row.i_ = i + 1;
        results->row.z_ = out[i];
        const int put = rskput(con, shocks);
        if (put > rc) rc = put;
    }
    return rc;
}

}  // namespace

int rsarani(RSKCON* con, int32_t kind, int32_t dimension, int32_t seed, RSKRANSTREAM* stream, qor_pool* pool) {
    if (stream == nullptr) return 1;
    std::memset(stream, 0, sizeof *stream);
    stream->kind = kind;
    stream->dimension = dimension;
    if (dimension < 1) {
        xebug("rsarani: bad dimension %i.", dimension);
        return 1;
    }
    void* sequence = nullptr;
    switch (kind) {
    case RSKRAN_FAURE:
        sequence = zfaurei(dimension, pool);
        if (sequence == nullptr) {
            xebug("rsarani: bad zfaurei.");
            return 1;
        }
        break;
    case RSKRAN_SOBOL:
        sequence = zsoboli(dimension, pool);
        if (sequence == nullptr) {
            xebug("rsarani: bad zsoboli.");
            return 1;
        }
        break;
    case RSKRAN_LECUYER:
    case RSKRAN_ANTITHETIC_LECUYER:
        zranui(&stream->congruential, seed);
        if (antithetic(kind) && !allocate_buffer(con, stream, dimension, pool, "L'Ecuyer random number generator"))
            return 1;
        break;
    case RSKRAN_TWISTER:
    case RSKRAN_ANTITHETIC_TWISTER:
        // A Twister that cannot be made fails this analysis only, never the whole step.
        stream->twister = zrndalo(static_cast<uint32_t>(seed));
        if (stream->twister == nullptr) {
            rsknomem(con, sizeof(random_stream) + sizeof(mt_state), "Twister random number generator");
            return 1;
        }
        stream->twister->count = dimension;
        if (antithetic(kind) && !allocate_buffer(con, stream, dimension, pool, "Twister random number generator")) {
            rsaranf(stream);
            return 1;
        }
        break;
    default:
        xebug("rsarani: Unknown generator kind %i", kind);
        return 1;
    }
    stream->sequence = sequence;
    return 0;
}

int rsaranv(RSKCON* con, double* out, int32_t n, RSKRANSTREAM* stream, double scale) {
    if (stream == nullptr || out == nullptr) return 1;
    ++stream->draws;
    if (stream->kind < RSKRAN_FAURE || stream->kind > RSKRAN_ANTITHETIC_TWISTER) {
        xebug("rsaranv: Unknown random number kind %i", stream->kind);
        return 1;
    }
    if (!count_fits(stream, n)) {
        xebug("rsaranv: %i values asked of a stream of dimension %i.", n, stream->dimension);
        return 1;
    }
    if (twister(stream->kind) && stream->twister == nullptr) return 1;

    // Antithetic streams pair their draws: the even draw mirrors the odd one before it.
    const bool mirror = antithetic(stream->kind) && stream->draws % 2 == 0;
    if (mirror) {
        for (int32_t i = 0; i < n; ++i) out[i] = 1.0 - stream->antithetic[i];
    } else {
        const int rc = draw_uniforms(out, n, stream);
        if (rc != 0) return rc;
        if (antithetic(stream->kind)) std::memcpy(stream->antithetic, out, static_cast<size_t>(n) * sizeof(double));
    }
    for (int32_t i = 0; i < n; ++i) out[i] = zprobit(out[i]) * scale;
    write_shocks(con, out, n);
    return 0;
}

void rsaranf(RSKRANSTREAM* stream) {
    if (stream == nullptr) return;
    if (twister(stream->kind) && stream->twister != nullptr) {
        zrndfre(stream->twister);
        stream->twister = nullptr;
    }
}
