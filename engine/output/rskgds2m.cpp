// Merges of the price members (ALLPRICE_V, _S, _A, _P and CASHFLOW) of a run in analysis parts
// or in portfolio parts into whole members of the combining run's output library.
#include <cstring>

#include "engine/model/options/engine_options.h"
#include "engine/output/result_datasets.h"
#include "engine/output/rskgds.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/tables/output_records.h"
#include "host/print.h"

namespace {

bool cash_flows_wanted(const RSKCON* con) {
    const RSKRUNBLOCK* run = con->run_block;
    const RSKOPTREC* o = run->run_options != nullptr ? run->run_options
                         : con->options != nullptr   ? &con->options->current
                                                     : nullptr;
    return o != nullptr && o->allcashflow != 0;
}

// Submits a merge and reports a failure once with the libraries involved.
int submit_merge(RSKCON* con, RSKGDSTEXT* text, const char* out, const char* parts, int count, const char* how) {
    const int rc = rskgds_submit(con, text);
    if (rc == 0) return 0;
    xpslog("%1zThe prices of %i %s parts in library %8v could not be merged into library %8v.", count, how, parts,
           out);
    con->run_block->gds.merge_failed = 1;
    return 1;
}

const char* output_library(const RSKCON* con) {
    const RSKOUTOBJ* prices = con->run_block->outputs[RSKOUT_PRICES];
    return prices != nullptr ? prices->libref : nullptr;
}

}  // namespace

int gds_analysis_parts_merge_text(RSKCON* con, const char* out, const char* parts, int n, int cashflows,
                                  RSKGDSTEXT* text) {
    RSKGDSSHAPE shape;
    rskgds_shape(con, &shape);
    rskgds_line(text, "data %8v.allprice_v; merge", out);
    for (int i = 1; i <= n; ++i) rskgds_line(text, "\t%8v.allprice_%i_%i_1_1_v", parts, i, n);
    rskgds_line(text, "\t;\tby InstNumber StateNumber");
    rskgds_line(text, "\t; run;");
    rskgds_line(text, "data %8v.allprice_s; merge", out);
    for (int i = 1; i <= n; ++i) rskgds_line(text, "\t%8v.allprice_%i_%i_1_1_s", parts, i, n);
    rskgds_line(text, "\t;\tby StateNumber");
    rskgds_line(text, "\t; run;");
    // Each part's analysis rows come in generation order: sorted by the whole key first, so
    // that the merge pairs equal keys only (the base case's rows become one).
    for (int i = 1; i <= n; ++i) {
        rskgds_line(text, "proc sort data=%8v.allprice_%i_%i_1_1_a out=work._gdsa%i_;", parts, i, n, i);
        analysis_merge_key(text, shape, "\t");
        rskgds_line(text, "\trun;");
    }
    rskgds_line(text, "data %8v.allprice_a; merge", out);
    for (int i = 1; i <= n; ++i) rskgds_line(text, "\twork._gdsa%i_", i);
    analysis_merge_key(text, shape, "\t;\t");
    rskgds_line(text, "\trun;");
    drop_sorted_copies(text, n);
    rskgds_line(text, "data %8v.allprice_p; set", out);
    rskgds_line(text, "\t%8v.allprice_1_%i_1_1_p", parts, n);
    rskgds_line(text, "\t; run;");
    if (cashflows) {
        rskgds_line(text, "data %8v.cashflow; merge", out);
        for (int i = 1; i <= n; ++i) rskgds_line(text, "\t%8v.cashflow_%i_%i_1_1", parts, i, n);
        rskgds_line(text, "\t;\tby InstNumber StateNumber CFNumber");
        rskgds_line(text, "\t; run;");
    }
    return text->failed ? 1 : 0;
}

int gds_portfolio_parts_merge_text(RSKCON*, const char* out, const char* parts, int m, int cashflows,
                                   RSKGDSTEXT* text) {
    rskgds_line(text, "data %8v.allprice_v; merge", out);
    for (int j = 1; j <= m; ++j) rskgds_line(text, "\t%8v.allprice_1_1_%i_%i_v", parts, j, m);
    rskgds_line(text, "\t;\tby InstNumber StateNumber");
    rskgds_line(text, "\t; run;");
    rskgds_line(text, "data %8v.allprice_s; set", out);
    rskgds_line(text, "\t%8v.allprice_1_1_1_%i_s", parts, m);
    rskgds_line(text, "\t; run;");
    rskgds_line(text, "data %8v.allprice_a; set", out);
    rskgds_line(text, "\t%8v.allprice_1_1_1_%i_a;", parts, m);
    rskgds_line(text, "\t;\n\trun;");
    rskgds_line(text, "data %8v.allprice_p; merge", out);
    for (int j = 1; j <= m; ++j) rskgds_line(text, "\t%8v.allprice_1_1_%i_%i_p", parts, j, m);
    rskgds_line(text, "\t;\tby InstNumber");
    rskgds_line(text, "\t; run;");
    if (cashflows) {
        rskgds_line(text, "data %8v.cashflow; merge", out);
        for (int j = 1; j <= m; ++j) rskgds_line(text, "\t%8v.cashflow_1_1_%i_%i", parts, j, m);
        rskgds_line(text, "\t;\tby InstNumber StateNumber CFNumber");
        rskgds_line(text, "\t; run;");
    }
    return text->failed ? 1 : 0;
}

int merge_allprice_from_analparts(RSKCON* con, RSKPORTENTRY* entry) {
    const char* out = output_library(con);
    if (out == nullptr || entry == nullptr) return 1;
    const int n = entry->analysis_parts;
    if (n <= 1) return 0;
    RSKGDSTEXT text;
    rskgds_text_init(&text, con);
    gds_analysis_parts_merge_text(con, out, entry->file_ref, n, cash_flows_wanted(con) ? 1 : 0, &text);
    return submit_merge(con, &text, out, entry->file_ref, n, "analysis");
}

int merge_allprice_from_portparts(RSKCON* con, RSKPORTENTRY* entry) {
    const char* out = output_library(con);
    if (out == nullptr || entry == nullptr) return 1;
    const int m = entry->portfolio_parts;
    if (m <= 1) return 0;
    RSKGDSTEXT text;
    rskgds_text_init(&text, con);
    gds_portfolio_parts_merge_text(con, out, entry->file_ref, m, cash_flows_wanted(con) ? 1 : 0, &text);
    return submit_merge(con, &text, out, entry->file_ref, m, "portfolio");
}
