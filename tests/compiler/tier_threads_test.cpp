// Instances moving to machine code while other threads run: 8 instances of one program on 8
// threads, started together on the interpreter with a small threshold so that they ask for the
// compiled program at about the same moment, give the bits a single interpreter run gives.
#include <atomic>
#include <cstring>
#include <thread>

#include "tests/compiler/compiler_fixture.h"
#include "tests/compiler/pricing_methods.h"

namespace {

constexpr long kStatesPerThread = 400;
constexpr int kThreads = 8;

// Prices states [from, to) on one instance; out holds two values per state.
void price(Compiled& p, int block, long from, long to, std::vector<double>& out) {
    cmp_instance* in = p.instance(block);
    void** bases = cmpbasev(in);
    Instrument inst{100, 1.5, 2.5, 100};
    MarketState st{};
    bases[cmpbasei(p.session, "_ZOZU_VALUE_INST_", -1)] = &inst;
    bases[cmpbasei(p.session, "_ZOZU_MKT_INST_", -1)] = &st;
    double* call = cmppdva(in, cmpsyms(p.session, "CALL_VALUE", -1));
    double* bond = cmppdva(in, cmpsyms(p.session, "BOND_VALUE", -1));
    for (long i = from; i < to; ++i) {
        st = state_of(i);
        // every 50th state has a volatility of zero: d1 is not a number, the run goes back to the VM
        if (i % 50 == 7) st.vol = 0;
        if (cmpfrun(in, static_cast<double>(i)) != 0) return;
        out[2 * i] = *call;
        out[2 * i + 1] = *bond;
    }
}

std::vector<std::string> program() {
    std::vector<std::string> prog = pricing_program();
    prog.insert(prog.end(), {"runmethod black_scholes;", "runmethod bond;"});
    return prog;
}

TEST(TierThreads, InstancesCrossingTheThresholdTogetherMatchTheInterpreter) {
    const long states = kStatesPerThread * kThreads;
    Compiled reference;
    ASSERT_EQ(cmpopt2(reference.session, CMP_OPTION_TIER, CMP_TIER_VM), 0);
    declare_pricing_structures(reference.session);
    ASSERT_TRUE(reference.build(program()));
    std::vector<double> one(2 * states, -1);
    price(reference, 0, 0, states, one);
    EXPECT_EQ(cmptier(reference.instance()), CMP_TIER_VM);

    for (int round = 0; round < 3; ++round) {
        Compiled p;
        ASSERT_EQ(cmpopt2(p.session, CMP_OPTION_TIER, CMP_TIER_AUTO), 0);
        ASSERT_EQ(cmpopt2(p.session, CMP_OPTION_TIER_THRESHOLD, 50), 0);
        declare_pricing_structures(p.session);
        ASSERT_TRUE(p.build(program(), kThreads));
        std::vector<double> eight(2 * states, -2);
        std::atomic<int> ready{0};
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                ready.fetch_add(1);
                while (ready.load() < kThreads) std::this_thread::yield();
                price(p, t, t * kStatesPerThread, (t + 1) * kStatesPerThread, eight);
            });
        for (auto& th : threads) th.join();
        EXPECT_EQ(std::memcmp(one.data(), eight.data(), one.size() * sizeof(double)), 0) << "round " << round;
        // every instance has moved, or moves within a few more runs once the compile is done
        std::vector<double> scratch(2);
        for (int t = 0; t < kThreads; ++t) {
            for (int extra = 0; extra < 100 && cmptier(p.instance(t)) != CMP_TIER_NATIVE; ++extra)
                price(p, t, 0, 1, scratch);
            EXPECT_EQ(cmptier(p.instance(t)), CMP_TIER_NATIVE) << "instance " << t;
        }
    }
}

}  // namespace
