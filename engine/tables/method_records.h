// The method object record (a generated transformation, catalog kind 24) that the engine keeps
// per method of an environment, and the statement descriptors of its source; read by catalog storage.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

struct cmp_session;
struct RSKSYMENTRY;

// Longest method name and description a method object keeps.
constexpr int kRskMethodNameLimit = 32;
constexpr int kRskMethodDescriptionLimit = 40;

// One statement of a method's source: its NUL-terminated text in the source buffer.
struct RSKSTMTDESC {
    int32_t size;                    // length + 1
    int32_t length;
    char* text;
};

// A method object (catalog kind 24). Records come from a free list refilled 50 at a time.
struct RSKGENTRANS {
    RSKOBJNAME name;
    char kind;                       // 'I' 'T' 'P' 'J' 'V' 'R' 'S' 'M', or 'N' for none
    uint16_t description_capacity;   // kRskMethodDescriptionLimit
    uint16_t description_length;
    char* description;               // description_buffer
    // Source: statements one after the other, each NUL-terminated, and a descriptor per statement.
    RSKSTMTDESC* statements;
    int32_t statement_count;
    char* source;
    size_t source_size;
    // Compile context.
    RSKCON* con;
    RSKCMPCON* handle;
    cmp_session* program;            // the session of the last compile (owned by the handle)
    uint32_t saved_state;            // the environment's compile state word while compiling
    void* uses;                      // use entries of the compiled method (dependency resolution)
    uint8_t compiled;                // 1 after a successful compile
    uint8_t state2;
    RSKGENTRANS* next;               // the environment's list; the free list's link when free
    uint16_t function_use;           // the compile handle's function-use word after the compile
    void* extra;                     // extra list handed to rsktrni, and its count
    int32_t extra_count;
    // Beyond the record of the method language's own: the description's storage, who owns the
    // source buffer, the rule flags of the last compile and the object that points here.
    char description_buffer[kRskMethodDescriptionLimit];
    uint8_t source_kept;             // the source is the caller's buffer (rsktrni keep): not freed
    uint8_t assigns_price;           // the method assigns the control structure's price variable
    uint8_t assigns_second;          // ... and its second special variable
    RSKCATOBJ* object;               // the environment object of kind 24

    // Glue of a project compile (engine/compiler/action_glue.cpp): the arguments bound before the
    // source is pushed, the blocks it defines, and whether the open compile has it already.
    RSKSYMENTRY* arguments;
    uint8_t block_bits;              // 128 >> block type, as in the method records
    uint8_t no_trace;                // never traced
    uint8_t generated;               // source and bindings are in the open compile
    int32_t reset_count;             // updated arguments that _RESET saves and restores
};

