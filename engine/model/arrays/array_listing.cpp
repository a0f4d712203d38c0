// Listing of an array: a heading line with type, name, currencies and role, the label, then its
// elements with their currencies and maturities, or the time grid it is laid on.
#include "engine/model/arrays/arrays.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

void print_label(const RSKVARIABLE* variable) {
    if (variable->properties.description_length > 0)
        xpmout(598, 2026, static_cast<int>(variable->properties.description_length), variable->properties.description);
}

// The element of name i: from the built vector, else looked up in the variable table.
const RSKVARIABLE* element_at(RSKCON* con, const RSKVARIABLE* array, int i, const RSKNAMECELL* cell) {
    if (array->elements != nullptr && static_cast<uint32_t>(i) < array->elements_allocated)
        return array->elements[i];
    if (con->current_tables == nullptr) return nullptr;
    return static_cast<const RSKVARIABLE*>(rsksym(con, &con->current_tables->tables[RSKTAB_VARIABLES], &cell->name.name));
}

}  // namespace

int rskaryp(RSKCON* con, RSKVARIABLE* array) {
    if (array == nullptr) return 0;
    const char* type = nullptr;
    const int type_length = rskcndt(con, static_cast<int>(array->data_type), &type);
    const char* role = nullptr;
    const int role_length = rskcsva(con, static_cast<int>(array->role), &role);
    xpmout(598, 2041, type_length, type, static_cast<int>(array->name.name.length), array->name.name.text, 3,
           array->currency, 3, array->from_currency, role_length, role);
    print_label(array);
    if (array->time_grid_array != 0) {
        xpmout(598, 2034, static_cast<int>(array->time_grid_name.name.length), array->time_grid_name.name.text);
        xpoflsh(0);
        return 0;
    }
    int i = 0;
    for (const RSKNAMECELL* cell = array->element_names_head; cell != nullptr; cell = cell->next, ++i) {
        xpmout(598, 2042, i + 1, static_cast<int>(cell->name.name.length), cell->name.name.text);
        const RSKVARIABLE* element = element_at(con, array, i, cell);
        if (element == nullptr) {
            xpsout("*not found*");
            continue;
        }
        xpsout("    %*s %*s %g", 3, element->currency, 3, element->from_currency, element->maturity_time);
        print_label(element);
    }
    xpskip(1);
    xpoflsh(0);
    return 0;
}
