// Compiled methods against a vectorised numpy script doing the same work: a book of 10,000
// market states x 100 European calls priced by Black-Scholes, ours as machine code on 1 and on
// 8 threads (an instance per thread), the script single-threaded in a subprocess of the same run.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "common/methods/methods_library.h"
#include "host/compiler.h"
#include "tests/compiler/pricing_in_cpp.h"
#include "tests/compiler/pricing_methods.h"

#ifndef QOR_PEER_SCRIPT
#define QOR_PEER_SCRIPT "bench/peer_numpy_black_scholes.py"
#endif

namespace {

constexpr int kStates = 10000;
constexpr int kOptions = 100;
constexpr long kValuations = static_cast<long>(kStates) * kOptions;
constexpr int kThreads = 8;

// The book, made by the same formulas as the script's.
struct Book {
    std::vector<MarketState> states;
    std::vector<Instrument> options;
    Book() {
        for (int i = 0; i < kStates; ++i) states.push_back(state_of(i));
        for (int j = 0; j < kOptions; ++j)
            options.push_back(Instrument{70 + 0.6 * static_cast<double>(j), 0.25 + 0.05 * static_cast<double>(j), 0, 0});
    }
};

// The Black-Scholes method compiled for the native tier, an instance per thread; each valuation
// binds the instance to its state and option (two stores) and runs the program.
struct Pricer {
    cmp_session* s = nullptr;
    int market = -1, option = -1;
    std::vector<double*> result;
    bool native = true;
    explicit Pricer(const Book& book) {
        cmpints(&s, nullptr);
        cmpopt2(s, CMP_OPTION_TIER, CMP_TIER_NATIVE);
        methods_install_library(s);
        declare_pricing_structures(s);
        std::vector<std::string> prog = pricing_program();
        prog.push_back("runmethod black_scholes;");
        for (const std::string& t : prog) cmpprss(s, t.c_str(), -1, nullptr, 0, nullptr, 0);
        cmpprss(s, CMP_END_MARKER, -1, nullptr, 0, nullptr, 0);
        if (cmpgen(s, kThreads) != 0) std::abort();
        market = cmpbasei(s, "_ZOZU_MKT_INST_", -1);
        option = cmpbasei(s, "_ZOZU_VALUE_INST_", -1);
        for (int b = 0; b < kThreads; ++b) {
            cmp_instance* in = cmpinsb(s, b);
            result.push_back(cmppdva(in, cmpsyms(s, "CALL_VALUE", -1)));
            // the first run compiles; every instance then runs the machine code
            cmpbasev(in)[market] = const_cast<MarketState*>(&book.states[0]);
            cmpbasev(in)[option] = const_cast<Instrument*>(&book.options[0]);
            if (cmpfrun(in, 0) != 0) std::abort();
            native = native && cmptier(in) == CMP_TIER_NATIVE;
        }
    }
    ~Pricer() { cmpends(s); }
    Pricer(const Pricer&) = delete;
    Pricer& operator=(const Pricer&) = delete;

    // States from .. to - 1, every option; value (i, j) goes to out[i * kOptions + j].
    void price(const Book& book, int block, int from, int to, double* out) {
        cmp_instance* in = cmpinsb(s, block);
        void** bases = cmpbasev(in);
        const double* value = result[static_cast<size_t>(block)];
        for (int i = from; i < to; ++i) {
            bases[market] = const_cast<MarketState*>(&book.states[static_cast<size_t>(i)]);
            for (int j = 0; j < kOptions; ++j) {
                bases[option] = const_cast<Instrument*>(&book.options[static_cast<size_t>(j)]);
                if (cmpfrun(in, static_cast<double>(i)) != 0) std::abort();
                out[static_cast<long>(i) * kOptions + j] = *value;
            }
        }
    }
};

// The same book by the C++ formula (scalar, out of line), to show what one thread allows.
void price_in_cpp(const Book& book, double* out) {
    for (int i = 0; i < kStates; ++i)
        for (int j = 0; j < kOptions; ++j)
            out[static_cast<long>(i) * kOptions + j] =
                baseline_black_scholes(book.states[static_cast<size_t>(i)], book.options[static_cast<size_t>(j)]);
}

// What the script printed: "key value" lines, and the sampled values.
struct PeerRun {
    bool ran = false;
    std::string note;   // why it did not run
    std::map<std::string, std::string> fields;
    struct Sample {
        int state, option;
        double value;
    };
    std::vector<Sample> samples;
};

// Debian's interpreter (where python3-numpy installs) unless QOR_PYTHON names another.
std::string python() {
    if (const char* p = std::getenv("QOR_PYTHON")) return p;
    return access("/usr/bin/python3", X_OK) == 0 ? "/usr/bin/python3" : "python3";
}

PeerRun run_peer() {
    PeerRun r;
    std::string command = python() + " '" + QOR_PEER_SCRIPT + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        r.note = "could not start " + command;
        return r;
    }
    std::string out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
    int status = pclose(pipe);
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string key;
        words >> key;
        if (key == "sample") {
            PeerRun::Sample s{};
            if (words >> s.state >> s.option >> s.value) r.samples.push_back(s);
        } else {
            std::string rest;
            std::getline(words >> std::ws, rest);
            r.fields[key] = rest;
        }
    }
    if (r.fields.count("skip")) r.note = "numpy is not installed (" + r.fields["skip"] + ")";
    else if (status != 0 || !r.fields.count("seconds")) r.note = "the script failed: " + command + "\n" + out;
    else r.ran = true;
    return r;
}

