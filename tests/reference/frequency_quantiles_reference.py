# Independent values for the frequency-list quantiles (standard library only): percentile
# definitions applied to the expanded sorted sample in rational arithmetic, and noncentral t
# quantiles for the normal-model limits by Simpson quadrature over the chi-square variable
# and bisection.
from fractions import Fraction
import math

values = [2, 3, 5, 7, 11]
counts = [1, 3, 2, 1, 3]
x = [v for v, c in zip(values, counts) for _ in range(c)]   # sorted sample, n = 10
n = len(x)

def at(i):                 # 1-based order statistic, clamped to the sample
    return x[min(max(i, 1), n) - 1]

def quantile(definition, p):
    p = Fraction(p)
    t = (n + 1) * p if definition == 4 else n * p
    j = math.floor(t)
    g = t - j
    if definition in (1, 4):   # weighted average at x(t)
        return (1 - g) * at(j) + g * at(j + 1)
    if definition == 2:        # nearest observation, ties to the even position
        if g == Fraction(1, 2):
            return at(j if j % 2 == 0 else j + 1)
        return at(math.floor(t + Fraction(1, 2)))
    if definition == 3:        # empirical distribution function
        return at(j + 1) if g > 0 else at(j)
    if definition == 5:        # empirical distribution function with averaging
        return at(j + 1) if g > 0 else (at(j) + at(j + 1)) / 2

for d in (1, 2, 3, 4, 5):
    print(d, [str(quantile(d, p)) for p in ("0", "0.1", "0.4", "0.45", "0.75", "1")])

def nct_cdf(t, nu, delta, top=80.0, steps=40000):
    h = top / steps
    lg = math.lgamma(nu / 2)
    def f(u):
        if u == 0:
            return 0.0
        g = math.exp((nu / 2 - 1) * math.log(u) - u - lg)
        return 0.5 * math.erfc(-(t * math.sqrt(2 * u / nu) - delta) / math.sqrt(2)) * g
    s = f(0) + f(top) + sum((4 if i % 2 else 2) * f(i * h) for i in range(1, steps))
    return s * h / 3

def nct_quantile(q, nu, delta):
    lo, hi = -50.0, 50.0
    for _ in range(60):
        mid = (lo + hi) / 2
        if nct_cdf(mid, nu, delta) < q:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2

z90 = 1.2815515655446004   # standard normal 0.9-quantile
d = z90 * math.sqrt(10)
print("t(0.95; 9, z90 sqrt10) / sqrt10 = %.10f" % (nct_quantile(0.95, 9, d) / math.sqrt(10)))
print("t(0.05; 9, z90 sqrt10) / sqrt10 = %.10f" % (nct_quantile(0.05, 9, d) / math.sqrt(10)))
