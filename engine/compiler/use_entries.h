// The variable uses of a compiled method, in source order: what dependency resolution reads to
// know which variables (and which parts of them) an action reads and writes.
#pragma once
#include <cstdint>

struct RSKVARIABLE;

// Use codes and kinds that are no data dependency.
enum : int32_t { RSKUSE_CODE_221 = 221, RSKUSE_CODE_223 = 223, RSKUSE_CODE_228 = 228 };
enum : int32_t { RSKUSE_KIND_LAGVAL = 4, RSKUSE_KIND_PARMAT = 5 };

struct RSKUSEENTRY {
    RSKUSEENTRY* next;
    RSKVARIABLE* variable;           // null for a name that is no variable
    int32_t code;                    // the variable's data type unless the access gives one
    int32_t kind;                    // the variable's class unless the access gives one
    uint8_t input;                   // the method reads it
    uint8_t output;                  // the method assigns it
    uint8_t part;                    // part of the variable written, 0-31
};
