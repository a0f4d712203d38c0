# Independent reference values for the normal tail and quantile tests: erfc in 50-digit decimal
# arithmetic (Taylor series for small x, continued fraction for large x), quantiles by Newton.
from decimal import Decimal as D, getcontext
getcontext().prec = 60
PI = D("3.14159265358979323846264338327950288419716939937510582097494")

def erfc(x):
    x = D(x)
    if x < 0: return 2 - erfc(-x)
    if x < 3:
        s, term, n = D(0), x, 0
        while True:
            t = term / (2 * n + 1)
            s += t
            if abs(t) < D(10) ** -55: break
            n += 1
            term = -term * x * x / n
        return 1 - 2 / PI.sqrt() * s
    # erfc(x) = exp(-x^2)/sqrt(pi) * 1/(x + 1/2/(x + 1/(x + 3/2/(x + ...)))), evaluated backwards
    f = x
    for k in range(2000, 0, -1):
        f = x + (D(k) / 2) / f
    return (-x * x).exp() / PI.sqrt() / f

def phi_lower(z): return erfc(-D(z) / D(2).sqrt()) / 2

def quantile(p):
    p = D(p)
    x = -(-2 * min(p, 1 - p).ln()).sqrt() if abs(p - D("0.5")) > D("0.1") else D(0)
    if p > D("0.5"): x = -x
    for _ in range(200):
        f = phi_lower(x) - p
        dens = (-x * x / 2).exp() / (2 * PI).sqrt()
        step = f / dens
        x -= step
        if abs(step) < D(10) ** -40: break
    return x

if __name__ == "__main__":
    for x in ["-37.5", "-30", "-20", "-10", "-5", "-1", "0.5", "3", "8"]:
        print("{%s, %.17e}," % (x, phi_lower(x)))
    for p in ["1e-300", "1e-100", "1e-20", "1e-16", "1e-10", "0.001", "0.01", "0.02425", "0.3", "0.975", "0.999999"]:
        print("{%s, %.17e}," % (p, quantile(D(float(p)))))   # the double nearest p, exactly
    print("{1-2^-53, %.17e}," % quantile(1 - D(2) ** -53))
    print("lnPhi(-40) %.17e" % phi_lower("-40").ln())
