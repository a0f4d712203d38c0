// REGISTER_FX: the exchange-rate curve with which the cash-flow evaluation converts the current
// instrument's flows. The registration belongs to the execution block and to the position it was
// made in: the next instrument, which registers none, converts by the state's rate again.
#include <atomic>
#include <cctype>
#include <strings.h>

#include "engine/builtins/builtin_support.h"
#include "engine/compiler/compile_control.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

constexpr const char* kName = "REGISTER_FX";
constexpr uint32_t kFxCurve = 341;

bool fx_curve(const RSKVARIABLE* v) {
    return v != nullptr && (v->data_type == kFxCurve || (v->data_type == RSKDTYPE_ARRAY && v->role == kFxCurve));
}

// The curve array that the reference variable `reference` names with the key (as cshflwc, with
// a key of "CUR:BAS").
RSKVARIABLE* keyed_curve(RSKCON* con, const RSKVARIABLE* reference, const char* key, int key_length) {
    const RSKNAMEREC& name = reference->name.name;
    for (RSKVARIABLE* a = con->variables_head; a != nullptr; a = a->next) {
        if (a->kind != RSKVKIND_FACTOR || a->data_type != RSKDTYPE_ARRAY) continue;
        for (const RSKNAMECELL* cell = a->reference_pairs_head; cell != nullptr && cell->next != nullptr;
             cell = cell->next->next) {
            const RSKNAMEREC& r = cell->name.name;
            const RSKNAMEREC& k = cell->next->name.name;
            if (r.length == name.length && strncasecmp(r.text, name.text, name.length) == 0 && k.length == key_length &&
                strncasecmp(k.text, key, static_cast<size_t>(key_length)) == 0)
                return a;
        }
    }
    return nullptr;
}

// The curve of the two-argument form: 0 with *curve, or 1 after a message.
int curve_by_name(RSKCON* con, const cmp_arg_value* args, RSKVARIABLE** curve) {
    *curve = nullptr;
    RSKRUNBLOCK* run = con->run_block;
    char currency[8], name[40];
    const int currency_length = builtin_text(args[2], currency, sizeof currency);
    const char* own = run->valuation.currency;
    if (currency_length != 3 || strncasecmp(currency, own, 3) != 0) {
        xpmlog(670, 3614, kName, currency_length, currency, 3, own);
        return 1;
    }
    const int length = builtin_text(args[1], name, sizeof name);
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), name};
    RSKVARIABLE* v = length > 0 && length <= 32 ? rskvar(con, &key) : nullptr;
    if (v == nullptr || v->kind != RSKVKIND_REFERENCE || (v->data_type != RSKDTYPE_ARRAY && v->data_type != 1)) {
        xpmlog(598, 3432, 1, kName, "name of reference variable");
        return 1;
    }
    char pair[8];
    for (int i = 0; i < 3; ++i) {
        pair[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(own[i])));
        pair[4 + i] = static_cast<char>(std::toupper(static_cast<unsigned char>(run->currency[i])));
    }
    pair[3] = ':';
    RSKVARIABLE* found = keyed_curve(con, v, pair, 7);
    if (found == nullptr) {
        if (rskbif_count(con, RSKBIF_FX, kName) != 0) xpmlog(670, 3615, length, name, 3, pair, 3, pair + 4, kName);
        return 1;
    }
    if (!fx_curve(found)) {
        if (rskbif_count(con, RSKBIF_FX, kName) != 0) xpmlog(670, 3604, RSK_NAMEREC(found->name.name));
        return 1;
    }
    *curve = found;
    return 0;
}

}  // namespace

int rskregfx(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
             cmp_instance*, void* hidden) {
    RSKCON* con = builtin_con(fn);
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    const RSKRUNCOMPILE* compile = con != nullptr ? con->run_compile : nullptr;
    const int block = exec != nullptr ? exec->block : 0;
    // Only a run that evaluates cash flows converts them.
    if (run == nullptr || run->cashflow_sections < 1 || compile == nullptr || compile->programs == nullptr ||
        block < 0 || block >= compile->execution_blocks)
        return 0;
    if (std::atomic_ref<uint8_t>(run->builtins.pricing_failed).load() != 0) return 1;
    RSKVARIABLE* curve = nullptr;
    if (nargs == 1) {
        auto* record = static_cast<RSKREFCALL*>(hidden);
        if (record == nullptr) {
            xpmlog(598, 3928, "%REGISTER_FX");
            return 0;
        }
        const RSKCMPCON* handle = builtin_handle(fn);
        RSKVARIABLE* named = record->con == nullptr ? builtin_argument_variable(con, exec, args[1]) : nullptr;
        if (resolve_reference(con, record, handle != nullptr ? handle->current_type : nullptr, named) != 0) {
            if (rskbif_count(con, RSKBIF_FX, kName) != 0) xpmlog(670, 3603, kName, "fx", 0, "");
            return 1;
        }
        if (!fx_curve(record->object)) {
            if (rskbif_count(con, RSKBIF_FX, kName) != 0) xpmlog(670, 3604, RSK_NAMEREC(record->object->name.name));
            return 1;
        }
        curve = record->object;
    } else if (nargs == 2) {
        if (curve_by_name(con, args, &curve) != 0) return 1;
    } else {
        xpmlog(670, 3601, kName);
        return 1;
    }
    RSKPROGRECORD& record = compile->programs[block];
    record.fx_curve = curve;
    record.fx_position = builtin_position(con);
    return 0;
}
