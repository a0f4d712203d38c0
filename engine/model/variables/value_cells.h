// Value cells: a constant value for a variable (an initial value or a value given in a
// statement), taken from the value free list; and setting a variable's storage to its start state.
#pragma once
#include "engine/tables/control_structure.h"
#include "engine/model/variables/variable_record.h"

enum : uint32_t {
    RSKVALUE_NUMERIC_TYPE = 2,
    RSKVALUE_CHARACTER_TYPE = 3,
    RSKVALUE_NUMERIC_KIND = 1,
    RSKVALUE_CHARACTER_KIND = 2,
};

struct RSKVALUECELL {
    RSKVALUECELL* next;              // free-list link
    RSKVARIABLE* variable;           // its format and length shape printing and storing
    uint32_t type;                   // 2 numeric, 3 character
    uint32_t reserved;
    uint32_t kind;                   // 1 numeric, 2 character
    uint16_t size;                   // 8, or the text length
    union {
        double number;
        RSKCHARVALUE text;           // capacity 40, text points at its own buffer
    } value;
};

// A zeroed cell for the variable; 1 when no cell can be had (598/2797 once).
int new_value(RSKCON* con, RSKVARIABLE* variable, RSKVALUECELL** out);
// A numeric value cell.
int rskvaln(RSKCON* con, RSKVALUECELL** out, RSKVARIABLE* variable, double number);
// A character value cell of at most 40 bytes; a longer text gives 598/97, 1 and no cell.
int rskvalc(RSKCON* con, RSKVALUECELL** out, RSKVARIABLE* variable, const char* text, int length);
// Gives a cell back to the value free list.
void rskvalf(RSKCON* con, RSKVALUECELL* cell);
// Prints the value on the current print line and ends the line.
int rskvalp(const RSKVALUECELL* cell);
// Stores the cell's value into its variable's value storage.
int rskvalx(RSKCON* con, const RSKVALUECELL* cell);
// Sets the variable's value storage to its initial state by storage type.
int rskvali(RSKVARIABLE* variable);
