#!/usr/bin/env python3
# Independent 40-digit values for the distribution functions of the methods language (PDF, CDF,
# QUANTILE and the named forms) at points that have no closed form; mpmath, not our code.
import mpmath as mp

mp.mp.dps = 40


def t_pdf(x, nu):
    return mp.gamma((nu + 1) / 2) / (mp.sqrt(nu * mp.pi) * mp.gamma(nu / 2)) * (1 + x * x / nu) ** (-(nu + 1) / 2)


def t_cdf(x, nu):
    return mp.quad(lambda u: t_pdf(u, nu), [-mp.inf, 0, x])


def gamma_cdf(x, a):
    return mp.gammainc(a, 0, x, regularized=True)


def gamma_pdf(x, a):
    return x ** (a - 1) * mp.exp(-x) / mp.gamma(a)


def beta_cdf(x, a, b):
    return mp.betainc(a, b, 0, x, regularized=True)


def phi(x):
    return mp.exp(-x * x / 2) / mp.sqrt(2 * mp.pi)


rows = [
    ("phi(37.1)", phi(mp.mpf(37.1))),
    ("phi(-8.25)", phi(mp.mpf(-8.25))),
    ("phi(1.3)", phi(mp.mpf(1.3))),
    ("t pdf(1.5; 5)", t_pdf(mp.mpf(1.5), mp.mpf(5))),
    ("t cdf(-2.5; 7.5)", t_cdf(mp.mpf(-2.5), mp.mpf(7.5))),
    ("t quantile(0.975; 10)", mp.findroot(lambda t: t_cdf(t, mp.mpf(10)) - mp.mpf(0.975), 2.2)),
    ("gamma cdf(3; 2.5)", gamma_cdf(mp.mpf(3), mp.mpf(2.5))),
    ("gamma pdf(3; 2.5)", gamma_pdf(mp.mpf(3), mp.mpf(2.5))),
    ("gamma quantile(0.9; 2.5)", mp.findroot(lambda x: gamma_cdf(x, mp.mpf(2.5)) - mp.mpf(0.9), 4.5)),
    ("chisq quantile(0.95; 10)", 2 * mp.findroot(lambda x: gamma_cdf(x, 5) - mp.mpf(0.95), 9)),
    ("chisq cdf(7.5; 4)", gamma_cdf(mp.mpf(7.5) / 2, 2)),
    ("beta cdf(0.3; 2.5, 4)", beta_cdf(mp.mpf(0.3), mp.mpf(2.5), 4)),
    ("beta quantile(0.25; 2.5, 4)", mp.findroot(lambda x: beta_cdf(x, mp.mpf(2.5), 4) - mp.mpf(0.25), 0.2)),
    ("lgamma(0.5)", mp.loggamma(mp.mpf(0.5))),
    ("lgamma(123.25)", mp.loggamma(mp.mpf(123.25))),
    ("erf(0.3)", mp.erf(mp.mpf(0.3))),
    ("erfc(5.5)", mp.erfc(mp.mpf(5.5))),
]
for name, value in rows:
    print(f"{name:32s} {mp.nstr(value, 40)}")
