// GET_FX_SPOT: the spot rate of a currency against the run's base currency in the state being
// priced, formed from the pair's risk factors as that state gives them. The caller's text is
// read through a copy: a literal or the method's variable is never changed.
#include <atomic>
#include <cctype>
#include <strings.h>

#include "engine/builtins/builtin_support.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

// The rate of the pair in the block's state: 1 for the same currency, else the product of its
// risk factors (a divided slot for an inverted one); missing when a value is missing or 0.
double rate_in_state(RSKCON* con, const cmp_exec_context* exec, const RSKFXENTRY* entry) {
    if (entry->state == RSKFX_SAME) return 1.0;
    if (entry->state != RSKFX_DIRECT && entry->state != RSKFX_CROSS) return qor::missing();
    double rate = 1.0;
    for (int i = 0; i < kRskFxLegs; ++i) {
        const RSKVARIABLE* v = entry->slots[i];
        if (v == nullptr) continue;
        const double value = builtin_factor_value(con, exec, v);
        if (qor::is_missing(value) || value == 0) return qor::missing();
        rate = entry->inverted[i] ? rate / value : rate * value;
    }
    return rate;
}

// The run's base currency (upper case), "USD" outside a run.
void base_currency(RSKCON* con, char out[4]) {
    const char* code = con != nullptr && con->run_block != nullptr && con->run_block->currency[0] != '\0'
                           ? con->run_block->currency
                           : "USD";
    for (int i = 0; i < 3; ++i) out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[i])));
    out[3] = '\0';
}

}  // namespace

int rskgetfx(const cmp_function_record* fn, cmp_arg_value* args, int nargs, const cmp_exec_context* exec,
             cmp_instance*, void*) {
    RSKCON* con = builtin_con(fn);
    RSKBUILTINRUN* run = builtin_run(con);
    if (run != nullptr && std::atomic_ref<uint8_t>(run->pricing_failed).load() != 0) return 1;
    double* result = args[0].number;
    if (result == nullptr) return 1;
    *result = qor::missing();
    char code[8];
    const int length = nargs >= 1 ? builtin_text(args[1], code, sizeof code) : 0;
    for (int i = 0; i < length; ++i) code[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(code[i])));
    char base[4];
    base_currency(con, base);
    if (length == 3 && strncasecmp(code, base, 3) == 0) {
        *result = 1.0;
        return 0;
    }
    RSKCURRENCY* currency = length == 3 ? rskcur(con, code) : nullptr;
    RSKCURRENCY* base_row = rskcur(con, base);
    if (currency == nullptr || base_row == nullptr) return 0;
    const RSKFXENTRY* entry = find_fx(con, base_row, currency);
    const double rate = entry != nullptr ? rate_in_state(con, exec, entry) : qor::missing();
    if (qor::is_missing(rate)) {
        int32_t before = 0;
        if (run != nullptr) before = std::atomic_ref<int32_t>(run->fx_rate_missing).fetch_add(1);
        if (before < kRskBuiltinMessageCap)
            xpmlog(670, 3808, 3, code, 3, base);
        else if (before == kRskBuiltinMessageCap)
            xpmlog(598, 1739, kRskBuiltinMessageCap);
        return 0;
    }
    *result = rate;
    return 0;
}
