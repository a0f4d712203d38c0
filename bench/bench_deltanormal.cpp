// The finish of delta-normal value at risk: 10,000 cells of 500 factors, each with an
// unconditional and four conditional quadratic forms, against the same forms computed through
// BLAS dspmv and a dot product (single-threaded OpenBLAS). Prints the ratio; the results must agree.
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "bench/bench_support.h"
#include "common/numeric/zisub.h"
#include "engine/analyses/delta_normal.h"

#ifdef QOR_HAVE_LAPACK
extern "C" {
void dspmv_(const char* uplo, const int* n, const double* alpha, const double* ap, const double* x, const int* incx,
            const double* beta, double* y, const int* incy);
double ddot_(const int* n, const double* x, const int* incx, const double* y, const int* incy);
}
#endif

namespace {

constexpr int kFactors = 500;
constexpr int kCategories = 4;
int g_cells = 10000;

struct Book {
    std::vector<double> matrix;      // packed lower triangle by rows (= upper by columns)
    std::vector<double> deltas;      // per cell, kFactors each
    std::vector<uint8_t> masks;      // per category, kFactors each
};

// A covariance matrix A A' / n + I (positive definite), deltas in [-100, 100], categories of
// consecutive factors.
Book make_book() {
    Book b;
    std::mt19937_64 random(20261211);
    std::uniform_real_distribution<double> uniform(-1, 1);
    std::vector<double> a(static_cast<size_t>(kFactors) * kFactors);
    for (double& x : a) x = uniform(random);
    b.matrix.resize(static_cast<size_t>(kFactors) * (kFactors + 1));
    for (int i = 0; i < kFactors; ++i)
        for (int j = 0; j <= i; ++j) {
            double s = i == j ? 1.0 : 0.0;
            for (int k = 0; k < kFactors; ++k) s += a[static_cast<size_t>(i) * kFactors + k] * a[static_cast<size_t>(j) * kFactors + k] / kFactors;
            b.matrix[static_cast<size_t>(zisub(i, j))] = s * 1e-4;
        }
    b.deltas.resize(static_cast<size_t>(g_cells) * kFactors);
    for (double& d : b.deltas) d = 100 * uniform(random);
    b.masks.assign(static_cast<size_t>(kCategories) * kFactors, 0);
    for (int c = 0; c < kCategories; ++c)
        for (int i = c * kFactors / kCategories; i < (c + 1) * kFactors / kCategories; ++i)
            b.masks[static_cast<size_t>(c) * kFactors + i] = 1;
    return b;
}

void ours(const Book& b, std::vector<double>& out) {
    RSKDVRWORK w{};
    w.n = kFactors;
    w.open_type = RSKMDS_COVARIANCE;
    w.matrix = const_cast<double*>(b.matrix.data());
    for (int cell = 0; cell < g_cells; ++cell) {
        const double* d = b.deltas.data() + static_cast<size_t>(cell) * kFactors;
        double* r = out.data() + static_cast<size_t>(cell) * (1 + kCategories);
        r[0] = rsadvr_value_at_risk(&w, d, nullptr, 1.6448536269514722, 1);
        for (int c = 0; c < kCategories; ++c)
            r[1 + c] = rsadvr_value_at_risk(&w, d, b.masks.data() + static_cast<size_t>(c) * kFactors,
                                            1.6448536269514722, 1);
    }
}

#ifdef QOR_HAVE_LAPACK
// The same forms: weights zeroed outside the category, y = C w by dspmv, then w'y.
void reference(const Book& b, std::vector<double>& out) {
    const int n = kFactors, one = 1;
    const double alpha = 1, beta = 0;
    std::vector<double> w(kFactors), y(kFactors);
    for (int cell = 0; cell < g_cells; ++cell) {
        const double* d = b.deltas.data() + static_cast<size_t>(cell) * kFactors;
        double* r = out.data() + static_cast<size_t>(cell) * (1 + kCategories);
        for (int t = 0; t <= kCategories; ++t) {
            const uint8_t* mask = t == 0 ? nullptr : b.masks.data() + static_cast<size_t>(t - 1) * kFactors;
            for (int i = 0; i < kFactors; ++i) w[static_cast<size_t>(i)] = mask == nullptr || mask[i] ? d[i] : 0.0;
            dspmv_("U", &n, &alpha, b.matrix.data(), w.data(), &one, &beta, y.data(), &one);
            const double s2 = ddot_(&n, w.data(), &one, y.data(), &one);
            r[t] = s2 < 0 ? 0 : 1.6448536269514722 * std::sqrt(s2);
        }
    }
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef QOR_HAVE_LAPACK
    // The reference runs on one thread, as ours does: OpenBLAS reads this when it is loaded.
    const char* threads = std::getenv("OPENBLAS_NUM_THREADS");
    if ((threads == nullptr || std::strcmp(threads, "1") != 0) && std::getenv("QOR_BENCH_PINNED") == nullptr) {
        setenv("OPENBLAS_NUM_THREADS", "1", 1);
        setenv("QOR_BENCH_PINNED", "1", 1);
        execv("/proc/self/exe", argv);
    }
#endif
    if (argc > 1) g_cells = std::max(1, std::atoi(argv[1]));
    const Book book = make_book();
    std::vector<double> mine(static_cast<size_t>(g_cells) * (1 + kCategories));
    const double ours_seconds = bench::best_seconds(3, [&] { ours(book, mine); });
    std::printf("%s\n", bench::machine_line().c_str());
    std::printf("delta-normal finish: %d cells, %d factors, 1 + %d forms each: ours %.3f s\n", g_cells, kFactors,
                kCategories, ours_seconds);
#ifdef QOR_HAVE_LAPACK
    std::vector<double> theirs(mine.size());
    const double reference_seconds = bench::best_seconds(3, [&] { reference(book, theirs); });
    double worst = 0;
    for (size_t k = 0; k < mine.size(); ++k) worst = std::max(worst, std::fabs(mine[k] - theirs[k]) / (1 + std::fabs(theirs[k])));
    const bool agree = worst < 1e-9;
    std::printf("BLAS dspmv + ddot: %.3f s; ratio ours / BLAS %.2f (target 1.5); results agree: %s (%.1e)\n",
                reference_seconds, ours_seconds / reference_seconds, agree ? "yes" : "NO", worst);
    return agree ? 0 : 1;
#else
    std::printf("BLAS not found: nothing to compare\n");
    return 0;
#endif
}
