// Delivering one valued position of the position loop: to its cell of the cross-classification
// (or the run's single cell), where the cell statistics, the aggregated output variables and the
// per-position phase of every analysis take it, and to the instrument-values rows.
#include <cstring>

#include "engine/analyses/analysis_phases.h"
#include "engine/analyses/instrument_statistics.h"
#include "engine/model/categories/categories.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/aggregation.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/position_loop.h"
#include "engine/run/project_run.h"
#include "engine/run/project_run_support.h"
#include "engine/run/run_block.h"
#include "engine/run/run_dependencies.h"
#include "engine/model/names/name_records.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

using namespace rskrun_support;
using qor::is_missing;

constexpr int32_t kClassReports = 10;      // 598/1165 messages of a run
constexpr int32_t kMissingReports = 50;    // 598/2733 messages of a run

double* at(void* record, int32_t offset) { return reinterpret_cast<double*>(static_cast<uint8_t*>(record) + offset); }

bool type_has(const RSKINSTTYPE* type, const RSKVARIABLE* v) {
    for (const RSKVARLINK* l = type->resolved_head; l != nullptr; l = l->next)
        if (l->variable == v) return true;
    return false;
}

// A character class variable the type does not define: its positions go to the blank class (the
// value left by an earlier type would put them in a wrong one), reported once per type.
void blank_missing_classes(RSKCON* con, RSKINSTTYPE* type, int32_t* reports) {
    RSKRUNBLOCK* run = con->run_block;
    RSKLOOPRUN& loop = run->loop;
    const RSKAGGCTL* control = run->aggregation.control;
    for (int32_t i = 0; i < control->count; ++i) {
        RSKCCVAR* cv = control->variables[i];
        if (cv == nullptr || cv->numeric || cv->variable == nullptr || type_has(type, cv->variable)) continue;
        if (cv->value_source != nullptr && cv->length > 0) std::memset(cv->value_source, ' ', static_cast<size_t>(cv->length));
        bool reported = false;
        const int32_t known = *reports < kClassReports ? *reports : kClassReports;
        for (int32_t k = 0; k < known && !reported; ++k) reported = loop.class_reported[k] == type;
        if (reported || *reports >= kClassReports) continue;
        loop.class_reported[(*reports)++] = type;
        const RSKCROSSCLASS* cross = run->aggregation.cross;
        xpmlog(598, 1165, static_cast<int>(type->name.name.length), type->name.name.text,
               cross != nullptr ? length_of(cross->name) : 0, cross != nullptr ? text_of(cross->name) : "");
        if (*reports == kClassReports) {
            const RSKPORTENTRY* entry = run->current_entry;
            xpmlog(598, 1166, entry != nullptr ? length_of(entry->name) : 0, entry != nullptr ? text_of(entry->name) : "");
        }
    }
}

struct CellFeed {
    RSKINSTTYPE* type;
};

int feed_cell(RSKCON* con, void* argument, void* user_data) {
    return perform_analysis(con, static_cast<CellFeed*>(argument)->type, user_data);
}

// The instrument-values row of the current position.
int write_instrument_values(RSKCON* con, RSKINSTTYPE* type) {
    RSKRUNBLOCK* run = con->run_block;
    RSKRUNRESULTS* results = rskres_run(con);
    if (results == nullptr) return 0;
    RSKRESDS* set = &results->descriptors[RSKRES_INSTVALS];
    if (!set->open || set->suppress || run->pricing.not_written) return 0;
    RSKINSTRUN& v = run->valuation;
    // The position values and currency that rsktrax took stay; the values are this pricing's.
    v.value = run->pricing.base_value[1];
    v.exposure = run->pricing.base_second[1];
    v.returned_value = v.further_value = qor::missing();
    v.own_number = static_cast<int32_t>(run->loop.positions_counted);
    rskname(con, &v.type_name, type->name.name.text, type->name.name.length);
    results->context.instrument = &v;
    results->context.base_date = run->base_date;
    results->context.valuation_date = run->base_date;
    return rskput(con, set);
}

// The sum kind of an output variable placed at `offset` (0: plain).
int32_t sum_kind_at(const RSKLOOPRUN& loop, int32_t offset) {
    for (int32_t i = 0; i < loop.ppvar_count; ++i)
        if (loop.ppvars[i].offset == offset) return loop.ppvars[i].sum_kind;
    return 0;
}

