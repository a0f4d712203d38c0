// The vectors an array owns: allocation from the current pool with the count kept beside each
// vector, and sized release with that count (never with the current element count).
#include "engine/model/arrays/array_vectors.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/variables/variable_record.h"
#include "common/memory/pool_memory.h"

namespace {

template <typename T>
void free_vector(RSKCON* con, T*& vector, uint32_t& allocated) {
    if (vector != nullptr) vmfree_handler(con->current_pool, vector, sizeof(T) * allocated, QOR_FREE_SIZED);
    vector = nullptr;
    allocated = 0;
}

template <typename T>
int allocate_vector(RSKCON* con, T*& vector, uint32_t& allocated, int n, const char* label) {
    free_vector(con, vector, allocated);
    const size_t bytes = sizeof(T) * static_cast<size_t>(n);
    vector = static_cast<T*>(vmalcp_handler(con->current_pool, bytes, QOR_ALLOC_ZERO));
    if (vector == nullptr) {
        rsknomem(con, bytes, label);
        return 1;
    }
    allocated = static_cast<uint32_t>(n);
    return 0;
}

}  // namespace

int rskary_allocate_elements(RSKCON* con, RSKVARIABLE* array, int n) {
    return allocate_vector(con, array->elements, array->elements_allocated, n, "array elements list");
}

int rskary_allocate_maturities(RSKCON* con, RSKVARIABLE* array, int n) {
    return allocate_vector(con, array->maturities, array->maturities_allocated, n, "array maturity values list");
}

double* rskary_allocate_derivatives(RSKCON* con, RSKVARIABLE* array, int which, int n) {
    double*& vector = which == 1 ? array->first_derivatives : array->second_derivatives;
    uint32_t& allocated = which == 1 ? array->first_derivatives_allocated : array->second_derivatives_allocated;
    return allocate_vector(con, vector, allocated, n, "array of derivatives") == 0 ? vector : nullptr;
}

void rskary_free_vectors(RSKCON* con, RSKVARIABLE* array) {
    free_vector(con, array->elements, array->elements_allocated);
    free_vector(con, array->maturities, array->maturities_allocated);
    free_vector(con, array->first_derivatives, array->first_derivatives_allocated);
    free_vector(con, array->second_derivatives, array->second_derivatives_allocated);
}
