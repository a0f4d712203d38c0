// Listings of instrument types: one type with its variables, currencies, value record, actions
// and defaults, and all types the user may read.
#include <cstring>

#include "engine/model/control/startup.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/types/type_records.h"
#include "engine/model/variables/value_cells.h"
#include "host/print.h"

namespace {

void print_action(RSKCON* con, const RSKACTION& action) {
    if (!action.defined) return;
    const char* aname = nullptr;
    const int alength = rskcnac(con, static_cast<int>(action.code), &aname);
    xpskip(1);
    xpmout(598, 2014, alength, aname, static_cast<int>(action.name.name.length), action.name.name.text);
}

void print_variable(RSKCON* con, int number, const RSKVARIABLE* v) {
    const char *dtype = nullptr, *stype = nullptr, *role = nullptr;
    const int dlength = rskcsdt(con, static_cast<int>(v->data_type), &dtype);
    RSKSTYPE pair{v->storage_type, v->storage_flags};
    const int slength = rskcsst(con, &pair, &stype);
    const int rlength = rskcsva(con, static_cast<int>(v->role), &role);
    xpmout(598, 2012, number, static_cast<int>(v->name.name.length), v->name.name.text, dlength, dtype, slength,
           stype, rlength, role, static_cast<int>(v->storage_size), static_cast<int>(v->properties.description_length),
           v->properties.description != nullptr ? v->properties.description : "");
}

}  // namespace

int rskclsp(RSKCON* con, RSKINSTTYPE* type) {
    if (type == nullptr) return 0;
    xpmout(598, 2010, static_cast<int>(type->name.name.length), type->name.name.text,
           static_cast<int>(type->base_name.name.length), type->base_name.name.text);
    xpmout(598, 2011, type->resolved_count, type->record_size);
    int number = 0;
    for (const RSKVARLINK* l = type->resolved_head; l != nullptr; l = l->next) print_variable(con, ++number, l->variable);
    if (type->currency_count > 0) {
        xpm(598, 2017, type->currency_count);
        for (const RSKVARLINK* l = type->currency_head; l != nullptr; l = l->next)
            xps(" %*s", static_cast<int>(l->variable->name.name.length), l->variable->name.name.text);
        xpsout("");
    }
    if (type->cash_flows) xpmout(598, 2013, "Cash Flows");
    else if (type->quadratic) xpmout(598, 2013, "Quadratic");
    for (int i = 0; i < type->input_count; ++i) print_action(con, type->inputs[i]);
    print_action(con, type->price);
    print_action(con, type->fourth);
    if (type->defaults_count > 0) {
        xpmout(598, 2016, type->defaults_count);
        int n = 0;
        for (const RSKTYPENAME* d = type->defaults_head; d != nullptr; d = d->next) {
            const RSKNAMEREC& name = d->name.name;
            ++n;
            if (d->value != nullptr && d->value->variable != nullptr) {
                xps("          %2i. %*s = ", n, static_cast<int>(name.length), name.text);
                rskvalp(d->value);
            } else {
                xpsout("          %2i. Variable Not Found: \"%*s\"", n, static_cast<int>(name.length), name.text);
            }
        }
    }
    xpskip(1);
    return 0;
}

int rskclbp(RSKCON* con, int security) {
    RSKMEMBLOCK* block = con->memory_block;
    if (block == nullptr || block->types_count == 0) {
        xpmout(598, 16);
        return 0;
    }
    xpmout(598, 15, block->types_count);
    char kind[41];
    const int kind_length = rskkind_text(kind);
    for (RSKINSTTYPE* t = block->types_head; t != nullptr; t = t->next) {
        const RSKNAMEREC& name = t->name.name;
        if (security) {
            xpmout(598, 3800, kind_length, kind, static_cast<int>(name.length), name.text);
            rssseca(con, &t->security, t->environment, name.text, name.length, kRskTypeKind, 2, 0);
        }
        if (rsssec(con, &t->security, 4, t->environment, name.text, name.length, kRskTypeKind, 4) != 0)
            rskclsp(con, t);
    }
    return 0;
}

int rskclbf(RSKCON*) {
    xebug("rskclbf not done yet.");
    return 0;
}
