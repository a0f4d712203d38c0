// What the results utility file's routines share: byte I/O that records failures in the file,
// the part-number rule and the capped internal-error printer.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/files/results_file.h"

// Reads exactly `length` bytes: 0; -1 at the end of the member (also part way); else the host's
// code (after xprrlog). Any failure sets the file's error flag.
int rskres_read(RSKRESFILE* file, void* buffer, size_t length);
// Writes the bytes: 0, or the host's code after xprrlog with the error flag set (1 when the flag
// was set already).
int rskres_write(RSKRESFILE* file, const void* buffer, size_t length);
// A part number or count of 0 (or less) counts as 1.
int rskres_part(int32_t n);
// Analysis results in the run's chain.
int32_t rskres_result_count(const RSKRESRUN* run);
// Prints an internal error of the utility-file routines (the first 10 of a run).
void rskres_internal(RSKCON* con, const char* text);
// Whether results of the kind carry the "WORK" block and the "NADJ" block.
bool rskres_has_work(const RSKANLPROC* result);
bool rskres_has_missed(const RSKANLPROC* result);
