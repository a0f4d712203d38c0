// Standard normal quantile: rational approximations down to p = 1e-16, Newton steps on ln Phi
// below that, and end values chosen so that the quantile never decreases as p grows.
#include <cmath>

#include "common/distributions/normal.h"
#include "host/missing.h"

namespace {

// Rational approximations of Wichura (algorithm AS 241), relative accuracy about 1e-16.
double polynomial(const double* c, int degree, double x) {
    double s = c[degree];
    for (int i = degree - 1; i >= 0; --i) s = s * x + c[i];
    return s;
}

constexpr double kCentralNum[8] = {3.3871328727963666080e0,  1.3314166789178437745e+2,
                                   1.9715909503065514427e+3, 1.3731693765509461125e+4,
                                   4.5921953931549871457e+4, 6.7265770927008700853e+4,
                                   3.3430575583588128105e+4, 2.5090809287301226727e+3};
constexpr double kCentralDen[8] = {1.0,
                                   4.2313330701600911252e+1, 6.8718700749205790830e+2,
                                   5.3941960214247511077e+3, 2.1213794301586595867e+4,
                                   3.9307895800092710610e+4, 2.8729085735721942674e+4,
                                   5.2264952788528545610e+3};
constexpr double kNearNum[8] = {1.42343711074968357734e0, 4.63033784615654529590e0,
                                5.76949722146069140550e0, 3.64784832476320460504e0,
                                1.27045825245236838258e0, 2.41780725177450611770e-1,
                                2.27238449892691845833e-2, 7.74545014278341407640e-4};
constexpr double kNearDen[8] = {1.0,
                                2.05319162663775882187e0, 1.67638483018380384940e0,
                                6.89767334985100004550e-1, 1.48103976427480074590e-1,
                                1.51986665636164571966e-2, 5.47593808499534494600e-4,
                                1.05075007164441684324e-9};
constexpr double kFarNum[8] = {6.65790464350110377720e0, 5.46378491116411436990e0,
                               1.78482653991729133580e0, 2.96560571828504891230e-1,
                               2.65321895265761230930e-2, 1.24266094738807843860e-3,
                               2.71155556874348757815e-5, 2.01033439929228813265e-7};
constexpr double kFarDen[8] = {1.0,
                               5.99832206555887937690e-1, 1.36929880922735805310e-1,
                               1.48753612908506148525e-2, 7.86869131145613259100e-4,
                               1.84631831751005468180e-5, 1.42151175831644588870e-7,
                               2.04426310338993978564e-15};

// Quantile for 1e-16 <= p <= 1 - 1e-16 (that is every double below 1 with q >= 2^-53).
double rational_quantile(double p) {
    double centred = p - 0.5;
    if (std::fabs(centred) <= 0.425) {
        double r = 0.180625 - centred * centred;
        return centred * polynomial(kCentralNum, 7, r) / polynomial(kCentralDen, 7, r);
    }
    double q = centred < 0.0 ? p : 1.0 - p;
    double r = std::sqrt(-std::log(q));
    double x;
    if (r <= 5.0) {
        r -= 1.6;
        x = polynomial(kNearNum, 7, r) / polynomial(kNearDen, 7, r);
    } else {
        r -= 5.0;
        x = polynomial(kFarNum, 7, r) / polynomial(kFarDen, 7, r);
    }
    return centred < 0.0 ? -x : x;
}

}  // namespace

double szprobit(double p) {
    const double floor_value = -std::sqrt(-2.0 * std::log(2.225073858507202e-306));
    double lp = std::log(p);
    double x = -std::sqrt(-2.0 * lp);
    for (int step = 0; step < 30; ++step) {
        double ln_lower, ln_upper, ln_density;
        if (zlognrm(x, &ln_lower, &ln_upper, &ln_density) != 0) return floor_value;
        if (std::fabs(ln_lower - lp) < 1e-12 * std::fabs(lp)) return x;
        x -= std::exp(ln_lower - ln_density) * (ln_lower - lp);
    }
    return floor_value;
}

double zprobit(double p) {
    // The lower end: -sqrt(-2 ln(smallest normal double)). Denormal probabilities whose quantile
    // would fall below it are held at it, so the function stays non-decreasing.
    const double lowest = -std::sqrt(1416.792837);
    if (std::isnan(p)) return p;
    if (p < 0.0 || p > 1.0) return qor::missing();   // not a probability: no quantile
    if (p == 0.0) return lowest;
    // The upper end is the quantile of the largest double below 1 (about 8.2095): any smaller
    // value would make zprobit(1) less than zprobit(1 - 2^-53).
    if (p == 1.0) return rational_quantile(1.0 - 0x1p-53);
    if (p < 1e-16) {
        double x = szprobit(p);
        return x < lowest ? lowest : x;
    }
    return rational_quantile(p);
}
