// Dense matrix product and scaled Euclidean norm.
#include "common/numeric/matrix_product.h"

#include <cmath>

void zmmult(int n, int m, int p, const double* a, const double* b, double* c) {
    for (int i = 0; i < n; ++i) {
        double* row = c + static_cast<long>(i) * p;
        for (int j = 0; j < p; ++j) row[j] = 0.0;
        for (int k = 0; k < m; ++k) {
            const double aik = a[static_cast<long>(i) * m + k];
            const double* brow = b + static_cast<long>(k) * p;
            for (int j = 0; j < p; ++j) row[j] += aik * brow[j];
        }
    }
}

double zvenorm(int n, const double* x, int stride) {
    if (n < 1 || x == nullptr) return 0.0;
    // One pass in the manner of the classic scaled sum: keep the largest magnitude seen and the
    // sum of squares relative to it.
    double scale = 0.0, sum = 1.0;
    for (int i = 0; i < n; ++i) {
        const double v = x[static_cast<long>(i) * stride];
        if (std::isnan(v)) return v;
        const double a = std::fabs(v);
        if (a == 0.0) continue;
        if (std::isinf(a)) return a;
        if (scale < a) {
            const double r = scale / a;
            sum = 1.0 + sum * r * r;
            scale = a;
        } else {
            const double r = a / scale;
            sum += r * r;
        }
    }
    return scale * std::sqrt(sum);
}
