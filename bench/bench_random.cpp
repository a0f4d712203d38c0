// Speed of the random stream's normal variates against std::mt19937 with std::normal_distribution
// (the ratio is printed as a counter), and Sobol points per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <random>
#include <vector>

#include "common/random/low_discrepancy.h"
#include "common/random/random_stream.h"

namespace {

constexpr int kBatch = 4096;

void BM_StdNormal(benchmark::State& state) {
    std::mt19937 engine(1);
    std::normal_distribution<double> normal;
    std::vector<double> out(kBatch);
    for (auto _ : state) {
        for (double& v : out) v = normal(engine);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
}

void BM_StreamNormalSingle(benchmark::State& state) {
    random_stream* s = zrndalo(1);
    std::vector<double> out(kBatch);
    for (auto _ : state) {
        for (double& v : out) v = zrndnor(s);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    zrndfre(s);
}

void BM_StreamNormalArray(benchmark::State& state) {
    random_stream* s = zrndalo(1);
    std::vector<double> out(kBatch);
    s->count = kBatch;
    s->output = out.data();
    for (auto _ : state) {
        zrndnor(s);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    zrndfre(s);
}

// Both in one run so that the ratio compares like with like.
void BM_NormalRatioAgainstStd(benchmark::State& state) {
    random_stream* s = zrndalo(1);
    std::mt19937 engine(1);
    std::normal_distribution<double> normal;
    std::vector<double> out(kBatch);
    double ours = 0.0, theirs = 0.0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (double& v : out) v = normal(engine);
        benchmark::DoNotOptimize(out.data());
        auto t1 = std::chrono::steady_clock::now();
        for (double& v : out) v = zrndnor(s);
        benchmark::DoNotOptimize(out.data());
        auto t2 = std::chrono::steady_clock::now();
        theirs += std::chrono::duration<double>(t1 - t0).count();
        ours += std::chrono::duration<double>(t2 - t1).count();
    }
    state.counters["speedup_vs_std"] = ours > 0.0 ? theirs / ours : 0.0;
    zrndfre(s);
}

void BM_SobolPoints(benchmark::State& state) {
    qor_pool* pool = xmpoolc(2828, 1024, 6);
    const int dimension = static_cast<int>(state.range(0));
    sobol_generator* g = zsoboli(dimension, pool);
    std::vector<double> out(dimension);
    for (auto _ : state) {
        if (g->counter >= (1u << 30) - 2) g->counter = 0;
        zsobol(out.data(), g);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(state.iterations());
    xmpoold(pool);
}

}  // namespace

BENCHMARK(BM_StdNormal);
BENCHMARK(BM_StreamNormalSingle);
BENCHMARK(BM_StreamNormalArray);
BENCHMARK(BM_NormalRatioAgainstStd);
BENCHMARK(BM_SobolPoints)->Arg(10)->Arg(100)->Arg(4000);
BENCHMARK_MAIN();
