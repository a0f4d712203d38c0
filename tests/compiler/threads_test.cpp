// One program, several instances: 8 instances on 8 threads give the same bits as one
// instance over the same 100,000 market states, and the values match the closed forms.
#include <cmath>
#include <cstring>
#include <thread>

#include "common/distributions/normal.h"
#include "tests/compiler/compiler_fixture.h"
#include "tests/compiler/pricing_methods.h"

namespace {

constexpr long kStates = 100000;

void price_range(Compiled& p, int block, long from, long to, std::vector<double>& out) {
    cmp_instance* in = p.instance(block);
    void** bases = cmpbasev(in);
    int mkt = cmpbasei(p.session, "_ZOZU_MKT_INST_", -1);
    int val = cmpbasei(p.session, "_ZOZU_VALUE_INST_", -1);
    Instrument inst{100, 1.5, 2.5, 100};
    bases[val] = &inst;
    MarketState st{};
    bases[mkt] = &st;
    double* call = cmppdva(in, cmpsyms(p.session, "CALL_VALUE", -1));
    double* bond = cmppdva(in, cmpsyms(p.session, "BOND_VALUE", -1));
    for (long i = from; i < to; ++i) {
        st = state_of(i);
        if (cmpfrun(in, static_cast<double>(i)) != 0) return;
        out[2 * i] = *call;
        out[2 * i + 1] = *bond;
    }
}

TEST(Instances, EightThreadsMatchOneInstanceBitForBit) {
    Compiled p;
    declare_pricing_structures(p.session);
    std::vector<std::string> prog = pricing_program();
    prog.insert(prog.end(), {"runmethod black_scholes;", "runmethod bond;"});
    ASSERT_TRUE(p.build(prog, 9));
    std::vector<double> one(2 * kStates, -1), eight(2 * kStates, -2);
    price_range(p, 8, 0, kStates, one);
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&, t] { price_range(p, t, t * kStates / 8, (t + 1) * kStates / 8, eight); });
    for (auto& th : threads) th.join();
    EXPECT_EQ(std::memcmp(one.data(), eight.data(), one.size() * sizeof(double)), 0);
    // independent closed forms at a few states
    for (long i : {0L, 12345L, 99999L}) {
        MarketState s = state_of(i);
        double T = 1.5, K = 100;
        double d1 = (std::log(s.spot / K) + (s.rate + 0.5 * s.vol * s.vol) * T) / (s.vol * std::sqrt(T));
        double d2 = d1 - s.vol * std::sqrt(T);
        double bs = s.spot * zprbnrm(d1) - K * std::exp(-s.rate * T) * zprbnrm(d2);
        // a 20-payment annuity in closed form: c * q (1 - q^20) / (1 - q) with q = exp(-r/2)
        double q = std::exp(-s.rate * 0.5);
        double bond = 2.5 * q * (1 - std::pow(q, 20)) / (1 - q) + 100 * std::exp(-s.rate * 10);
        EXPECT_NEAR(one[2 * i], bs, 1e-9) << i;
        EXPECT_NEAR(one[2 * i + 1], bond, 1e-9) << i;
    }
}

}  // namespace