// The aggregated output variables of the cell: value-weighted (kind 1), exposure-weighted
// (kind 2) or plain sums of the position's values; a missing value makes the cell's missing.
void add_output_variables(RSKCON* con, void* cell, double value, double exposure) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->output_variables == nullptr) return;
    for (const RSKOUTVAR* e = run->output_variables->first; e != nullptr; e = e->next_in_order) {
        if (e->cell_offset < 0 || e->variable == nullptr) continue;
        const void* source = e->variable->run.record_address != nullptr ? e->variable->run.record_address : e->variable->value;
        if (source == nullptr) continue;
        double x;
        std::memcpy(&x, static_cast<const uint8_t*>(source) + e->element_offset, sizeof x);
        double& sum = *at(cell, e->cell_offset);
        if (is_missing(sum)) continue;
        const int32_t kind = sum_kind_at(run->loop, e->cell_offset);
        if (kind == 1) x = is_missing(value) ? value : x * value;
        else if (kind == 2) x = is_missing(exposure) ? exposure : x * exposure;
        sum = is_missing(x) ? qor::missing() : sum + x;
    }
}

// The identifier of the current position for the messages: its text without trailing blanks.
void position_identifier(RSKCON* con, int* length, const char** text) {
    const RSKVARIABLE* id = con->system_variables != nullptr ? con->system_variables->inst_id : nullptr;
    *length = 0;
    *text = "";
    if (id == nullptr || id->value == nullptr) return;
    *text = static_cast<const char*>(id->value);
    int n = id->length;
    while (n > 0 && ((*text)[n - 1] == ' ' || (*text)[n - 1] == 0)) --n;
    *length = n;
}

// The per-position phase of one enabled analysis record. 0, or the phase's code.
int analyse_position(RSKCON* con, RSKANLPROC* record, void* cell) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKPHASES* phases = rsa_phases(kind_of(record), RSKDISP_POSITION);
    if (phases == nullptr) {
        record->failed = 1;
        return 0;
    }
    if (phases->no_states || needs_no_states(record)) return 0;
    if (record->state_count <= 0 && !run->loop.reading_prices) {
        const RSKANALYSIS* a = record->analysis;
        xebug("rskrun2: perform_analysis: nstates=%i for %*s.", static_cast<int>(record->state_count),
              a != nullptr ? length_of(a->name) : 0, a != nullptr ? text_of(a->name) : "");
        record->failed = 1;
        return 0;
    }
    int64_t first = 0, last = 0;
    if (get_range(con, record, run->state_count, &first, &last) != 0) {
        xebug("rskrun2: perform_analysis: states %i to %i lie outside the %i states of the run.",
              static_cast<int>(record->first_state), static_cast<int>(record->first_state + record->state_count - 1),
              static_cast<int>(run->state_count));
        record->failed = 1;
        return 1;
    }
    if (phases->position == nullptr) return 0;
    return phases->position(con, record, static_cast<uint8_t*>(cell) + record->cell_offset, first, last);
}

}  // namespace

int perform_analysis(RSKCON* con, RSKINSTTYPE*, void* cell) {
    RSKRUNBLOCK* run = con->run_block;
    RSKLOOPRUN& loop = run->loop;
    const int32_t mode = run->parms != nullptr ? run->parms->mode : RSKRUN_MODE_COMPLETE;
    if (mode < RSKRUN_MODE_AGGREGATION || cell == nullptr) return 0;
    const double value = run->pricing.base_value[0];
    const double exposure = run->pricing.base_second[0];
    rsk_cell_add_position(static_cast<RSKCELLHEAD*>(cell), value, exposure, loop.signed_exposure);
    add_output_variables(con, cell, value, exposure);
    if (run->result_sets.inst_stat_count > 0) rsasta2(con, cell);
    int rc = 0;
    if (!is_missing(value)) {
        for (RSKANLPROC* r = run->analyses_head; r != nullptr; r = r->next) {
            if (r->failed) continue;
            run->work_area = r;
            const int one = analyse_position(con, r, cell);
            if (one > rc) rc = one;
        }
        run->work_area = nullptr;
        return rc;
    }
    const int32_t seen = loop.missing_values_reported++;
    if (seen < kMissingReports) {
        int length = 0;
        const char* text = nullptr;
        position_identifier(con, &length, &text);
        xpmlog(598, 2733, length, text);
    }
    if (seen + 1 == kMissingReports) xpmlog(598, 2734);
    return 0;
}

int run_analysis(RSKCON* con, RSKINSTTYPE* type, int32_t* class_reports) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->abort) return 1;
    int rc = 0;
    RSKAGGCTL* control = run->aggregation.control;
    if (control != nullptr) {
        blank_missing_classes(con, type, class_reports);
        CellFeed feed{type};
        int32_t sequence = 0;
        rc = rskgrp0(con, control, feed_cell, &feed, &sequence);
        if (sequence > run->aggregation.last_sequence) run->aggregation.last_sequence = sequence;
    } else {
        rc = perform_analysis(con, type, run->results_cell);
    }
    if (rc == 0 && !run->loop.reading_prices) rc = write_instrument_values(con, type);
    return rc;
}
