// Small helpers of the compiler driver's files: the execution-block count of a compile and
// allocations from the compile pool that count their bytes and report exhaustion.
#pragma once
#include <cstddef>

#include "engine/compiler/compile_control.h"

// Execution blocks of the run being compiled: the run-compile record's count, at least 1.
int rsk_execution_blocks(const RSKCON* con);
// Zero-filled bytes from the compile pool, added to the handle's byte count; null after 598/2797
// naming `label` (once per control structure).
void* rsk_compile_alloc(RSKCMPCON* handle, size_t bytes, const char* label);
// Gives a block of the compile pool back (null ignored).
void rsk_compile_free(RSKCMPCON* handle, void* block, size_t bytes);
// Ends the open compile: the session, the extension and the compile pool. The libraries, the
// back pointer and the compiler-missing mark stay.
void rsk_end_compilation(RSKCMPCON* handle);
