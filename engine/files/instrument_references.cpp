// Checks of one instrument before it is written or priced: every currency its type carries
// must be defined, its quadratic factors are bound and its currency conversion found, and its
// position values are taken, under the per-run message limits.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_file_messages.h"
#include "engine/files/instrument_file_layout.h"
#include "engine/files/instrument_values.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

int stripped(const RSKVARIABLE* v, const char** text) {
    *text = v != nullptr && v->value != nullptr ? static_cast<const char*>(v->value) : "";
    int length = v != nullptr && v->value != nullptr ? static_cast<int>(v->length) : 0;
    while (length > 0 && ((*text)[length - 1] == ' ' || (*text)[length - 1] == '\0')) --length;
    return length;
}

bool blank_code(const char* code) { return code[0] == ' ' && code[1] == ' ' && code[2] == ' '; }

}  // namespace

int get_currency(RSKCON* con, RSKINSTTYPE* type) {
    int rc = 0;
    for (RSKVARLINK* link = type->currency_head; link != nullptr; link = link->next) {
        RSKVARIABLE* v = link->variable;
        if (v == nullptr || v->value == nullptr) continue;
        auto* code = static_cast<char*>(v->value);
        for (int k = 0; k < 3; ++k) code[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[k])));
        // A blank code says that the instrument has no currency of that kind.
        if (blank_code(code) || rskcur(con, code) != nullptr) continue;
        rc = 1;
        if (!rsktran_case(con, RSKTCLASS_CURRENCY)) continue;
        const char* id = "";
        const int id_length = con->system_variables != nullptr ? stripped(con->system_variables->inst_id, &id) : 0;
        xpmlog(598, 1717, 3, code, name_length(v->name), v->name.buffer, name_length(type->name), type->name.buffer,
               id_length, id);
    }
    return rc;
}

namespace {

// The current instrument's InstID, stripped.
int inst_id(RSKCON* con, const char** text) {
    *text = "";
    return con->system_variables != nullptr ? stripped(con->system_variables->inst_id, text) : 0;
}

bool valid_rate(const RSKFXENTRY* entry) {
    return entry != nullptr && (entry->state == RSKFX_DIRECT || entry->state == RSKFX_CROSS || entry->state == RSKFX_SAME);
}

// A numeric system variable of the current instrument: its value storage, or during a run
// without one its place in the instrument record; `otherwise` when the type lacks it.
double number_of(const RSKVARIABLE* v, double otherwise) {
    if (v == nullptr || v->value_class == 2) return otherwise;
    const void* source = v->value != nullptr ? v->value : v->run.record_address;
    if (source == nullptr) return otherwise;
    double value;
    std::memcpy(&value, source, sizeof value);
    return value;
}

// The rate converting `code` into the reporting currency: 0 with the entry (null when `code` is
// the reporting currency), 1 after 598/1711, given once per pair and run under its limit.
int conversion_rate(RSKCON* con, const char* code, RSKINSTTYPE* type, RSKFXENTRY** out) {
    RSKRUNBLOCK* run = con->run_block;
    *out = nullptr;
    if (std::memcmp(code, run->currency, 3) == 0) return 0;
    RSKFXENTRY* entry = rskfx2(con, run->currency, code);
    if (valid_rate(entry)) {
        *out = entry;
        return 0;
    }
    for (int32_t i = 0; i < run->conversions_reported; ++i)
        if (std::memcmp(run->conversion_reported[i], code, 3) == 0 &&
            std::memcmp(run->conversion_reported[i] + 3, run->currency, 3) == 0)
            return 1;
    if (run->conversions_reported < 40) {
        std::memcpy(run->conversion_reported[run->conversions_reported], code, 3);
        std::memcpy(run->conversion_reported[run->conversions_reported] + 3, run->currency, 3);
        ++run->conversions_reported;
    }
    if (rsktran_case(con, RSKTCLASS_CONVERSION)) {
        const char* id;
        const int id_length = inst_id(con, &id);
        xpmlog(598, 1711, 3, code, 3, run->currency, name_length(type->name), type->name.buffer, id_length, id);
    }
    return 1;
}

// Binds each factor of the quadratic value to its risk factor (kept in the entry's last 8
// bytes); 1 after 598/1761 for a name that is no market variable.
int bind_quadratic(RSKCON* con, RSKINSTTYPE* type, RSKVARIABLE* quad) {
    const uint32_t n = tran_entries(quad);
    auto* entry = static_cast<unsigned char*>(quad->value) + kRskCompositeHeader;
    int rc = 0;
    for (uint32_t i = 0; i < n; ++i, entry += kQuadFactorBytes) {
        const char* key = reinterpret_cast<const char*>(entry);
        int length = static_cast<int>(kRskFactorNameBytes);
        while (length > 0 && (key[length - 1] == ' ' || key[length - 1] == '\0')) --length;
        char text[kRskFactorNameBytes];
        std::memcpy(text, key, static_cast<size_t>(length));
        RSKNAMEREC name{static_cast<uint16_t>(sizeof text), static_cast<uint16_t>(length), text};
        RSKVARIABLE* factor = rskvf(con, &name);
        std::memcpy(entry + kRskFactorNameBytes, &factor, sizeof factor);
        if (factor != nullptr) continue;
        rc = 1;
        if (rsktran_case(con, RSKTCLASS_REFERENCE)) {
            const char* id;
            const int id_length = inst_id(con, &id);
            xpmlog(598, 1761, static_cast<int>(i + 1), name_length(type->name), type->name.buffer, id_length, id,
                   length, key);
        }
    }
    return rc;
}

// Every cash flow's currency must be defined and convertible into the reporting currency.
int check_cash_flows(RSKCON* con, RSKINSTTYPE* type, RSKVARIABLE* flows) {
    const uint32_t m = tran_entries(flows);
    auto* codes = static_cast<char*>(flows->value) + kRskCompositeHeader;
    int rc = 0;
    for (uint32_t i = 0; i < m; ++i) {
        char* code = codes + 3 * i;
        for (int k = 0; k < 3; ++k) code[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[k])));
        if (rskcur(con, code) == nullptr) {
            rc = 1;
            if (rsktran_case(con, RSKTCLASS_CURRENCY)) {
                const char* id;
                const int id_length = inst_id(con, &id);
                xpmlog(598, 1762, static_cast<int>(i + 1), name_length(type->name), type->name.buffer, id_length, id,
                       3, code);
            }
            continue;
        }
        RSKFXENTRY* rate;
        rc = std::max(rc, conversion_rate(con, code, type, &rate));
    }
    return rc;
}

}  // namespace

