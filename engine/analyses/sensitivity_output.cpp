// Sensitivity analysis output: the rows of SENS, SENS2 and COMBINE, the risk-factor columns of
// SUMMARY, and the level rows of the result writer's level pass.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "engine/analyses/sensitivity.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_processing.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kInstIdText = 250;

void put_text(char* field, size_t width, const char* text, int length) {
    std::memset(field, ' ', width);
    if (text != nullptr && length > 0) std::memcpy(field, text, std::min(static_cast<size_t>(length), width));
}

int stripped(const RSKNAMEREC& name) {
    int length = name.text != nullptr ? name.length : 0;
    while (length > 0 && name.text[length - 1] == ' ') --length;
    return length;
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

void put_column(const RSKSENSWORK* w, int32_t i, double value) {
    RSKVARIABLE* v = w->factors[i];
    if (v != nullptr && v->value != nullptr && v->data_type != RSKDTYPE_ARRAY) std::memcpy(v->value, &value, sizeof value);
}

// The risk-factor columns of a row read the factors' value slots: each value is put there for
// the row and the slots' own values are put back afterwards.
struct Columns {
    const RSKSENSWORK* w;
    std::vector<double> saved;
    explicit Columns(const RSKSENSWORK* work) : w(work), saved(static_cast<size_t>(work->n)) {
        for (int32_t i = 0; i < w->n; ++i) saved[static_cast<size_t>(i)] = get(i);
    }
    ~Columns() {
        for (int32_t i = 0; i < w->n; ++i) put(i, saved[static_cast<size_t>(i)]);
    }
    Columns(const Columns&) = delete;
    Columns& operator=(const Columns&) = delete;
    double get(int32_t i) const {
        const RSKVARIABLE* v = w->factors[i];
        double value = qor::missing();
        if (v != nullptr && v->value != nullptr && v->data_type != RSKDTYPE_ARRAY) std::memcpy(&value, v->value, sizeof value);
        return value;
    }
    void put(int32_t i, double value) const { put_column(w, i, value); }
};

double base_value(const void* area) { return rsa_cell_get(area, 0); }
double delta_of(const void* area, int32_t i) { return rsa_cell_get(area, 1 + 2 * static_cast<int64_t>(i)); }
double gamma_of(const void* area, int32_t i) { return rsa_cell_get(area, 2 + 2 * static_cast<int64_t>(i)); }
// The mixed gamma of factors i and j; the own gamma where they are the same factor.
double pair_gamma(const RSKSENSWORK* w, const void* area, int32_t i, int32_t j) {
    if (i == j) return gamma_of(area, i);
    const int32_t low = std::min(i, j), high = std::max(i, j);
    return rsa_cell_get(area, 1 + 2 * static_cast<int64_t>(w->n) + rsadel_pair_slot(low, high));
}
// A factor's base value as rows report it (the time factor: the analysis date).
double factor_base(const RSKSENSWORK* w, int32_t i) {
    return w->theta && i == w->n - 1 ? w->analysis_date : w->base_values[i];
}

RSKRUNRESULTS* results_of(RSKCON* con) { return rskres_run(con); }

int write(RSKCON* con, RSKROWWRITER writer, RSKRESDS* resds, int rc) {
    const int code = writer != nullptr ? writer(con, resds) : 0;
    return code > rc ? code : rc;
}

const RSKSENSWORK* work_of(const RSKANLPROC* run) {
    return run != nullptr ? static_cast<const RSKSENSWORK*>(run->work) : nullptr;
}

}  // namespace

