// OUTV_ELEM: a statistic (MTM, VAR, MEAN, ...) of one element of an output vector, read from the
// lists the run's post-pricing and post-valuation steps fill, in the methods run after them.
#include <atomic>
#include <cmath>
#include <cstdio>
#include <strings.h>

#include "engine/builtins/builtin_support.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "host/print.h"

namespace {

constexpr const char* kName = "OUTV_ELEM";
const char* const kStatistics[RSKOUTV_STATISTICS] = {"MTM", "VAR", "VAR_L", "VAR_U", "MEAN",
                                                     "STD", "MIN", "MAX", "MEDIAN", "VALUE"};

int statistic_of(const char* text, int length) {
    for (int i = 0; i < RSKOUTV_STATISTICS; ++i)
        if (static_cast<size_t>(length) == std::strlen(kStatistics[i]) && strncasecmp(text, kStatistics[i], length) == 0)
            return i;
    return -1;
}

}  // namespace

int rskoutve(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context*,
             cmp_instance*, void*) {
    RSKCON* con = builtin_con(fn);
    double* result = args[0].number;
    if (result == nullptr || nargs < 2) return 1;
    *result = qor::missing();
    RSKBUILTINRUN* run = builtin_run(con);
    if (run != nullptr && std::atomic_ref<uint8_t>(run->pricing_failed).load() != 0) return 1;
    char name[40];
    const int length = builtin_text(args[2], name, sizeof name);
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), name};
    const RSKVARIABLE* v = length > 0 && length <= 32 && con != nullptr ? rskvar(con, &key) : nullptr;
    if (v == nullptr) {
        xpmlog(670, 3618, length, name);
        return 0;
    }
    if (v->data_type != RSKDTYPE_ARRAY) return 0;
    const double given = builtin_number(args, nargs, 3);
    const double k = qor::is_missing(given) ? 1.0 : std::trunc(given);
    if (k < 1 || k > v->element_count) {
        xpmlog(670, 3620, kName, qor::is_missing(given) ? 1L : static_cast<long>(std::fmax(-2147483647.0, std::fmin(k, 2147483647.0))), length, name);
        return 0;
    }
    char element[48];
    const int element_length = std::snprintf(element, sizeof element, "%.*s_%ld", length, name, static_cast<long>(k));
    if (element_length <= 0 || element_length > 32 || run == nullptr) return 0;
    const RSKOUTVLIST* list = run->outv_phase == 'R' ? run->post_pricing : run->post_valuation;
    if (list == nullptr) return 0;
    char statistic_text[16];
    const int statistic = statistic_of(statistic_text, builtin_text(args[1], statistic_text, sizeof statistic_text));
    for (int i = 0; i < list->count; ++i) {
        const RSKOUTVELEM& e = list->elements[i];
        if (e.name_length != element_length || strncasecmp(e.name, element, static_cast<size_t>(element_length)) != 0)
            continue;
        if (statistic >= 0 && e.statistics[statistic] != nullptr) *result = *e.statistics[statistic];
        return 0;
    }
    return 0;
}
