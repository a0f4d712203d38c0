#!/usr/bin/env python3
"""Reference values for the simulation statistics, from first principles (standard library only).

Quantile definitions 1 to 5 follow the sample-quantile conventions: 1 interpolated inverted cdf
(n p), 2 closest observation (ties to the even position), 3 inverted cdf, 4 Weibull ((n + 1) p),
5 averaged inverted cdf. Value at risk is the negated ALPHA-quantile of P/L values, expected
shortfall the negated mean of the values strictly below that quantile.
Run: python3 tests/reference/simulation_reference.py
"""
import math


def quantile(sorted_x, p, definition):
    n = len(sorted_x)
    m = (n + 1) * p if definition == 4 else n * p
    i = math.floor(m + 1e-9)
    g = m - i
    if g <= 1e-9:
        g = 0.0
    if definition == 2:
        frac = m - math.floor(m)
        if abs(frac - 0.5) <= 1e-9:
            i = math.floor(m) if math.floor(m) % 2 == 0 else math.floor(m) + 1
        else:
            i = math.floor(m + 0.5)
        j, w = i, 0.0
    else:
        j = i + 1
        w = {1: g, 4: g, 3: 0.0 if g == 0 else 1.0, 5: 0.5 if g == 0 else 1.0}[definition]
    lo = max(min(i, n) - 1, 0)
    hi = max(min(j, n) - 1, 0)
    return (1 - w) * sorted_x[lo] + w * sorted_x[hi]


def moments(x, vardef):
    n = len(x)
    mean = sum(x) / n
    s = sum((v - mean) ** 2 for v in x)
    std = math.sqrt(s / (n if vardef == 1 else n - 1))
    z = [(v - mean) / std for v in x]
    s3 = sum(v ** 3 for v in z)
    s4 = sum(v ** 4 for v in z)
    if vardef == 1:
        return mean, std, s3 / n, s4 / n - 3
    c = n / ((n - 1) * (n - 2))
    kurt = (n + 1) / (n - 3) * c * s4 - 3 * (n - 1) ** 2 / ((n - 2) * (n - 3))
    return mean, std, c * s3, kurt


def main():
    x = sorted(float(v) for v in range(-10, 10))
    alpha = 0.125
    for d in range(1, 6):
        q = quantile(x, alpha, d)
        tail = [v for v in x if v < q]
        es = -sum(tail) / len(tail) if tail else float("nan")
        print(f"PCTLDEF {d}: VaR {-q!r} ES {es!r} median {quantile(x, 0.5, d)!r}")
    for vardef in (1, 2):
        print(f"VARDEF {vardef}: mean, std, skewness, kurtosis", moments(x, vardef))
    narrow = [1e8 + i * 1e-3 for i in range(10)]
    print("narrow spread std (VARDEF 1):", moments(narrow, 1)[1])
    upper = sorted(float(v) for v in range(1, 21))
    q = quantile(upper, 1 - alpha, 1)
    print("exposure 1..20: VaR", q, "ES", sum(v for v in upper if v > q) / len([v for v in upper if v > q]))
    ten = [float(v) for v in range(1, 11)]
    print("PCTLDEF 2, n 10: p 0.25 ->", quantile(ten, 0.25, 2), " p 0.35 ->", quantile(ten, 0.35, 2))


if __name__ == "__main__":
    main()
