// The grid of a P/L curve or surface factor: its options as written (each may come once) and
// the checks a grid must pass before the factor is added.
#include "host/missing.h"
#include "host/print.h"
#include "procedure/analysis_statements.h"
#include "procedure/operand_lists.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {
constexpr double kMaxPoints = 32767;
}  // namespace

int get_gridopt(int code, double value, GridOptions* grid, const char* factor, int factor_length,
                const char* analysis, int analysis_length) {
    double* slot = nullptr;
    switch (code) {
    case 1: slot = &grid->lower; break;
    case 2: slot = &grid->upper; break;
    case 3: slot = &grid->points; break;
    case 4: slot = &grid->fourth; break;
    default:
        xebug("risk: get_gridopt: bad code %g for %*s in %*s.", static_cast<double>(code), factor_length, factor,
              analysis_length, analysis);
        return 99;
    }
    if (!qor::is_missing(*slot)) xpmlog(670, 1154 + code, factor_length, factor, analysis_length, analysis);
    *slot = value;
    return 0;
}

int check_gridopt(double lower, double upper, double points, const char* factor, int factor_length,
                  const char* analysis, int analysis_length) {
    if (qor::is_missing(lower)) {
        xpmlog(670, 1159, factor_length, factor, analysis_length, analysis);
        return 1;
    }
    if (qor::is_missing(upper)) {
        xpmlog(670, 1160, factor_length, factor, analysis_length, analysis);
        return 1;
    }
    if (qor::is_missing(points)) {
        xpmlog(670, 1161, factor_length, factor, analysis_length, analysis);
        return 1;
    }
    int result = 0;
    if (!(upper > lower)) {
        xpmlog(670, 1162, upper, lower, factor_length, factor, analysis_length, analysis);
        result = 1;
    }
    if (!(points >= 2 && points <= kMaxPoints)) {
        xpmlog(670, 1163, points, factor_length, factor, analysis_length, analysis);
        result = 1;
    }
    return result;
}

int read_grid(const statement_node* node, long long index, long long* option_at, GridOptions* grid,
              const char* factor, int factor_length, const char* analysis, int analysis_length) {
    *grid = {qor::make_missing(), qor::make_missing(), qor::make_missing(), qor::make_missing()};
    const long long count = static_cast<long long>(
        operand_list_number(node, kFactorsField + QOR_FACTOR_OPTION_COUNTS, index, 0));
    int result = 0;
    for (long long k = 0; k < count; ++k, ++*option_at) {
        const int code =
            static_cast<int>(operand_list_number(node, kFactorsField + QOR_FACTOR_OPTION_CODES, *option_at, 0));
        const double value =
            operand_list_number(node, kFactorsField + QOR_FACTOR_OPTION_VALUES, *option_at, qor::make_missing());
        const int rc = get_gridopt(code, value, grid, factor, factor_length, analysis, analysis_length);
        if (rc > result) result = rc;
    }
    return result;
}

}  // namespace zozu
