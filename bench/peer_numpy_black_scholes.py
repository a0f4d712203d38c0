#!/usr/bin/env python3
# The peer of bench_peer_numpy: the same book (10,000 market states x 100 European calls, priced
# by Black-Scholes) as a vectorised numpy script prices it, timed on one thread.
#
# The states and options are made by the same formulas as the benchmark's, so that both price the
# same numbers. The normal distribution function is scipy.special.ndtr, the compiled routine a
# numpy user calls for it (numpy itself has no erf). Prints "key value" lines for the benchmark:
#   seconds S          best of the timed repeats, for the whole book
#   cpu_seconds C      the least processor time of the thread in a repeat (waits for a core excluded)
#   valuations N       states x options
#   per_second R       valuations per second
#   sum X              sum of all values (repr: every digit)
#   sample I J X       the value of state I, option J (repr)
# or a single line "skip <why>" (exit code 0) when numpy or scipy is not installed.
import os

# One thread: numpy's element-wise operations run on one anyway; this keeps any BLAS pool out.
for variable in ("OPENBLAS_NUM_THREADS", "OMP_NUM_THREADS", "MKL_NUM_THREADS", "NUMEXPR_NUM_THREADS"):
    os.environ[variable] = "1"

import sys  # noqa: E402
import time  # noqa: E402

try:
    import numpy as np
    from scipy.special import ndtr
except ImportError as missing:
    print("skip", missing)
    sys.exit(0)

STATES = 10000
OPTIONS = 100
REPEATS = 7
SAMPLES = 20


def market_states(count):
    """spot, rate and vol of states 0 .. count - 1, each a column (count x 1)."""
    i = np.arange(count, dtype=np.int64)
    u = ((i * 7919) % 1000).astype(np.float64) / 1000.0
    v = ((i * 104729) % 997).astype(np.float64) / 997.0
    spot = 80 + 40 * u
    rate = 0.01 + 0.04 * v
    vol = 0.1 + 0.3 * u * v
    return spot[:, None], rate[:, None], vol[:, None]


def options(count):
    """strike and maturity of options 0 .. count - 1, each a row (count,)."""
    j = np.arange(count, dtype=np.float64)
    return 70 + 0.6 * j, 0.25 + 0.05 * j


def black_scholes(spot, rate, vol, strike, maturity):
    """Call values of every state (rows) and option (columns), by broadcasting."""
    sq = np.sqrt(maturity)
    d1 = (np.log(spot / strike) + (rate + 0.5 * vol * vol) * maturity) / (vol * sq)
    d2 = d1 - vol * sq
    return spot * ndtr(d1) - strike * np.exp(-rate * maturity) * ndtr(d2)


def main():
    spot, rate, vol = market_states(STATES)
    strike, maturity = options(OPTIONS)
    values = black_scholes(spot, rate, vol, strike, maturity)   # warm-up
    best = best_cpu = float("inf")
    for _ in range(REPEATS):
        t0, c0 = time.perf_counter(), time.thread_time()
        values = black_scholes(spot, rate, vol, strike, maturity)
        best = min(best, time.perf_counter() - t0)
        best_cpu = min(best_cpu, time.thread_time() - c0)
    count = STATES * OPTIONS
    print("seconds", repr(best))
    print("cpu_seconds", repr(best_cpu))
    print("valuations", count)
    print("per_second", repr(count / best))
    print("sum", repr(float(values.sum())))
    for k in range(SAMPLES):
        i, j = (k * 4999 + 17) % STATES, (k * 37 + 3) % OPTIONS
        print("sample", i, j, repr(float(values[i, j])))
    print("numpy", np.__version__)


if __name__ == "__main__":
    main()
