#!/usr/bin/env python3
"""Exact reference values for the LU tests: solutions, transposed solutions, inverses and
determinants of small matrices by Gauss-Jordan elimination over fractions (standard library only).
Run it to regenerate the constants in linalg_test.cpp."""
from fractions import Fraction as F

CASES = {
    "A3": [[2, -1, 0], [-1, 2, -1], [0, -1, 2]],
    "A4": [[0, 2, 1, 3], [4, 1, -2, 0], [1, 0, 3, -1], [2, 5, 0, 1]],
    "H4": [[F(1, i + j + 1) for j in range(4)] for i in range(4)],   # Hilbert, nearly singular
}
RHS = {"A3": [1, 0, 1], "A4": [1, 2, 3, 4], "H4": [1, 1, 1, 1]}


def solve(a, b):
    n = len(a)
    m = [[F(x) for x in row] + [F(y)] for row, y in zip(a, b)]
    for k in range(n):
        p = next(i for i in range(k, n) if m[i][k] != 0)
        m[k], m[p] = m[p], m[k]
        for i in range(n):
            if i != k and m[i][k] != 0:
                f = m[i][k] / m[k][k]
                m[i] = [x - f * y for x, y in zip(m[i], m[k])]
    return [m[i][n] / m[i][i] for i in range(n)]


def det(a):
    n = len(a)
    m = [[F(x) for x in row] for row in a]
    d = F(1)
    for k in range(n):
        p = next((i for i in range(k, n) if m[i][k] != 0), None)
        if p is None:
            return F(0)
        if p != k:
            m[k], m[p] = m[p], m[k]
            d = -d
        d *= m[k][k]
        for i in range(k + 1, n):
            f = m[i][k] / m[k][k]
            m[i] = [x - f * y for x, y in zip(m[i], m[k])]
    return d


for name, a in CASES.items():
    n = len(a)
    t = [[a[j][i] for j in range(n)] for i in range(n)]
    x = solve(a, RHS[name])
    xt = solve(t, RHS[name])
    inv = [solve(a, [1 if i == j else 0 for i in range(n)]) for j in range(n)]   # columns
    print(name, "solve", [float(v) for v in x])
    print(name, "tsolve", [float(v) for v in xt])
    print(name, "inverse", [float(inv[j][i]) for i in range(n) for j in range(n)])
    print(name, "det", repr(float(det(a))))
