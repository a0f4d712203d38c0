// The pricing formulas of the methods in C++, as the tests and the methods benchmark compare them:
// compiled out of line in their own translation unit with the project's flags.
#pragma once
#include "tests/compiler/pricing_methods.h"

double baseline_black_scholes(const MarketState& s, const Instrument& i);
double baseline_bond(const MarketState& s, const Instrument& i);
