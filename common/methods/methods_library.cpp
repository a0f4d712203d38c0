// The methods-language functions built on the common library: the normal distribution
// (PROBNORM, PROBIT) through the fast one-number path, and INTNX/INTCK as functions that
// receive their interval name by address.
#include "common/methods/methods_library.h"

#include <cmath>
#include <cstdio>

#include "common/distributions/normal.h"
#include "common/intervals/interval_arith.h"
#include "common/methods/methods_distributions.h"
#include "common/intervals/interval_spec.h"
#include "host/compiler.h"
#include "host/missing.h"

namespace {

double probnorm(double x) { return std::isnan(x) ? qor::missing() : zprbnrm(x); }

// PROBIT is defined strictly inside (0, 1); the ends have no finite quantile.
double probit(double p) { return (p > 0 && p < 1) ? zprobit(p) : qor::missing(); }

bool interval_of(const cmp_arg_value& a, interval_spec* spec) {
    return a.text && zintstr(a.text->text, a.text->length, spec) == 0;
}

// INTNX('interval', start, n [, 'alignment'])
int intnx_body(const cmp_function_record*, cmp_arg_value* args, int nargs, const cmp_exec_context*, cmp_instance*,
               void*) {
    interval_spec spec{};
    double r = qor::missing();
    if (interval_of(args[1], &spec) && !std::isnan(*args[2].number) && !std::isnan(*args[3].number)) {
        if (nargs > 3 && args[4].text) {
            char align[2] = {args[4].text->length > 0 ? args[4].text->text[0] : 'B', 0};
            r = zintnx3(&spec, *args[2].number, std::trunc(*args[3].number), align);
        } else {
            r = zintnx2(&spec, *args[2].number, std::trunc(*args[3].number));
        }
    }
    *args[0].number = r;
    return 0;
}

// INTCK('interval', from, to)
int intck_body(const cmp_function_record*, cmp_arg_value* args, int, const cmp_exec_context*, cmp_instance*, void*) {
    interval_spec spec{};
    double r = qor::missing();
    if (interval_of(args[1], &spec) && !std::isnan(*args[2].number) && !std::isnan(*args[3].number))
        r = zintck2(&spec, *args[2].number, *args[3].number);
    *args[0].number = r;
    return 0;
}

int check_intnx(void*, cmp_call_node* call, char* message, int size) {
    if (call->nargs < 3 || call->nargs > 4) {
        std::snprintf(message, static_cast<size_t>(size), "INTNX takes 3 or 4 arguments");
        return 1;
    }
    for (int i = 0; i < call->nargs; ++i) {
        char want = (i == 0 || i == 3) ? 'c' : 'n';
        if (call->args[i].kind == CMP_ARG_OMITTED || call->args[i].type != want) {
            std::snprintf(message, static_cast<size_t>(size), "Argument %d of INTNX must be %s", i + 1,
                          want == 'c' ? "character" : "numeric");
            return 1;
        }
    }
    return 0;
}

}  // namespace

int methods_install_library(cmp_session* session) {
    if (cmpfunc1(session, "PROBNORM", probnorm) != 0) return 1;
    if (cmpfunc1(session, "PROBIT", probit) != 0) return 1;
    cmp_special_def intnx{"INTNX", 0, nullptr, 'n', 0, nullptr, check_intnx, intnx_body, nullptr, 0};
    if (cmpinst(session, &intnx) != 0) return 1;
    cmp_special_def intck{"INTCK", 3, "cnn", 'n', 0, nullptr, nullptr, intck_body, nullptr, 0};
    if (cmpinst(session, &intck) != 0) return 1;
    return methods_install_distributions(session);
}
