# Exact coverages of order-statistic intervals for a quantile, in rational arithmetic (standard
# library only): C(r, s) = P(r <= B <= s - 1) for B binomial(n, p), and the one-sided tails.
from fractions import Fraction
from math import comb

def pmf(n, p, k):
    p = Fraction(p)
    return comb(n, k) * p**k * (1 - p)**(n - k)

def cover(n, p, r, s):
    return sum(pmf(n, p, k) for k in range(max(r, 0), min(s - 1, n) + 1))

def first_reaching(n, p, level, r, s_from):
    # smallest s >= s_from with C(r, s) >= level
    for s in range(s_from, n + 1):
        c = cover(n, p, r, s)
        if c >= level:
            return s, c
    return None, cover(n, p, r, n)

cases = [
    ("kind 1, n=10, p=0.02: widest interval [1, 10]", cover(10, Fraction(1, 50), 1, 10)),
    ("kind 1 and 2, n=30, p=0.1, level 0.95: [1, s]", first_reaching(30, Fraction(1, 10), Fraction(95, 100), 1, 2)),
    ("kind 2 previous report P(B <= 8), n=30, p=0.1", cover(30, Fraction(1, 10), 0, 9)),
    ("kind 1, n=30, p=0.1: old answer [1, 7]", cover(30, Fraction(1, 10), 1, 7)),
    ("n=10 p=0.5 kind 1 [2, 9]", cover(10, Fraction(1, 2), 2, 9)),
    ("n=10 p=0.5 kind 3 r=2", cover(10, Fraction(1, 2), 2, 11)),
    ("n=10 p=0.5 kind 4 s=9", cover(10, Fraction(1, 2), 0, 9)),
]
for name, value in cases:
    if isinstance(value, tuple):
        print(name, value[0], "%.15f" % float(value[1]))
    else:
        print(name, "%.15f" % float(value))
