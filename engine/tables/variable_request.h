// The variable definition request that statement handlers, catalog loaders and data-set readers
// hand to rskvard (vector 381 slot 289); shared by the modules that define variables.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

// Every field not set is zero. Texts are (length, pointer); a negative length means a
// NUL-terminated text.
struct RSKVARDEF {
    int16_t name_length;
    const char* name;
    int16_t label_length;
    const char* label;
    uint32_t data_type;
    int32_t length;
    uint32_t kind;
    uint32_t role;
    int16_t group_length;
    const char* group;
    int32_t drop;
    int32_t nofx;
    int32_t noholding;
    int32_t noshortpos;
    uint32_t varpost;
    int16_t format_length;
    const char* format;
    int16_t currency_length;
    const char* currency;
    int16_t from_currency_length;
    const char* from_currency;
    double maturity;                 // as written, in its unit; the host's missing value = none
    uint32_t maturity_unit;          // time-unit code
    int16_t reference1_length;
    const char* reference1;
    int16_t reference2_length;
    const char* reference2;
    double scale;                    // missing value = none
    int16_t lag_grid_length;
    const char* lag_grid;
    uint32_t measurement_level;
    uint32_t rollup;
    uint32_t comptype;
    RSKENV* environment;             // defining environment; null = none
};
