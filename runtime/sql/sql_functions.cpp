// The functions PROC SQL queries run through: ordering comparisons, arithmetic, scalar and
// summary MAX/MIN, SUM, AVG, COUNT and the ORDER BY rank, all with the qor missing-value rules.
#include <cmath>
#include <cstring>

#include "host/missing.h"
#include "runtime/sql/sql_missing.h"

namespace qor::runtime::sql {

namespace {

constexpr unsigned char kDot = '.';

void result_missing(sqlite3_context* context) {
    sqlite3_result_blob(context, &kDot, 1, SQLITE_STATIC);
}

int missing_rank(unsigned char code) { return code == '_' ? 0 : code == '.' ? 1 : code - 'A' + 2; }

// The number of an argument for arithmetic; false when it is missing or not a number.
bool number_of(sqlite3_value* value, double* out) {
    QorValue v = qor_value(value);
    if (v.kind != QorValue::Number) return false;
    *out = v.number;
    return true;
}

void compare_fn(sqlite3_context* context, sqlite3_value** argv, bool (*test)(int)) {
    sqlite3_result_int(context, test(qor_compare(qor_value(argv[0]), qor_value(argv[1]))) ? 1 : 0);
}
void lt_fn(sqlite3_context* c, int, sqlite3_value** v) { compare_fn(c, v, [](int r) { return r < 0; }); }
void le_fn(sqlite3_context* c, int, sqlite3_value** v) { compare_fn(c, v, [](int r) { return r <= 0; }); }
void gt_fn(sqlite3_context* c, int, sqlite3_value** v) { compare_fn(c, v, [](int r) { return r > 0; }); }
void ge_fn(sqlite3_context* c, int, sqlite3_value** v) { compare_fn(c, v, [](int r) { return r >= 0; }); }

// Binary arithmetic: a missing operand gives '.'.
template <double (*Op)(double, double)>
void arithmetic_fn(sqlite3_context* context, int, sqlite3_value** argv) {
    double a, b;
    if (!number_of(argv[0], &a) || !number_of(argv[1], &b)) return result_missing(context);
    result_number(context, Op(a, b));
}
double add(double a, double b) { return a + b; }
double subtract(double a, double b) { return a - b; }
double multiply(double a, double b) { return a * b; }
double divide(double a, double b) { return b == 0 ? qor::missing() : a / b; }
double raise(double a, double b) { return std::pow(a, b); }

// One-argument numeric functions: a missing operand or a value outside the domain gives '.'.
template <double (*Op)(double)>
void unary_fn(sqlite3_context* context, int, sqlite3_value** argv) {
    double a;
    if (!number_of(argv[0], &a)) return result_missing(context);
    result_number(context, Op(a));
}
double negate(double a) { return -a; }
double absolute(double a) { return std::fabs(a); }
double truncate(double a) { return std::trunc(a); }
double square_root(double a) { return a < 0 ? qor::missing() : std::sqrt(a); }
double exponential(double a) { return std::exp(a); }
double logarithm(double a) { return a <= 0 ? qor::missing() : std::log(a); }

// ROUND(x [, unit]): the nearest multiple of the unit (1 when not given).
void round_fn(sqlite3_context* context, int argc, sqlite3_value** argv) {
    double a, unit = 1;
    if (!number_of(argv[0], &a) || (argc > 1 && !number_of(argv[1], &unit)) || unit <= 0)
        return result_missing(context);
    result_number(context, std::round(a / unit) * unit);
}

// Scalar MAX/MIN: the largest or smallest argument that is not missing; '.' when all are.
template <bool Largest>
void extreme_fn(sqlite3_context* context, int argc, sqlite3_value** argv) {
    int best = -1;
    QorValue best_value;
    for (int i = 0; i < argc; ++i) {
        QorValue v = qor_value(argv[i]);
        if (v.kind == QorValue::Missing) continue;
        int r = best < 0 ? 0 : qor_compare(v, best_value);
        if (best < 0 || (Largest ? r > 0 : r < 0)) {
            best = i;
            best_value = v;
        }
    }
    if (best < 0) return result_missing(context);
    sqlite3_result_value(context, argv[best]);
}

// COALESCE: the first argument that is not missing (blank texts count as missing).
void coalesce_fn(sqlite3_context* context, int argc, sqlite3_value** argv) {
    for (int i = 0; i < argc; ++i) {
        QorValue v = qor_value(argv[i]);
        bool blank = v.kind == QorValue::Text && v.length == 0;
        if (v.kind != QorValue::Missing && !blank) return sqlite3_result_value(context, argv[i]);
    }
    if (argc > 0) sqlite3_result_value(context, argv[argc - 1]);
    else result_missing(context);
}

// ORDER BY rank: missing values by code below everything else.
void rank_fn(sqlite3_context* context, int, sqlite3_value** argv) {
    QorValue v = qor_value(argv[0]);
    sqlite3_result_int(context, v.kind == QorValue::Missing ? v.rank : 28);
}

// IS MISSING: a missing number or an all-blank text.
void missing_fn(sqlite3_context* context, int, sqlite3_value** argv) {
    QorValue v = qor_value(argv[0]);
    bool missing = v.kind == QorValue::Missing;
    if (v.kind == QorValue::Text) {
        missing = true;
        for (int i = 0; i < v.length && missing; ++i) missing = v.text[i] == ' ';
    }
    sqlite3_result_int(context, missing ? 1 : 0);
}

// Summary functions over the rows of a group; missing values are left out.
struct SumState {
    double sum;
    int64_t count;
};
void sum_step(sqlite3_context* context, int, sqlite3_value** argv) {
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(context, sizeof(SumState)));
    double a;
    if (s != nullptr && number_of(argv[0], &a)) {
        s->sum += a;
        ++s->count;
    }
}
void sum_final(sqlite3_context* context) {
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(context, 0));
    if (s == nullptr || s->count == 0) return result_missing(context);
    result_number(context, s->sum);
}
void avg_final(sqlite3_context* context) {
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(context, 0));
    if (s == nullptr || s->count == 0) return result_missing(context);
    result_number(context, s->sum / static_cast<double>(s->count));
}
void count_step(sqlite3_context* context, int argc, sqlite3_value** argv) {
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(context, sizeof(SumState)));
    if (s == nullptr || argc < 1) return;
    QorValue v = qor_value(argv[0]);
    if (v.kind == QorValue::Number || (v.kind == QorValue::Text && v.length > 0)) ++s->count;
}
void count_final(sqlite3_context* context) {
    auto* s = static_cast<SumState*>(sqlite3_aggregate_context(context, 0));
    sqlite3_result_int64(context, s == nullptr ? 0 : s->count);
}