double relative_difference(double a, double b) { return std::fabs(a - b) / std::max(std::fabs(b), 1e-300); }

void BM_PeerNumpyBlackScholes(benchmark::State& state) {
    const Book book;
    Pricer pricer(book);
    std::vector<double> one(static_cast<size_t>(kValuations)), eight(static_cast<size_t>(kValuations));
    std::vector<double> cpp(static_cast<size_t>(kValuations));
    bench::Timing on_one, on_eight, cpp_one;
    // Ours before and after the script, the best of each kept, so that a change of load during the
    // run weighs on both sides.
    auto measure = [&] {
        for (int k = 0; k < 5; ++k) {
            on_one.keep_best(bench::seconds_on_threads(1, [&](int) { pricer.price(book, 0, 0, kStates, one.data()); }));
            on_eight.keep_best(bench::seconds_on_threads(kThreads, [&](int t) {
                pricer.price(book, t, t * kStates / kThreads, (t + 1) * kStates / kThreads, eight.data());
            }));
            cpp_one.keep_best(bench::seconds_on_threads(1, [&](int) { price_in_cpp(book, cpp.data()); }));
        }
    };
    for (auto _ : state) {
        measure();
        PeerRun peer = run_peer();
        measure();

        // Every valuation against the C++ formula, bit for bit, and the threads against one thread.
        long identical = 0, same_on_threads = 0;
        double sum = 0;
        for (size_t k = 0; k < one.size(); ++k) {
            identical += std::memcmp(&one[k], &cpp[k], sizeof(double)) == 0;
            same_on_threads += std::memcmp(&one[k], &eight[k], sizeof(double)) == 0;
            sum += one[k];
        }

        std::printf("Black-Scholes book, %d states x %d calls (%s)%s:\n", kStates, kOptions,
                    bench::machine_line().c_str(), pricer.native ? "" : " [NOTE: the program stayed on the VM]");
        std::printf("  ours, native tier: 1 thread %.3g valuations/s, %d threads %.3g valuations/s\n",
                    kValuations / on_one.wall, kThreads, kValuations / on_eight.wall);
        std::printf("  the C++ formula (scalar, out of line), 1 thread: %.3g valuations/s\n", kValuations / cpp_one.wall);
        std::printf("  ours against the C++ formula: %ld of %ld valuations bit-identical; %d threads against 1: %ld "
                    "identical\n",
                    identical, kValuations, kThreads, same_on_threads);
        if (!peer.ran) {
            std::printf("  numpy peer skipped: %s\n", peer.note.c_str());
            continue;
        }
        double numpy_seconds = std::strtod(peer.fields["seconds"].c_str(), nullptr);
        double numpy_sum = std::strtod(peer.fields["sum"].c_str(), nullptr);
        double worst = relative_difference(sum, numpy_sum);
        for (const PeerRun::Sample& s : peer.samples)
            worst = std::max(worst, relative_difference(one[static_cast<size_t>(s.state) * kOptions +
                                                            static_cast<size_t>(s.option)],
                                                        s.value));
        bool agree = worst <= 1e-9 && !peer.samples.empty();
        double ratio_one = numpy_seconds / on_one.wall, ratio_eight = numpy_seconds / on_eight.wall;
        state.counters["vs_numpy_1_thread"] = ratio_one;
        state.counters["vs_numpy_8_threads"] = ratio_eight;
        std::printf("  numpy %s, one thread: %.3g valuations/s\n", peer.fields["numpy"].c_str(),
                    kValuations / numpy_seconds);
        std::printf("  cross-check: sum and %zu sampled values, largest relative difference %.3g (%s)\n",
                    peer.samples.size(), worst, agree ? "agree to 1e-9" : "DISAGREE");
        double numpy_cpu = std::strtod(peer.fields["cpu_seconds"].c_str(), nullptr);
        std::printf("  1 thread: %.2f x numpy's throughput (target >= 1.5: %s); by processor time %.2f\n", ratio_one,
                    ratio_one >= 1.5 ? "met" : "NOT MET", numpy_cpu / on_one.cpu);
        std::printf("  %d threads: %.2f x single-threaded numpy's throughput (target >= 8 on an idle machine: %s)\n",
                    kThreads, ratio_eight, ratio_eight >= 8 ? "met" : "not met");
        if (!agree) state.SkipWithError("the compiled values and numpy's disagree");
    }
}

BENCHMARK(BM_PeerNumpyBlackScholes)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
