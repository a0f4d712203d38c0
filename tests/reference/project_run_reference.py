#!/usr/bin/env python3
"""Closed-form values of tests/e2e/project_run.qor: the book's mark-to-market and each scenario's
P/L. Zero-coupon bonds are n * exp(-r * T); the call is the Black-Scholes price with the normal
distribution from math.erf. Positions are weighted by their holdings."""
import math


def norm_cdf(x):
    return 0.5 * (1.0 + math.erf(x / math.sqrt(2.0)))


def zcb(notional, maturity, rate):
    return notional * math.exp(-rate * maturity)


def call(spot, strike, maturity, rate, vol):
    sq = math.sqrt(maturity)
    d1 = (math.log(spot / strike) + (rate + 0.5 * vol * vol) * maturity) / (vol * sq)
    return spot * norm_cdf(d1) - strike * math.exp(-rate * maturity) * norm_cdf(d1 - vol * sq)


def book(spot, rate, vol):
    return (1 * zcb(100, 2, rate) + 2 * zcb(50, 5, rate)
            + 10 * call(spot, 95, 0.5, rate, vol))


base = book(100, 0.03, 0.2)
scenarios = {
    "up": book(100, 0.03 + 0.01, 0.2),       # rate 0.01 abs
    "down": book(100, 0.03 - 0.01, 0.2),     # rate -0.01 abs
    "volup": book(100, 0.03, 0.2 * 1.25),    # vol 0.25 rel
}
print("MtM %.15g" % base)
for name, value in scenarios.items():
    print("%s P/L %.15g value %.15g" % (name, value - base, value))
