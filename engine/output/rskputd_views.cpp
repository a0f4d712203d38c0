// The SQL views SIMREPS and OPTRESLT over a run's result data sets: generated from message lines
// and submitted as one PROC SQL step, quietly unless the code is being listed.
#include <cstring>

#include "engine/model/submission/code_submission.h"
#include "engine/output/output_object.h"
#include "engine/output/result_kinds.h"
#include "host/print.h"

namespace {

constexpr int kLineBytes = 512;

// Submits the opening line, the view's lines first..last and the closing line; the view is made
// when the closing line is submitted. The view's lines are formatted with the object's libref
// and the view name.
int submit_view(RSKCON* con, const RSKOUTOBJ* object, const char* view, int first, int last) {
    auto* context = static_cast<RSKSUBMITCTX*>(con->submission_context);
    if (context == nullptr) return 0;
    const bool listing = con->submission_echo != 0;
    int libref_length = 8;
    while (libref_length > 0 && object->libref[libref_length - 1] == ' ') --libref_length;
    int view_length = static_cast<int>(std::strlen(view));
    while (view_length > 0 && view[view_length - 1] == ' ') --view_length;
    char line[kLineBytes];
    int rc = 0;
    auto submit = [&](int number, int wait) {
        if (number == 5901)
            rskres_message(line, sizeof line, number, object->libref, view_length, view);
        else
            rskres_message(line, sizeof line, number, libref_length, object->libref);
        if (listing) xpslog("%+12t%s", line);
        const RSKOPTREQ quiet[2] = {{"NOTES", listing ? 1L : 0L, nullptr, RSKSUBOPT_BOOLEAN},
                                    {"SOURCE", listing ? 1L : 0L, nullptr, RSKSUBOPT_BOOLEAN}};
        const int code = zsubmitz(line, -1, context, wait, wait ? 2 : 0, wait ? quiet : nullptr);
        if (code != 0 && rc == 0) rc = code;
    };
    submit(5900, 0);
    submit(5901, 0);
    for (int number = first; number <= last; ++number) submit(number, 0);
    submit(5900, 1);
    return rc;
}

}  // namespace

int create_sim_reps(RSKCON* con, RSKOUTOBJ* object) {
    if (object == nullptr) return 0;
    if (con->submission_echo) xpslog("%3zSubmitting SQL View:%n");
    submit_view(con, object, "SIMREPS ", 5902, 5908);
    return 0;
}

int create_opt_result(RSKCON* con, RSKOUTOBJ* object) {
    if (object == nullptr) return 0;
    if (con->submission_echo) xpslog("%3zSubmitting SQL View:%n");
    submit_view(con, object, "OPTRESLT", 5916, 5920);
    return 0;
}
