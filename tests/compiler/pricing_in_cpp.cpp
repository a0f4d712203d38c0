// The C++ reference of the pricing methods, kept out of line (its own translation unit, the same
// flags as the rest), so that the benchmark cannot inline it into its loop.
#include "tests/compiler/pricing_in_cpp.h"

#include <cmath>

#include "common/distributions/normal.h"

// The operations in the order the methods write them, so that both sides round alike.
double baseline_black_scholes(const MarketState& s, const Instrument& i) {
    double sq = std::sqrt(i.maturity);
    double d1 = (std::log(s.spot / i.strike) + (s.rate + 0.5 * s.vol * s.vol) * i.maturity) / (s.vol * sq);
    double d2 = d1 - s.vol * sq;
    return s.spot * zprbnrm(d1) - i.strike * std::exp(-s.rate * i.maturity) * zprbnrm(d2);
}

double baseline_bond(const MarketState& s, const Instrument& i) {
    double v = 0;
    for (int k = 1; k <= 20; ++k) v = v + i.coupon * std::exp(-s.rate * k * 0.5);
    return v + i.face * std::exp(-s.rate * 10);
}
