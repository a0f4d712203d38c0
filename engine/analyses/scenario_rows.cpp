// Scenario analysis, rows: one row per output variable of a cell, its sums, the base value it is
// measured against and the percentages, through the row writer the run hands over.
#include <algorithm>
#include <cstring>

#include "engine/analyses/shifted_states.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"

namespace {

void put_text(char* field, size_t capacity, const char* text, size_t length) {
    std::memset(field, ' ', capacity);
    std::memcpy(field, text, std::min(capacity, length));
}

double times_hundredth(double pct) { return qor::is_missing(pct) ? pct : pct * 0.01; }

void put_variable_label(RSKROWVALUES* row, const RSKSCNOUTV& entry, const RSKVARIABLE* v) {
    put_text(row->simulation_part, sizeof row->simulation_part, entry.name, static_cast<size_t>(entry.name_length));
    const RSKPROPS* props = v != nullptr ? &v->properties : nullptr;
    if (props != nullptr && props->description != nullptr && props->description_length > 0)
        put_text(row->simulation_part_label, sizeof row->simulation_part_label, props->description,
                 static_cast<size_t>(props->description_length));
    else
        put_text(row->simulation_part_label, sizeof row->simulation_part_label, entry.name,
                 static_cast<size_t>(entry.name_length));
}

}  // namespace

int rsascn5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    auto* work = static_cast<RSKSCNWORK*>(run->work);
    if (work == nullptr || area == nullptr || writer == nullptr) return 1;
    RSKRUNRESULTS& results = con->run_block->result_sets;
    RSKROWVALUES& row = results.row;
    ++results.context.row_counter;
    int rc = 0;
    for (int32_t i = 0; i < work->count; ++i) {
        const RSKSCNOUTV& entry = work->entries[i];
        RSKSCNVAL r;
        std::memcpy(&r, static_cast<const unsigned char*>(area) + entry.offset, sizeof r);
        put_variable_label(&row, entry, entry.variable);
        row.pl = r.pl;
        row.positive_pl = r.gain;
        row.negative_pl = r.loss;
        row.value = r.value;
        row.positive_value = r.positive_value;
        row.negative_value = r.negative_value;
        row.buckdate = qor::missing();
        // Other output variables have no base value of the cell in this build: their
        // percentages are missing.
        const double base = entry.role == RSKSCNROLE_PL         ? row.mtm
                            : entry.role == RSKSCNROLE_EXPOSURE ? row.exposure
                                                                : qor::missing();
        row.pl_pct = percent(r.pl, base);
        row.pos_pl_pct = percent(r.gain, base);
        row.neg_pl_pct = percent(r.loss, base);
        row.return_ = times_hundredth(row.pl_pct);
        row.base_case_value = base;
        const int w = writer(con, resds);
        if (w > rc) rc = w;
    }
    return rc;
}
