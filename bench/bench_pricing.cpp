// Speed of pricing positions in every state of a run: (a) a book of positions on PAPC 0 and 8,
// priced states per second and their ratio; (b) one block's loop against the bare compiled-method
// loop over the same states; (c) re-pricing avoidance when 100 of 1,000 states move what the
// method reads. Every part prints a hash of all rows for PAPC 0, 1, 3 and 8, which must agree.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/bench_engine.h"
#include "bench/bench_support.h"
#include "host/anchor.h"
#include "host/kit.h"
#include "host/options.h"
#include "tests/compiler/pricing_methods.h"
#include "tests/engine/pricing_run.h"

namespace {

using bench::seconds_since;

constexpr int kStates = 1000;
const PricingState kBase{100, 0.03, 0.2, 1.0};

long positions_wanted() {
    const char* text = std::getenv("QOR_BENCH_POSITIONS");
    const long n = text != nullptr ? std::atol(text) : 10000;
    return n > 0 ? n : 10000;
}

// FNV-1a over bytes, folded into a running hash.
uint64_t fold(uint64_t h, const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) h = (h ^ b) * 1099511628211ULL;
    return h;
}

// State i of the book: the methods benchmark's market states, other unchanged, so that every
// state moves spot, rate and vol.
PricingState book_state(int i) {
    const MarketState m = state_of(i);
    return PricingState{m.spot, m.rate, m.vol, kBase.other};
}

void fail(const char* what) {
    std::fprintf(stderr, "bench_pricing: %s failed\n", what);
    std::exit(1);
}

// A run of `states` states on PAPC papc with the Black-Scholes method; state i from make(i).
template <typename Make>
void prepare(PricingRun& run, int papc, int states, Make make, bool price_all = false) {
    if (run.prepare(papc, states, black_scholes_main()) != 0) fail("the run's preparation");
    run.run()->price_all_states = price_all ? 1 : 0;
    run.set_base(kBase);
    for (int s = 0; s < states; ++s) run.append_state(s, make(s));
    run.assign_blocks();
    run.need({"spot", "rate", "sigma"});
    run.result(5, 0, states);
}

struct BookRun {
    double seconds;
    uint64_t hash;
    int64_t priced;
};

// Prices `positions` positions (strikes and maturities varying); the rows of each go into the hash.
BookRun price_book(PricingRun& run, long positions) {
    BookRun out{0, 1469598103934665603ULL, 0};
    for (long k = 0; k < positions; ++k) {
        const double strike = 80 + static_cast<double>(k % 41);
        const double maturity = 0.25 + 0.25 * static_cast<double>(k % 8);
        const auto t0 = std::chrono::steady_clock::now();
        if (run.price(strike, maturity) != 0) fail("pricing");
        out.seconds += seconds_since(t0);
        out.hash = fold(out.hash, run.rows());
    }
    for (int i = 0; i < run.run()->thread_count; ++i) out.priced += run.run()->thread_blocks[i].priced;
    return out;
}

// (a) The book on PAPC 0, 1, 3 and 8.
void book(PricingRun& run, long positions) {
    std::printf("(a) %ld positions x %d states, every state moving spot, rate and vol\n", positions, kStates);
    double rate0 = 0, rate8 = 0;
    uint64_t first = 0;
    bool same = true;
    for (int papc : {0, 1, 3, 8}) {
        prepare(run, papc, kStates, book_state);
        const BookRun r = price_book(run, positions);
        const double rate = static_cast<double>(r.priced) / r.seconds;
        std::printf("  PAPC %d: %.3g priced states per second, rows hash %016llx\n", papc, rate,
                    static_cast<unsigned long long>(r.hash));
        if (papc == 0) {
            rate0 = rate;
            first = r.hash;
        }
        if (papc == 8) rate8 = rate;
        same = same && r.hash == first;
        run.finish();
    }
    std::printf("  PAPC 8 against 8 x PAPC 0: %.2f (target 0.85); rows %s\n", rate8 / (8 * rate0),
                same ? "identical" : "DIFFER");
}

