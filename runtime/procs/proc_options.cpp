// PROC OPTIONS: a listing of every host option with its current value, one per line, so a
// program can see what earlier OPTIONS statements set.
#include "host/print.h"
#include "runtime/core/options_internal.h"
#include "runtime/procs/procedures.h"

namespace qor::runtime {

int proc_options(qor_step*) {
    OptionSnapshot snapshot = qor_options_snapshot();
    xpselec(0, -2);   // the listing goes to the print file
    for (const OptionValue& v : snapshot.values) {
        switch (v.kind) {
        case OptionKind::Boolean:
            xpsout("    %s%s", v.boolean ? "" : "NO", v.name.c_str());
            break;
        case OptionKind::Integer:
            xpsout("    %s=%li", v.name.c_str(), v.integer);
            break;
        case OptionKind::Text:
            xpsout("    %s='%s'", v.name.c_str(), v.text.c_str());
            break;
        }
    }
    return 0;
}

}  // namespace qor::runtime
