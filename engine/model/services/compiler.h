// Services of the methods-language compiler that the object model uses: the compile handle,
// the compiled-library list, code submission, and the method objects that types and sets name.
#pragma once
#include <cstdint>
#include "engine/compiler/compile_control.h"
#include "engine/tables/control_structure.h"

// Compiled-library list of the compiler; its fifth word is a host compiler object that
// termination releases when present.
struct RSKCMPLIBS {
    void* words[4];
    void* host_compiler;
};

// A method object; its kind letter tells input ('I'), pricing ('P') and transformation ('T').
struct RSKGENTRANS {
    RSKOBJNAME name;
    char kind;
    void* uses;                      // use entries of the compiled method (RSKUSEENTRY)

    // Glue of a project compile (engine/compiler/action_glue.cpp): the source as statement
    // texts (the METHOD statement first, ENDMETHOD last), the arguments bound before it is
    // pushed, the blocks it defines, and whether the open compile has it already.
    RSKNAMEREC* statements;
    uint32_t statement_count;
    RSKSYMENTRY* arguments;
    uint8_t block_bits;              // 128 >> block type, as in the method records
    uint8_t no_trace;                // never traced
    uint8_t generated;               // source and bindings are in the open compile
    int32_t reset_count;             // updated arguments that _RESET saves and restores
};

// Creates the compile handle of a control structure; null when it cannot.
RSKCMPCON* rskxcmp();
// Frees the compile handle's contents.
int rskecmp(RSKCON* con);
// Ends the output session of the current compiled program and submits one generated line;
// 0 or a host code (non-zero is a failure).
int zsubmit(const char* text, int length, void* context, int last, int reserved1, int reserved2);
// The method object of that name in the current environment; null when none.
RSKGENTRANS* rsktrn(RSKCON* con, const RSKNAMEREC* name);
// Dependency resolution (rskrsvx, rskrsvv, ...) is declared in engine/compiler/dependencies.h.
