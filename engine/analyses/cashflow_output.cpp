// Cash-flow analysis output: the partial-duration rows of PARTIALDUR and COMBINE and their level
// pass, the simple gap rows per cell, and the sort step of the asset/liability gap data set.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "engine/analyses/cashflow_analysis.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/submission/code_submission.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/aggregation.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/tables/output_records.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr size_t kCodeBytes = 2048;

void put_text(char* field, size_t width, const char* text, int length) {
    std::memset(field, ' ', width);
    if (text != nullptr && length > 0) std::memcpy(field, text, std::min(static_cast<size_t>(length), width));
}

void put_word(char* field, size_t width, const char* word) {
    put_text(field, width, word, static_cast<int>(std::strlen(word)));
}

// Name and Label (or Name2 and Label2) of a factor; null blanks them.
void put_factor(char* name, char* label, const RSKVARIABLE* v) {
    if (v == nullptr) {
        put_text(name, 32, nullptr, 0);
        put_text(label, 256, nullptr, 0);
        return;
    }
    put_text(name, 32, v->name.name.text, v->name.name.length);
    put_text(label, 256, v->properties.description, v->properties.description_length);
}

int write(RSKCON* con, RSKROWWRITER writer, RSKRESDS* resds, int rc) {
    const int code = writer != nullptr ? writer(con, resds) : 0;
    return code > rc ? code : rc;
}

const RSKCFLWORK* work_of(const RSKANLPROC* run) {
    return run != nullptr ? static_cast<const RSKCFLWORK*>(run->work) : nullptr;
}

// The cell offset of element `element` (from 0) of `variable` among the run's output variables;
// -1 when it has none.
int32_t element_offset(const RSKOUTVARTABLE* table, const RSKVARIABLE* variable, int32_t element) {
    if (table == nullptr || variable == nullptr) return -1;
    for (const RSKOUTVAR* e = table->first; e != nullptr; e = e->next_in_order)
        if (e->variable == variable && e->element_offset == element * 8) return e->cell_offset;
    return -1;
}

double cell_double(const void* cell, int32_t offset) {
    double value;
    std::memcpy(&value, static_cast<const unsigned char*>(cell) + offset, sizeof value);
    return value;
}

int trimmed(const char* text, int length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return length;
}

// Submits one line of generated code; `last` ends the submission, with NOTES and SOURCE on only
// while debugging.
int submit(RSKCON* con, const char* text, int last) {
    auto* context = static_cast<RSKSUBMITCTX*>(con->submission_context);
    if (context == nullptr) return 1;
    const long on = (con->debug_categories & RSKDEBUG_ON) != 0 ? 1 : 0;
    const RSKOPTREQ options[2] = {{"NOTES", on, nullptr, RSKSUBOPT_BOOLEAN}, {"SOURCE", on, nullptr, RSKSUBOPT_BOOLEAN}};
    return zsubmitz(text, -1, context, last, last ? 2 : 0, last ? options : nullptr);
}

}  // namespace

