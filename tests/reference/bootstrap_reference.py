#!/usr/bin/env python3
# Independent reference for the bootstrap tests: the one-word congruential generator, binomial
# draws by inversion or the normal approximation, multinomial resampling by conditional
# binomials, replicate statistics and their order statistics, written from the published method.
# Run it to regenerate the constants in tests/common/bootstrap_test.cpp.
import math

CAP = 0.9999999999999999
SMALL = 1.110223024625157e-16
TWO_PI = 6.283185307179586


class Stream:
    def __init__(self, seed):
        self.seed = seed if seed != 0 else 123456

    def uniform(self):
        self.seed = (self.seed & 0x7FFFFFFF) * 397204094 % 2147483647
        return self.seed / 2147483647.0

    def binomial(self, n, p):
        q = p if p <= 0.5 else 1.0 - p
        if n <= 50 or n * p <= 5.0:
            p0 = math.exp(n * math.log1p(-q))
            r = q / (1.0 - q) if q < 1.0 else 0.0
            g = r * (n + 1.0)
            u = self.uniform()
            k, f, F = 0, p0, p0
            while u > F and F <= CAP and f >= SMALL:
                k += 1
                f *= g / k - r
                F += f
            k = min(k, n)
            return k if p <= 0.5 else n - k
        mean, sd = n * p, math.sqrt(n * p * (1.0 - p))
        while True:
            u1 = self.uniform()
            u2 = self.uniform()
            k = math.trunc(math.sqrt(-2.0 * math.log(u1)) * math.cos(TWO_PI * u2) * sd + mean + 0.5)
            if 0 <= k <= n:
                return k


def resample(stream, data, weights=None, total=0.0):
    """Copies of each observation, in source order."""
    N = len(data)
    W = total if total > 0 else float(N)
    drawn, out = 0, []
    for i, x in enumerate(data):
        if i == N - 1:
            k = N - drawn
        elif drawn < N:
            w = 1.0 if weights is None else weights[i]
            if w is None or not w >= 0:
                w = 0.0
            p = 0.0 if not w > 0 else (1.0 if W <= w else w / W)
            k = stream.binomial(N - drawn, p)
            W -= w
            drawn += k
        else:
            k = 0
        out.extend([x] * k)
    return out


def mean(xs):
    s = 0.0
    for x in xs:
        s += x
    return s / len(xs)


def mean_and_se(xs):
    m = mean(xs)
    ss = 0.0
    for x in xs:
        ss += (x - m) * (x - m)
    return m, math.sqrt(ss / (len(xs) - 1)) / math.sqrt(len(xs))


def limits(reps, B, levels):
    reps = sorted(reps)
    return [reps[math.floor(B * lv) - 1] if math.floor(B * lv) >= 1 else None for lv in levels]


def show(name, values):
    print(f"// {name}")
    print("{" + ", ".join("MISSING" if v is None else repr(v) for v in values) + "}")


def case_ten_values():
    data = [float(i) for i in range(1, 11)]
    B, levels = 1000, [0.025, 0.975]
    s = Stream(0)
    means, ts = [], []
    centre, scale = mean_and_se(data)
    for _ in range(B):
        m, se = mean_and_se(resample(s, data))
        means.append(m)
        ts.append((m - centre) / se)
    show("ten values, mean, percentile 0.025 0.975", limits(means, B, levels))
    show("final seed", [s.seed])
    t = limits(ts, B, levels)
    show("ten values, studentized (scale * t + centre)", [scale * v + centre for v in t])
    show("full-sample mean and standard error", [centre, scale])
    m = mean(means)
    ss = 0.0
    for x in means:
        ss += (x - m) * (x - m)
    show("ten values, mean and standard deviation of the replicate means", [m, math.sqrt(ss / (B - 1))])


def case_weighted():
    N = 60
    data = [0.5 * i + (3.0 if i % 7 == 0 else 0.0) for i in range(N)]
    weights = [1.0] * N
    weights[0] = 100.0
    weights[5] = -1.0
    weights[7] = None
    total = 157.0
    B, levels = 50, [0.1, 0.5, 0.9]
    s = Stream(987)
    means, maxes, zero_weight_copies = [], [], 0
    for _ in range(B):
        idx = resample(s, list(range(N)), weights, total)
        assert len(idx) == N
        zero_weight_copies += idx.count(5) + idx.count(7)
        r = [data[i] for i in idx]
        means.append(mean(r))
        maxes.append(max(r))
    lm, lx = limits(means, B, levels), limits(maxes, B, levels)
    out = []
    for j in range(len(levels)):
        out += [lm[j], lx[j]]
    show("weighted, (mean, max) level-major for 0.1 0.5 0.9", out)
    show("final seed", [s.seed])
    assert zero_weight_copies == 0


def case_many_records():
    N = 3000
    data = [(i % 97) * 1.5 + i / 3000.0 for i in range(N)]
    B, levels = 30, [0.1, 0.9]
    s = Stream(4242)
    means = [mean(resample(s, data)) for _ in range(B)]
    show("3000 values, mean, 0.1 0.9", limits(means, B, levels))


def case_many_replicates():
    data = [2.0, 3.5, -1.0, 8.0, 0.25]
    B, levels = 2500, [0.025, 0.5, 0.975]
    s = Stream(77)
    means = [mean(resample(s, data)) for _ in range(B)]
    show("five values, B 2500, 0.025 0.5 0.975", limits(means, B, levels))


if __name__ == "__main__":
    case_ten_values()
    case_weighted()
    case_many_records()
    case_many_replicates()
