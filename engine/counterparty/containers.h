// Creation and freeing entries of the counterparty and mitigation containers (vector 381) and
// the source records both containers keep.
#pragma once
#include <cstdint>

#include "engine/tables/counterparty_records.h"

// Creation entries: null when a required argument is missing or the pool is exhausted.
RSKCPTYCON* new_cpty_con(qor_pool* pool);
RSKCATOBJ* new_cpty_catdesc(qor_pool* pool);
RSKCPTYVAR* new_cpty_var(qor_pool* pool, const char* name, const char* label, int32_t type, int32_t role,
                         int32_t offset, RSKVARIABLE* variable);
RSKCPTYTYPE* new_cpty_type(qor_pool* pool, const char* name, const char* method, RSKCPTYMODEL* model,
                           const char* label, int size_hint);
RSKCPTYMODEL* new_cpty_model(qor_pool* pool, void* compiled, int model_length, const char* model,
                             int function_length, const char* function);
RSKCPTYDS* new_cpty_ds(qor_pool* pool, const char* name, dataset* input, utilfile* output, int size_hint);
RSKCPTY* new_cpty(qor_pool* pool, const char* id, RSKCPTYTYPE* type, int32_t observation, RSKCPTYDS* dataset);
// Gives the type the super-type's method, model and missing variables: 0, or 1.
int cpty_add_super(qor_pool* pool, RSKCPTYTYPE* super, RSKCPTYTYPE* type);
// Freeing entries: 0, or 1 without a pool or on a failure.
int delete_cpty(qor_pool* pool, RSKCPTY* counterparty);
int delete_cpty_var(qor_pool* pool, RSKCPTYVAR* variable);
int delete_cpty_type(qor_pool* pool, RSKCPTYTYPE* type);
int delete_cpty_ds(qor_pool* pool, RSKCPTYDS* set);
int delete_cpty_con(qor_pool* pool, RSKCPTYCON* container);

RSKMITIGATIONCON* new_mit_con(qor_pool* pool);
RSKCATOBJ* new_mit_catdesc(qor_pool* pool);
RSKMITVAR* new_mit_var(qor_pool* pool, const char* name, const char* label, int32_t type, int32_t role,
                       int32_t offset, RSKVARIABLE* variable);
RSKMITTYPE* new_mit_type(qor_pool* pool, const char* name, const char* method, const char* label, int size_hint);
RSKMITDS* new_mit_ds(qor_pool* pool, const char* name, dataset* input, int size_hint);
int mit_add_super(qor_pool* pool, RSKMITTYPE* super, RSKMITTYPE* type);
int delete_mit_type(qor_pool* pool, RSKMITTYPE* type);
int delete_mit_ds(qor_pool* pool, RSKMITDS* set);
int delete_mit_con(qor_pool* pool, RSKMITIGATIONCON* container);

// A source record with an empty data-set table of the given size hint; null when out of memory.
RSKCPTYSOURCE* new_cpty_source(qor_pool* pool, const char* name, int size_hint);
int delete_cpty_source(qor_pool* pool, RSKCPTYSOURCE* source);
