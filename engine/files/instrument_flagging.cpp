// Flags, before the market vectors are laid out, everything the portfolio's instrument types
// refer to: exchange rates of currency conversion and cash flows, and quadratic factors. The
// types' pricing actions are resolved afterwards by the run, for every type at once.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/model/control/startup.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "host/print.h"

namespace {

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

int stripped_length(const char* text, int length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return length;
}

bool blank_code(const char* code) { return code[0] == ' ' && code[1] == ' ' && code[2] == ' '; }

void upper3(const char* in, char* out) {
    for (int k = 0; k < 3; ++k) out[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(in[k])));
}

void add_flag(RSKVARIABLE* v, uint32_t flag) {
    v->run.flags_added |= flag & ~v->dependencies.flags;
    v->dependencies.flags |= flag;
}

// Marks a variable used for pricing and needed (a market variable then gets a change-mask bit),
// remembering the flags the run added so that the next run starts without them.
void mark_variable(RSKVARIABLE* v) {
    if (v == nullptr) return;
    add_flag(v, RSKDEP_USED_PRICE | RSKDEP_PRICE_ARG);
    v->run_used = 1;
    if (v->elements != nullptr)
        for (uint32_t i = 0; i < v->elements_allocated; ++i) mark_variable(v->elements[i]);
}

bool valid_rate(const RSKFXENTRY* entry) {
    return entry != nullptr && (entry->state == RSKFX_DIRECT || entry->state == RSKFX_CROSS || entry->state == RSKFX_SAME);
}

// A valid rate joins the run's needed exchange rates once; its risk factors are marked used.
void need_rate(RSKCON* con, RSKFXENTRY* entry) {
    rskmem_flag_fx(con, entry);
    for (int k = 0; k < kRskFxLegs; ++k) mark_variable(entry->slots[k]);
}

// The run's reporting currency (upper case).
const char* base_currency(RSKCON* con) { return con->run_block->currency; }

// Flags the value lists of the Quad_Value variable: each factor name must be a market variable.
int flag_quadratic(RSKCON* con, RSKVARIABLE* quad, const RSKTFILE* definition) {
    if (quad == nullptr) return 0;
    mark_variable(quad);
    int rc = 0;
    for (int32_t i = 0; i < quad->value_count && quad->values != nullptr; ++i) {
        const char* key = quad->values + static_cast<size_t>(i) * static_cast<size_t>(quad->value_width);
        const int length = stripped_length(key, quad->value_width);
        char name_text[64];
        std::memcpy(name_text, key, static_cast<size_t>(length));
        RSKNAMEREC name{static_cast<uint16_t>(sizeof name_text), static_cast<uint16_t>(length), name_text};
        RSKVARIABLE* factor = rskvf(con, &name);
        if (factor == nullptr) {
            rc = 1;
            if (rsktran_case(con, RSKTCLASS_REFERENCE))
                xpmlog(598, 1741, length, key, name_length(quad->name), quad->name.buffer,
                       definition != nullptr ? name_length(definition->name) : 0,
                       definition != nullptr ? definition->name.buffer : "");
            continue;
        }
        mark_variable(factor);
    }
    return rc;
}

}  // namespace

int flag_fx_ref(RSKCON* con, const char* currency, const char* from, int role) {
    char to_code[3];
    char from_code[3];
    upper3(currency, to_code);
    upper3(from, from_code);
    const char* missing = rskcur(con, to_code) == nullptr ? to_code : rskcur(con, from_code) == nullptr ? from_code : nullptr;
    if (missing != nullptr) {
        if (rsktran_case(con, RSKTCLASS_CURRENCY)) xpmlog(598, 1763, 3, missing);
        return 1;
    }
    RSKFXENTRY* entry = role == RSKFXREF_PAIR ? rskfx2(con, to_code, from_code) : rskfx(con, to_code, from_code);
    if (!valid_rate(entry)) {
        if (rsktran_case(con, RSKTCLASS_FX)) xpmlog(598, role == RSKFXREF_SPOT ? 1766 : 1743, 3, from_code, 3, to_code);
        return 1;
    }
    need_rate(con, entry);
    return 0;
}

