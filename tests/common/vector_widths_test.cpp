// The routines built once per vector width (host inner products and scaled additions, Cholesky,
// tridiagonal reduction, back-transformation, inverse iteration) give the same bits in every width:
// this process's results against those of copies of it held to each narrower width.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/numeric/linalg.h"
#include "host/vector.h"

namespace {

// A deterministic generator of values in [-1, 1).
struct Lcg {
    unsigned long long state;
    double next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<double>(state >> 11) / 9007199254740992.0 * 2.0 - 1.0;
    }
};

void append(std::vector<double>& out, const double* x, size_t n) { out.insert(out.end(), x, x + n); }

// Packed B B^T + c I for a random B: positive definite for c > 0.
std::vector<double> gram(int n, double c, Lcg& g) {
    std::vector<double> b(static_cast<size_t>(n) * n);
    for (double& x : b) x = g.next();
    std::vector<double> a(static_cast<size_t>(n) * (n + 1) / 2);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j) {
            double s = 0.0;
            for (int k = 0; k < n; ++k) s += b[i * n + k] * b[j * n + k];
            a[zisub(i, j)] = s + (i == j ? c : 0.0);
        }
    return a;
}

// Packed H (2 I + 1e-3 P) H with P(i, j) = 1 where i = j mod 4 and a reflection H = I - 2 u u^T / u^T u:
// the eigenvalue 2 repeats n - 4 times.
std::vector<double> repeated_eigenvalue(int n, Lcg& g) {
    std::vector<double> u(n), p(static_cast<size_t>(n) * n), pu(n);
    double uu = 0.0;
    for (double& x : u) { x = g.next(); uu += x * x; }
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) p[i * n + j] = (i == j ? 2.0 : 0.0) + 1e-3 * (i % 4 == j % 4);
    double upu = 0.0;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) pu[i] += p[i * n + j] * u[j];
        upu += u[i] * pu[i];
    }
    // H P H = P - 2 (pu u^T + u pu^T) / uu + 4 (u^T P u) u u^T / uu^2.
    std::vector<double> a(static_cast<size_t>(n) * (n + 1) / 2);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j <= i; ++j)
            a[zisub(i, j)] = p[i * n + j] - 2.0 * (pu[i] * u[j] + u[i] * pu[j]) / uu +
                             4.0 * upu * u[i] * u[j] / (uu * uu);
    return a;
}

// Everything the width-specific routines produce, over lengths that leave every remainder of a
// group of eight, unaligned starts, and a spectrum with repeated eigenvalues (whose vectors go
// through the orthogonalisation inside inverse iteration).
std::vector<double> results() {
    std::vector<double> out;
    Lcg g{2024};
    for (int n = 0; n <= 19; ++n) {
        std::vector<double> x(n + 1), y(n + 1);
        for (double& v : x) v = g.next();
        for (double& v : y) v = g.next();
        for (int start = 0; start <= 1; ++start) {
            const int length = n + 1 - start;
            out.push_back(zinner(x.data() + start, y.data() + start, length));
            std::vector<double> z = y;
            zvaxpy(length, 0.3, x.data() + start, z.data() + start);
            append(out, z.data(), z.size());
        }
    }
    for (int n : {1, 5, 37}) {
        std::vector<double> a = gram(n, 0.5, g), rows = a, whole = a, pivots(n);
        for (int i = 0; i < n; ++i) out.push_back(zchol(i, rows.data(), 1e-12));
        out.push_back(zcholf(n, whole.data(), 1e-12, pivots.data()));
        append(out, rows.data(), rows.size());
        append(out, whole.data(), whole.size());
        append(out, pivots.data(), pivots.size());
    }
    for (int n : {29, 45}) {
        std::vector<double> a = n == 29 ? repeated_eigenvalue(n, g) : gram(n, 0.0, g);
        std::vector<double> w(n), v(static_cast<size_t>(n) * n), work(zeigwork(n));
        out.push_back(zeigen2(n, a.data(), w.data(), n, v.data(), work.data()));
        append(out, a.data(), a.size());
        append(out, w.data(), w.size());
        append(out, v.data(), v.size());
    }
    return out;
}

std::string own_path() {
    char path[4096];
    ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "";
    path[length] = '\0';
    return path;
}

}  // namespace

TEST(VectorWidths, EveryVersionGivesTheSameBits) {
    const std::vector<double> here = results();
    if (const char* file = std::getenv("QOR_TEST_RESULTS_OUT")) {
        // A copy started below: hand back its results.
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(here.data()),
                                                    static_cast<std::streamsize>(here.size() * sizeof(double)));
        return;
    }
    const std::string self = own_path();
    ASSERT_FALSE(self.empty());
    for (std::string level : {"baseline", "avx", "avx2", "avx512f"}) {
        const std::string file = testing::TempDir() + "vector_widths_" + std::to_string(getpid()) + "_" + level;
        const std::string command = "QOR_VECTOR_LEVEL=" + level + " QOR_TEST_RESULTS_OUT='" + file + "' '" +
                                    self + "' --gtest_filter=VectorWidths.EveryVersionGivesTheSameBits >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << level;
        std::ifstream in(file, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        std::remove(file.c_str());
        ASSERT_EQ(bytes.size(), here.size() * sizeof(double)) << level;
        EXPECT_EQ(std::memcmp(bytes.data(), here.data(), bytes.size()), 0) << level;
    }
}
