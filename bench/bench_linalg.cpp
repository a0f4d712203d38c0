// Cholesky factorisation and symmetric eigenvalues of covariance matrices (orders 100 and 500):
// our packed routines beside LAPACK dpotrf and dsyev, printing the time ratio ours / LAPACK.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "common/numeric/linalg.h"

#ifdef QOR_HAVE_LAPACK
extern "C" {
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info);
void dsyev_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w,
            double* work, const int* lwork, int* info);
}
#endif

namespace {

// A sample covariance matrix of 2n observations of a three-factor model plus noise (dense, full).
std::vector<double> covariance(int n) {
    unsigned long long s = 42;
    auto next = [&] {
        s = s * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(s >> 11) / 9007199254740992.0 - 0.5;
    };
    int m = 2 * n;
    std::vector<double> x(static_cast<size_t>(m) * n);
    std::vector<double> load(3 * n);
    for (double& v : load) v = next();
    for (int r = 0; r < m; ++r) {
        double f[3] = {next(), next(), next()};
        for (int i = 0; i < n; ++i)
            x[r * n + i] = f[0] * load[i] + f[1] * load[n + i] + f[2] * load[2 * n + i] + 0.3 * next();
    }
    std::vector<double> c(static_cast<size_t>(n) * n, 0.0);
    for (int r = 0; r < m; ++r)
        for (int i = 0; i < n; ++i)
            for (int j = 0; j <= i; ++j) c[i * n + j] += x[r * n + i] * x[r * n + j] / m;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < i; ++j) c[j * n + i] = c[i * n + j];
    return c;
}

std::vector<double> packed(const std::vector<double>& full, int n) {
    std::vector<double> p(n * (n + 1) / 2);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) p[zisub(i, j)] = full[i * n + j];
    return p;
}

void BM_Cholesky_Ours(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    std::vector<double> source = packed(covariance(n), n), a;
    for (auto _ : state) {
        a = source;
        for (int i = 0; i < n; ++i) zchol(i, a.data(), 1e-12);
        benchmark::DoNotOptimize(a.data());
    }
}

void BM_Eigen_Ours(benchmark::State& state) {
    int n = static_cast<int>(state.range(0));
    bool vectors = state.range(1) != 0;
    std::vector<double> source = packed(covariance(n), n), a, w(n), work(zeigwork(n));
    std::vector<double> v(vectors ? static_cast<size_t>(n) * n : 1);
    for (auto _ : state) {
        a = source;
        int rc = zeigen2(n, a.data(), w.data(), vectors ? n : 0, v.data(), work.data());
        if (rc > 0) state.SkipWithError("eigen failed");
        benchmark::DoNotOptimize(w.data());
    }
}

#ifdef QOR_HAVE_LAPACK
void BM_Cholesky_Lapack(benchmark::State& state) {
    int n = static_cast<int>(state.range(0)), info = 0;
    std::vector<double> source = covariance(n), a;
    for (auto _ : state) {
        a = source;
        dpotrf_("U", &n, a.data(), &n, &info);   // column-major upper = our row-major lower
        benchmark::DoNotOptimize(a.data());
    }
}

void BM_Eigen_Lapack(benchmark::State& state) {
    int n = static_cast<int>(state.range(0)), info = 0, lwork = -1;
    const char* job = state.range(1) ? "V" : "N";
    std::vector<double> source = covariance(n), a, w(n);
    double query;
    dsyev_(job, "U", &n, source.data(), &n, w.data(), &query, &lwork, &info);
    lwork = static_cast<int>(query);
    std::vector<double> work(lwork);
    for (auto _ : state) {
        a = source;
        dsyev_(job, "U", &n, a.data(), &n, w.data(), work.data(), &lwork, &info);
        benchmark::DoNotOptimize(w.data());
    }
}
BENCHMARK(BM_Cholesky_Lapack)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Eigen_Lapack)->Args({100, 0})->Args({100, 1})->Args({500, 0})->Args({500, 1})
    ->Unit(benchmark::kMicrosecond);
#endif

BENCHMARK(BM_Cholesky_Ours)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Eigen_Ours)->Args({100, 0})->Args({100, 1})->Args({500, 0})->Args({500, 1})
    ->Unit(benchmark::kMicrosecond);

// Console output plus a record of each run's time per iteration, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> seconds;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& r : runs)
            if (r.iterations > 0) seconds[r.benchmark_name()] = r.GetAdjustedRealTime();
        ConsoleReporter::ReportRuns(runs);
    }
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nratio ours / LAPACK (target: within 3x at order 100)\n");
    for (const auto& [name, ours] : reporter.seconds) {
        auto at = name.find("_Ours");
        if (at == std::string::npos) continue;
        std::string reference = name.substr(0, at) + "_Lapack" + name.substr(at + 5);
        auto ref = reporter.seconds.find(reference);
        if (ref == reporter.seconds.end() || ref->second <= 0) continue;
        std::printf("  %-28s %8.2f\n", name.c_str() + 3, ours / ref->second);
    }
    return 0;
}
