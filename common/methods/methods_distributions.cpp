// The distribution functions of the methods language: each one a thin call of the common
// library's routine for the law, with the parameter checks and the missing-value rules in one place.
#include "common/methods/methods_distributions.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "common/distributions/beta.h"
#include "common/distributions/gamma.h"
#include "common/distributions/log_helpers.h"
#include "common/distributions/normal.h"
#include "common/distributions/student_t.h"
#include "host/compiler.h"
#include "host/missing.h"

namespace qor::methods {

namespace {

bool same_name(const char* text, int length, const char* upper) {
    while (length > 0 && text[length - 1] == ' ') --length;
    if (static_cast<size_t>(length) != std::strlen(upper)) return false;
    for (int i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != upper[i]) return false;
    return true;
}

double finite_or_missing(double v) { return std::isfinite(v) ? v : qor::missing(); }

// Standard normal scaled by mean mu and standard deviation sigma.
double normal(Measure m, double x, double mu, double sigma) {
    if (!(sigma > 0) || !std::isfinite(mu) || !std::isfinite(sigma)) return qor::missing();
    switch (m) {
        case Measure::Density: return zdnsnrm((x - mu) / sigma) / sigma;
        case Measure::Distribution: return zprbnrm((x - mu) / sigma);
        case Measure::Quantile: return (x > 0 && x < 1) ? mu + sigma * zprobit(x) : qor::missing();
    }
    return qor::missing();
}

double student_t(Measure m, double x, double nu) {
    if (!(nu > 0) || !std::isfinite(nu)) return qor::missing();
    double v = qor::missing();
    switch (m) {
        case Measure::Density: {
            double ln_density;
            if (zldntnc(x, nu, 0.0, &ln_density) == 0) v = std::exp(ln_density);
            break;
        }
        case Measure::Distribution:
            if (zplbtnc(x, nu, 0.0, &v) != 0) v = qor::missing();
            break;
        case Measure::Quantile:
            if (!(x > 0 && x < 1) || zqt(x, nu, &v) != 0) v = qor::missing();
            break;
    }
    return v;
}

// Gamma law of shape a and scale s: density g(x/s; a)/s, P(a, x/s), s times the quantile.
double gamma(Measure m, double x, double a, double s) {
    if (!(a > 0) || !(s > 0) || !std::isfinite(a) || !std::isfinite(s)) return qor::missing();
    if (m == Measure::Quantile) {
        if (x == 0) return 0.0;
        if (!(x > 0 && x < 1)) return qor::missing();
        gamma_request r{};
        r.operation = 4;
        r.p = x;
        r.a = a;
        return zloggam(&r) == 0 ? s * r.x : qor::missing();
    }
    if (x < 0) return 0.0;
    double lower, upper, density;
    if (zigamma(x / s, a, &lower, &upper, &density) != 0) return qor::missing();
    if (m == Measure::Distribution) return lower;
    if (x == 0 && a < 1) return qor::missing();   // unbounded at the origin
    return density / s;
}

double beta(Measure m, double x, double a, double b) {
    if (!(a > 0) || !(b > 0) || !std::isfinite(a) || !std::isfinite(b)) return qor::missing();
    if (m == Measure::Quantile) {
        if (x == 0 || x == 1) return x;
        double q;
        if (!(x > 0 && x < 1) || zprobin(x, a, b, &q) != 0) return qor::missing();
        return q;
    }
    if (x < 0 || x > 1) return (m == Measure::Distribution && x > 1) ? 1.0 : 0.0;
    if (m == Measure::Density && ((x == 0 && a < 1) || (x == 1 && b < 1))) return qor::missing();
    double p, density;
    if (zibeta(x, a, b, &p, &density) != 0) return qor::missing();
    return m == Measure::Distribution ? p : density;
}

}  // namespace

Law law_of(const char* name, int length) {
    if (!name) return Law::Unknown;
    if (same_name(name, length, "NORMAL") || same_name(name, length, "GAUSS")) return Law::Normal;
    if (same_name(name, length, "T")) return Law::StudentT;
    if (same_name(name, length, "GAMMA")) return Law::Gamma;
    if (same_name(name, length, "BETA")) return Law::Beta;
    if (same_name(name, length, "CHISQ") || same_name(name, length, "CHISQUARE")) return Law::ChiSquare;
    return Law::Unknown;
}

void parameter_count(Law law, int* least, int* most) {
    switch (law) {
        case Law::Normal: *least = 0; *most = 2; return;       // mean 0, standard deviation 1
        case Law::StudentT: *least = 1; *most = 1; return;     // degrees of freedom
        case Law::Gamma: *least = 1; *most = 2; return;        // shape, scale 1
        case Law::Beta: *least = 2; *most = 2; return;         // two shapes
        case Law::ChiSquare: *least = 1; *most = 1; return;    // degrees of freedom
        case Law::Unknown: break;
    }
    *least = *most = -1;
}

double law_value(Law law, Measure m, double x, const double* par, int count) {
    int least, most;
    parameter_count(law, &least, &most);
    if (count < least || count > most || std::isnan(x)) return qor::missing();
    for (int i = 0; i < count; ++i)
        if (std::isnan(par[i])) return qor::missing();
    double v = qor::missing();
    switch (law) {
        case Law::Normal: v = normal(m, x, count > 0 ? par[0] : 0.0, count > 1 ? par[1] : 1.0); break;
        case Law::StudentT: v = student_t(m, x, par[0]); break;
        case Law::Gamma: v = gamma(m, x, par[0], count > 1 ? par[1] : 1.0); break;
        case Law::Beta: v = beta(m, x, par[0], par[1]); break;
        case Law::ChiSquare: v = gamma(m, x, 0.5 * par[0], 2.0); break;   // chi-square(k) = gamma(k/2, scale 2)
        case Law::Unknown: break;
    }
    return finite_or_missing(v);
}

}  // namespace qor::methods

