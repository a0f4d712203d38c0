// ln Gamma, Stirling correction, ln Beta, ln(1 + x) and ln(e^a + e^b): small pure scalar routines
// called from the inner loops of the series, continued fractions and integrals of the distributions.
#include "common/distributions/log_helpers.h"

#include <cmath>

#include "host/missing.h"

namespace {

constexpr double kLnSqrt2Pi = 0.9189385332046728;
constexpr double kLnGammaOneAndHalf = -0.12078223763524522;
constexpr double kEulerGamma = 0.5772156649015329;

// zeta(k) - 1 for k = 2, 3, ...: coefficients of ln Gamma(2 + z) = (1 - gamma) z
// + sum_k (-1)^k (zeta(k) - 1) z^k / k, which converges like (z/2)^k on |z| <= 1/2.
constexpr double kZetaMinusOne[] = {
    6.4493406684822640606569e-01,
    2.0205690315959429215198e-01,
    8.2323233711138185664247e-02,
    3.6927755143369926649211e-02,
    1.7343061984449140155995e-02,
    8.3492773819228271320325e-03,
    4.0773561979443396011136e-03,
    2.0083928260822142553010e-03,
    9.9457512781808525559324e-04,
    4.9418860411946452862453e-04,
    2.4608655330804831990604e-04,
    1.2271334757848914543896e-04,
    6.1248135058704827665341e-05,
    3.0588236307020493268908e-05,
    1.5282259408651870964809e-05,
    7.6371976378997625682686e-06,
    3.8172932649998402184193e-06,
    1.9082127165539389715529e-06,
    9.5396203387279621200624e-07,
    4.7693298678780644682423e-07,
    2.3845050272773300435250e-07,
    1.1921992596531106371830e-07,
    5.9608189051259480096929e-08,
    2.9803503514652279282189e-08,
    1.4901554828365042680922e-08,
    7.4507117898354300609406e-09,
    3.7253340247884572832003e-09,
    1.8626597235130491421647e-09,
    9.3132743241966816562024e-10,
    4.6566290650337836575277e-10,
    2.3283118336765053358570e-10,
    1.1641550172700519311229e-10,
    5.8207720879027014501703e-11,
    2.9103850444971000052928e-11,
    1.4551921891041984894087e-11,
    7.2759598350574817962700e-12,
    3.6379795473786508626624e-12,
    1.8189896503070660707152e-12,
    9.0949478402638884072416e-13,
    4.5474737830421542183425e-13,
    2.2737368458246524401254e-13,
};
constexpr int kZetaTerms = sizeof(kZetaMinusOne) / sizeof(kZetaMinusOne[0]);

// ln Gamma(2 + z) for -1/2 <= z <= 1/2 by the power series above; terms fall below 1e-17 of the sum.
double lngamma_two_plus(double z) {
    double sum = 0.0;
    double power = z;   // z^k with alternating sign folded in below
    for (int k = 2; k < kZetaTerms + 2; ++k) {
        power *= -z;    // (-1)^k z^k up to the sign of z^1 handled by starting at z
        double term = kZetaMinusOne[k - 2] * power / k;
        sum += term;
        if (std::fabs(term) < 1e-18 * std::fabs(sum)) break;
    }
    // power after the first step is -z^2, so the sum carries (-1)^(k-1) z^k; flip it once.
    return (1.0 - kEulerGamma) * z - sum;
}

}  // namespace

double zlgamma(double x) {
    if (std::isnan(x) || x <= 0.0) return qor::missing();
    if (x == 1.0 || x == 2.0) return 0.0;
    if (std::isinf(x)) return x;
    if (x >= 15.0) return (x - 0.5) * std::log(x) - x + kLnSqrt2Pi + zlgbern(x);

    // Just below 1, x - 1 is exact while (x + 1) - 2 is not, and ln Gamma(x) = -ln x + ln Gamma(x + 1)
    // would cancel: take the series around 1 directly.
    if (x >= 0.5 && x < 1.0) {
        double z = x - 1.0;
        return lngamma_two_plus(z) - zln1px(z);
    }
    // Gamma(x) = t Gamma(y) with y in (1, 2].
    double t = 1.0;
    double y = x;
    while (y < 1.0) {
        t /= y;
        y += 1.0;
    }
    while (y > 2.0) {
        y -= 1.0;
        t *= y;
    }
    if (x - std::trunc(x) == 0.5) return std::log(t) + kLnGammaOneAndHalf;
    double lg;
    if (y < 1.5) {
        double z = y - 1.0;   // ln Gamma(1 + z) = ln Gamma(2 + z) - ln(1 + z)
        lg = lngamma_two_plus(z) - zln1px(z);
    } else {
        lg = lngamma_two_plus(y - 2.0);
    }
    return std::log(t) + lg;
}

double zlgbern(double x) {
    // B_2k / (2k (2k - 1)) for k = 1..6, Horner in 1/x^2.
    constexpr double c1 = 1.0 / 12.0, c2 = -1.0 / 360.0, c3 = 1.0 / 1260.0, c4 = -1.0 / 1680.0,
                     c5 = 1.0 / 1188.0, c6 = -691.0 / 360360.0;
    double r = 1.0 / x;
    double r2 = r * r;
    return r * (c1 + r2 * (c2 + r2 * (c3 + r2 * (c4 + r2 * (c5 + r2 * c6)))));
}

double zlbeta(double a, double b) {
    if (std::isnan(a) || std::isnan(b) || a <= 0.0 || b <= 0.0) return qor::missing();
    double big = a > b ? a : b;
    double small = a > b ? b : a;
    if (big < 15.0) return zlgamma(big) + zlgamma(small) - zlgamma(big + small);
    double sum = big + small;
    return (sum - 0.5) * zln1px(-small / sum) - small * std::log(big) + small + zlgamma(small) +
           zlgbern(big) - zlgbern(sum);
}

double zln1px(double x) {
    if (std::fabs(x) <= 0.03125) {
        constexpr double c0 = 0.08333333333333427, c1 = -0.0023812878804825234, d1 = -0.178575454351365;
        double u = x / (1.0 + 0.5 * x);
        double u2 = u * u;
        return u + u * u2 * (c0 + c1 * u2) / (1.0 + d1 * u2);
    }
    return std::log(1.0 + x);
}

double zlnSumOfExp(double a, double b) {
    if (a == b) return a + 0.6931471805599453;
    double big = a > b ? a : b;
    double small = a > b ? b : a;
    return big + zln1px(std::exp(small - big));
}
