// Array elements: adding element names with their checks, building the element and maturity
// vectors (sorted by maturity unless the role is VAR) and clearing them again.
#include <strings.h>

#include <cstring>

#include "engine/model/arrays/arrays.h"
#include "engine/model/arrays/array_vectors.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kElementNameChunk = 1000;
constexpr uint32_t kRoleVar = 301;
constexpr uint32_t kRoleIr = 321;
constexpr uint32_t kRoleFx = 341;
constexpr uint32_t kRoleFxSpot = 441;
constexpr uint32_t kDataTypeNum = 1;
constexpr double kFirstPointFloor = 1.110223024625157e-16;   // 2^-53

struct Text {
    int length;
    const char* text;
};

Text name_of(const RSKVARIABLE* variable) {
    return {static_cast<int>(variable->name.name.length), variable->name.name.text};
}
Text data_type_of(RSKCON* con, uint32_t code) {
    const char* text = nullptr;
    int length = rskcsdt(con, static_cast<int>(code), &text);
    return {length, text};
}
Text role_of(RSKCON* con, uint32_t code) {
    const char* text = nullptr;
    int length = rskcnva(con, static_cast<int>(code), &text);
    return {length, text};
}
Text kind_of(RSKCON* con, uint32_t code) {
    const char* text = nullptr;
    int length = rskcsvk(con, static_cast<int>(code), &text);
    return {length, text};
}

bool loading(const RSKCON* con) { return con->catalog_loading != 0 || con->reading_datasets != 0; }

bool named(const RSKVARIABLE* variable, const char* name) {
    const size_t length = std::strlen(name);
    return variable->name.name.length == length && strncasecmp(variable->name.name.text, name, length) == 0;
}

void report_not_defined(RSKCON* con, const RSKVARIABLE* array, const RSKNAMEREC& element) {
    const Text type = data_type_of(con, array->data_type);
    const Text name = name_of(array);
    xpmlog(598, 1683, static_cast<int>(element.length), element.text, type.length, type.text, name.length,
           name.text, static_cast<int>(element.length), element.text);
}

// The checks an element must pass for its array: a numeric risk factor, and for interest-rate
// and exchange-rate arrays a matching role and matching currencies.
int check_element(RSKCON* con, const RSKVARIABLE* array, const RSKVARIABLE* element) {
    const Text type = data_type_of(con, array->data_type);
    const Text name = name_of(array);
    const Text own = name_of(element);
    if (element->kind != RSKVKIND_FACTOR) {
        const Text kind = kind_of(con, element->kind);
        xpmlog(598, 1685, own.length, own.text, type.length, type.text, name.length, name.text, own.length,
               own.text, kind.length, kind.text);
        return 1;
    }
    if (element->data_type != kDataTypeNum) {
        const Text element_type = data_type_of(con, element->data_type);
        xpmlog(598, 1687, own.length, own.text, type.length, type.text, element_type.length, element_type.text,
               name.length, name.text);
        return 1;
    }
    if (loading(con)) return 0;
    const bool ir = array->role == kRoleIr;
    const bool fx = array->role == kRoleFx;
    if (!ir && !fx) return 0;
    const bool role_fits = ir ? element->role == kRoleIr : element->role == kRoleFx || element->role == kRoleFxSpot;
    if (!role_fits) {
        const Text element_role = role_of(con, element->role);
        const Text array_role = role_of(con, array->role);
        xpmlog(598, 1688, own.length, own.text, type.length, type.text, name.length, name.text,
               element_role.length, element_role.text, array_role.length, array_role.text);
        return 1;
    }
    if (std::memcmp(element->currency, array->currency, 3) != 0) {
        xpmlog(598, 1689, own.length, own.text, type.length, type.text, name.length, name.text, 3,
               element->currency, 3, array->currency);
        return 1;
    }
    if (fx && std::memcmp(element->from_currency, array->from_currency, 3) != 0) {
        xpmlog(598, 1689, own.length, own.text, type.length, type.text, name.length, name.text, 3,
               element->from_currency, 3, array->from_currency);
        return 1;
    }
    return 0;
}

// Shell sort of the maturities (gaps n/2, n/4, .., 1), the elements swapped in step; nothing is
// sorted when a maturity is missing. The element names are then rewritten in the sorted order,
// so that name i always belongs to element i.
void sortmat(RSKCON* con, RSKVARIABLE* array, int n) {
    double* maturity = array->maturities;
    RSKVARIABLE** element = array->elements;
    for (int i = 0; i < n; ++i)
        if (qor::is_missing(maturity[i])) return;
    for (int gap = n / 2; gap > 0; gap /= 2) {
        for (int i = gap; i < n; ++i) {
            for (int j = i - gap; j >= 0 && maturity[j] > maturity[j + gap]; j -= gap) {
                const double m = maturity[j];
                maturity[j] = maturity[j + gap];
                maturity[j + gap] = m;
                RSKVARIABLE* e = element[j];
                element[j] = element[j + gap];
                element[j + gap] = e;
            }
        }
    }
    int i = 0;
    for (RSKNAMECELL* cell = array->element_names_head; cell != nullptr && i < n; cell = cell->next, ++i)
        if (element[i] != nullptr) rskname(con, &cell->name, element[i]->name.name.text, element[i]->name.name.length);
}

