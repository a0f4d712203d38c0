// The STATES view over STATES_A and STATES_V, and the merge of the state members of a run in
// analysis parts into whole members.
#include <cstdio>
#include <cstring>

#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_datasets.h"
#include "engine/output/rskgds.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/tables/output_records.h"
#include "host/print.h"

namespace {

// A state variable of the STATES view: kind 2, or kind 9 other than a set, not excluded unless
// every variable goes into the states.
bool state_column(const RSKCON* con, const RSKVARIABLE* v, const RSKVARIABLE* closing) {
    if (v == closing) return false;
    if (!(v->kind == 2 || (v->kind == 9 && v->data_type != 11))) return false;
    const RSKRUNRESULTS* r = con->run_block != nullptr ? &con->run_block->result_sets : nullptr;
    const bool all = r != nullptr && r->excluded_factors_in_states;
    return all || (v->exclusion2 == 0 && v->exclusion3 == 0);
}

// The merge key of the analysis members.
void analysis_key(RSKGDSTEXT* text, const RSKGDSSHAPE& shape, const char* head) {
    if (shape.names)
        rskgds_line(text, "%sby analysisnumber analysispart name name2;", head);
    else if (shape.name_only)
        rskgds_line(text, "%sby analysisnumber analysispart name;", head);
    else
        rskgds_line(text, "%sby analysisnumber analysispart;", head);
}

}  // namespace

void drop_sorted_copies(RSKGDSTEXT* text, int n) {
    rskgds_line(text, "proc datasets library=work nolist;");
    for (int i = 1; i <= n; ++i) rskgds_line(text, "\tdelete _gdsa%i_;", i);
    rskgds_line(text, "\trun;");
}

void analysis_merge_key(RSKGDSTEXT* text, const RSKGDSSHAPE& shape, const char* head) { analysis_key(text, shape, head); }

int gds_states_view_text(RSKCON* con, const RSKOUTOBJ* object, const char* view, int view_length,
                         RSKGDSTEXT* text) {
    RSKGDSSHAPE shape;
    rskgds_shape(con, &shape);
    const RSKVARIABLE* closing = con->system_variables != nullptr ? con->system_variables->date : nullptr;
    rskgds_line(text, "proc sql;\n\tcreate view %8v.%*s as", object->libref, view_length, view);
    rskgds_line(text, "select statenumber, a.analysisnumber, analysisname, a.analysispart,");
    if (shape.names)
        rskgds_line(text, "\ta.name, a.name2,");
    else if (shape.name_only)
        rskgds_line(text, "\tname,");
    if (shape.simulation_columns) rskgds_line(text, "\tsimulationcase, simulationmode, simulationcategory,");
    if (shape.time_columns) rskgds_line(text, "\tsimulationtime, simulationreplication,");
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (!state_column(con, v, closing)) continue;
        const double dimension = v->element_count;
        if (!(dimension > 1)) {
            rskgds_line(text, "\t%v,", &v->name.name);
        } else if (v->class_flags & RSKVAROUT_ARRAY) {
            for (int i = 1; i <= static_cast<int>(dimension); ++i) {
                char element[48];
                const int n = std::snprintf(element, sizeof element, "%.*s_%i",
                                            static_cast<int>(v->name.name.length), v->name.name.text, i);
                rskgds_line(text, "\t%*v,", n, element);
            }
        }
    }
    if (shape.datetime) rskgds_line(text, "\tdatetime,");
    if (closing != nullptr)
        rskgds_line(text, "\t%v", &closing->name.name);
    else
        rskgds_line(text, "\t_date_");
    rskgds_line(text, "from %*s_a a, %*s_v v", view_length, view, view_length, view);
    rskgds_line(text, "where a.analysisnumber = v.analysisnumber AND");
    if (shape.join_names) {
        rskgds_line(text, "\ta.name = v.name AND");
        rskgds_line(text, "\ta.name2 = v.name2 AND");
    }
    rskgds_line(text, "\ta.analysispart = v.analysispart");
    // Readers take the states by observation number: the view keeps them in state order.
    rskgds_line(text, "\torder by statenumber;");
    rskgds_line(text, "quit;");
    return text->failed ? 1 : 0;
}

int gds_states_merge_text(RSKCON* con, const char* out, const char* parts, int n, RSKGDSTEXT* text) {
    RSKGDSSHAPE shape;
    rskgds_shape(con, &shape);
    rskgds_line(text, "data %8v.states_v; merge", out);
    for (int i = 1; i <= n; ++i) rskgds_line(text, "\t%8v.states_%i_%i_v", parts, i, n);
    rskgds_line(text, "\t;\n\tby StateNumber;");
    rskgds_line(text, "\trun;");
    // Each part's analysis rows come in generation order: sorted by the whole key first, so
    // that the merge pairs equal keys only (the base case's rows become one).
    for (int i = 1; i <= n; ++i) {
        rskgds_line(text, "proc sort data=%8v.states_%i_%i_a out=work._gdsa%i_;", parts, i, n, i);
        analysis_key(text, shape, "\t");
        rskgds_line(text, "\trun;");
    }
    rskgds_line(text, "data %8v.states_a; merge", out);
    for (int i = 1; i <= n; ++i) rskgds_line(text, "\twork._gdsa%i_", i);
    analysis_key(text, shape, ";\n\t");
    rskgds_line(text, "\trun;");
    drop_sorted_copies(text, n);
    return text->failed ? 1 : 0;
}

int create_states(RSKCON* con, RSKOUTOBJ* object, const char* view, int view_length) {
    RSKGDSTEXT text;
    rskgds_text_init(&text, con);
    gds_states_view_text(con, object, view, view_length, &text);
    return rskgds_submit(con, &text);
}

int create_states_v(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNPARMS* parms = run->parms;
    const RSKOUTOBJ* states = run->outputs[RSKOUT_STATES];
    if (parms == nullptr || states == nullptr) return 1;
    const int n = parms->state_sources;
    if (n <= 1) return 0;
    // The parts live where the run reads its earlier results; else beside the output.
    const char* parts = states->libref;
    for (int32_t i = 0; i < parms->entry_count; ++i)
        if (parms->entries[i].kind == RSKPORT_READ_PRICES && parms->entries[i].file_ref[0] != ' ') {
            parts = parms->entries[i].file_ref;
            break;
        }
    RSKGDSTEXT text;
    rskgds_text_init(&text, con);
    gds_states_merge_text(con, states->libref, parts, n, &text);
    const int rc = rskgds_submit(con, &text);
    if (rc != 0) {
        xpslog("%1zThe states of %i analysis parts could not be merged into %8v.STATES_A and STATES_V.", n,
               states->libref);
        run->gds.merge_failed = 1;
        return 1;
    }
    return 0;
}
