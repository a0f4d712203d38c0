// Arithmetic and mathematical built-ins, and the table of every built-in function. Missing
// arguments give missing results; the executor turns any non-finite result into missing.
#include <cmath>
#include <cstring>
#include <utility>

#include "host/missing.h"
#include "runtime/compiler/bytecode.h"
#include "runtime/compiler/functions.h"

namespace qor::cmp {

namespace {

double f_abs(double x) { return std::fabs(x); }
double f_sign(double x) { return std::isnan(x) ? x : (x > 0) - (x < 0); }
double f_sqrt(double x) { return std::sqrt(x); }
double f_exp(double x) { return std::exp(x); }
double f_log(double x) { return x > 0 ? std::log(x) : missing(); }
double f_log10(double x) { return x > 0 ? std::log10(x) : missing(); }
double f_log2(double x) { return x > 0 ? std::log2(x) : missing(); }
double f_int(double x) { return std::trunc(x); }
double f_floor(double x) { return std::floor(x); }
double f_ceil(double x) { return std::ceil(x); }
double f_sin(double x) { return std::sin(x); }
double f_cos(double x) { return std::cos(x); }
double f_tan(double x) { return std::tan(x); }
double f_arsin(double x) { return std::asin(x); }
double f_arcos(double x) { return std::acos(x); }
double f_atan(double x) { return std::atan(x); }
double f_sinh(double x) { return std::sinh(x); }
double f_cosh(double x) { return std::cosh(x); }
double f_tanh(double x) { return std::tanh(x); }
// MOD keeps the sign of the dividend; a zero divisor gives missing.
double f_mod(double x, double y) { return y == 0 ? missing() : std::fmod(x, y); }
double f_atan2(double y, double x) { return std::atan2(y, x); }
// ROUND to the nearest multiple of unit (halves away from zero); exact for decimal units
// such as 0.01 by dividing by the unit's reciprocal when that is a whole number.
double f_round(double x, double unit) {
    if (std::isnan(x) || std::isnan(unit) || unit <= 0) return missing();
    double inv = 1.0 / unit;
    if (inv == std::floor(inv) && inv <= 1e15) return std::round(x * inv) / inv;
    return std::round(x / unit) * unit;
}

constexpr double kNoDefault = 0;

#define NUM1(name, fn) {name, FnForm::Num1, 1, 1, 'n', "n", ResultLen::None, 0, fn, nullptr, 0, 0, nullptr}
#define NUM2(name, fn, min, def) {name, FnForm::Num2, min, 2, 'n', "n", ResultLen::None, 0, nullptr, fn, def, 0, nullptr}
#define AGG(name, kind) {name, FnForm::Aggregate, 1, -1, 'n', "n", ResultLen::None, 0, nullptr, nullptr, 0, kind, nullptr}
#define GEN(name, min, max, res, types, rl, fixed, fn) {name, FnForm::Generic, min, max, res, types, rl, fixed, nullptr, nullptr, 0, 0, fn}

const BuiltinFunction kBuiltins[] = {
    NUM1("ABS", f_abs), NUM1("SIGN", f_sign), NUM1("SQRT", f_sqrt), NUM1("EXP", f_exp),
    NUM1("LOG", f_log), NUM1("LOG10", f_log10), NUM1("LOG2", f_log2), NUM1("INT", f_int),
    NUM1("FLOOR", f_floor), NUM1("CEIL", f_ceil), NUM1("SIN", f_sin), NUM1("COS", f_cos),
    NUM1("TAN", f_tan), NUM1("ARSIN", f_arsin), NUM1("ARCOS", f_arcos), NUM1("ATAN", f_atan),
    NUM1("SINH", f_sinh), NUM1("COSH", f_cosh), NUM1("TANH", f_tanh),
    NUM1("DAY", fn_day), NUM1("MONTH", fn_month), NUM1("YEAR", fn_year), NUM1("WEEKDAY", fn_weekday),
    NUM1("DATEPART", fn_datepart), NUM1("TIMEPART", fn_timepart),
    NUM2("MOD", f_mod, 2, kNoDefault), NUM2("ATAN2", f_atan2, 2, kNoDefault), NUM2("ROUND", f_round, 1, 1.0),
    AGG("SUM", AGG_SUM), AGG("MEAN", AGG_MEAN), AGG("MIN", AGG_MIN), AGG("MAX", AGG_MAX),
    AGG("N", AGG_N), AGG("NMISS", AGG_NMISS), AGG("COALESCE", AGG_COALESCE),
    GEN("MISSING", 1, 1, 'n', "?", ResultLen::None, 0, fn_missing),
    GEN("LENGTH", 1, 1, 'n', "c", ResultLen::None, 0, fn_length),
    GEN("SUBSTR", 2, 3, 'c', "cnn", ResultLen::Arg0, 0, fn_substr),
    GEN("UPCASE", 1, 1, 'c', "c", ResultLen::Arg0, 0, fn_upcase),
    GEN("LOWCASE", 1, 1, 'c', "c", ResultLen::Arg0, 0, fn_lowcase),
    GEN("TRIM", 1, 1, 'c', "c", ResultLen::Arg0, 0, fn_trim),
    GEN("STRIP", 1, 1, 'c', "c", ResultLen::Arg0, 0, fn_strip),
    GEN("LEFT", 1, 1, 'c', "c", ResultLen::Arg0, 0, fn_left),
    GEN("INDEX", 2, 2, 'n', "cc", ResultLen::None, 0, fn_index),
    GEN("COMPRESS", 1, 2, 'c', "cc", ResultLen::Arg0, 0, fn_compress),
    GEN("CAT", 1, -1, 'c', "?", ResultLen::Sum, 0, fn_cat),
    GEN("CATS", 1, -1, 'c', "?", ResultLen::Sum, 0, fn_cats),
    GEN("CATX", 2, -1, 'c', "c?", ResultLen::Sum, 0, fn_catx),
    GEN("PUT", 1, 2, 'c', "?c", ResultLen::Fixed, 32, fn_put),
    GEN("INPUT", 1, 2, 'n', "cc", ResultLen::None, 0, fn_input),
    GEN("MDY", 3, 3, 'n', "n", ResultLen::None, 0, fn_mdy),
    GEN("DHMS", 4, 4, 'n', "n", ResultLen::None, 0, fn_dhms),
    GEN("TODAY", 0, 0, 'n', "n", ResultLen::None, 0, fn_today),
    {"DIM", FnForm::ArrayInfo, 1, 2, 'n', "?n", ResultLen::None, 0, nullptr, nullptr, 0, 0, nullptr},
    {"HBOUND", FnForm::ArrayInfo, 1, 2, 'n', "?n", ResultLen::None, 0, nullptr, nullptr, 0, 0, nullptr},
};

}  // namespace

const BuiltinFunction* find_builtin(const std::string& name, int* index) {
    for (size_t i = 0; i < sizeof kBuiltins / sizeof kBuiltins[0]; ++i)
        if (name == kBuiltins[i].name) {
            if (index) *index = static_cast<int>(i);
            return &kBuiltins[i];
        }
    return nullptr;
}

const BuiltinFunction& builtin_at(int index) { return kBuiltins[index]; }

double (*library_routine(double (*f)(double)))(double) {
    using Fn = double (*)(double);
    static const std::pair<Fn, Fn> forwards[] = {
        {f_exp, static_cast<Fn>(std::exp)},   {f_sin, static_cast<Fn>(std::sin)},
        {f_cos, static_cast<Fn>(std::cos)},   {f_tan, static_cast<Fn>(std::tan)},
        {f_arsin, static_cast<Fn>(std::asin)}, {f_arcos, static_cast<Fn>(std::acos)},
        {f_atan, static_cast<Fn>(std::atan)}, {f_sinh, static_cast<Fn>(std::sinh)},
        {f_cosh, static_cast<Fn>(std::cosh)}, {f_tanh, static_cast<Fn>(std::tanh)}};
    for (const auto& [builtin, library] : forwards)
        if (builtin == f) return library;
    return f;
}

bool is_builtin_numeric(const void* f) {
    for (const BuiltinFunction& b : kBuiltins)
        if ((b.num1 && reinterpret_cast<const void*>(b.num1) == f) ||
            (b.num2 && reinterpret_cast<const void*>(b.num2) == f))
            return true;
    return false;
}

void fn_missing(const GenArg* a, int, GenResult& out) {
    if (a[0].type == 'n') {
        out.num = std::isnan(a[0].num) ? 1 : 0;
        return;
    }
    for (int i = 0; i < a[0].len; ++i)
        if (a[0].text[i] != ' ') { out.num = 0; return; }
    out.num = 1;
}

}  // namespace qor::cmp
