// Helpers shared by the variable routines: the environment's variable table, the definition-order
// list, and the value class of a data type.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "engine/model/variables/variable_record.h"

// The variable table of the current environment; null before the object tables exist.
RSKSYMTAB* variable_table(RSKCON* con);
// Appends the record to the definition-order list and counts it.
void append_variable(RSKCON* con, RSKVARIABLE* variable);
// Unlinks the record from the definition-order list and uncounts it; 1 when it is not there.
int unlink_variable(RSKCON* con, RSKVARIABLE* variable);
// 1 numeric, 2 character, 3 pointer, 0 otherwise.
uint16_t value_class_of(uint32_t data_type);
