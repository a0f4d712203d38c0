// Registration of the special functions with the compiler, in the groups a compile installs them:
// each group stops at its first refusal, and so does the whole chain (598/3410 names the function).
// The bodies of the pricing functions belong to the run engine; until they exist a call fails.
#include <cstring>

#include "common/module/not_yet.h"
#include "engine/builtins/builtins.h"
#include "engine/compiler/special_functions.h"
#include "host/print.h"

namespace {

// A pricing function whose body the run engine has not built yet: the run fails instead of
// pricing with a wrong value.
int body_not_yet(const cmp_function_record* fn, cmp_arg_value*, int, const cmp_exec_context*, cmp_instance*, void*) {
    char routine[64];
    xpsstr(routine, sizeof routine, "%s", fn != nullptr && fn->name != nullptr ? fn->name : "special function");
    not_yet_available(routine);
    return CMP_BODY_FAILED;
}

struct Registration {
    const char* name;
    int nargs;                       // 0: any number, the check validates
    const char* arg_types;
    char result;                     // 'n', 'c' or 0 (called as a routine)
    cmp_check_fn check;
    cmp_body_fn body;
    int hidden;                      // the call site's hidden record: 0 none, 1 RSKLPARGH,
                                     // 2 the matrix functions' call record, 3 the reference
                                     // record of the bodies that reach an object
    int group;                       // install routine
};

// In installation order. Counts that the checks test themselves (to give their own messages)
// are registered as "any".
const Registration kFunctions[] = {
    {"PMXELEM", 0, nullptr, 0, rskpme0, rskpme, 3, 1},
    {"RLAG", 0, nullptr, 'n', rsklgn0, rsklgn, 3, 1},
    {"_ARRU", 3, "n?n", 0, nullptr, rskarru, 0, 2},
    {"_RESET", 2, "nn", 0, rskref0, rskrset, 0, 2},
    {"_TRACE", 4, "ccnc", 0, nullptr, rsktrc, 0, 3},
    {"_TRACECHECK", 1, "n", 'n', nullptr, rsktrcc, 0, 3},
    {"_DGVAL", 2, "nn", 'n', nullptr, rskdgv, 0, 4},
    {"_LINTRANS", 1, "n", 0, nullptr, rskltv, 0, 4},
    {"N_CASH_FLOWS", 0, nullptr, 'n', cshflw0, cshflw, 0, 4},
    {"CASHFLOW", 0, nullptr, 0, cshflw0, cshflw, 1, 4},
    {"CASH_FLOW", 0, nullptr, 0, cshflw0, cshflw, 1, 4},
    {"CF_VERTICES", 6, "ncccnn", 0, cshflw0, cshflw, 0, 4},
    {"SET_DER", 0, nullptr, 0, rskder0, rskderc, 0, 4},
    {"PV_CASHFLOW", 0, nullptr, 'n', rskpvcf0, rskpvcf, 1, 5},
    {"REGISTER_FX", 0, nullptr, 0, rskregfx0, rskregfx, 3, 6},
    {"GET_FX_SPOT", 0, nullptr, 'n', rskgetfx0, rskgetfx, 0, 7},
    {"OUTV_ELEM", 0, nullptr, 'n', rskoutv0, rskoutve, 0, 8},
    {"ANALYSIS_INFO", 2, "cc", 0, rskant0, rskant, 0, 9},
    {"MLEVEL", 1, "n", 'c', rskmlvl0, rskmlvl, 0, 9},
    {"MAT_POWER", 0, nullptr, 0, rskmpw0, rskmpw, 2, 10},
    {"MAT_EXP", 0, nullptr, 0, rskmexp0, rskmexp, 2, 11},
    {"RUN_SCORE", 0, nullptr, 'n', nullptr, body_not_yet, 0, 12},
};
constexpr int kFunctionCount = static_cast<int>(sizeof kFunctions / sizeof kFunctions[0]);
constexpr int kGroupCount = 12;

int register_one(RSKCMPCON* handle, const Registration& r) {
    cmp_special_def def{};
    def.name = r.name;
    def.nargs = r.nargs;
    def.arg_types = r.arg_types;
    def.result_type = r.result;
    def.result_length = r.result == 'c' ? 32 : 0;
    def.context = handle;
    def.check = r.check;
    def.body = r.body;
    def.option_word = nullptr;
    def.hidden_size = r.hidden == 1   ? static_cast<int>(sizeof(RSKLPARGH))
                      : r.hidden == 2 ? static_cast<int>(sizeof(RSKMATCALL))
                      : r.hidden == 3 ? static_cast<int>(sizeof(RSKREFCALL))
                                      : 0;
    return cmpinst(handle->compilation.program, &def);
}

// One install routine: the functions of its group, stopping at the first refusal.
int install_group(RSKCMPCON* handle, int group) {
    for (int i = 0; i < kFunctionCount; ++i) {
        if (kFunctions[i].group != group) continue;
        if (register_one(handle, kFunctions[i]) != 0) {
            xpmlog(598, 3410, kFunctions[i].name);
            return 1;
        }
    }
    return 0;
}

}  // namespace

int install_special_functions(RSKCMPCON* handle) {
    if (handle == nullptr || handle->compilation.program == nullptr) return 1;
    for (int group = 1; group <= kGroupCount; ++group)
        if (install_group(handle, group) != 0) return 1;
    return 0;
}
