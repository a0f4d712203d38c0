# Prints zeta(k) - 1 for k = 2..42 to 25 digits (Euler-Maclaurin summation in decimal arithmetic),
# the coefficients of the log-gamma power series used on (1, 2].
from decimal import Decimal as D, getcontext
from fractions import Fraction as F
getcontext().prec = 50
B = [F(1,6), F(-1,30), F(1,42), F(-1,30), F(5,66), F(-691,2730), F(7,6), F(-3617,510), F(43867,798), F(-174611,330)]

def zeta_minus_one(k, N=40):
    s = sum(D(n) ** -k for n in range(2, N))
    s += D(N) ** (1 - k) / (k - 1) + D(N) ** -k / 2
    fact = 1
    for j, b in enumerate(B, start=1):
        # B_2j / (2j)! * k (k+1) ... (k+2j-2) * N^(-k-2j+1)
        rising = 1
        for i in range(2 * j - 1):
            rising *= k + i
        fact = 1
        for i in range(1, 2 * j + 1):
            fact *= i
        s += D(b.numerator) / D(b.denominator) / fact * rising * D(N) ** (-k - 2 * j + 1)
    return s

for k in range(2, 43):
    print("%.22e," % zeta_minus_one(k))