int rsadel5(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKSENSWORK* w = work_of(run);
    RSKRUNRESULTS* r = results_of(con);
    if (w == nullptr || r == nullptr || area == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    const int32_t block = ++r->context.row_counter;
    const RSKANLSENS& s = run->analysis->sensitivity;
    if (s.instrument_type.name.length > 0) put_text(row.inst_type, sizeof row.inst_type, s.instrument_type.name.text, s.instrument_type.name.length);
    else put_text(row.inst_type, sizeof row.inst_type, "DELTA_GAMMA", 11);
    char id[kInstIdText + 16];
    const int id_length = std::min(stripped(s.instrument_id.name), kInstIdText);
    const int written = id_length > 0 ? std::snprintf(id, sizeof id, "%.*s%-6i", id_length, s.instrument_id.name.text, block)
                                      : std::snprintf(id, sizeof id, "DG_%-6i", block);
    put_text(row.inst_id, sizeof row.inst_id, id, std::min<int>(written, static_cast<int>(sizeof id) - 1));
    put_factor(row.name, row.label, nullptr);

    Columns columns(w);
    int rc = 0;
    for (int32_t i = 0; i < w->n; ++i) columns.put(i, factor_base(w, i));
    put_text(row.type, sizeof row.type, "VALUE   ", 8);
    row.value = base_value(area);
    rc = write(con, writer, resds, rc);
    for (int32_t i = 0; i < w->n; ++i) columns.put(i, delta_of(area, i));
    put_text(row.type, sizeof row.type, "DELTA   ", 8);
    row.value = qor::missing();
    rc = write(con, writer, resds, rc);
    for (int32_t i = 0; i < w->n; ++i) columns.put(i, gamma_of(area, i));
    put_text(row.type, sizeof row.type, "GAMMA   ", 8);
    rc = write(con, writer, resds, rc);
    if (w->cross_gamma) {
        for (int32_t i = 0; i < w->n; ++i) {
            put_factor(row.name, row.label, w->factors[i]);
            for (int32_t j = 0; j < w->n; ++j) columns.put(j, pair_gamma(w, area, i, j));
            rc = write(con, writer, resds, rc);
        }
        put_factor(row.name, row.label, nullptr);
    }
    return rc;
}

int rsadel6(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKSENSWORK* w = work_of(run);
    RSKRUNRESULTS* r = results_of(con);
    if (w == nullptr || r == nullptr || area == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    ++r->context.row_counter;
    int rc = 0;
    for (int32_t i = 0; i < w->n; ++i) {
        put_factor(row.name, row.label, w->factors[i]);
        put_factor(row.name2, row.label2, nullptr);
        put_text(row.type, sizeof row.type, "DELTA", 5);
        row.value = factor_base(w, i);
        row.sensitivity = delta_of(area, i);
        row.gamma = gamma_of(area, i);
        rc = write(con, writer, resds, rc);
        if (!w->cross_gamma) continue;
        for (int32_t j = 0; j < w->n; ++j) {
            put_text(row.type, sizeof row.type, "GAMMA", 5);
            put_factor(row.name2, row.label2, w->factors[j]);
            row.value = factor_base(w, j);
            row.gamma = pair_gamma(w, area, i, j);
            rc = write(con, writer, resds, rc);
        }
    }
    return rc;
}

int rsadel7(RSKCON*, RSKANLPROC* run, void* area, RSKROWWRITER, RSKRESDS*) {
    const RSKSENSWORK* w = work_of(run);
    if (w == nullptr || area == nullptr) return 1;
    // The engine writes the cell's summary row with these columns; the time factor has none.
    // They stay in place for that row: the engine restores the market after its summary rows.
    for (int32_t i = 0; i < w->n; ++i) put_column(w, i, w->theta && i == w->n - 1 ? qor::missing() : delta_of(area, i));
    return 0;
}

int rsadel8(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKSENSWORK* w = work_of(run);
    RSKRUNRESULTS* r = results_of(con);
    if (w == nullptr || r == nullptr || area == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    ++r->context.row_counter;
    row.value = base_value(area);
    int rc = 0;
    for (int32_t i = 0; i < w->n; ++i) {
        put_factor(row.name, row.label, w->factors[i]);
        put_text(row.name2, sizeof row.name2, "DELTA", 5);
        put_text(row.label2, sizeof row.label2, nullptr, 0);
        row.sensitivity = delta_of(area, i);
        rc = write(con, writer, resds, rc);
        if (!w->cross_gamma) {
            put_text(row.name2, sizeof row.name2, "GAMMA", 5);
            row.sensitivity = gamma_of(area, i);
            rc = write(con, writer, resds, rc);
            continue;
        }
        for (int32_t j = 0; j < w->n; ++j) {
            put_factor(row.name2, row.label2, w->factors[j]);
            row.sensitivity = pair_gamma(w, area, i, j);
            rc = write(con, writer, resds, rc);
        }
    }
    return rc;
}

int get_levels_sens(RSKCON* con, RSKANLPROC* run, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKSENSWORK* w = work_of(run);
    RSKRUNRESULTS* r = results_of(con);
    if (w == nullptr || r == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    int rc = 0;
    put_factor(row.name, row.label, nullptr);
    for (const char* type : {"VALUE   ", "DELTA   ", "GAMMA   "}) {
        put_text(row.type, sizeof row.type, type, 8);
        rc = write(con, writer, resds, rc);
    }
    for (int32_t i = 0; i < w->n; ++i) {
        put_factor(row.name, row.label, w->factors[i]);
        rc = write(con, writer, resds, rc);
    }
    return rc;
}

int get_levels_sens2(RSKCON* con, RSKANLPROC* run, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKSENSWORK* w = work_of(run);
    RSKRUNRESULTS* r = results_of(con);
    if (w == nullptr || r == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    int rc = 0;
    for (const char* type : {"DELTA   ", "GAMMA   "}) {
        put_text(row.type, sizeof row.type, type, 8);
        rc = write(con, writer, resds, rc);
    }
    for (int32_t i = 0; i < w->n; ++i) {
        put_factor(row.name, row.label, w->factors[i]);
        put_factor(row.name2, row.label2, w->cross_gamma ? w->factors[i] : nullptr);
        rc = write(con, writer, resds, rc);
    }
    return rc;
}

int get_levels_combine(RSKCON* con, RSKANLPROC* run, RSKROWWRITER writer, RSKRESDS* resds) {
    const RSKSENSWORK* w = work_of(run);
    RSKRUNRESULTS* r = results_of(con);
    if (w == nullptr || r == nullptr) return 1;
    RSKROWVALUES& row = r->row;
    int rc = 0;
    for (int32_t i = 0; i < w->n; ++i) {
        put_factor(row.name, row.label, w->factors[i]);
        put_factor(row.name2, row.label2, w->factors[i]);
        rc = write(con, writer, resds, rc);
    }
    put_text(row.label2, sizeof row.label2, nullptr, 0);
    for (const char* name2 : {"DELTA", "GAMMA"}) {
        put_text(row.name2, sizeof row.name2, name2, 5);
        rc = write(con, writer, resds, rc);
    }
    return rc;
}

int rsadel9(RSKCON* con, RSKANLPROC* run, void*, RSKROWWRITER writer, RSKRESDS* resds) {
    const int kind = resds != nullptr ? resds->kind : 0;
    switch (kind) {
    case RSKRES_SENS: return get_levels_sens(con, run, writer, resds);
    case RSKRES_SENS2: return get_levels_sens2(con, run, writer, resds);
    case RSKRES_COMBINE: return get_levels_combine(con, run, writer, resds);
    default: xebug("rsadel9: bad data set type %i.", kind); return 1;
    }
}

int rsadel_output(RSKCON* con, RSKANLPROC* run, void* area, RSKROWWRITER writer, RSKRESDS* resds) {
    switch (resds != nullptr ? resds->kind : 0) {
    case RSKRES_COMBINE: return rsadel8(con, run, area, writer, resds);
    case RSKRES_SUMMARY: return rsadel7(con, run, area, writer, resds);
    case RSKRES_SENS: return rsadel5(con, run, area, writer, resds);
    case RSKRES_SENS2: return rsadel6(con, run, area, writer, resds);
    default: return 0;
    }
}
