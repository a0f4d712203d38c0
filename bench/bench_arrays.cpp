// Loading a 60-element curve into its array and storing it back (rskaryl + rskarys) against
// plain C++ loops over the same element variables; prints the time ratio and checks both agree.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "bench/bench_support.h"
#include "engine/model/arrays/arrays.h"
#include "engine/model/variables/variable_record.h"

namespace {

constexpr int kElements = 60;

// A curve as a run lays it out: each element variable has its own value storage, and the
// array has its vector of values and its vector of element pointers.
struct Curve {
    std::vector<std::unique_ptr<RSKVARIABLE>> elements;
    std::vector<std::unique_ptr<double>> element_values;
    std::vector<RSKVARIABLE*> element_pointers;
    std::vector<double> values = std::vector<double>(kElements);
    RSKVARIABLE array{};

    Curve() {
        for (int i = 0; i < kElements; ++i) {
            elements.push_back(std::make_unique<RSKVARIABLE>());
            element_values.push_back(std::make_unique<double>(0.01 + 0.0001 * i));
            elements.back()->value = element_values.back().get();
            element_pointers.push_back(elements.back().get());
        }
        std::memset(static_cast<void*>(&array), 0, sizeof array);
        array.data_type = RSKDTYPE_ARRAY;
        array.element_count = kElements;
        array.elements = element_pointers.data();
        array.elements_allocated = kElements;
        array.value = values.data();
    }
};

// The reference: the same copies written as plain loops over the same element variables, as a
// caller would write them by hand (same layout, same indirection, no checks).
struct PlainCurve {
    std::vector<RSKVARIABLE*> elements;
    std::vector<double> values = std::vector<double>(kElements);
    explicit PlainCurve(Curve& curve) : elements(curve.element_pointers) {}
    void load() {
        for (size_t i = 0; i < kElements; ++i) values[i] = *static_cast<const double*>(elements[i]->value);
    }
    void store() {
        for (size_t i = 0; i < kElements; ++i) *static_cast<double*>(elements[i]->value) = values[i];
    }
};

void BM_LoadStoreArray(benchmark::State& state) {
    Curve curve;
    for (auto _ : state) {
        rskaryl(nullptr, &curve.array);
        curve.values[0] += 1e-12;
        rskarys(nullptr, &curve.array);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LoadStoreArray);

void BM_LoadStorePlainLoop(benchmark::State& state) {
    Curve curve;
    PlainCurve plain(curve);
    for (auto _ : state) {
        plain.load();
        plain.values[0] += 1e-12;
        plain.store();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LoadStorePlainLoop);

template <typename Work>
double nanoseconds_per_round(Work work) {
    const int rounds = 2000000;
    double best = 1e30;
    for (int repeat = 0; repeat < 5; ++repeat) {
        auto start = std::chrono::steady_clock::now();
        for (int r = 0; r < rounds; ++r) {
            work();
            benchmark::ClobberMemory();
        }
        std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / rounds);
    }
    return best;
}

void print_ratio() {
    Curve ours;
    Curve theirs;
    PlainCurve plain(theirs);
    const double ours_ns = nanoseconds_per_round([&] {
        rskaryl(nullptr, &ours.array);
        ours.values[7] += 1e-9;
        rskarys(nullptr, &ours.array);
    });
    const double plain_ns = nanoseconds_per_round([&] {
        plain.load();
        plain.values[7] += 1e-9;
        plain.store();
    });
    // Both did the same number of rounds from the same start: the element values must agree.
    bool same = true;
    for (int i = 0; i < kElements; ++i)
        same = same && *ours.element_values[static_cast<size_t>(i)] == *theirs.element_values[static_cast<size_t>(i)];
    std::printf("%s\n", bench::machine_line().c_str());
    std::printf("rskaryl+rskarys on %d elements %.1f ns, plain C++ loops %.1f ns, ratio %.2f, results %s\n",
                kElements, ours_ns, plain_ns, ours_ns / plain_ns, same ? "agree" : "DIFFER");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    print_ratio();
    benchmark::Shutdown();
    return 0;
}
