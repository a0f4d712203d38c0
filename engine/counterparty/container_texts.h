// Text copies of the container records (NUL-terminated, sized by their length when freed) and
// the catalog descriptor both containers share the making of.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "host/pool.h"

// A copy of a NUL-terminated text (or of its first length bytes); null when out of memory.
char* rsk_text_copy(qor_pool* pool, const char* text);
char* rsk_text_copy_n(qor_pool* pool, const char* text, int length);
// Frees a copy made above; a null text is nothing to free.
void rsk_text_free(qor_pool* pool, char* text);
// The descriptor of a container's catalog entry: the entry name in both name fields, the kind.
RSKCATOBJ* rsk_container_catdesc(qor_pool* pool, const char* entry, int32_t kind);
