# Independent reference values for the cash-flow analysis tests: the zero-coupon bond
# 100 / (1 + r)^T, its duration -V'/V = T / (1 + r) and convexity V''/V = T (T + 1) / (1 + r)^2,
# in 50-digit decimal arithmetic, and the same from central differences with the analysis' shift.
from decimal import Decimal as D, getcontext
getcontext().prec = 50

def value(r, T=10):
    return D(100) / (1 + D(r)) ** T

r, T = D("0.05"), 10
v0 = value(r)
print("V0", v0)
print("duration  T/(1+r)         ", D(T) / (1 + r))
print("convexity T(T+1)/(1+r)^2  ", D(T) * (T + 1) / (1 + r) ** 2)
h = max(abs(r * D("1e-4")), D("1e-6"))
up, down = value(r + h), value(r - h)
print("central difference duration ", (down - up) / (2 * h) / v0)
print("central difference convexity", ((up - v0) + (down - v0)) / (h * h) / v0)
