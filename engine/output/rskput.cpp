// Result rows: completing the current row record with the identifiers its kind carries (state,
// analysis, result name, instrument, market-state changes, percentages) and writing it.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/missing.h"
#include "host/print.h"

using qor::is_missing;
using qor::make_missing;
using qor::missing;

namespace {

constexpr int kDiagnosticLimit = 10;

// Copies text into a blank-padded field.
void put_text(char* field, int width, const char* text, int length) {
    std::memset(field, ' ', static_cast<size_t>(width));
    if (text == nullptr || length <= 0) return;
    std::memcpy(field, text, static_cast<size_t>(length < width ? length : width));
}

int stripped(const char* text, int length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return length;
}

// True while internal-error lines of the row writer may still be printed; counts every event.
bool diagnose(RSKRUNRESULTS* r) { return r->diagnostics++ < kDiagnosticLimit; }

double number_or_missing(int value) { return value < 1 ? missing() : static_cast<double>(value); }

// The analysis type label: message 598/number, at most 32 characters.
void put_type_label(RSKRUNRESULTS* r, int number) {
    char text[64];
    int length = 0;
    std::memset(r->row.analysis_type, ' ', sizeof r->row.analysis_type);
    if (xpmtext(598, number, text, sizeof text, &length) != 0) {
        ++r->label_failures;
        if (diagnose(r)) xebug("rskput: SET_ANALYSIS_TYPE: bad msg number %i.", number);
        return;
    }
    put_text(r->row.analysis_type, 32, text, length < 63 ? length : 63);
}

const RSKOBJNAME* analysis_name(const RSKRUNRESULTS* r) {
    const RSKANLPROC* a = r->context.analysis;
    return a == nullptr || a->analysis == nullptr ? nullptr : &a->analysis->name;
}

void result_name(RSKRUNRESULTS* r, const RSKRESDS* resds);

void analysis_identifiers(RSKRUNRESULTS* r, const RSKRESDS* resds) {
    RSKROWVALUES& w = r->row;
    w.analysis_number = number_or_missing(r->context.analysis_number);
    w.analysis_part = r->context.analysis_part;
    const RSKOBJNAME* name = analysis_name(r);
    put_text(w.analysis_name, 32, name ? name->name.text : nullptr, name ? name->name.length : 0);
    const RSKANLPROC* a = r->context.analysis;
    put_type_label(r, a != nullptr ? a->label : 5600);
    result_name(r, resds);
}

void state_identifiers(RSKRUNRESULTS* r, const RSKRESDS* resds) {
    const RSKSTATEDESC* d = resds->kind == RSKRES_STATES_A ? r->context.states_a : r->context.state;
    RSKROWVALUES& w = r->row;
    if (d == nullptr) {
        if (diagnose(r)) xebug("rskput: no state descriptor for data set type %i", resds->kind);
        return;
    }
    w.state_number = d->index + 1.0;
    put_text(w.analysis_name, 32, d->analysis_name.name.text, d->analysis_name.name.length);
    if (d->label_number != 0) put_type_label(r, d->label_number);
    w.analysis_number = number_or_missing(d->analysis_number);
    w.analysis_part = d->part_index + 1.0;
    w.simulation_case = d->coordinate1 < 0 ? missing() : d->coordinate1;
    w.simulation_replication = d->coordinate2 < 0 ? missing() : d->coordinate2 + 1.0;
    w.simulation_time = d->coordinate3 < 0 ? missing() : d->coordinate3 + 1.0;
    result_name(r, resds);
    put_text(w.name, 32, d->name.name.text, d->name.name.length);
    put_text(w.name2, 32, d->name2.name.text, d->name2.name.length);
}

void value_identifiers(RSKRUNRESULTS* r) {
    const RSKSTATEDESC* d = r->context.state;
    RSKROWVALUES& w = r->row;
    if (r->context.instrument != nullptr) w.inst_number = r->context.instrument->own_number;
    if (d == nullptr) return;
    w.analysis_number = number_or_missing(d->analysis_number);
    w.analysis_part = d->part_index + 1.0;
    w.simulation_replication = d->coordinate2 < 0 ? missing() : d->coordinate2 + 1.0;
    w.simulation_time = d->coordinate3 < 0 ? missing() : d->coordinate3 + 1.0;
    w.state_number = d->index + 1.0;
}

int rounded_or_minus_one(double value) {
    return is_missing(value) ? -1 : static_cast<int>(std::lround(value));
}

void result_name(RSKRUNRESULTS* r, const RSKRESDS* resds) {
    RSKROWVALUES& w = r->row;
    std::memset(w.result_name, ' ', sizeof w.result_name);
    if (resds->result_number <= 0) return;
    w.result_number = resds->result_number;
    const int n = stripped(w.analysis_name, 32);
    const int m = stripped(w.simulation_part, 32);
    char text[kRskLabelCapacity];
    int length = 0;
    if (is_missing(w.simulation_case)) {
        if (r->context.analysis_parts > 1)
            length = std::snprintf(text, sizeof text, "%3i. %.*s %i", resds->result_number, n,
                                   w.analysis_name, r->context.analysis_parts);
        else
            length = std::snprintf(text, sizeof text, "%3i. %.*s", resds->result_number, n,
                                   w.analysis_name);
    } else if (w.simulation_case == 0) {
        length = std::snprintf(text, sizeof text, "%3i. %.*s: %i. %.*s", resds->result_number, n,
                               w.analysis_name, rounded_or_minus_one(w.simulation_time), m,
                               w.simulation_part);
    } else {
        length = std::snprintf(text, sizeof text, "%3i. %.*s: (%i) %i. %.*s",
                               resds->result_number, n, w.analysis_name,
                               static_cast<int>(std::lround(w.simulation_case)),
                               rounded_or_minus_one(w.simulation_time), m, w.simulation_part);
    }
    if (length > 255) length = 255;
    if (length > 0) std::memcpy(w.result_name, text, static_cast<size_t>(length));
}

void pl_percent(RSKROWVALUES& w) {
    w.pl_pct = percent(w.pl, w.mtm);
    w.pos_pl_pct = percent(w.positive_pl, w.mtm);
    w.neg_pl_pct = percent(w.negative_pl, w.mtm);
}

void position_fields(RSKRUNRESULTS* r) {
    const RSKINSTRUN* i = r->context.instrument;
    if (i == nullptr) return;
    RSKROWVALUES& w = r->row;
    w.holding = i->holding;
    w.short_position = i->short_position;
    w.collateral = i->collateral;
    w.al_position = i->al_position;
    std::memcpy(w.currency, i->currency, 3);
}

// The value of a character system variable into a blank-padded field; false when it has none.
bool variable_text(const RSKVARIABLE* v, char* field, int width) {
    if (v == nullptr || v->value == nullptr) return false;
    put_text(field, width, static_cast<const char*>(v->value), v->length);
    return true;
}

void instrument_fields(RSKCON* con, RSKRUNRESULTS* r) {
    RSKROWVALUES& w = r->row;
    const RSKSYSVARS* s = con->system_variables;
    if (!variable_text(s != nullptr ? s->inst_id : nullptr, w.inst_id, 256)) {
        put_text(w.inst_id, 256, "*no*id*variable*", 16);
        if (diagnose(r)) xebug("rskoutt: null idvar");
    }
    if (r->context.instrument != nullptr)
        put_text(w.inst_type, 32, r->context.instrument->type_name.name.text,
                 r->context.instrument->type_name.name.length);
    variable_text(s != nullptr ? s->inst_source : nullptr, w.inst_source, 32);
    // The exposure the INSTVALS step stored stays: instrument rows keep the real one.
    position_fields(r);
}

// Writes the row: to the database (when `database`), then to the data set.
int write_row(RSKCON* con, RSKRUNRESULTS* r, RSKRESDS* resds, bool database) {
    if (database && resds->database_active && r->mddb.write != nullptr) {
        const int rc = r->mddb.write(con, resds);
        if (rc != 0 && diagnose(r))
            xebug("rskput: output: rskmdbw rc=%i for data set %*s.", rc,
                  resds->member.name.length, resds->member.name.text);
    }
    if (resds->inactive || resds->dataset == nullptr || resds->definition == nullptr) return 0;
    int rc = xyvput(resds->definition, 0);
    if (rc == 0) {
        qor_obs_request request{};
        request.dataset = resds->dataset;
        rc = xoadd(&request);
    }
    if (rc != 0) xprrlog(1, rc);
    return 0;
}

// Market-state rows: the state's values, then their changes against the base case.
void market_state_rows(RSKCON* con, RSKRUNRESULTS* r, RSKRESDS* resds) {
    RSKROWVALUES& w = r->row;
    put_text(w.values_or_changes, 32, "VALUES", 6);
    write_row(con, r, resds, false);
    put_text(w.values_or_changes, 32, "CHANGES", 7);
    struct Saved {
        RSKVARIABLE* variable;
        double number;
        char text[256];
    };
    // Each factor is changed in place and put back right after the second row.
    int count = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if ((v->kind == 2 || v->kind == 9) && v->value != nullptr) ++count;
    if (count == 0) {
        write_row(con, r, resds, false);
        return;
    }
    auto* saved = static_cast<Saved*>(vmalcp_handler(con->run_pool, sizeof(Saved) * count, 0));
    if (saved == nullptr) {
        if (!con->no_memory_reported) xpmlog(598, 2797, static_cast<long>(sizeof(Saved) * count),
                                             "market state change row");
        con->no_memory_reported = 1;
        return;
    }
    int k = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if ((v->kind != 2 && v->kind != 9) || v->value == nullptr) continue;
        Saved& s = saved[k++];
        s.variable = v;
        const bool character = v->data_type == 2 || v->data_type == 9;
        const bool numeric = v->data_type == 1 || v->data_type == 3 || v->data_type == 4;
        if (character) {
            const int n = v->length < 256 ? v->length : 256;
            std::memcpy(s.text, v->value, static_cast<size_t>(n));
            std::memset(v->value, ' ', static_cast<size_t>(n));
        } else if (numeric) {
            double* value = static_cast<double*>(v->value);
            s.number = *value;
            const double base = v->base_value != nullptr ? *v->base_value : missing();
            if (is_missing(*value)) {
                // a missing state value stays missing
            } else if (is_missing(base)) {
                *value = missing();
            } else if (*value == base) {
                *value = rskres_no_change();
            } else {
                *value = *value - base;
            }
        }
    }
    write_row(con, r, resds, false);
    for (int i = 0; i < k; ++i) {
        RSKVARIABLE* v = saved[i].variable;
        if (v->data_type == 2 || v->data_type == 9)
            std::memcpy(v->value, saved[i].text, static_cast<size_t>(v->length < 256 ? v->length : 256));
        else if (v->data_type == 1 || v->data_type == 3 || v->data_type == 4)
            *static_cast<double*>(v->value) = saved[i].number;
    }
    vmfree_handler(con->run_pool, saved, sizeof(Saved) * count, 0);
}

