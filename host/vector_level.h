// The widest vector instructions this processor runs, found once per process, and the choice among
// versions of a routine built for several widths (target attributes) that all give the same bits.
#pragma once
#include <cstdlib>
#include <cstring>
#include <type_traits>

namespace qor {

enum class vector_level { baseline = 0, avx = 1, avx2 = 2, avx512f = 3 };

// The environment variable QOR_VECTOR_LEVEL (baseline, avx, avx2 or avx512f) can lower the level,
// never raise it above what the processor has: the tests run every version through it.
inline vector_level processor_vector_level() {
    static const vector_level level = [] {
        vector_level found = vector_level::baseline;
        __builtin_cpu_init();
        if (__builtin_cpu_supports("avx512f")) found = vector_level::avx512f;
        else if (__builtin_cpu_supports("avx2")) found = vector_level::avx2;
        else if (__builtin_cpu_supports("avx")) found = vector_level::avx;
        const char* cap = std::getenv("QOR_VECTOR_LEVEL");
        if (!cap) return found;
        vector_level wanted = found;
        if (std::strcmp(cap, "baseline") == 0) wanted = vector_level::baseline;
        else if (std::strcmp(cap, "avx") == 0) wanted = vector_level::avx;
        else if (std::strcmp(cap, "avx2") == 0) wanted = vector_level::avx2;
        else if (std::strcmp(cap, "avx512f") == 0) wanted = vector_level::avx512f;
        return wanted < found ? wanted : found;
    }();
    return level;
}

// The widest of the given versions that this processor runs; a null version means none is built
// for that width. Callers keep the answer in a function-local static, so the choice is made once.
template <class Routine>
Routine version_for_processor(Routine baseline, std::type_identity_t<Routine> avx,
                              std::type_identity_t<Routine> avx2, std::type_identity_t<Routine> avx512f) {
    const vector_level level = processor_vector_level();
    if (avx512f && level >= vector_level::avx512f) return avx512f;
    if (avx2 && level >= vector_level::avx2) return avx2;
    if (avx && level >= vector_level::avx) return avx;
    return baseline;
}

}  // namespace qor
