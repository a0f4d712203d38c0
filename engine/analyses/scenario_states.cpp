// Scenario analysis, build and state: the output variables and the cell layout, and the one
// market state made from the base state by the definition's perturbations.
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/analyses/shifted_states.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kScenarioLabel = 5605;
constexpr int32_t kRecordBytes = static_cast<int32_t>(sizeof(RSKSCNVAL));

bool same_word(const RSKOBJNAME& name, const char* word) {
    const size_t n = std::strlen(word);
    if (name.name.text == nullptr || name.name.length != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(name.name.text[i])) != std::toupper(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

bool asks_exposure(const RSKANALYSIS* analysis) {
    for (const RSKNAMECELL* c = analysis->names_head; c != nullptr; c = c->next)
        if (same_word(c->name, "Exposure")) return true;
    return false;
}

bool built_in(const RSKOBJNAME& name) {
    return same_word(name, "PL") || same_word(name, "P/L") || same_word(name, "Exposure") ||
           same_word(name, "Return") || same_word(name, "Cash");
}

// Value-weighted variables scale by the position's value, exposure-weighted ones by its exposure.
uint8_t scaling_of(const RSKVARIABLE* v) {
    if (v == nullptr) return 0;
    if (v->rollup == 2) return 1;
    if (v->rollup == 1) return 2;
    return 0;
}

void fill_entry(RSKSCNOUTV* e, RSKVARIABLE* variable, int32_t column, uint8_t role, const char* name, int length) {
    e->variable = variable;
    e->column = column;
    e->size = kRecordBytes;
    e->role = role;
    e->scaling = role == RSKSCNROLE_OTHER ? scaling_of(variable) : 0;
    e->post = RSKSCNPOST_NONE;
    if (variable != nullptr && variable->varpost == 1) e->post = RSKSCNPOST_PRICING;
    if (variable != nullptr && variable->varpost == 2) e->post = RSKSCNPOST_VALUATION;
    const int n = length < 32 ? length : 32;
    e->name_length = static_cast<int16_t>(n);
    std::memcpy(e->name, name, static_cast<size_t>(n));
}

// Counts the entries the analysis needs (arrays one per element): the built-in P/L and
// exposure first, then the named variables; an unknown name is reported (598/2801) once.
int32_t count_entries(RSKCON* con, const RSKANALYSIS* analysis, bool exposure, bool report) {
    int32_t count = exposure ? 2 : 1;
    for (const RSKNAMECELL* c = analysis->names_head; c != nullptr; c = c->next) {
        if (built_in(c->name)) continue;
        RSKVARIABLE* v = rskvar(con, &c->name.name);
        if (v == nullptr) {
            if (report)
                xpmlog(598, 2801, static_cast<int>(c->name.name.length), c->name.name.text,
                       static_cast<int>(analysis->name.name.length), analysis->name.name.text);
            continue;
        }
        count += v->data_type == RSKDTYPE_ARRAY ? rsk_shift_elements(v) : 1;
    }
    return count;
}

void fill_named(RSKCON* con, const RSKANALYSIS* analysis, RSKSCNWORK* work) {
    for (const RSKNAMECELL* c = analysis->names_head; c != nullptr; c = c->next) {
        if (built_in(c->name)) continue;
        RSKVARIABLE* v = rskvar(con, &c->name.name);
        if (v == nullptr) continue;
        if (v->data_type != RSKDTYPE_ARRAY) {
            fill_entry(&work->entries[work->count++], v, 0, RSKSCNROLE_OTHER, c->name.name.text, c->name.name.length);
            continue;
        }
        for (int32_t k = 0, n = rsk_shift_elements(v); k < n; ++k) {
            char element[48];
            const int length = std::snprintf(element, sizeof element, "%.*s_%d", static_cast<int>(c->name.name.length),
                                             c->name.name.text, static_cast<int>(k + 1));
            // The element's column: the array's first column plus the element number.
            fill_entry(&work->entries[work->count++], v, k, RSKSCNROLE_OTHER, element, length);
        }
    }
}

// One factor (or element) under its perturbation; 2 for an unknown type.
int shift_one(RSKCON* con, const RSKANLPROC* run, RSKVARIABLE* factor, RSKVARIABLE* target, double amount,
              uint32_t type) {
    target->lag_in_analysis = 1.0;
    const double value = rsk_shift_get(target);
    if (qor::is_missing(value)) return 0;
    switch (type) {
    case RSKSHIFT_VALUE: rsk_shift_set(target, amount); return 0;
    case RSKSHIFT_ABSOLUTE: rsk_shift_set(target, value + amount); return 0;
    case RSKSHIFT_RELATIVE: rsk_shift_set(target, (amount + 1.0) * value); return 0;
    case RSKSHIFT_VOLATILITY: {
        double s = 0;
        if (check_missing_vol(con, run, factor, &s, 1) != 0) return 0;
        if (factor->measurement_level == 2) rsk_shift_set(target, s * amount + value);
        else rsk_shift_set(target, rsk_shift_exp(s * amount, value));
        return 0;
    }
    default:
        xebug("unsupported perturbation type");
        return 2;
    }
}

// A factor's saved base values (one per element) so the state can be taken back exactly.
struct Saved {
    RSKVARIABLE* variable;
    double value;
};

}  // namespace

int rsascn0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr || con->run_block == nullptr) return 1;
    run->label = kScenarioLabel;
    if (rsafacx(con, run, analysis->entries_head, analysis->entry_count) != 0) return 1;

    const bool exposure = asks_exposure(analysis);
    const int32_t count = count_entries(con, analysis, exposure, true);
    auto* work = static_cast<RSKSCNWORK*>(rsk_shift_alloc(con, sizeof(RSKSCNWORK), "scenario analysis work vector"));
    if (work == nullptr) return 1;
    work->entries = static_cast<RSKSCNOUTV*>(
        rsk_shift_alloc(con, sizeof(RSKSCNOUTV) * static_cast<size_t>(count), "scenario analysis work vector"));
    if (work->entries == nullptr) return 1;
    run->work = work;
    run->work_size = sizeof(RSKSCNWORK) + sizeof(RSKSCNOUTV) * static_cast<size_t>(count);

    work->pl_entry = 0;
    fill_entry(&work->entries[work->count++], nullptr, 0, RSKSCNROLE_PL, "P/L", 3);
    work->exposure_entry = -1;
    if (exposure) {
        work->exposure_entry = work->count;
        fill_entry(&work->entries[work->count++], nullptr, 1, RSKSCNROLE_EXPOSURE, "Exposure", 8);
    }
    fill_named(con, analysis, work);

    int32_t offset = 0;
    for (int32_t i = 0; i < work->count; ++i) {
        offset = (offset + 3) / 4 * 4;
        work->entries[i].offset = offset;
        offset += kRecordBytes;
    }
    // The exposure slot sits behind the records (never at offset 0).
    work->exposure_slot = exposure ? offset : 0;
    if (exposure) offset += static_cast<int32_t>(sizeof(double));
    run->cell_size = offset;

    int32_t part = 1, parts = 1;
    rsk_shift_part(con, &part, &parts);
    if (part == 1 && rsk_plan_states(con, "rsascn0", 1) != 0) return 1;
    run->state_count = 1;
    return 0;
}