int rsktrax(RSKCON* con) {
    RSKTRANFILE* file = rsktran_current(con);
    RSKINSTTYPE* type = file != nullptr ? file->current_type : nullptr;
    RSKRUNBLOCK* run = con->run_block;
    if (type == nullptr || run == nullptr) {
        if (rsktran_internal(con)) xebug("rsktrax: no current instrument.");
        return 99;
    }
    RSKINSTRUN& position = run->valuation;
    position.holding = 1;
    position.short_position = 0;
    position.collateral = 0;
    position.al_position = 1;
    std::memcpy(position.currency, run->currency, 3);
    run->instrument_rate = nullptr;
    run->instrument_failed = 0;

    int rc = get_currency(con, type);
    // Position values: a missing or non-positive holding is held as 0, which the position loop
    // passes over as a zero position.
    if (RSKVARIABLE* holding = type->system_slots[RSKTSLOT_HOLDING]; holding != nullptr) {
        const double h = number_of(holding, qor::missing());
        position.holding = qor::is_missing(h) || !(h > 0) ? 0.0 : h;
    }
    const double short_flag = number_of(type->system_slots[RSKTSLOT_SHORT_POSITION], 0.0);
    position.short_position = !qor::is_missing(short_flag) && short_flag != 0 ? 1 : 0;
    const double collateral = number_of(type->system_slots[RSKTSLOT_COLLATERAL], 0.0);
    position.collateral = !qor::is_missing(collateral) && collateral != 0 ? 1 : 0;
    const double al = number_of(type->system_slots[RSKTSLOT_AL_POSITION], 1.0);
    position.al_position = qor::is_missing(al) ? 1 : static_cast<int32_t>(std::lround(al));

    RSKSYSVARS* sv = con->system_variables;
    if (type->quadratic && sv != nullptr && sv->quad_value != nullptr && sv->quad_value->value != nullptr)
        rc = std::max(rc, bind_quadratic(con, type, sv->quad_value));
    if (type->cash_flows && sv != nullptr && sv->cash_flows != nullptr && sv->cash_flows->value != nullptr)
        rc = std::max(rc, check_cash_flows(con, type, sv->cash_flows));

    // The instrument's own currency, converted into the reporting currency when it differs.
    RSKVARIABLE* currency = type->system_slots[RSKTSLOT_CURRENCY];
    if (currency != nullptr && currency->value != nullptr) {
        auto* code = static_cast<char*>(currency->value);
        for (int k = 0; k < 3; ++k) code[k] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[k])));
        if (!blank_code(code)) {
            if (rskcur(con, code) == nullptr) {
                rc = std::max(rc, 1);
                if (rsktran_case(con, RSKTCLASS_CURRENCY)) {
                    const char* id;
                    const int id_length = inst_id(con, &id);
                    xpmlog(598, 1713, 3, code, name_length(type->name), type->name.buffer, id_length, id);
                }
            } else {
                std::memcpy(position.currency, code, 3);
                rc = std::max(rc, conversion_rate(con, code, type, &run->instrument_rate));
            }
        }
    }
    run->instrument_failed = rc != 0 ? 1 : 0;
    return rc;
}