int flag_cur_convert(RSKCON* con, RSKINSTTYPE* type, RSKVARIABLE* conversion, const RSKTFILE* definition) {
    int rc = 0;
    const char* base = base_currency(con);
    for (int32_t i = 0; i < conversion->value_count && conversion->values != nullptr; ++i) {
        const char* value = conversion->values + static_cast<size_t>(i) * static_cast<size_t>(conversion->value_width);
        char code[3];
        upper3(value, code);
        if (blank_code(code)) continue;
        if (rskcur(con, code) == nullptr) {
            xpmlog(598, 1749, name_length(conversion->name), conversion->name.buffer, name_length(type->name),
                   type->name.buffer, 3, code, definition != nullptr ? name_length(definition->name) : 0,
                   definition != nullptr ? definition->name.buffer : "");
            rc = 1;
            continue;
        }
        if (std::memcmp(code, base, 3) == 0) continue;
        RSKFXENTRY* entry = rskfx2(con, base, code);
        if (!valid_rate(entry)) {
            if (rsktran_case(con, RSKTCLASS_CONVERSION)) xpmlog(598, 1750, 3, code, 3, base);
            rc = 1;
            continue;
        }
        need_rate(con, entry);
    }
    return rc;
}

int rsktrix(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || run->parms == nullptr || con->memory_block == nullptr) return 1;
    // The types used are those the run's open files list; marks of an earlier run go first.
    // Only the pricing actions of the types used are generated into the run's program.
    for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next) {
        t->run.used = 0;
        t->price.active = 0;
    }
    rsktran_reset(con);
    int rc = 0;
    RSKSYSVARS* sv = con->system_variables;
    uint8_t converted = 0;           // the currency-conversion variable was checked this pass
    uint8_t cash_done = 0;
    for (int32_t e = 0; e < run->parms->entry_count; ++e) {
        RSKPORTENTRY& entry = run->parms->entries[e];
        if (!entry.file.open) continue;
        const RSKTFILE* definition = entry.file.definition;
        for (int32_t k = 0; k < entry.file.types_used; ++k) {
            RSKINSTTYPE* type = entry.file.used_types[k];
            if (type == nullptr || type->run.used) continue;
            type->run.used = 1;
            type->price.active = type->price.defined;
            RSKVARIABLE* conversion = type->system_slots[RSKTSLOT_CURRENCY];
            if (conversion != nullptr && !converted) {
                converted = 1;
                rc = std::max(rc, flag_cur_convert(con, type, conversion, definition));
            }
            if (type->cash_flows && sv != nullptr && sv->cash_flows != nullptr && !cash_done) {
                // Flows in another currency are converted at the rate to the reporting currency.
                RSKVARIABLE* flows = sv->cash_flows;
                mark_variable(flows);
                for (int32_t i = 0; i < flows->value_count && flows->values != nullptr; ++i) {
                    const char* code = flows->values + static_cast<size_t>(i) * static_cast<size_t>(flows->value_width);
                    if (std::memcmp(code, base_currency(con), 3) == 0) continue;
                    rc = std::max(rc, flag_fx_ref(con, base_currency(con), code, RSKFXREF_PAIR));
                }
                cash_done = 1;
            }
            if (type->quadratic && sv != nullptr) rc = std::max(rc, flag_quadratic(con, sv->quad_value, definition));
        }
    }
    // What input data supplies: the variables of the used types from the instrument files, the
    // risk factors from the market states. Dependency resolution takes them as computed.
    for (int32_t e = 0; e < run->parms->entry_count; ++e) {
        RSKPORTENTRY& entry = run->parms->entries[e];
        for (int32_t k = 0; entry.file.open && k < entry.file.types_used; ++k)
            for (RSKVARLINK* link = entry.file.used_types[k]->resolved_head; link != nullptr; link = link->next)
                if (link->variable != nullptr) add_flag(link->variable, RSKDEP_DATA);
    }
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->kind == RSKVKIND_FACTOR) add_flag(v, RSKDEP_DATA);
    return rc;
}