int rsascn1(RSKCON* con, RSKANLPROC* run) {
    if (con == nullptr || run == nullptr || run->analysis == nullptr || con->run_block == nullptr) return 1;
    RSKANALYSIS* analysis = run->analysis;
    int32_t part = 1, parts = 1;
    rsk_shift_part(con, &part, &parts);
    const int64_t local = con->run_block->state_buffer.append_index;
    if (parts <= 1) {
        run->state_counters[0] = 0;
        run->state_counters[1] = 1;
        run->state_counters[2] = rsk_global_states(con);
        run->state_counters[3] = run->state_counters[2] + 1;
    } else {
        run->state_counters[0] = part == 1 ? 0 : 1;
        run->state_counters[1] = 1;
        run->state_counters[2] = local;
        run->state_counters[3] = part == 1 ? local + 1 : local;
    }
    // Only the first part makes the state; the others count it for the global numbering.
    if (part != 1) {
        rsk_count_elsewhere(con, 1);
        return 0;
    }

    // Walk the run factors with the active definition entries (the factor list holds one per entry).
    int elements = 0;
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr; f = f->next)
        elements += f->variable != nullptr && f->variable->data_type == RSKDTYPE_ARRAY
                        ? rsk_shift_elements(f->variable) + 1
                        : 1;
    auto* saved = static_cast<Saved*>(
        rsk_shift_alloc(con, sizeof(Saved) * static_cast<size_t>(elements > 0 ? elements : 1), "temporary arrays"));
    if (saved == nullptr) return 1;
    int kept = 0;
    int rc = 0;
    const RSKANLFACTOR* entry = analysis->entries_head;
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr && rc == 0; f = f->next, entry = entry->next) {
        while (entry != nullptr && !entry->active) entry = entry->next;
        if (entry == nullptr) break;
        RSKVARIABLE* v = f->variable;
        if (v == nullptr) continue;
        if (v->data_type != RSKDTYPE_ARRAY) {
            saved[kept++] = Saved{v, rsk_shift_get(v)};
            rc = shift_one(con, run, v, v, entry->value, entry->perturbation_type);
            continue;
        }
        saved[kept++] = Saved{v, v->lag_in_analysis};   // the array's own marker, no value
        v->lag_in_analysis = 1.0;
        for (int32_t k = 0, n = rsk_shift_elements(v); k < n && rc == 0; ++k) {
            RSKVARIABLE* element = v->elements[k];
            if (element == nullptr) continue;
            saved[kept++] = Saved{element, rsk_shift_get(element)};
            rc = shift_one(con, run, v, element, entry->value, entry->perturbation_type);
        }
    }
    if (rc == 0) {
        rsk_note_factors(con, run, nullptr, nullptr, 0);
        rc = rsk_append_state(con, 0);
    }
    // The base values come back, and the shift markers go down.
    for (int i = 0; i < kept; ++i) {
        RSKVARIABLE* v = saved[i].variable;
        if (v->data_type != RSKDTYPE_ARRAY) rsk_shift_set(v, saved[i].value);
        v->lag_in_analysis = 0.0;
    }
    return rc;
}
