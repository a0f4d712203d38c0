#!/usr/bin/env python3
# Reference values of exp(t A) for the matrix-exponential tests, computed with mpmath's expm at
# 60 significant digits (independent of the engine's Pade approximant). Run it to regenerate the
# table in tests/engine/builtins_matrix_test.cpp; the output is C++ rows.
import mpmath

mpmath.mp.dps = 60

CASES = [
    ("rating generator, t = 1", [[-0.1, 0.08, 0.02], [0.05, -0.15, 0.1], [0.0, 0.0, 0.0]], 1.0),
    ("rating generator, t = 5", [[-0.1, 0.08, 0.02], [0.05, -0.15, 0.1], [0.0, 0.0, 0.0]], 5.0),
    ("rotation", [[0.0, -1.0], [1.0, 0.0]], 0.7),
    ("diagonal", [[1.5, 0.0, 0.0], [0.0, -2.0, 0.0], [0.0, 0.0, 0.25]], 2.0),
    ("nilpotent", [[0.0, 1.0, 2.0], [0.0, 0.0, 3.0], [0.0, 0.0, 0.0]], 1.5),
    ("(1 2 / 3 4) at t = 10", [[1.0, 2.0], [3.0, 4.0]], 10.0),
    ("stiff generator", [[-1000.0, 999.0, 1.0], [500.0, -700.0, 200.0], [0.0, 0.0, 0.0]], 0.5),
]

for name, a, t in CASES:
    m = mpmath.expm(mpmath.matrix(a) * t)
    n = len(a)
    values = ", ".join(mpmath.nstr(m[i, j], 17, min_fixed=-30, max_fixed=30) for i in range(n) for j in range(n))
    flat = ", ".join(repr(x) for row in a for x in row)
    print(f'    {{"{name}", {n}, {{{flat}}}, {t!r}, {{{values}}}}},')