int output_compdur(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKCFLWORK* w = work_of(run);
    RSKRUNRESULTS* r = rskres_run(con);
    if (w == nullptr || r == nullptr || area == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    ++r->context.row_counter;
    int rc = 0;
    for (int32_t i = 0; i < w->n; ++i) {
        put_factor(row.name, row.label, w->factors[i]);
        put_word(row.type, sizeof row.type, "CONVEXITY");
        row.value = rsa_cell_get(area, 0);
        row.dur = rsa_cell_get(area, rsacfl_duration_slot(i));
        row.conv = rsa_cell_get(area, rsacfl_convexity_slot(i));
        rc = write(con, writer, resds, rc);
    }
    return rc;
}

int output_compdur2(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKCFLWORK* w = work_of(run);
    RSKRUNRESULTS* r = rskres_run(con);
    if (w == nullptr || r == nullptr || area == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    ++r->context.row_counter;
    row.value = rsa_cell_get(area, 0);
    put_text(row.label2, sizeof row.label2, nullptr, 0);
    int rc = 0;
    for (int32_t i = 0; i < w->n; ++i) {
        put_factor(row.name, row.label, w->factors[i]);
        put_word(row.name2, sizeof row.name2, "DURATION");
        row.sensitivity = rsa_cell_get(area, rsacfl_duration_slot(i));
        rc = write(con, writer, resds, rc);
        put_word(row.name2, sizeof row.name2, "CONVEXITY");
        row.sensitivity = rsa_cell_get(area, rsacfl_convexity_slot(i));
        rc = write(con, writer, resds, rc);
    }
    return rc;
}

int output_compdur3(RSKCON* con, RSKANLPROC* run, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKCFLWORK* w = work_of(run);
    RSKRUNRESULTS* r = rskres_run(con);
    if (w == nullptr || r == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    const int kind = resds != nullptr ? resds->kind : 0;
    int rc = 0;
    if (kind == RSKRES_COMBINE) {
        for (int32_t i = 0; i < w->n; ++i) {
            put_factor(row.name, row.label, w->factors[i]);
            put_factor(row.name2, row.label2, w->factors[i]);
            rc = write(con, writer, resds, rc);
        }
        put_text(row.label2, sizeof row.label2, nullptr, 0);
        for (const char* name2 : {"DURATION", "CONVEXITY"}) {
            put_word(row.name2, sizeof row.name2, name2);
            rc = write(con, writer, resds, rc);
        }
        return rc;
    }
    if (kind == RSKRES_PARTIALDUR) {
        put_factor(row.name, row.label, nullptr);
        for (const char* type : {"DURATION", "CONVEXITY"}) {
            put_word(row.type, sizeof row.type, type);
            rc = write(con, writer, resds, rc);
        }
        for (int32_t i = 0; i < w->n; ++i) {
            put_factor(row.name, row.label, w->factors[i]);
            rc = write(con, writer, resds, rc);
        }
    }
    return rc;
}

int output_simplegap(RSKCON* con, void* cell, RSKRESDS* resds) {
    if (con == nullptr || con->run_block == nullptr || cell == nullptr) return 1;
    RSKRUNBLOCK* run = con->run_block;
    const RSKOUTVARTABLE* table = run->output_variables;
    if (table == nullptr || table->first == nullptr) {
        xebug("No bucket variables found for simple gap data");
        return 1;
    }
    const int32_t mode = run->cashflow_analyses.bucket_mode;
    const bool simple = mode == RSKCFL_BUCKET_SIMPLE || mode == RSKCFL_BUCKET_ALL;
    const bool cumulative = mode == RSKCFL_BUCKET_CUMULATIVE || mode == RSKCFL_BUCKET_ALL;
    const RSKSYSVARS* sys = con->system_variables;
    const RSKVARIABLE* simple_variable = sys != nullptr ? sys->cf_bucket : nullptr;
    const RSKVARIABLE* cumulative_variable = sys != nullptr ? sys->cum_bucket : nullptr;
    const int32_t buckets = run->cut_count;
    // Every bucket the mode needs must have its place in the cell.
    for (int32_t b = 0; b < buckets; ++b) {
        if ((simple && element_offset(table, simple_variable, b) < 0) ||
            (cumulative && element_offset(table, cumulative_variable, b) < 0) || (!simple && !cumulative)) {
            xebug("Inconsistent bucket variables are found.");
            return 1;
        }
    }
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    int rc = 0;
    for (int32_t b = 0; b < buckets; ++b) {
        row.bucket_date = run->cut_points[b];
        row.bucket_amt = simple ? cell_double(cell, element_offset(table, simple_variable, b)) : qor::missing();
        row.cum_bucket_amt =
            cumulative ? cell_double(cell, element_offset(table, cumulative_variable, b)) : qor::missing();
        rc = std::max(rc, rskput(con, resds));
    }
    return rc;
}

int process_algaps(RSKCON* con) {
    if (con == nullptr || con->run_block == nullptr) return 1;
    RSKRUNBLOCK* run = con->run_block;
    const char* library = run->output_object != nullptr ? run->output_object->libref : run->aggregation.output_libref;
    const int library_length = trimmed(library, 8);
    if (library_length == 0) {
        xebug("process_algaps: the run has no output library.");
        return 1;
    }

    char by[kCodeBytes] = "by";
    size_t used = 2;
    for (const RSKCCVAR* v = run->aggregation.first_variable; v != nullptr; v = v->next) {
        if (v->variable == nullptr) continue;
        const RSKNAMEREC& name = v->variable->name.name;
        const int length = trimmed(name.text, name.length);
        if (used + 1 + static_cast<size_t>(length) >= sizeof by) {
            xebug("process_algaps: the class variables do not fit the sort statement.");
            return 1;
        }
        by[used++] = ' ';
        std::memcpy(by + used, name.text, static_cast<size_t>(length));
        used += static_cast<size_t>(length);
        by[used] = '\0';
    }

    char line[kCodeBytes];
    int rc = submit(con, "/* '; /* \"; /* */ ; run; options nosyntaxcheck replace obs=max;", 0);
    std::snprintf(line, sizeof line, "proc sort data=%.*s.algaps; %s; run;", library_length, library, by);
    rc = std::max(rc, submit(con, line, 0));
    std::snprintf(line, sizeof line, "data %.*s.algaps; set %.*s.algaps;", library_length, library, library_length,
                  library);
    rc = std::max(rc, submit(con, line, 0));
    rc = std::max(rc, submit(con, "if altype ='+' then altype ='ALGap'; run;", 1));
    return rc;
}