// (b) One block: rskex1 and rsktdPP over the states against the bare cmpfrun loop of the methods
// benchmark over the same market states.
void one_block(PricingRun& run) {
    constexpr int kRounds = 20;
    prepare(run, 0, kStates, book_state);
    if (run.price(100, 1.5) != 0) fail("pricing");
    RSKTHREADCTL* block = &run.run()->thread_blocks[0];
    const auto t0 = std::chrono::steady_clock::now();
    for (int r = 0; r < kRounds; ++r) {
        rskex1(run.con, block);
    }
    const double engine = seconds_since(t0) / (kRounds * kStates);

    cmp_session* s = nullptr;
    cmpints(&s, nullptr);
    declare_pricing_structures(s);
    std::vector<std::string> program = pricing_program();
    program.push_back("runmethod black_scholes;");
    for (const std::string& t : program) cmpprss(s, t.c_str(), -1, nullptr, 0, nullptr, 0);
    cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
    if (cmpgen(s, 1) != 0) fail("the bare program");
    cmp_instance* in = cmpinsb(s, 0);
    const Instrument instrument{100, 1.5, 0, 0};
    cmpbasev(in)[cmpbasei(s, "_ZOZU_VALUE_INST_", -1)] = const_cast<Instrument*>(&instrument);
    const int market = cmpbasei(s, "_ZOZU_MKT_INST_", -1);
    std::vector<MarketState> states(kStates);
    for (int i = 0; i < kStates; ++i) states[static_cast<size_t>(i)] = state_of(i);
    double* result = cmppdva(in, cmpsyms(s, "call_value", -1));
    double check = 0;
    for (int i = 0; i < kStates; ++i) {   // warm up, as the engine's instance is
        cmpbasev(in)[market] = &states[static_cast<size_t>(i)];
        cmpfrun(in, i);
    }
    const auto t1 = std::chrono::steady_clock::now();
    for (int r = 0; r < kRounds; ++r)
        for (int i = 0; i < kStates; ++i) {
            cmpbasev(in)[market] = &states[static_cast<size_t>(i)];
            if (cmpfrun(in, i) != 0) fail("the bare run");
            check += *result;
        }
    const double bare = seconds_since(t1) / (kRounds * kStates);
    int agree = 0;
    for (int i = 0; i < kStates; ++i) {
        cmpbasev(in)[market] = &states[static_cast<size_t>(i)];
        cmpfrun(in, i);
        agree += std::memcmp(result, &get_state_value(run.run(), i + 2)[0], sizeof(double)) == 0;
    }
    cmpends(s);
    std::printf("(b) one block: %.1f ns per priced state through rskex1 and rsktdPP, bare cmpfrun %.1f ns: "
                "ratio %.2f (target 1.5); %d of %d values bit-identical (checksum %.6g)\n",
                1e9 * engine, 1e9 * bare, engine / bare, agree, kStates, check);
    run.finish();
}

// (c) 100 states move spot, 900 move other only.
void avoidance(PricingRun& run, long positions) {
    auto make = [](int s) {
        PricingState st = kBase;
        if (s % 10 == 0) st.spot = book_state(s).spot;
        else st.other = 2.0 + s;
        return st;
    };
    std::printf("(c) %ld positions x %d states, 100 moving spot and 900 only other\n", positions, kStates);
    double seconds[2] = {0, 0};
    uint64_t hashes[2] = {0, 0};
    for (int all : {0, 1}) {
        run.con->papc = 0;
        prepare(run, 0, kStates, make, all == 1);
        const BookRun r = price_book(run, positions);
        seconds[all] = r.seconds;
        hashes[all] = r.hash;
        const RSKTHREADCTL* b = &run.run()->thread_blocks[0];
        std::printf("  %s: block 0 priced %lld, reused %lld (%.1f priced per position), %.3f s\n",
                    all ? "price-all-states" : "avoidance", static_cast<long long>(b->priced),
                    static_cast<long long>(b->reused), static_cast<double>(b->priced) / static_cast<double>(positions),
                    r.seconds);
        run.finish();
    }
    uint64_t papc_hash[4] = {0, 0, 0, 0};
    int k = 0;
    for (int papc : {0, 1, 3, 8}) {
        prepare(run, papc, kStates, make);
        papc_hash[k++] = price_book(run, positions / 10 + 1).hash;
        run.finish();
    }
    std::printf("  rows %s with the price-all-states switch; time ratio %.2f; PAPC 0/1/3/8 hashes %s\n",
                hashes[0] == hashes[1] ? "identical" : "DIFFER", seconds[1] / seconds[0],
                papc_hash[0] == papc_hash[1] && papc_hash[0] == papc_hash[2] && papc_hash[0] == papc_hash[3] ? "equal"
                                                                                                          : "DIFFER");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    bench::EngineStep step;
    xoptbst("GENERIC", 1);
    PricingRun run;
    if (run.define(step.con) != 0) fail("the definitions");
    qor_kit* kit = qor_global_gcb()->kit;
    const int processors = kit != nullptr && kit->ops->processor_count != nullptr ? kit->ops->processor_count(kit) : -1;
    std::printf("processor_count %d; %s\n", processors, bench::machine_line().c_str());
    const long positions = positions_wanted();
    book(run, positions);
    one_block(run);
    avoidance(run, positions);
    std::printf("%s\n", bench::machine_line().c_str());
    benchmark::Shutdown();
    return 0;
}