// INSTVALS rows carry the base-case instrument variables when a base-case copy exists.
void instrument_value_row(RSKCON* con, RSKRUNRESULTS* r, RSKRESDS* resds) {
    RSKROWCONTEXT& x = r->context;
    if (x.inst_vars != nullptr && x.inst_vars_base != nullptr && x.inst_vars_saved != nullptr &&
        x.inst_vars_length > 0) {
        std::memcpy(x.inst_vars_saved, x.inst_vars, x.inst_vars_length);
        std::memcpy(x.inst_vars, x.inst_vars_base, x.inst_vars_length);
        write_row(con, r, resds, false);
        std::memcpy(x.inst_vars, x.inst_vars_saved, x.inst_vars_length);
        return;
    }
    write_row(con, r, resds, false);
}

}  // namespace

void rskres_init_row(RSKRUNRESULTS* r) {
    // Every number of the record is a double at an 8-byte boundary: fill the whole record with
    // missing values, then blank the texts.
    RSKROWVALUES& t = r->row_template;
    static_assert(sizeof(RSKROWVALUES) % sizeof(double) == 0, "row record of whole doubles");
    const double m = missing();
    auto* bytes = reinterpret_cast<unsigned char*>(&t);
    for (size_t at = 0; at < sizeof t; at += sizeof(double)) std::memcpy(bytes + at, &m, sizeof m);
    char* const texts[] = {t.inst_id, t.inst_type, t.inst_source, t.total, t.result_name,
                           t.analysis_name, t.analysis_type, t.simulation_mode,
                           t.simulation_category, t.simulation_part, t.simulation_part_label,
                           t.name, t.name2, t.type, t.currency, t.label, t.label2,
                           t.objective_name, t.constraint_name, t.values_or_changes};
    const size_t sizes[] = {sizeof t.inst_id, sizeof t.inst_type, sizeof t.inst_source,
                            sizeof t.total, sizeof t.result_name, sizeof t.analysis_name,
                            sizeof t.analysis_type, sizeof t.simulation_mode,
                            sizeof t.simulation_category, sizeof t.simulation_part,
                            sizeof t.simulation_part_label, sizeof t.name, sizeof t.name2,
                            sizeof t.type, sizeof t.currency, sizeof t.label, sizeof t.label2,
                            sizeof t.objective_name, sizeof t.constraint_name,
                            sizeof t.values_or_changes};
    for (size_t i = 0; i < sizeof sizes / sizeof sizes[0]; ++i) std::memset(texts[i], ' ', sizes[i]);
    std::memcpy(&r->row, &t, sizeof t);
    r->row_ready = 1;
}

