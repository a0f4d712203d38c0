# Noncentral t distribution function by composite Simpson quadrature over the chi-square variable
# (standard library only): F = int_0^inf Phi(t sqrt(2u/nu) - delta) g(u) du, g the gamma(nu/2) density.
import math
def F(t, nu, delta, n=200000, top=200.0):
    h = top / n
    def f(u):
        if u == 0: return 0.0
        g = math.exp((nu / 2 - 1) * math.log(u) - u - math.lgamma(nu / 2))
        return 0.5 * math.erfc(-(t * math.sqrt(2 * u / nu) - delta) / math.sqrt(2)) * g
    s = f(0) + f(top) + sum((4 if i % 2 else 2) * f(i * h) for i in range(1, n))
    return s * h / 3
print("%.15f" % F(2, 10, 1))
print("%.15e" % F(-1, 10, 1))
