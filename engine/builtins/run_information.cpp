// ANALYSIS_INFO and MLEVEL: the name and type of the analysis being run, and a variable's
// measurement level, written into the method's character arguments.
#include <cstring>

#include "engine/builtins/builtin_support.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/print.h"

int rskant(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context*,
           cmp_instance*, void*) {
    RSKCON* con = builtin_con(fn);
    const RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    const RSKANLPROC* work = run != nullptr ? run->work_area : nullptr;
    const RSKANALYSIS* analysis = work != nullptr ? work->analysis : nullptr;
    if (analysis == nullptr || nargs < 2) {
        xpmlog(598, 3928, "ANALYSIS_INFO");
        return 1;
    }
    builtin_set_text(args[1], analysis->name.name.text, analysis->name.name.length);
    const char* type = nullptr;
    const int length = rskcsat(con, static_cast<int>(analysis->kind), &type);   // the name's length
    builtin_set_text(args[2], type != nullptr ? type : "", type != nullptr && length > 0 ? length : 0);
    return 0;
}

int rskmlvl(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
            cmp_instance*, void*) {
    RSKCON* con = builtin_con(fn);
    if (args[0].text == nullptr) return 1;
    const RSKVARIABLE* v = nargs >= 1 ? builtin_argument_variable(con, exec, args[1]) : nullptr;
    const char* level = "";
    if (v != nullptr) level = v->measurement_level == 1 ? "Ratio" : v->measurement_level == 2 ? "Interval" : "Undefined";
    qor_namerec* r = args[0].text;
    const int n = static_cast<int>(std::strlen(level)) < r->capacity ? static_cast<int>(std::strlen(level)) : r->capacity;
    std::memcpy(r->text, level, static_cast<size_t>(n));
    std::memset(r->text + n, ' ', static_cast<size_t>(r->capacity - n));
    r->length = r->capacity;
    return 0;
}