struct ExtremeState {
    sqlite3_value* best;
};
template <bool Largest>
void extreme_step(sqlite3_context* context, int, sqlite3_value** argv) {
    auto* s = static_cast<ExtremeState*>(sqlite3_aggregate_context(context, sizeof(ExtremeState)));
    if (s == nullptr) return;
    QorValue v = qor_value(argv[0]);
    if (v.kind == QorValue::Missing) return;
    if (s->best != nullptr) {
        int r = qor_compare(v, qor_value(s->best));
        if (Largest ? r <= 0 : r >= 0) return;
        sqlite3_value_free(s->best);
    }
    s->best = sqlite3_value_dup(argv[0]);
    if (s->best == nullptr) sqlite3_result_error_nomem(context);
}
void extreme_final(sqlite3_context* context) {
    auto* s = static_cast<ExtremeState*>(sqlite3_aggregate_context(context, 0));
    if (s == nullptr || s->best == nullptr) return result_missing(context);
    sqlite3_result_value(context, s->best);
    sqlite3_value_free(s->best);
    s->best = nullptr;
}

}  // namespace

char missing_blob_code(double value) {
    int code = qor::missing_code(value);
    return code == 0 ? '.' : static_cast<char>(code);
}

bool missing_from_code(unsigned char code, double* value) {
    if (code == '.') *value = qor::missing();
    else if (code == '_' || (code >= 'A' && code <= 'Z')) *value = qor::make_missing(code);
    else return false;
    return true;
}

void result_number(sqlite3_context* context, double value) {
    if (std::isnan(value) || std::isinf(value)) {
        unsigned char code = qor::is_missing(value) ? static_cast<unsigned char>(missing_blob_code(value)) : kDot;
        return sqlite3_result_blob(context, &code, 1, SQLITE_TRANSIENT);
    }
    sqlite3_result_double(context, value);
}