// The grid of a grid array, fetched from the catalog with read access; the element count follows
// its points (one more, at time 0, for the cash-flow bucket arrays when the grid starts later).
int load_grid(RSKCON* con, RSKVARIABLE* array) {
    RSKCATOBJ* object = rsktgd(con, &array->time_grid_name.name);
    auto* grid = object != nullptr ? static_cast<RSKTIMEGRID*>(rssofiq(con, object, 4)) : nullptr;
    if (grid == nullptr) {
        const Text name = name_of(array);
        xpmlog(598, 1682, name.length, name.text, static_cast<int>(array->time_grid_name.name.length),
               array->time_grid_name.name.text);
        return 1;
    }
    array->time_grid = grid;
    array->element_count = grid->count;
    if ((named(array, "CFBucket") || named(array, "CumBucket")) && grid->head != nullptr &&
        grid->head->time > kFirstPointFloor)
        array->element_count += 1;
    return 0;
}

}  // namespace

int rskarya(RSKCON* con, RSKVARIABLE* array, const char* element, int length) {
    if (array == nullptr || element == nullptr) return 1;
    if (length < 0) length = static_cast<int>(std::strlen(element));
    if (array->data_type != RSKDTYPE_ARRAY) {
        const Text type = data_type_of(con, array->data_type);
        const Text name = name_of(array);
        xpmlog(598, 1681, name.length, name.text, type.length, type.text, length, element);
        return 1;
    }
    RSKNAMECELL* cell = rsk_take_record(con, con->free_lists->array_elements, kElementNameChunk, "add elements to a list");
    if (cell == nullptr) return 1;
    rskname(con, &cell->name, element, length);
    if (array->element_names_tail != nullptr) array->element_names_tail->next = cell;
    else array->element_names_head = cell;
    array->element_names_tail = cell;
    array->element_count += 1.0;
    if (!con->catalog_loading) con->variables_dirty = 1;   // the stored definitions are out of date

    const auto* found = con->current_tables != nullptr
        ? static_cast<const RSKVARIABLE*>(rsksym(con, &con->current_tables->tables[RSKTAB_VARIABLES], &cell->name.name))
        : nullptr;
    if (found != nullptr && found->kind == RSKVKIND_FACTOR) return check_element(con, array, found);
    if (loading(con)) return 0;
    report_not_defined(con, array, cell->name.name);
    return 1;
}

int rskaryb(RSKCON* con, RSKVARIABLE* array) {
    if (array == nullptr) return 1;
    // A rebuild replaces the vectors of the previous one.
    rskary_free_vectors(con, array);
    if (array->time_grid_array != 0 && load_grid(con, array) != 0) return 1;
    if (!(array->element_count >= 1)) {
        const Text name = name_of(array);
        xpmlog(598, 1680, name.length, name.text);
        return 1;
    }
    const int n = static_cast<int>(array->element_count);

    if (array->time_grid_array == 0) {
        if (rskary_allocate_elements(con, array, n) != 0) return 1;
        int result = 0;
        int i = 0;
        for (const RSKNAMECELL* cell = array->element_names_head; cell != nullptr && i < n; cell = cell->next, ++i) {
            RSKVARIABLE* element = rskvf(con, &cell->name.name);
            if (element == nullptr) {
                report_not_defined(con, array, cell->name.name);
                result = 1;
                continue;
            }
            array->elements[i] = element;
            const int checked = check_element(con, array, element);
            if (checked > result) result = checked;
        }
        if (result != 0) return result;
    }

    if (array->data_type != RSKDTYPE_ARRAY) {
        const Text name = name_of(array);
        xebug("rskaryb: unknown type %i for %*s.", static_cast<int>(array->data_type), name.length, name.text);
    }
    array->element_count = n;
    array->value_size = static_cast<uint32_t>(8 * n);

    if (rskary_allocate_maturities(con, array, n) != 0) return 1;
    if (array->time_grid_array != 0) {
        int i = n - static_cast<int>(array->time_grid->count);   // 1 when a leading 0 was added
        for (const RSKTIMEPOINT* p = array->time_grid->head; p != nullptr && i < n; p = p->next)
            array->maturities[i++] = p->time;
        return 0;
    }
    for (int i = 0; i < n; ++i)
        array->maturities[i] = array->elements[i] != nullptr ? array->elements[i]->maturity_time : qor::missing();
    if (array->role != kRoleVar) sortmat(con, array, n);
    return 0;
}

int rskaryc(RSKCON* con, RSKVARIABLE* array) {
    if (array == nullptr) return 0;
    while (array->element_names_head != nullptr) {
        RSKNAMECELL* cell = array->element_names_head;
        array->element_names_head = cell->next;
        rsk_give_free(con->free_lists->array_elements, cell);
    }
    array->element_names_tail = nullptr;
    rskary_free_vectors(con, array);
    array->element_count = 0;
    return 0;
}
