// The variables listing: the groups of variables by kind with their counts from the run-time
// view, the arrays among the risk factors, and one variable in full.
#include "engine/model/arrays/arrays.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/datasets/catalog_datasets_api.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/variables/variables.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr long kGenericStorageSize = 4294967295L;

bool listed(const RSKVARIABLE* v, uint32_t kind) {
    if (kind != 0 && v->kind != kind) return false;
    if (v->kind == RSKVKIND_PARMAT) return false;
    if (v->kind == RSKVKIND_FACTOR && v->data_type == RSKDTYPE_ARRAY) return false;
    return (v->flags3 & RSKF3_INTERNAL_REFERENCE) == 0;
}

void print_role_flags(const RSKVARIABLE* v) {
    const uint8_t f = v->role_flags;
    if ((f & (RSKROLEF_IR | RSKROLEF_FX | RSKROLEF_TERM | RSKROLEF_VOLATILITY)) == 0) return;
    xpm(598, 5503);
    if (f & RSKROLEF_IR) xps(" Interest rate");
    if (f & RSKROLEF_FX) xps(" Exchange rate");
    if (f & RSKROLEF_TERM) xps(" Term");
    if (f & RSKROLEF_VOLATILITY) xps(" Volatility");
    xpm(598, 2019);
    xpsout("");
}

long storage_size_shown(const RSKCON* con, const RSKVARIABLE* v) {
    const RSKSYSVARS* s = con->system_variables;
    if (con->generic && s != nullptr && (v == s->quad_value || v == s->cash_flows)) return kGenericStorageSize;
    return static_cast<long>(v->storage_size);
}

void print_variable(RSKCON* con, const RSKVARIABLE* v) {
    const char *kind = nullptr, *dtype = nullptr, *stype = nullptr, *role = nullptr;
    const int kind_length = rskcsvk(con, static_cast<int>(v->kind), &kind);
    const int dtype_length = rskcsdt(con, static_cast<int>(v->data_type), &dtype);
    RSKSTYPE pair{v->storage_type, v->storage_flags};
    const int stype_length = rskcsst(con, &pair, &stype);
    const int role_length = rskcsva(con, static_cast<int>(v->role), &role);
    xpm(598, 2021, static_cast<int>(v->name.name.length), v->name.name.text, kind_length, kind, dtype_length, dtype,
        stype_length, stype, role_length, role);
    xpsout("");
    if (con->debug_detail) print_role_flags(v);
    xpmout(598, 2023, static_cast<int>(v->length));
    xpmout(598, 2022, storage_size_shown(con, v));
    if (v->element_count != 0) xpmout(598, 2024, v->element_count);
    if (v->measurement_level != 0 || v->kind == RSKVKIND_FACTOR) {
        const char* level = v->measurement_level == 1 ? "Ratio" : v->measurement_level == 2 ? "Interval" : "None";
        xpmout(598, 2035, -1, level);
    }
    if (v->format_text.name.length > 0) {
        xpm(598, 2025, static_cast<int>(v->format_text.name.length), v->format_text.name.text);
        if (con->debug_detail)
            xps(" (%*s, %i, %i, %i)", 32, v->format_name, static_cast<int>(v->format_width),
                static_cast<int>(v->format_decimals), static_cast<int>(v->format_number));
        xpsout("");
    }
    if (v->currency[0] != ' ' && v->currency[0] != '\0') {
        const bool from = v->from_currency[0] != ' ' && v->from_currency[0] != '\0';
        xpmout(598, 2028, 3, v->currency, from ? 3 : 0, v->from_currency);
    }
    if (!qor::is_missing(v->maturity)) {
        const char* unit = nullptr;
        const int unit_length = rskcstu(con, static_cast<int>(v->maturity_unit), &unit);
        xpmout(598, 2029, v->maturity, unit_length, unit);
    }
    if (v->reference1_name.name.length > 0)
        xpmout(598, 2030, static_cast<int>(v->reference1_name.name.length), v->reference1_name.name.text);
    if (v->reference2_name.name.length > 0)
        xpmout(598, 2032, static_cast<int>(v->reference2_name.name.length), v->reference2_name.name.text);
    if (!qor::is_missing(v->scale)) xpmout(598, 2031, v->scale);
    if (v->category_count > 0) {
        xpmout(598, 2033, static_cast<int>(v->category_count));
        for (const RSKNAMECELL* c = v->categories_head; c != nullptr; c = c->next)
            xpmout(598, 2039, static_cast<int>(c->name.name.length), c->name.name.text);
    }
    if (v->drop) xpmout(598, 2027);
    if (v->properties.description_length > 0)
        xpmout(598, 2026, static_cast<int>(v->properties.description_length), v->properties.description);
    if (v->group_length > 0) xpmout(598, 2036, static_cast<int>(v->group_length), v->group);
    if (v->reference_pair_count > 0) {
        xpmout(598, 2037, static_cast<int>(v->reference_pair_count));
        for (const RSKNAMECELL* c = v->reference_pairs_head; c != nullptr && c->next != nullptr; c = c->next->next)
            xpmout(598, 2038, static_cast<int>(c->name.name.length), c->name.name.text,
                   static_cast<int>(c->next->name.name.length), c->next->name.name.text);
    }
    xpoflsh(0);
}

// The variables of one kind (0: all) in definition order, numbered from 1.
void print_var_table(RSKCON* con, uint32_t kind) {
    int number = 0;
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (!listed(v, kind)) continue;
        xps("%5i. ", ++number);
        print_variable(con, v);
    }
}

}  // namespace

int rskvarp(RSKCON* con, RSKVARIABLE* variable, int selection) {
    if (variable != nullptr) {
        print_variable(con, variable);
        return 0;
    }
    const RSKRTBLOCK* rt = con->runtime_tables;
    const RSKRTBLOCK empty{};
    if (rt == nullptr) rt = &empty;
    const int s = selection;
    if (s == 0 || s == 1) {
        xpmout(598, 2006, rt->system_list.count);
        print_var_table(con, RSKVKIND_SYSTEM);
    }
    if (s == 0 || s == 3) {
        xpmout(598, 2008, rt->instrument_count);
        print_var_table(con, RSKVKIND_INSTRUMENT);
    }
    if (s == 7 || (s == 0 && rt->output_count > 0)) {
        xpmout(598, 2044, rt->output_count);
        print_var_table(con, RSKVKIND_OUTPUT);
    }
    if (s == 0 || s == 6) {
        xpmout(598, 2007, rt->reference_count);
        print_var_table(con, RSKVKIND_REFERENCE);
    }
    if (s == 0 || s == 2) {
        xpmout(598, 2009, rt->factor_count - rt->array_list.count);
        print_var_table(con, RSKVKIND_FACTOR);
    }
    if (s == 0 || s == 9) {
        xpmout(598, 2045, rt->state_count);
        print_var_table(con, RSKVKIND_STATE);
    }
    if (s == 0 || s == 8) {
        xpmout(598, 2046, rt->project_list.count);
        print_var_table(con, RSKVKIND_PROJECT);
    }
    if (s == 2 && rt->array_list.count > 0) {
        xpmout(598, 2040, rt->array_list.count);
        for (const RSKVARLINK* l = rt->array_list.head; l != nullptr; l = l->next) rskaryp(con, l->variable);
    }
    xpoflsh(0);
    return 0;
}