QorValue qor_value(sqlite3_value* value) {
    QorValue v;
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL: v.number = qor::missing(); return v;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        v.kind = QorValue::Number;
        v.number = sqlite3_value_double(value);
        return v;
    case SQLITE_BLOB:
        if (sqlite3_value_bytes(value) == 1) {
            auto code = *static_cast<const unsigned char*>(sqlite3_value_blob(value));
            if (missing_from_code(code, &v.number)) {
                v.rank = missing_rank(code);
                return v;
            }
        }
        v.kind = QorValue::Text;
        v.text = static_cast<const unsigned char*>(sqlite3_value_blob(value));
        v.length = sqlite3_value_bytes(value);
        return v;
    default:
        v.kind = QorValue::Text;
        v.text = sqlite3_value_text(value);
        v.length = sqlite3_value_bytes(value);
        while (v.length > 0 && v.text[v.length - 1] == ' ') --v.length;
        return v;
    }
}

int qor_compare(const QorValue& a, const QorValue& b) {
    if (a.kind != b.kind) return a.kind < b.kind ? -1 : 1;
    if (a.kind == QorValue::Missing) return a.rank < b.rank ? -1 : a.rank > b.rank ? 1 : 0;
    if (a.kind == QorValue::Number) return a.number < b.number ? -1 : a.number > b.number ? 1 : 0;
    int common = a.length < b.length ? a.length : b.length;
    int r = common > 0 ? std::memcmp(a.text, b.text, static_cast<size_t>(common)) : 0;
    if (r != 0) return r < 0 ? -1 : 1;
    // The shorter text is padded with blanks (trailing blanks are already dropped).
    const QorValue& longer = a.length > b.length ? a : b;
    for (int i = common; i < longer.length; ++i)
        if (longer.text[i] != ' ') {
            int sign = longer.text[i] > ' ' ? 1 : -1;
            return &longer == &a ? sign : -sign;
        }
    return 0;
}

int register_functions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS;
    struct Scalar {
        const char* name;
        int args;
        void (*fn)(sqlite3_context*, int, sqlite3_value**);
    };
    const Scalar scalars[] = {
        {"qor_lt", 2, lt_fn}, {"qor_le", 2, le_fn}, {"qor_gt", 2, gt_fn}, {"qor_ge", 2, ge_fn},
        {"qor_add", 2, arithmetic_fn<add>}, {"qor_sub", 2, arithmetic_fn<subtract>},
        {"qor_mul", 2, arithmetic_fn<multiply>}, {"qor_div", 2, arithmetic_fn<divide>},
        {"qor_pow", 2, arithmetic_fn<raise>}, {"qor_neg", 1, unary_fn<negate>},
        {"qor_abs", 1, unary_fn<absolute>}, {"qor_int", 1, unary_fn<truncate>},
        {"qor_sqrt", 1, unary_fn<square_root>}, {"qor_exp", 1, unary_fn<exponential>},
        {"qor_log", 1, unary_fn<logarithm>}, {"qor_round", 1, round_fn}, {"qor_round", 2, round_fn},
        {"qor_max", -1, extreme_fn<true>}, {"qor_min", -1, extreme_fn<false>},
        {"qor_coalesce", -1, coalesce_fn}, {"qor_rank", 1, rank_fn}, {"qor_missing", 1, missing_fn},
    };
    for (const Scalar& s : scalars)
        if (int rc = sqlite3_create_function_v2(db, s.name, s.args, flags, nullptr, s.fn, nullptr,
                                                nullptr, nullptr))
            return rc;
    struct Summary {
        const char* name;
        void (*step)(sqlite3_context*, int, sqlite3_value**);
        void (*final)(sqlite3_context*);
    };
    const Summary summaries[] = {
        {"qor_sum", sum_step, sum_final},           {"qor_avg", sum_step, avg_final},
        {"qor_count", count_step, count_final},     {"qor_max_agg", extreme_step<true>, extreme_final},
        {"qor_min_agg", extreme_step<false>, extreme_final},
    };
    for (const Summary& s : summaries)
        if (int rc = sqlite3_create_function_v2(db, s.name, 1, flags, nullptr, nullptr, s.step,
                                                s.final, nullptr))
            return rc;
    return SQLITE_OK;
}

}  // namespace qor::runtime::sql