double rskres_no_change() { return make_missing('N'); }

double percent(double a, double b) {
    if (is_missing(a) || is_missing(b) || b == 0.0) return missing();
    const double base = std::fabs(b);
    if (base < 1.0 && std::fabs(a) > base * 1.3407807929942597e152) return missing();
    return 100.0 * a / base;
}

RSKRUNRESULTS* rskres_run(RSKCON* con) {
    return con != nullptr && con->run_block != nullptr ? &con->run_block->result_sets : nullptr;
}

int rskputr(RSKCON* con, RSKRESDS* resds) {
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr || resds == nullptr) return 0;
    result_name(r, resds);
    return 0;
}

int rskput(RSKCON* con, RSKRESDS* resds) {
    if (resds == nullptr || !resds->open || resds->suppress) return 0;
    RSKRUNRESULTS* r = rskres_run(con);
    if (r == nullptr) return 0;
    RSKROWVALUES& w = r->row;
    const RSKROWCONTEXT& x = r->context;

    w.base_date = x.base_date;
    if (x.datetime && !is_missing(x.valuation_date)) {
        w.eval_date = std::floor(x.valuation_date);
        w.datetime = std::floor(x.valuation_date * 1.000000000000001 * 86400.0);
    } else {
        w.eval_date = x.valuation_date;
    }
    w.date = x.report_date != nullptr ? *x.report_date : x.valuation_date;
    w.row_counter = x.row_counter;

    const int kind = resds->kind;
    switch (kind) {
    case 1: {
        if (x.instrument != nullptr) {
            w.value = x.instrument->value;
            w.returned_value = x.instrument->returned_value;
            w.further_value = x.instrument->further_value;
            w.exposure = x.instrument->exposure;
        }
        position_fields(r);
        w.eval_date = x.base_date;
        instrument_fields(con, r);
        instrument_value_row(con, r, resds);
        break;
    }
    case 2: case 97: case 113:
        write_row(con, r, resds, true);
        break;
    case 3: case 5: case 6: case 7: case 8: case 12: case 21: case 26:
        analysis_identifiers(r, resds);
        pl_percent(w);
        write_row(con, r, resds, true);
        break;
    case 4: case 9: case 10: case 22: case 23: case 24: case 31: case 32:
        analysis_identifiers(r, resds);
        write_row(con, r, resds, true);
        break;
    case 25: case 101: case 111:
        state_identifiers(r, resds);
        write_row(con, r, resds, true);
        break;
    case 90:
        ++r->error_rows;
        state_identifiers(r, resds);
        instrument_fields(con, r);
        write_row(con, r, resds, false);
        break;
    case 91:
        state_identifiers(r, resds);
        market_state_rows(con, r, resds);
        break;
    case 93:
        analysis_identifiers(r, resds);
        write_row(con, r, resds, false);
        break;
    case 96:
        w.inst_number = x.cashflow_inst_number;
        instrument_fields(con, r);
        write_row(con, r, resds, false);
        break;
    case 102: case 112:
        state_identifiers(r, resds);
        write_row(con, r, resds, false);
        break;
    case 114:
        instrument_fields(con, r);
        write_row(con, r, resds, false);
        break;
    case 115:
        value_identifiers(r);
        write_row(con, r, resds, true);
        break;
    case 116:
        state_identifiers(r, resds);
        instrument_fields(con, r);
        write_row(con, r, resds, false);
        break;
    default:
        if (diagnose(r)) xebug("rskput: unknown output data set type %i", kind);
        return 1;
    }
    resds->rows += 1;
    return 0;
}
