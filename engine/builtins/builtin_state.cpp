// What the bodies read of the state being priced: the execution block's market vector, a risk
// factor's value and the date of the state, the instrument's cash flows, the cash-flow curves
// of a currency and their values, and the character arguments' texts.
#include <cstring>
#include <strings.h>

#include "engine/builtins/builtin_support.h"
#include "engine/compiler/compile_control.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"

const uint8_t* builtin_market(RSKCON* con, const cmp_exec_context* exec) {
    if (con == nullptr || con->run_compile == nullptr || con->run_compile->programs == nullptr) return nullptr;
    const RSKRUNCOMPILE* run = con->run_compile;
    const int block = exec != nullptr ? exec->block : 0;
    if (block < 0 || block >= run->execution_blocks) return nullptr;
    return reinterpret_cast<const uint8_t*>(run->programs[block].market_vector);
}

double builtin_factor_value(RSKCON* con, const cmp_exec_context* exec, const RSKVARIABLE* v) {
    if (v == nullptr) return qor::missing();
    const uint8_t* market = builtin_market(con, exec);
    double x = qor::missing();
    if (market != nullptr && v->run.state_offset >= 0) {
        std::memcpy(&x, market + v->run.state_offset, sizeof x);
        return x;
    }
    if (v->value != nullptr && v->value_class != 2) std::memcpy(&x, v->value, sizeof x);
    return x;
}

double builtin_state_date(RSKCON* con, const cmp_exec_context* exec) {
    if (con == nullptr) return qor::missing();
    const RSKSYSVARS* sys = con->system_variables;
    const RSKVARIABLE* date = sys != nullptr ? sys->date : nullptr;
    const uint8_t* market = builtin_market(con, exec);
    if (market != nullptr && date != nullptr && date->run.state_offset >= 0) {
        double d;
        std::memcpy(&d, market + date->run.state_offset, sizeof d);
        if (!qor::is_missing(d)) return d;
    }
    const double own = builtin_factor_value(con, exec, date);
    if (!qor::is_missing(own) || con->run_block == nullptr) return own;
    if (!qor::is_missing(con->run_block->state_date) && con->run_block->state_date != 0) return con->run_block->state_date;
    return con->run_block->base_date;
}

const RSKCASHFLOWS* builtin_flows(RSKCON* con) {
    const RSKSYSVARS* sys = con != nullptr ? con->system_variables : nullptr;
    const RSKVARIABLE* v = sys != nullptr ? sys->cash_flows : nullptr;
    return v != nullptr ? static_cast<const RSKCASHFLOWS*>(v->run.buffers[0]) : nullptr;
}

RSKVARIABLE* cshflwc(RSKCON* con, const char* name, int length, const char* currency) {
    if (con == nullptr || name == nullptr || length <= 0 || length > 32) return nullptr;
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    RSKVARIABLE* v = rskvar(con, &key);
    if (v == nullptr) return nullptr;
    if (v->kind == RSKVKIND_REFERENCE && v->data_type == RSKDTYPE_ARRAY) {
        // The array that names this reference variable, with the currency as its key, in its
        // reference pairs (cells two by two: the reference variable's name, then the key).
        for (RSKVARIABLE* a = con->variables_head; a != nullptr; a = a->next) {
            if (a->kind != RSKVKIND_FACTOR || a->data_type != RSKDTYPE_ARRAY) continue;
            for (const RSKNAMECELL* cell = a->reference_pairs_head; cell != nullptr && cell->next != nullptr;
                 cell = cell->next->next) {
                const RSKNAMEREC& reference = cell->name.name;
                const RSKNAMEREC& k = cell->next->name.name;
                if (reference.length != length || strncasecmp(reference.text, name, static_cast<size_t>(length)) != 0)
                    continue;
                if (currency != nullptr && k.length == 3 && strncasecmp(k.text, currency, 3) == 0) return a;
            }
        }
        return nullptr;
    }
    return v->data_type == RSKDTYPE_ARRAY ? v : nullptr;
}

void builtin_curve_view(RSKCON* con, const cmp_exec_context* exec, RSKVARIABLE* array, RSKCURVEVIEW* view) {
    view->array = array;
    view->points = 0;
    if (array == nullptr || array->elements == nullptr || array->maturities == nullptr) return;
    const double count = array->element_count;
    int n = count > 0 && count < kRskCurvePoints ? static_cast<int>(count) : (count >= kRskCurvePoints ? kRskCurvePoints : 0);
    if (static_cast<uint32_t>(n) > array->elements_allocated) n = static_cast<int>(array->elements_allocated);
    if (static_cast<uint32_t>(n) > array->maturities_allocated) n = static_cast<int>(array->maturities_allocated);
    for (int i = 0; i < n; ++i) {
        view->times[i] = array->maturities[i];
        view->values[i] = builtin_factor_value(con, exec, array->elements[i]);
    }
    view->points = n;
}

double interpolate(double y_a, double y_b, double t_a, double t_b, double t) {
    if (qor::is_missing(y_a) || qor::is_missing(y_b)) return qor::missing();
    return y_a + (y_b - y_a) * (t - t_a) / (t_b - t_a);
}

double builtin_curve_at(const RSKCURVEVIEW* view, double t) {
    const int n = view->points;
    if (n < 1) return qor::missing();
    if (t <= view->times[0]) return view->values[0];
    if (t >= view->times[n - 1]) return view->values[n - 1];
    int k = 0;
    while (k + 1 < n && !(view->times[k] < t && t <= view->times[k + 1])) ++k;
    return interpolate(view->values[k], view->values[k + 1], view->times[k], view->times[k + 1], t);
}

int builtin_text(const cmp_arg_value& a, char* out, int size) {
    int n = 0;
    if (a.kind != CMP_ARG_OMITTED && a.text != nullptr && a.text->text != nullptr) {
        n = a.text->length;
        while (n > 0 && a.text->text[n - 1] == ' ') --n;
        if (n > size - 1) n = size - 1;
        std::memcpy(out, a.text->text, static_cast<size_t>(n));
    }
    out[n] = '\0';
    return n;
}

void builtin_set_text(cmp_arg_value& a, const char* text, int length) {
    if (a.kind == CMP_ARG_OMITTED || a.text == nullptr || a.text->text == nullptr) return;
    qor_namerec* r = a.text;
    int n = length < r->capacity ? length : r->capacity;
    if (n < 0) n = 0;
    if (n > 0) std::memcpy(r->text, text, static_cast<size_t>(n));
    std::memset(r->text + n, ' ', static_cast<size_t>(r->capacity - n));
    r->length = r->capacity;
}
