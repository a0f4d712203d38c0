// The pricing methods shared by the thread test and the benchmark: a Black-Scholes call and a
// 20-cash-flow bond, read from a market structure and an instrument structure.
#pragma once
#include <string>
#include <vector>

#include "host/compiler.h"

struct MarketState {
    double spot, rate, vol;
};
struct Instrument {
    double strike, maturity, coupon, face;
};

inline std::vector<std::string> pricing_program() {
    return {
        "method black_scholes kind=price 'European call';",
        "sq = sqrt(maturity);",
        "d1 = (log(spot / strike) + (rate + 0.5 * vol * vol) * maturity) / (vol * sq);",
        "d2 = d1 - vol * sq;",
        "call_value = spot * probnorm(d1) - strike * exp(-rate * maturity) * probnorm(d2);",
        "endmethod;",
        "method bond kind=price '20 cash flows';",
        "bond_value = 0;",
        "do k = 1 to 20;",
        "bond_value = bond_value + coupon * exp(-rate * k * 0.5);",
        "end;",
        "bond_value = bond_value + face * exp(-rate * 10);",
        "endmethod;",
    };
}

// The structures the engine would declare: market state and instrument record, members by name.
inline void declare_pricing_structures(cmp_session* s) {
    const cmp_member market[] = {{"SPOT", CMP_MEMBER_NUMBER, 0}, {"RATE", CMP_MEMBER_NUMBER, 8},
                                 {"VOL", CMP_MEMBER_NUMBER, 16}};
    const cmp_member inst[] = {{"STRIKE", CMP_MEMBER_NUMBER, 0}, {"MATURITY", CMP_MEMBER_NUMBER, 8},
                               {"COUPON", CMP_MEMBER_NUMBER, 16}, {"FACE", CMP_MEMBER_NUMBER, 24}};
    cmpinss(s, "_ZOZU_MKT_STRUCT_", -1, market, 3, sizeof(MarketState));
    cmpstri(s, "_ZOZU_MKT_STRUCT_", -1, "_ZOZU_MKT_INST_", -1, 1);
    cmpinss(s, "_ZOZU_VALUE_STRUCT_", -1, inst, 4, sizeof(Instrument));
    cmpstri(s, "_ZOZU_VALUE_STRUCT_", -1, "_ZOZU_VALUE_INST_", -1, 1);
}

// A reproducible market state for state number i.
inline MarketState state_of(long i) {
    double u = static_cast<double>((i * 7919) % 1000) / 1000.0;
    double v = static_cast<double>((i * 104729) % 997) / 997.0;
    return MarketState{80 + 40 * u, 0.01 + 0.04 * v, 0.1 + 0.3 * u * v};
}
