#!/usr/bin/env python3
# Independent reference values for the random stream tests: MT19937 seeded by the 69069
# multiplier, the combined congruential generator with its shuffle table, and the one-word generator.
# Written from the published algorithms; run it to regenerate the constants in tests/common.

M32 = 0xFFFFFFFF


def mt_stream(seed):
    mt = [0] * 624
    mt[0] = seed & M32
    for i in range(1, 624):
        mt[i] = (mt[i - 1] * 69069) & M32
    idx = 624
    while True:
        if idx >= 624:
            for k in range(624):
                y = (mt[k] & 0x80000000) | (mt[(k + 1) % 624] & 0x7FFFFFFF)
                mt[k] = mt[(k + 397) % 624] ^ (y >> 1) ^ (0x9908B0DF if y & 1 else 0)
            idx = 0
        y = mt[idx]
        idx += 1
        y ^= y >> 11
        y ^= (y << 7) & 0x9D2C5680
        y ^= (y << 15) & 0xEFC60000
        y ^= y >> 18
        if y:
            yield y


def ranu(seed, n):
    m1, a1, m2, a2 = 2147483563, 40014, 2147483399, 40692
    g1 = seed
    table = []
    for step in range(1, 61):
        g1 = (a1 * g1) % m1
        if step > 10:
            table.append(g1)
    g2 = seed
    last = table[0]
    out = []
    for _ in range(n):
        g1 = (a1 * g1) % m1
        g2 = (a2 * g2) % m2
        j = last // (1 + (m1 - 1) // 50)
        last = table[j] - g2
        if last < 1:
            last += m1 - 1
        table[j] = g1
        out.append(last / m1)
    return out


def ranuni(seed, n):
    out = []
    for _ in range(n):
        seed = (seed * 397204094) % 2147483647
        out.append(seed)
    return out


if __name__ == "__main__":
    g = mt_stream(1)
    print("mt seed 1 words:", [next(g) for _ in range(5)])
    g = mt_stream(4357)
    print("mt seed 4357 words:", [next(g) for _ in range(3)])
    print("ranu seed 12345:", [repr(x) for x in ranu(12345, 3)])
    print("ranuni seed 1:", ranuni(1, 3))


def uniforms(seed):
    for w in mt_stream(seed):
        yield w / 4294967296.0


def polar_normals(seed, n):
    """Single-mode polar normals: z1 f first, z2 f waiting."""
    import math
    u = uniforms(seed)
    out = []
    while len(out) < n:
        while True:
            z1 = 2 * next(u) - 1
            z2 = 2 * next(u) - 1
            s = z1 * z1 + z2 * z2
            if s < 1:
                break
        f = math.sqrt(-2 * math.log(s) / s)
        out += [z1 * f, z2 * f]
    return out[:n]


def cauchy(seed, n):
    u = uniforms(seed)
    out = []
    while len(out) < n:
        x = next(u) - 0.5
        y = next(u) - 0.5
        if x * x + y * y <= 0.25:
            out.append(x / y)
    return out


if __name__ == "__main__":
    print("normals seed 7:", [repr(x) for x in polar_normals(7, 4)])
    print("cauchy seed 7:", [repr(x) for x in cauchy(7, 3)])
