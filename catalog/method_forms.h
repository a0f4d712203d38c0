// Stored form of method objects (catalog kind 24) and the texts of method variable type codes:
// thin wrappers over the methods compiler's stored form and the engine's method objects.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "engine/tables/catalog_table.h"

// 107: the method's stored form appended to the list: 0, or 1 (a method that does not compile
// has none).
int rsstrng(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int label, int label_length);
// 108: defines the method of a stored form again and installs its statements: 0, or 1 after
// 598/3135 (the form is refused, nothing changed) or 598/3136 (the statements do not install).
int rsstrns(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int label, int label_length, RSKCATOBJ** out,
            RSKCATOBJ* header);
// 109: the text of a method variable's type code into buffer (at most size - 1 characters, NUL
// ended); its length.
int rsstrnt(int code, char* buffer, int size);