namespace {

using qor::methods::Law;
using qor::methods::law_value;
using qor::methods::Measure;

// The named forms: one or two numbers through the fast call path.
double probt(double x, double df) { const double p[] = {df}; return law_value(Law::StudentT, Measure::Distribution, x, p, 1); }
double tinv(double q, double df) { const double p[] = {df}; return law_value(Law::StudentT, Measure::Quantile, q, p, 1); }
double probgam(double x, double a) { const double p[] = {a}; return law_value(Law::Gamma, Measure::Distribution, x, p, 1); }
double gaminv(double q, double a) { const double p[] = {a}; return law_value(Law::Gamma, Measure::Quantile, q, p, 1); }
double probchi(double x, double df) { const double p[] = {df}; return law_value(Law::ChiSquare, Measure::Distribution, x, p, 1); }
double cinv(double q, double df) { const double p[] = {df}; return law_value(Law::ChiSquare, Measure::Quantile, q, p, 1); }
double lgamma_fn(double x) { return zlgamma(x); }   // missing for x <= 0 and for a missing x
double erf_fn(double x) { return zferf(x); }
double erfc_fn(double x) { return zferfc(x); }

// PROBBETA(x, a, b) and BETAINV(p, a, b).
int beta_body(const cmp_function_record* fn, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    const double p[] = {*args[2].number, *args[3].number};
    Measure m = std::strcmp(fn->name, "BETAINV") == 0 ? Measure::Quantile : Measure::Distribution;
    *args[0].number = law_value(Law::Beta, m, *args[1].number, p, 2);
    return 0;
}

// PDF, CDF and QUANTILE('law', x, parameters...): the measure rides in the context.
int law_body(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context*, cmp_instance*,
             void*) {
    Law law = qor::methods::law_of(args[1].text->text, args[1].text->length);
    if (law == Law::Unknown) return 1;   // only a name held in a variable gets here
    double par[4];
    int count = nargs - 2;
    for (int i = 0; i < count; ++i) par[i] = *args[3 + i].number;
    Measure m = *static_cast<const Measure*>(fn->context);
    *args[0].number = law_value(law, m, *args[2].number, par, count);
    return 0;
}

// The law's name first (a literal name is checked here), then numbers: the point and as many
// parameters as the law takes.
int check_law_call(void*, cmp_call_node* call, char* message, int size) {
    const char* fn = call->function;
    if (call->nargs < 2 || call->nargs > 4) {
        std::snprintf(message, static_cast<size_t>(size), "%s takes the name of a law, a value and up to two parameters", fn);
        return 1;
    }
    for (int i = 0; i < call->nargs; ++i) {
        char want = i == 0 ? 'c' : 'n';
        if (call->args[i].kind == CMP_ARG_OMITTED || call->args[i].kind == CMP_ARG_ARRAY || call->args[i].type != want) {
            std::snprintf(message, static_cast<size_t>(size), "Argument %d of %s must be %s", i + 1, fn,
                          want == 'c' ? "the name of a law" : "numeric");
            return 1;
        }
    }
    if (call->args[0].kind != CMP_ARG_LITERAL) return 0;
    Law law = qor::methods::law_of(call->args[0].text, call->args[0].text_length);
    if (law == Law::Unknown) {
        std::snprintf(message, static_cast<size_t>(size),
                      "%s knows the laws NORMAL, T, GAMMA, BETA and CHISQ, not '%.*s'", fn,
                      call->args[0].text_length > 32 ? 32 : call->args[0].text_length, call->args[0].text);
        return 1;
    }
    int least, most;
    qor::methods::parameter_count(law, &least, &most);
    int given = call->nargs - 2;
    if (given < least || given > most) {
        std::snprintf(message, static_cast<size_t>(size), "%s of law %.*s takes %d to %d parameters, not %d", fn,
                      call->args[0].text_length, call->args[0].text, least, most, given);
        return 1;
    }
    return 0;
}

const Measure kDensity = Measure::Density;
const Measure kDistribution = Measure::Distribution;
const Measure kQuantile = Measure::Quantile;

}  // namespace

int methods_install_distributions(cmp_session* session) {
    struct One { const char* name; double (*fn)(double); };
    struct Two { const char* name; double (*fn)(double, double); };
    const One ones[] = {{"LGAMMA", lgamma_fn}, {"ERF", erf_fn}, {"ERFC", erfc_fn}};
    const Two twos[] = {{"PROBT", probt}, {"TINV", tinv}, {"PROBGAM", probgam},
                        {"GAMINV", gaminv}, {"PROBCHI", probchi}, {"CINV", cinv}};
    for (const One& f : ones)
        if (cmpfunc1(session, f.name, f.fn) != 0) return 1;
    for (const Two& f : twos)
        if (cmpfunc2(session, f.name, f.fn) != 0) return 1;
    for (const char* name : {"PROBBETA", "BETAINV"}) {
        cmp_special_def def{name, 3, "nnn", 'n', 0, nullptr, nullptr, beta_body, nullptr, 0};
        if (cmpinst(session, &def) != 0) return 1;
    }
    const struct { const char* name; const Measure* measure; } laws[] = {
        {"PDF", &kDensity}, {"CDF", &kDistribution}, {"QUANTILE", &kQuantile}};
    for (const auto& l : laws) {
        cmp_special_def def{l.name, 0, nullptr, 'n', 0, const_cast<Measure*>(l.measure), check_law_call, law_body,
                            nullptr, 0};
        if (cmpinst(session, &def) != 0) return 1;
    }
    return 0;
}
