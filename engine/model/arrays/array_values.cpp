// Array values during a run: filling the value vector, loading the elements' current values into
// it and storing them back, and the derivative vectors that sensitivities use.
#include "engine/model/arrays/array_vectors.h"
#include "engine/model/arrays/arrays.h"
#include "engine/model/variables/variable_record.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// The number of elements as built; 0 (after the routine's internal-error line) when there are
// none or the array has no value storage to work on.
int element_total(const RSKVARIABLE* array, const char* routine) {
    const int n = array->element_count >= 1 ? static_cast<int>(array->element_count) : 0;
    if (n == 0 || array->value == nullptr) {
        xebug("%s: no elements for array %*s.", routine, static_cast<int>(array->name.name.length),
              array->name.name.text);
        return 0;
    }
    return n;
}

// An element array whose element vector does not cover its count was not built.
bool elements_built(const RSKVARIABLE* array, int n) {
    return array->elements != nullptr && array->elements_allocated >= static_cast<uint32_t>(n);
}

double current_value(const RSKVARIABLE* element) {
    return element != nullptr && element->value != nullptr ? *static_cast<const double*>(element->value)
                                                           : qor::missing();
}

}  // namespace

int rskaryi(RSKCON*, RSKVARIABLE* array) {
    if (array == nullptr) return 1;
    const int n = element_total(array, "rskaryi");
    if (n == 0) return 1;
    auto* values = static_cast<double*>(array->value);
    if (array->time_grid_array != 0) {
        for (int i = 0; i < n; ++i) values[i] = qor::missing();
        return 0;
    }
    if (!elements_built(array, n)) return 1;
    for (int i = 0; i < n; ++i) values[i] = current_value(array->elements[i]);
    return 0;
}

int rskaryl(RSKCON*, RSKVARIABLE* array) {
    if (array == nullptr) return 1;
    if (array->time_grid_array != 0) return 0;
    const int n = element_total(array, "rskaryl");
    if (n == 0 || !elements_built(array, n)) return 1;
    auto* values = static_cast<double*>(array->value);
    RSKVARIABLE* const* elements = array->elements;
    for (int i = 0; i < n; ++i) values[i] = current_value(elements[i]);
    return 0;
}

int rskarys(RSKCON*, RSKVARIABLE* array) {
    if (array == nullptr) return 1;
    if (array->time_grid_array != 0) return 0;
    const int n = element_total(array, "rskarys");
    if (n == 0 || !elements_built(array, n)) return 1;
    const auto* values = static_cast<const double*>(array->value);
    RSKVARIABLE* const* elements = array->elements;
    for (int i = 0; i < n; ++i)
        if (elements[i] != nullptr && elements[i]->value != nullptr) *static_cast<double*>(elements[i]->value) = values[i];
    return 0;
}

int rskaryd(RSKCON* con, RSKVARIABLE* array, int which) {
    if (array == nullptr || !(array->element_count >= 1)) return 1;
    const int n = static_cast<int>(array->element_count);
    double* vector = rskary_allocate_derivatives(con, array, which == 1 ? 1 : 2, n);
    if (vector == nullptr) return 1;
    // Missing unless an element supplies its derivative: a grid array has none, and an element
    // that was not found leaves its place missing rather than as allocated.
    for (int i = 0; i < n; ++i) vector[i] = qor::missing();
    if (array->time_grid_array != 0 || array->elements == nullptr) return 0;
    const int built = static_cast<int>(array->elements_allocated) < n ? static_cast<int>(array->elements_allocated) : n;
    for (int i = 0; i < built; ++i) {
        const RSKVARIABLE* element = array->elements[i];
        if (element == nullptr) continue;
        // The run engine points a scalar risk factor's derivative fields at its derivative values.
        const double* derivative = which == 1 ? element->first_derivatives : element->second_derivatives;
        if (derivative != nullptr) vector[i] = *derivative;
    }
    return 0;
}
