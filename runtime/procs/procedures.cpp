// The table of procedures built into the runtime, looked up by the step runner before it
// looks for a module that implements a procedure.
#include "runtime/procs/procedures.h"

#include <cstring>

namespace qor::runtime {

namespace {
struct Builtin {
    const char* name;
    builtin_procedure_fn run;
};
const Builtin kBuiltins[] = {
    {"OPTIONS", proc_options},
    {"IMPORT", proc_import},
    {"EXPORT", proc_export},
    {"PRINT", proc_print},
    {"SQL", proc_sql},
    {"SORT", proc_sort},
    {"TRANSPOSE", proc_transpose},
    {"DATASETS", proc_datasets},
    {"APPEND", proc_append},
};
}  // namespace

builtin_procedure_fn find_builtin_procedure(const char* name) {
    for (const Builtin& b : kBuiltins)
        if (std::strcmp(b.name, name) == 0) return b.run;
    return nullptr;
}

}  // namespace qor::runtime
