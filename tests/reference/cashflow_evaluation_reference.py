#!/usr/bin/env python3
# Reference values for the per-state cash-flow evaluation tests: yield, Macaulay duration,
# convexity (the second moment of payment times) and gap buckets of small positions, computed
# in decimal arithmetic at 50 digits with the yield found by plain bisection. Independent of the
# engine's solvers. Run it to regenerate the table in tests/engine/cashflow_evaluation_test.cpp;
# it prints C++ rows.
#
# Conventions (the engine's documented ones): t = (date - state date) / 365.25; flows with
# t <= 0 are taken out of the price and counted undiscounted; the yield y (annual effective,
# above -1) solves sum(A_i (1 + y)^-t_i) = price - sum(past amounts); PV_i = A_i (1 + y)^-t_i;
# duration = sum(t_i PV_i) / price and convexity = sum(t_i^2 PV_i) / price over the future flows.
from decimal import Decimal as D, getcontext

getcontext().prec = 50
STATE = D(14610)  # 1 January 2000


def years(date):
    return (D(date) - STATE) / D("365.25")


def pv_at(y, flows):
    return sum(D(a) * (1 + y) ** (-t) for t, a in flows)


def yield_of(flows, price):
    """Bisection on (-1, 1000) for sum A (1+y)^-t = price (the present value falls as y rises)."""
    lo, hi = D("-0.999999"), D(1000)
    if not (pv_at(lo, flows) >= price >= pv_at(hi, flows)):
        return None
    for _ in range(400):
        mid = (lo + hi) / 2
        if pv_at(mid, flows) > price:
            lo = mid
        else:
            hi = mid
    return (lo + hi) / 2


def evaluate(dates, amounts, price):
    price = D(price)
    future, past = [], D(0)
    for date, amount in zip(dates, amounts):
        t = years(date)
        if t <= 0:
            past += D(amount)
        else:
            future.append((t, D(amount)))
    y = yield_of(future, price - past) if future else D(0)
    d = sum(t * D(a) * (1 + y) ** (-t) for t, a in future)
    c = sum(t * t * D(a) * (1 + y) ** (-t) for t, a in future)
    return y, d / price, c / price


# name, dates (host days), amounts, price
CASES = [
    ("zero coupon, 4 years", [14610 + 1461], [1000], "800"),
    ("zero coupon, 10.5 years", [14610 + 3835], [1000], "612.5"),
    ("5% annual coupon at par, 8 years", [14610 + round(365.25 * k) for k in range(1, 9)],
     [5] * 7 + [105], "100"),
    ("past and state-date flows leave the price", [14610 - 100, 14610, 14610 + 730, 14610 + 1461],
     [50, 30, 100, 100], "250"),
    ("negative yield", [14610 + 365, 14610 + 730], [100, 100], "205"),
]

for name, dates, amounts, price in CASES:
    y, dur, conv = evaluate(dates, amounts, price)
    ds = ", ".join(str(x) for x in dates)
    am = ", ".join(str(x) for x in amounts)
    print(f'    {{"{name}", {{{ds}}}, {{{am}}}, {price}, {y:.17g}, {dur:.17g}, {conv:.17g}}},')

# Gap buckets: cut points (host days) and dated amounts; linear split puts (date - cut j-1) /
# (cut j - cut j-1) of an amount into bucket j, the rest into bucket j - 1; a fixed ratio r puts
# r into bucket j. Dates on or before cut 0 go to bucket 0; after the last cut nowhere.
def buckets(cuts, dates, amounts, ratio=None):
    out = [D(0)] * len(cuts)
    for date, amount in zip(dates, amounts):
        date, amount = D(date), D(amount)
        if date <= cuts[0]:
            out[0] += amount
            continue
        j = next((k for k in range(1, len(cuts)) if date <= cuts[k]), None)
        if j is None:
            continue
        w = (date - D(cuts[j - 1])) / (D(cuts[j]) - D(cuts[j - 1])) if ratio is None else D(ratio)
        out[j] += w * amount
        out[j - 1] += (1 - w) * amount
    return out


CUTS = [14610, 14610 + 365, 14610 + 730, 14610 + 1826]
GAPS = [
    ("on cut point 2", [14610 + 730], [100], None),
    ("just after cut point 1", [14610 + 366], [100], None),
    ("before cut point 0", [14610 - 10], [100], None),
    ("after the last cut point", [14610 + 1827], [100], None),
    ("fixed ratio 0.5", [14610 + 100, 14610 + 1000], [100, 40], "0.5"),
    ("inside bucket 3", [14610 + 1278], [300], None),
    ("flows out of date order", [14610 + 1278, 14610 + 366, 14610 + 730], [300, 100, 100], None),
]
for name, dates, amounts, ratio in GAPS:
    b = buckets(CUTS, dates, amounts, ratio)
    print(f'    {{"{name}", {{{", ".join(map(str, dates))}}}, {{{", ".join(map(str, amounts))}}}, '
          f'{ratio if ratio else "kLinear"}, {{{", ".join(f"{x:.17g}" for x in b)}}}}},')
