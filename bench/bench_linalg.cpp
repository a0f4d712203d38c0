// Cholesky factorisation and symmetric eigenvalues of covariance matrices (orders 100 and 500):
// our packed routines beside single-threaded LAPACK dpotrf and dsyevd, timed in turn in one loop,
// results cross-checked, printing the time ratio ours / LAPACK.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/numeric/linalg.h"

#ifdef QOR_HAVE_LAPACK
extern "C" {
void dpotrf_(const char* uplo, const int* n, double* a, const int* lda, int* info);
void dsyevd_(const char* jobz, const char* uplo, const int* n, double* a, const int* lda, double* w,
             double* work, const int* lwork, int* iwork, const int* liwork, int* info);
// Present when LAPACK comes with OpenBLAS, which reads its thread count and kernel choice from
// the environment when it is loaded (see main).
int openblas_get_num_threads() __attribute__((weak));
char* openblas_get_corename() __attribute__((weak));
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

// Row i of the packed lower triangle becomes column i of a column-major upper triangle: the same
// numbers LAPACK reads with uplo "U" (the strict lower part is never read).
void unpack(const std::vector<double>& p, int n, std::vector<double>& full) {
    for (int i = 0; i < n; ++i) std::memcpy(&full[static_cast<size_t>(i) * n], &p[zisub(i, 0)], sizeof(double) * (i + 1));
}

double seconds_since(std::chrono::steady_clock::time_point t0) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// Accumulated times of each comparison and the largest disagreement seen, printed at the end.
struct Comparison {
    double ours = 0, lapack = 0, difference = 0;
    double reference_residual = -1;     // eigenvectors: LAPACK's own residual, for comparison
    const char* measure = "";
};
std::map<std::string, Comparison> g_results;

#ifdef QOR_HAVE_LAPACK
void BM_Cholesky(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> source = packed(covariance(n), n), ours(source.size());
    std::vector<double> full(static_cast<size_t>(n) * n, 0.0);
    Comparison& c = g_results["Cholesky/" + std::to_string(n)];
    c.measure = "max |L - L'| / max |L|";
    int info = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        ours = source;
        zcholf(n, ours.data(), 1e-12, nullptr);
        benchmark::DoNotOptimize(ours.data());
        c.ours += seconds_since(t0);

        t0 = std::chrono::steady_clock::now();
        unpack(source, n, full);
        dpotrf_("U", &n, full.data(), &n, &info);   // column-major upper = our row-major lower
        benchmark::DoNotOptimize(full.data());
        c.lapack += seconds_since(t0);
    }
    double biggest = 0, worst = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            biggest = std::max(biggest, std::fabs(ours[zisub(i, j)]));
            worst = std::max(worst, std::fabs(ours[zisub(i, j)] - full[static_cast<size_t>(i) * n + j]));
        }
    c.difference = info != 0 ? 1.0 : worst / biggest;
}

// Largest residual |A v - l v| over the eigenpairs, relative to the largest eigenvalue; a is full.
double residual(const std::vector<double>& a, int n, const double* w, const double* vectors) {
    double worst = 0, top = 0;
    for (int k = 0; k < n; ++k) top = std::max(top, std::fabs(w[k]));
    std::vector<double> av(n);
    for (int k = 0; k < n; ++k) {
        const double* v = vectors + static_cast<size_t>(k) * n;
        for (int i = 0; i < n; ++i) {
            double s = 0;
            for (int j = 0; j < n; ++j) s += a[static_cast<size_t>(i) * n + j] * v[j];
            worst = std::max(worst, std::fabs(s - w[k] * v[i]));
        }
    }
    return worst / top;
}

