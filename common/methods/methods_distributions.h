// Distribution functions of the methods language on the common library's routines: density,
// distribution function and quantile of the normal, Student t, gamma, beta and chi-square laws.
#pragma once

struct cmp_session;

// Installs PDF, CDF, QUANTILE, the named forms (PROBT, TINV, PROBGAM, GAMINV, PROBBETA, BETAINV,
// PROBCHI, CINV) and LGAMMA, ERF, ERFC into a session; 0 on success.
int methods_install_distributions(cmp_session* session);

namespace qor::methods {

// The laws PDF, CDF and QUANTILE know, by the name a program gives as first argument.
enum class Law { Unknown, Normal, StudentT, Gamma, Beta, ChiSquare };
enum class Measure { Density, Distribution, Quantile };

// The law of a name (case and trailing blanks ignored): NORMAL or GAUSS, T, GAMMA, BETA, CHISQ
// or CHISQUARE.
Law law_of(const char* name, int length);
// How many parameters follow the argument for a law: least and most.
void parameter_count(Law law, int* least, int* most);
// The measure of a law at x (a probability for quantiles) with its parameters; the missing
// value for a missing argument, a parameter out of range or a point where the value is infinite.
double law_value(Law law, Measure measure, double x, const double* parameters, int count);

}  // namespace qor::methods
