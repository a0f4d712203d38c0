// Printing the current instrument of an instrument file: its number, every variable of its
// type with its value, and its quadratic approximation or cash-flow table.
#include <cstring>

#include "engine/files/instrument_file.h"
#include "engine/files/instrument_file_internal.h"
#include "engine/files/instrument_values.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "host/print.h"

namespace {

constexpr size_t kCompositeHeader = 8, kFactorName = 32;

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

double double_at(const unsigned char* at) {
    double x = 0;
    std::memcpy(&x, at, sizeof x);
    return x;
}

void print_variable(const RSKVARIABLE* v) {
    const int n = name_length(v->name);
    if (v->storage_type == RSKSTORE_DOUBLE && v->value_class == 1) {
        xps("%w%*s=%.99f ", n, v->name.buffer, double_at(static_cast<const unsigned char*>(v->value)));
    } else if (v->storage_type == RSKSTORE_CHAR || v->storage_type == RSKSTORE_CUR_STR) {
        const auto* text = static_cast<const char*>(v->value);
        int length = v->storage_type == RSKSTORE_CUR_STR ? 3 : static_cast<int>(v->length);
        while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
        xps("%w%*s=\"%*s\" ", n, v->name.buffer, length, text);
    }
}

void print_quadratic(const RSKVARIABLE* v) {
    const uint32_t n = tran_entries(v);
    if (n == 0) return;
    const auto* at = static_cast<const unsigned char*>(v->value) + kCompositeHeader;
    const unsigned char* centres = at + kQuadFactorBytes * n;
    const unsigned char* firsts = centres + 8 * (n + 1);
    const unsigned char* seconds = firsts + 8 * n;
    xpsout("Quadratic %mValue Approximation. N Factors=%i. Base value=%.99f", static_cast<int>(n),
           double_at(centres + 8 * n));
    for (uint32_t i = 0; i < n; ++i) {
        const auto* name = reinterpret_cast<const char*>(at + kQuadFactorBytes * i);
        int length = static_cast<int>(kFactorName);
        while (length > 0 && (name[length - 1] == ' ' || name[length - 1] == '\0')) --length;
        // Row i of the triangle holds the second derivatives against factors 0..i.
        const unsigned char* row = seconds + 8 * (static_cast<size_t>(i) * (i + 1) / 2);
        xpsout("  %*.32s centre=%.99f derivative=%.99f second derivative=%.99f", length, name,
               double_at(centres + 8 * i), double_at(firsts + 8 * i), double_at(row + 8 * i));
    }
}

void print_cash_flows(const RSKVARIABLE* v) {
    const uint32_t m = tran_entries(v);
    if (m == 0) return;
    const auto* codes = static_cast<const unsigned char*>(v->value) + kCompositeHeader;
    const unsigned char* dates = codes + 3 * static_cast<size_t>(m);
    const unsigned char* amounts = dates + 8 * static_cast<size_t>(m);
    xpsout("Cash Flows. N Values=%i.", static_cast<int>(m));
    for (uint32_t i = 0; i < m; ++i)
        xpsout("  %*s %.99f %.99f", 3, reinterpret_cast<const char*>(codes + 3 * i), double_at(dates + 8 * i),
               double_at(amounts + 8 * i));
}

}  // namespace

void rsktrap(RSKCON* con, RSKTRANFILE* file, RSKINSTTYPE* type) {
    if (con == nullptr || type == nullptr) return;
    const double number = file != nullptr && file->mode == 'O' ? file->written : tran_get_number(con, RSKTNUM_NUMBER);
    xpmout(598, 1876, number, name_length(type->name), type->name.buffer);
    RSKSYSVARS* sv = con->system_variables;
    if (sv != nullptr) {
        for (const RSKVARIABLE* v : {sv->inst_id, sv->inst_source})
            if (v != nullptr && v->value != nullptr) print_variable(v);
    }
    for (const RSKVARLINK* link = type->resolved_head; link != nullptr; link = link->next) {
        const RSKVARIABLE* v = link->variable;
        if (v == nullptr || v->value == nullptr || !tran_placed(v)) continue;
        print_variable(v);
    }
    xpoflsh(0);
    if (sv != nullptr && type->quadratic && sv->quad_value != nullptr) print_quadratic(sv->quad_value);
    if (sv != nullptr && type->cash_flows && sv->cash_flows != nullptr) print_cash_flows(sv->cash_flows);
}
