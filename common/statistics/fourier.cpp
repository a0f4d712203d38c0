// Real fast Fourier transforms for the kernel density: a complex radix-2 transform with
// bit-reversed output, the bit-reversal permutation, and the split into one real transform.
#include <cmath>
#include <utility>

#include "common/statistics/kernel_density.h"

void scrag(double* values, int M, int log2M) {
    for (int i = 0; i < M; ++i) {
        int r = 0;
        for (int b = 0; b < log2M; ++b) r |= ((i >> b) & 1) << (log2M - 1 - b);
        if (r > i) std::swap(values[i], values[r]);
    }
}

void fastg(double* re, double* im, int M, int direction) {
    if (direction == -1) for (int i = 0; i < M; ++i) im[i] = -im[i];
    // Decimation in frequency; twiddles by a renormalised rotation recurrence.
    for (int span = M / 2; span >= 1; span /= 2) {
        const double theta = M_PI / span;
        const double c = std::cos(theta), s = -std::sin(theta);
        double wr = 1.0, wi = 0.0;
        for (int j = 0; j < span; ++j) {
            for (int k = j; k < M; k += 2 * span) {
                double ar = re[k], ai = im[k], br = re[k + span], bi = im[k + span];
                re[k] = ar + br;
                im[k] = ai + bi;
                double dr = ar - br, di = ai - bi;
                re[k + span] = dr * wr - di * wi;
                im[k + span] = dr * wi + di * wr;
            }
            double nr = wr * c - wi * s, ni = wr * s + wi * c;
            double norm = 1.0 / std::sqrt(nr * nr + ni * ni);
            wr = nr * norm;
            wi = ni * norm;
        }
    }
    if (direction == -1) for (int i = 0; i < M; ++i) im[i] = -im[i];
}

// Turns the twiddle factor w by the angle theta, renormalised so that rounding does not let
// its magnitude drift over the half-length loop.
static void rotate_twiddle(double theta, double* wr, double* wi) {
    double nr = *wr * std::cos(theta) - *wi * std::sin(theta);
    double ni = *wr * std::sin(theta) + *wi * std::cos(theta);
    double norm = 1.0 / std::sqrt(nr * nr + ni * ni);
    *wr = nr * norm;
    *wi = ni * norm;
}

// Layout of the result: [0] frequency 0, [1..M-1] real parts, [M] frequency M, [M+j] imaginary parts.
void zkerft(double* x, int N, int log2N) {
    const int M = N / 2;
    scrag(x, N, log2N);                 // evens to the first half, odds to the second, bit-reversed
    scrag(x, M, log2N - 1);             // natural order in each half: z_j = x_2j + i x_2j+1
    scrag(x + M, M, log2N - 1);
    fastg(x, x + M, M, 1);
    scrag(x, M, log2N - 1);
    scrag(x + M, M, log2N - 1);
    double* re = x;
    double* im = x + M;
    const double z0r = re[0], z0i = im[0];
    re[0] = z0r + z0i;                  // X_0
    im[0] = z0r - z0i;                  // X_M, at position M
    const double theta = -M_PI / M;
    double wr = 1.0, wi = 0.0;
    for (int k = 1; k <= M / 2; ++k) {
        rotate_twiddle(theta, &wr, &wi);
        const int m = M - k;
        double ar = re[k], ai = im[k], br = re[m], bi = im[m];
        // X_k = E_k + w^k O_k with E = (Z_k + conj Z_m)/2, O = (Z_k - conj Z_m)/(2i).
        double er = 0.5 * (ar + br), ei = 0.5 * (ai - bi);
        double orr = 0.5 * (ai + bi), oi = -0.5 * (ar - br);
        double tr = wr * orr - wi * oi, ti = wr * oi + wi * orr;
        re[k] = er + tr;
        im[k] = ei + ti;
        // X_(M-k) = conj(E_k) - conj(w^k O_k) by the symmetry of the two real halves.
        re[m] = er - tr;
        im[m] = -(ei - ti);
    }
}

void zkerfti(double* x, int N, int log2N) {
    const int M = N / 2;
    double* re = x;
    double* im = x + M;
    const double x0 = re[0], xm = im[0];
    re[0] = 0.5 * (x0 + xm);
    im[0] = 0.5 * (x0 - xm);
    const double theta = M_PI / M;
    double wr = 1.0, wi = 0.0;
    for (int k = 1; k <= M / 2; ++k) {
        rotate_twiddle(theta, &wr, &wi);
        const int m = M - k;
        double ar = re[k], ai = im[k], br = re[m], bi = im[m];
        // E_k = (X_k + conj X_m)/2, O_k = (X_k - conj X_m) w^-k / 2, Z_k = E_k + i O_k.
        double er = 0.5 * (ar + br), ei = 0.5 * (ai - bi);
        double dr = 0.5 * (ar - br), di = 0.5 * (ai + bi);
        double orr = dr * wr - di * wi, oi = dr * wi + di * wr;
        re[k] = er - oi;
        im[k] = ei + orr;
        // Z_m = conj(E_k) + i conj(O_k)
        re[m] = er + oi;
        im[m] = -ei + orr;
    }
    fastg(re, im, M, -1);               // bit-reversed output in each half
    const double scale = 1.0 / M;
    for (int i = 0; i < N; ++i) x[i] *= scale;
    scrag(x, N, log2N);                 // back to interleaved natural order
}
