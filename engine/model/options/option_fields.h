// The table that ties each option code to its field in the option record, its default and the
// rule by which rskopts sets it; shared by the option routines.
#pragma once
#include <cstddef>
#include "engine/model/options/engine_options.h"

// Set rules.
enum : int {
    RSKRULE_CLAMP = 1,       // bounded to [low, high]
    RSKRULE_FLAG,            // nonzero -> 1
    RSKRULE_NDENSITY,        // bounded, then raised to a power of two; 598/1424 when changed
    RSKRULE_STORE,           // stored unchanged
    RSKRULE_READONLY,        // never set
    RSKRULE_ARCHIVE,         // an existing directory or empty; 598/1421
    RSKRULE_FORMAT,          // parsed by rskfmt; 598/message
    RSKRULE_UPCASE,          // stored, then upper-cased
    RSKRULE_OUTALL,          // a flag that sets the output flags with it
};

struct RSKOPTFIELD {
    int code;
    int kind;                // RSKOPTF_*
    size_t offset;           // of the field in RSKOPTREC
    int rule;                // RSKRULE_*
    double low, high;        // RSKRULE_CLAMP and RSKRULE_NDENSITY
    double initial;          // default of numeric options
    const char* text;        // default of format options; internal name of double options
    int message;             // RSKRULE_FORMAT
};

// The field of a code, or null.
const RSKOPTFIELD* rskoptfield(int code);
// Every field, in record order, and their number.
extern const RSKOPTFIELD kRskOptFields[];
extern const int kRskOptFieldCount;

// Field access by descriptor.
inline double* opt_double(RSKOPTREC* r, const RSKOPTFIELD* f) {
    return reinterpret_cast<double*>(reinterpret_cast<char*>(r) + f->offset);
}
inline int32_t* opt_int(RSKOPTREC* r, const RSKOPTFIELD* f) {
    return reinterpret_cast<int32_t*>(reinterpret_cast<char*>(r) + f->offset);
}
inline uint8_t* opt_flag(RSKOPTREC* r, const RSKOPTFIELD* f) {
    return reinterpret_cast<uint8_t*>(r) + f->offset;
}
template <typename T>
T* opt_field(RSKOPTREC* r, const RSKOPTFIELD* f) {
    return reinterpret_cast<T*>(reinterpret_cast<char*>(r) + f->offset);
}
template <typename T>
const T* opt_field(const RSKOPTREC* r, const RSKOPTFIELD* f) {
    return reinterpret_cast<const T*>(reinterpret_cast<const char*>(r) + f->offset);
}
