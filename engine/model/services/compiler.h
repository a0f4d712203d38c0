// Services of the methods-language compiler that the object model uses: the compile handle,
// the compiled-library list, code submission, and the method objects that types and sets name.
#pragma once
#include <cstdint>
#include "engine/compiler/compile_control.h"
#include "engine/compiler/method_objects.h"
#include "engine/tables/control_structure.h"

// Compiled-library list of the compiler; its fifth word is a host compiler object that
// termination releases when present.
struct RSKCMPLIBS {
    void* words[4];
    void* host_compiler;
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