void BM_Eigen(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool vectors = state.range(1) != 0;
    const std::vector<double> matrix = covariance(n);
    std::vector<double> source = packed(matrix, n), ours(source.size()), w(n), work(zeigwork(n));
    std::vector<double> v(vectors ? static_cast<size_t>(n) * n : 1);
    std::vector<double> full(static_cast<size_t>(n) * n, 0.0), lw(n);
    const char* job = vectors ? "V" : "N";
    int info = 0, lwork = -1, liwork = -1, iquery = 0;
    double query = 0;
    dsyevd_(job, "U", &n, full.data(), &n, lw.data(), &query, &lwork, &iquery, &liwork, &info);
    lwork = static_cast<int>(query);
    liwork = iquery;
    std::vector<double> lapack_work(lwork);
    std::vector<int> lapack_iwork(liwork);
    Comparison& c = g_results["Eigen/" + std::to_string(n) + (vectors ? "/vectors" : "/values")];
    c.measure = vectors ? "eigenvalues and residual |A v - l v| / max |l|" : "max |l - l'| / max |l|";
    int rc = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        ours = source;
        rc = zeigen2(n, ours.data(), w.data(), vectors ? n : 0, v.data(), work.data());
        benchmark::DoNotOptimize(w.data());
        c.ours += seconds_since(t0);

        t0 = std::chrono::steady_clock::now();
        unpack(source, n, full);
        dsyevd_(job, "U", &n, full.data(), &n, lw.data(), lapack_work.data(), &lwork, lapack_iwork.data(),
                &liwork, &info);
        benchmark::DoNotOptimize(lw.data());
        c.lapack += seconds_since(t0);
    }
    if (rc > 0 || info != 0) {
        state.SkipWithError("eigen failed");
        c.difference = 1.0;
        return;
    }
    // Ours are descending, LAPACK's ascending.
    double worst = 0;
    for (int k = 0; k < n; ++k) worst = std::max(worst, std::fabs(w[k] - lw[n - 1 - k]));
    c.difference = worst / std::fabs(w[0]);
    if (vectors) {
        // LAPACK's vectors are the columns of its column-major result: row k of full, in our layout.
        std::vector<double> descending(static_cast<size_t>(n) * n), lw_descending(n);
        for (int k = 0; k < n; ++k) {
            std::memcpy(&descending[static_cast<size_t>(k) * n], &full[static_cast<size_t>(n - 1 - k) * n], sizeof(double) * n);
            lw_descending[k] = lw[n - 1 - k];
        }
        double mine = residual(matrix, n, w.data(), v.data());
        double theirs = residual(matrix, n, lw_descending.data(), descending.data());
        c.difference = std::max({c.difference, mine, theirs});
        c.reference_residual = theirs;
    }
}

BENCHMARK(BM_Cholesky)->Arg(100)->Arg(500)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Eigen)->Args({100, 0})->Args({100, 1})->Args({500, 0})->Args({500, 1})->Unit(benchmark::kMicrosecond);
#endif

}  // namespace

// The reference as an expert sets it up: OpenBLAS on one thread (ours is single-threaded) with no
// idle pool threads spinning beside the timed one, and its kernels for this processor. Both are
// read when the library is loaded, so the benchmark sets them in the environment and starts
// itself again. A processor OpenBLAS does not know falls back to its oldest kernels (Prescott,
// SSE3); on a processor with 512-bit or 256-bit vectors the matching kernels are named instead,
// unless OPENBLAS_CORETYPE is already set.
void pin_reference(char** argv) {
#ifdef QOR_HAVE_LAPACK
    const char* threads = std::getenv("OPENBLAS_NUM_THREADS");
    const char* core = openblas_get_corename ? openblas_get_corename() : nullptr;
    bool fallback_core = core && std::getenv("OPENBLAS_CORETYPE") == nullptr &&
                         std::strcmp(core, "Prescott") == 0 && __builtin_cpu_supports("avx2");
    if ((threads && std::strcmp(threads, "1") == 0) && !fallback_core) return;
    if (std::getenv("QOR_BENCH_PINNED")) return;   // started again already: do not loop
    setenv("OPENBLAS_NUM_THREADS", "1", 1);
    setenv("QOR_BENCH_PINNED", "1", 1);
    if (fallback_core) setenv("OPENBLAS_CORETYPE", __builtin_cpu_supports("avx512f") ? "SkylakeX" : "Haswell", 1);
    std::fflush(stdout);
    execv("/proc/self/exe", argv);
    std::perror("bench_linalg: cannot start again with the reference pinned");
#else
    (void)argv;
#endif
}

int main(int argc, char** argv) {
    pin_reference(argv);
    benchmark::Initialize(&argc, argv);
#ifdef QOR_HAVE_LAPACK
    std::printf("LAPACK reference: %d thread(s), OpenBLAS kernels %s\n",
                openblas_get_num_threads ? openblas_get_num_threads() : 1,
                openblas_get_corename ? openblas_get_corename() : "(not OpenBLAS)");
#else
    std::printf("LAPACK not found: nothing to compare\n");
#endif
    benchmark::RunSpecifiedBenchmarks();
    bool agree = true;
    std::printf("\nratio ours / LAPACK, sides timed in turn (targets: 1.5 at order 100, 2 at order 500)\n");
    for (const auto& [name, c] : g_results) {
        if (c.lapack <= 0) continue;
        // Round-off only: both are backward stable, the inputs are well scaled.
        bool close = c.difference < 1e-9;
        agree = agree && close;
        std::printf("  %-22s %6.2f   results agree: %s (%s %.1e", name.c_str(), c.ours / c.lapack,
                    close ? "yes" : "NO", c.measure, c.difference);
        if (c.reference_residual >= 0) std::printf("; LAPACK's residual %.1e", c.reference_residual);
        std::printf(")\n");
    }
    return agree ? 0 : 1;
}
