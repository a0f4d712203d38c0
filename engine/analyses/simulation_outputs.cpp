// The output variables of a simulation: the built-in values (P/L, Return, Exposure) and the
// variables the analysis names, each with the place of its values in the pricing results row.
#include <cctype>
#include <cstdio>
#include <cstring>

#include "engine/analyses/simulation_run.h"
#include "engine/model/names/name_records.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

namespace {

constexpr int32_t kMostEntries = 4096;

bool same_text(const char* a, int a_length, const char* b) {
    while (a_length > 0 && a[a_length - 1] == ' ') --a_length;
    const int b_length = static_cast<int>(std::strlen(b));
    if (a_length != b_length) return false;
    for (int i = 0; i < a_length; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

void set_name(RSKSIMOUTV* v, const char* text, int length) {
    if (length > 32) length = 32;
    std::memcpy(v->name.buffer, text, static_cast<size_t>(length));
    v->name.name.text = v->name.buffer;
    v->name.name.length = static_cast<uint16_t>(length);
    v->name.name.capacity = 32;
    std::memset(v->label, ' ', sizeof v->label);
    std::memcpy(v->label, text, static_cast<size_t>(length));
    v->label_length = length;
}

// The double offset of `variable` (element e of an array) in a pricing results row, or -2 when
// the run does not price it.
int32_t row_element(const RSKVARIABLE* variable, int32_t element) {
    if (!variable->run.placed_in_row || variable->run.row_offset < 0) return -2;
    return variable->run.row_offset + (element > 0 ? element - 1 : 0);
}

RSKSIMOUTV* add(RSKSIMWORK* w, const char* name, int length) {
    if (w->outv_count >= kMostEntries) return nullptr;
    RSKSIMOUTV* v = &w->outv[w->outv_count];
    std::memset(v, 0, sizeof *v);
    set_name(v, name, length);
    v->order = w->outv_count++;
    v->column = 0;
    return v;
}

// The built-in names that list 2 may repeat.
bool built_in(const RSKNAMEREC& n, int returns) {
    return same_text(n.text, n.length, "PL") || same_text(n.text, n.length, "P/L") ||
           same_text(n.text, n.length, "Exposure") || (returns && same_text(n.text, n.length, "Return"));
}

}  // namespace

int rsaoutv(RSKCON* con, RSKSIMWORK* w, RSKANALYSIS* analysis, int pl, int exposure, int returns) {
    // Room for the built-ins and every element of every listed variable.
    int64_t capacity = 3;
    for (const RSKNAMECELL* c = analysis->names_head; c != nullptr; c = c->next) {
        const RSKVARIABLE* v = rskvar(con, &c->name.name);
        capacity += v != nullptr && v->element_count >= 1 ? static_cast<int64_t>(v->element_count) : 1;
    }
    if (capacity > kMostEntries) capacity = kMostEntries;
    const size_t bytes = static_cast<size_t>(capacity) * sizeof(RSKSIMOUTV);
    w->outv = static_cast<RSKSIMOUTV*>(rskmem_alloc(con, bytes, "simulation work vector", RSKMEM_RESULTS, 1));
    if (w->outv == nullptr) return 1;
    w->outv_count = 0;
    bool exposure_listed = false;
    for (const RSKNAMECELL* c = analysis->names_head; c != nullptr; c = c->next)
        if (same_text(c->name.name.text, c->name.name.length, "Exposure")) exposure_listed = true;

    if (pl || w->kind == RSKANL_CASHFLOW) {
        RSKSIMOUTV* v = add(w, "P/L", 3);
        v->is_pl = 1;
    }
    if (returns) {
        RSKSIMOUTV* v = add(w, "Return", 6);
        v->is_return = 1;
    }
    if (exposure || exposure_listed) {
        RSKSIMOUTV* v = add(w, "Exposure", 8);
        v->is_exposure = 1;
        v->kind = 1;
        if (con->run_block != nullptr) con->run_block->result_sets.opt_exposure = 1;
    }
    const RSKNAMEREC& owner = analysis->name.name;
    for (const RSKNAMECELL* c = analysis->names_head; c != nullptr; c = c->next) {
        const RSKNAMEREC& n = c->name.name;
        if (built_in(n, returns)) continue;
        RSKVARIABLE* variable = rskvar(con, &n);
        if (variable == nullptr) {
            xpmlog(598, 2801, n.length, n.text, owner.length, owner.text);
            continue;
        }
        const int32_t elements = variable->element_count >= 1 ? static_cast<int32_t>(variable->element_count) : 0;
        for (int32_t e = elements > 0 ? 1 : 0; e <= elements; ++e) {
            char text[48];
            int length = n.length > 32 ? 32 : n.length;
            std::memcpy(text, n.text, static_cast<size_t>(length));
            if (e > 0) length += std::snprintf(text + length, sizeof text - static_cast<size_t>(length), "_%i", e);
            RSKSIMOUTV* v = add(w, text, length);
            if (v == nullptr) break;
            v->variable = variable;
            v->element = e;
            v->column = row_element(variable, e);
            // VARPOST 1: computed by the post-valuation methods, 2: by the post-pricing ones.
            v->source_kind = variable->varpost == 1   ? RSKSIMSRC_POSTVALUATION
                             : variable->varpost == 2 ? RSKSIMSRC_POSTPRICING
                                                      : RSKSIMSRC_PRICED;
        }
    }
    if (w->outv_count == 0) {
        RSKSIMOUTV* v = add(w, "P/L", 3);
        v->is_pl = 1;
    }
    return 0;
}
