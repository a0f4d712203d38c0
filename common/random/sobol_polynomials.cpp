// The table of the first 4000 primitive polynomials over GF(2), by degree and then by inner
// coefficient bits, built on first use by testing the multiplicative order of x.
#include <vector>

#include "common/random/low_discrepancy.h"

namespace {

// x^e modulo the polynomial (full bit mask including x^d and 1), arithmetic over GF(2).
uint32_t power_of_x(uint64_t e, uint32_t poly, int degree) {
    uint32_t result = 1, base = 2;
    auto mulmod = [&](uint32_t a, uint32_t b) {
        uint32_t r = 0;
        for (int i = 0; i < degree; ++i) {
            if (b & (1u << i)) r ^= a;
            a <<= 1;
            if (a & (1u << degree)) a ^= poly;
        }
        return r;
    };
    if (degree == 1) base = 2 ^ poly;   // x reduced modulo x + 1
    while (e) {
        if (e & 1) result = mulmod(result, base);
        base = mulmod(base, base);
        e >>= 1;
    }
    return result;
}

// A polynomial with constant term 1 is primitive when x has order exactly 2^d - 1.
bool is_primitive(uint32_t poly, int degree) {
    uint64_t order = (1ull << degree) - 1;
    if (power_of_x(order, poly, degree) != 1) return false;
    uint64_t rest = order;
    for (uint64_t q = 2; q * q <= rest; ++q) {
        if (rest % q) continue;
        while (rest % q == 0) rest /= q;
        if (power_of_x(order / q, poly, degree) == 1) return false;
    }
    if (rest > 1 && rest != order && power_of_x(order / rest, poly, degree) == 1) return false;
    return true;
}

std::vector<sobol_polynomial> build_table() {
    std::vector<sobol_polynomial> table;
    table.reserve(SOBOL_MAX_DIMENSION);
    for (int degree = 1; degree <= 16 && table.size() < SOBOL_MAX_DIMENSION; ++degree) {
        uint32_t inner_count = degree > 1 ? 1u << (degree - 1) : 1u;
        for (uint32_t inner = 0; inner < inner_count && table.size() < SOBOL_MAX_DIMENSION; ++inner) {
            uint32_t poly = (1u << degree) | (inner << 1) | 1u;
            if (is_primitive(poly, degree)) table.push_back({static_cast<uint32_t>(degree), inner, 0});
        }
    }
    return table;
}

}  // namespace

const sobol_polynomial* sobol_polynomials() {
    static const std::vector<sobol_polynomial> table = build_table();
    return table.data();
}
