// Speed of the random stream's normal variates at equal work beside two references, timed in turn
// in one loop: the same polar method over std::mt19937 (one 32-bit word per uniform, as ours) and
// std::mt19937_64 with std::normal_distribution; and Sobol points per second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <sstream>
#include <vector>

#include "common/random/low_discrepancy.h"
#include "common/random/random_stream.h"

namespace {

constexpr int kBatch = 4096;

// Marsaglia's polar method over std::mt19937 exactly as the stream does it: a uniform is one
// non-zero 32-bit word times 2^-32, and the second value of each pair waits for the next call.
class PolarOverMt19937 {
public:
    explicit PolarOverMt19937(const std::mt19937& engine) : engine_(engine) {}
    double next() {
        if (waiting_) {
            waiting_ = false;
            return second_;
        }
        double z1, z2, s;
        do {
            z1 = 2.0 * uniform() - 1.0;
            z2 = 2.0 * uniform() - 1.0;
            s = z1 * z1 + z2 * z2;
        } while (s >= 1.0);
        double f = std::sqrt(-2.0 * std::log(s) / s);
        second_ = z2 * f;
        waiting_ = true;
        return z1 * f;
    }

private:
    double uniform() {
        uint32_t w;
        do {
            w = static_cast<uint32_t>(engine_());
        } while (w == 0);
        return static_cast<double>(w) * (1.0 / 4294967296.0);
    }
    std::mt19937 engine_;
    double second_ = 0.0;
    bool waiting_ = false;
};

// A stream and a std::mt19937 in the same state: the engine's textual state (its 624 words, as
// the standard lays it out) is copied into the stream, so both sides draw the same words.
random_stream* stream_like(const std::mt19937& engine) {
    random_stream* s = zrndalo(1);
    std::stringstream text;
    text << engine;
    for (uint32_t& w : s->state->words) text >> w;
    s->state->index = 624;
    return s;
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Totals of the interleaved run, printed after all benchmarks.
struct NormalTimes {
    double ours = 0, polar = 0, std64 = 0, ours_array = 0;
    long long values = 0;
    bool same_values = true;
    double std_sum = 0, std_sum_squares = 0;
} g_times;

// Each iteration makes one batch on every side, in turn, so load changes hit all sides alike.
void BM_NormalSideBySide(benchmark::State& state) {
    std::mt19937 seed_engine(20240611u);
    random_stream* single = stream_like(seed_engine);
    random_stream* array = stream_like(seed_engine);
    PolarOverMt19937 polar(seed_engine);
    std::mt19937_64 engine64(20240611u);
    std::normal_distribution<double> normal;
    std::vector<double> ours(kBatch), ours_array(kBatch), reference(kBatch), std64(kBatch);
    array->count = kBatch;
    array->output = ours_array.data();
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        for (double& v : ours) v = zrndnor(single);
        benchmark::DoNotOptimize(ours.data());
        g_times.ours += seconds_since(t0);

        t0 = std::chrono::steady_clock::now();
        zrndnor(array);
        benchmark::DoNotOptimize(ours_array.data());
        g_times.ours_array += seconds_since(t0);

        t0 = std::chrono::steady_clock::now();
        for (double& v : reference) v = polar.next();
        benchmark::DoNotOptimize(reference.data());
        g_times.polar += seconds_since(t0);

        t0 = std::chrono::steady_clock::now();
        for (double& v : std64) v = normal(engine64);
        benchmark::DoNotOptimize(std64.data());
        g_times.std64 += seconds_since(t0);

        // Same method and same words: the values must be identical, batch by batch.
        if (ours != reference) g_times.same_values = false;
        for (double v : std64) {
            g_times.std_sum += v;
            g_times.std_sum_squares += v * v;
        }
        g_times.values += kBatch;
    }
    state.SetItemsProcessed(state.iterations() * kBatch);
    zrndfre(single);
    zrndfre(array);
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

BENCHMARK(BM_NormalSideBySide)->MinTime(1.0);
BENCHMARK(BM_SobolPoints)->Arg(10)->Arg(100)->Arg(4000);

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    if (g_times.values == 0 || g_times.polar <= 0 || g_times.std64 <= 0) return 0;
    double per = 1e9 / static_cast<double>(g_times.values);
    double mean = g_times.std_sum / static_cast<double>(g_times.values);
    double variance = g_times.std_sum_squares / static_cast<double>(g_times.values) - mean * mean;
    std::printf("\nnormal variates, ns each, sides timed in turn over %lld values\n", g_times.values);
    std::printf("  ours, one per call            %7.2f\n", g_times.ours * per);
    std::printf("  ours, array of %d           %7.2f\n", kBatch, g_times.ours_array * per);
    std::printf("  polar over std::mt19937       %7.2f\n", g_times.polar * per);
    std::printf("  std::mt19937_64 + std::normal %7.2f\n", g_times.std64 * per);
    std::printf("ratio ours (one per call) / reference\n");
    std::printf("  same polar method over std::mt19937   %6.2f  (values %s)\n", g_times.ours / g_times.polar,
                g_times.same_values ? "identical" : "DIFFER");
    std::printf("  std::mt19937_64 + normal_distribution %6.2f  (its mean %.4f, variance %.4f)\n",
                g_times.ours / g_times.std64, mean, variance);
    std::printf("ratio ours (array) / polar over std::mt19937  %6.2f\n", g_times.ours_array / g_times.polar);
    return g_times.same_values ? 0 : 1;
}
