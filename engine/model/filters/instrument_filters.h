// Instrument filter expressions: a combined filter text compiled once with every name bound to
// the current value of its variable, evaluated per instrument record, and freed again.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"

struct qor_where;

// One variable the expression reads, in the order the names occur (a name used twice gives two).
struct RSKFILTERREF {
    RSKFILTERREF* next;
    RSKVARIABLE* variable;
};

// A compiled instrument filter. The handle, its text and its references come from the host's
// global pool, not from the control structure's pools: a filter may outlive the statement.
struct RSKINSTFILTER {
    RSKCON* con;
    uint32_t text_capacity;          // length + 1
    uint32_t text_length;
    char* text;                      // NUL-terminated copy of the expression
    qor_where* where;                // the host's parsed and bound expression
    RSKFILTERREF* head;
    RSKFILTERREF* tail;
    int32_t count;
    void* context;                   // the run's evaluation context (project-run block)
};

// Result of rskpsfo and rskpsfv when the text cannot be used (no memory, not an expression).
constexpr int kRskFilterFailed = 8686;

// Compiles an expression (length < 0: NUL-terminated). 0 and *out; 8686 (no memory, not a valid
// expression); or the code the name resolution gave (QOR_WHERE_NOT_FOUND for a name that is no
// variable a filter may use). On failure *out is null and nothing is left allocated. No message.
int rskpsfo(RSKCON* con, const char* text, int length, RSKINSTFILTER** out);
// Evaluates the filter against the variables' current values: 1 true, 0 false, or the host
// evaluator's failure code (negative).
int rskpsfe(RSKINSTFILTER* filter);
// Frees the filter (null allowed). 0.
int rskpsfc(RSKINSTFILTER* filter);
// 0 when the NUL-terminated text is a valid filter expression, 8686 when not. No message.
int rskpsfv(RSKCON* con, const char* text);
