#!/usr/bin/env python3
# Independent reference values for the Faure tests: the point number's base-b digits are
# multiplied by powers of the Pascal matrix modulo b (exact binomials), then radical-inverted.
from math import comb


def faure_point(number, base, dimension, digits=40):
    a = []
    while number:
        a.append(number % base)
        number //= base
    a += [0] * (digits - len(a))
    point = []
    for _ in range(dimension):
        point.append(sum(d * base ** -(i + 1) for i, d in enumerate(a)))
        a = [sum(comb(j, i) * a[j] for j in range(i, digits)) % base for i in range(digits)]
    return point


if __name__ == "__main__":
    print("base 2 number 15:", faure_point(15, 2, 2))
    print("base 5 number 624, 625:", [repr(x) for x in faure_point(624, 5, 4)], [repr(x) for x in faure_point(625, 5, 4)])
    print("base 257 number 2^32-2:", [repr(x) for x in faure_point(2**32 - 2, 257, 2)])
