#!/usr/bin/env python3
# Independent reference values for the tail tests: Hill estimates by hand over a fixed sample,
# extreme quantiles from them, and order-statistic positions by scanning exact binomial sums.
import math


def sample():
    out = []
    for i in range(200):
        u = (i + 0.5) / 200
        m = min(u, 1 - u)
        x = (1 / (2 * m)) ** (1 / 3) - 1
        out.append(x if u > 0.5 else -1.5 * x)
    return sorted(out)


def hill(x, k, centre, scale, left):
    n = len(x)
    if left:
        d = [(centre - v) / scale for v in x[:k]]
        t = (centre - x[k]) / scale
        pos = k
    else:
        d = [(v - centre) / scale for v in x[n - k:]]
        t = (x[n - k - 1] - centre) / scale
        pos = n - k - 1
    h = sum(math.log(v) for v in d) / k - math.log(t)
    return 1 / h, pos


def binom_cdf(n, p, m):
    if p >= 1:
        return 0.0 if m < n else 1.0
    return sum(math.exp(math.lgamma(n + 1) - math.lgamma(k + 1) - math.lgamma(n - k + 1)
                        + k * math.log(p) + (n - k) * math.log1p(-p)) for k in range(0, m + 1))


if __name__ == "__main__":
    x = sample()
    n, k = len(x), 20
    centre, scale = 0.25, 2.0
    for left, p in ((True, 0.001), (False, 0.999)):
        a, pos = hill(x, k, centre, scale, left)
        r = k / n
        if left:
            q = centre - (centre - x[pos]) * (r / p) ** (1 / a)
            es = centre - (centre - q) * a / (a - 1)
        else:
            q = centre + (x[pos] - centre) * (r / (1 - p)) ** (1 / a)
            es = centre + (q - centre) * a / (a - 1)
        print("left" if left else "right", repr(a), pos, repr(q), repr(es))
    # ztvar2 rule applied to an exhaustive scan: n = 1000, p = 0.5, level 0.975.
    n, p, L = 1000, 0.5, 0.975
    f = lambda lev, j: binom_cdf(n, j / n, int(n * p)) - lev
    j1 = max(j for j in range(1, n + 1) if f(L, j) >= 0)
    if j1 > 1 and f(L, j1) < 0.01:
        j1 -= 1
    j2 = max(j for j in range(1, n + 1) if f(1 - L, j) >= 0)
    if j2 - n * p > 1 and f(1 - L, j2) > 0.01:
        j2 += 1
    print("ztvar2", j1, j2)
