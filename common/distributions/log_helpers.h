// Logarithm helpers beneath every distribution routine: ln Gamma, the Stirling correction,
// ln Beta, ln(1 + x) accurate near zero and ln(e^a + e^b).
#pragma once

// ln Gamma(x) for x > 0; the host's missing value for x <= 0 (or a missing argument).
double zlgamma(double x);
// Stirling correction c(x) = ln Gamma(x) - ((x - 0.5) ln x - x + ln sqrt(2 pi)), meant for x >= 15.
double zlgbern(double x);
// ln B(a, b) for a > 0 and b > 0; the host's missing value otherwise.
double zlbeta(double a, double b);
// ln(1 + x) for x > -1, without loss for small x.
double zln1px(double x);
// ln(e^a + e^b) without overflow or underflow.
double zlnSumOfExp(double a, double b);
