// Default display formats of intervals (dates, datetimes, times of day, durations) and the
// resolution of a written format name against the host's format registry.
#pragma once
#include <cstdint>

#include "common/intervals/interval_spec.h"

// Room a caller gives for a chosen format name (the names are at most 8 characters).
enum : int { INTERVAL_FORMAT_NAME_MAX = 12 };

// Every chooser writes the format name without a terminator into name (room for
// INTERVAL_FORMAT_NAME_MAX characters), its length, the width for four-digit years and a
// shorter width. Null outputs are skipped.
void zintfmt(const interval_spec* spec, char* name, int16_t* name_length, uint16_t* width,
             uint16_t* short_width);
// As zintfmt, but time-of-day values up to `largest` get TIME.
void zintfmm(const interval_spec* spec, double largest, char* name, int16_t* name_length,
             uint16_t* width, uint16_t* short_width);
// A time format sized to the span from smallest to largest.
void zintfmp(const interval_spec* spec, double smallest, double largest, char* name,
             int16_t* name_length, uint16_t* width, uint16_t* short_width);
// A duration format for a time interval.
void zintfmd(const interval_spec* spec, char* name, int16_t* name_length, uint16_t* width,
             uint16_t* short_width);

// Resolve a NUL-terminated format text ("COMMA16.2", "DATE9.", "BEST") and settle its width.
// 0 when the format is known (width limited to the format's range, or its default when not
// written; extra gets the format's registry code plus the resolved decimals); else the host's
// non-zero code, extra 0 and width the written width (0 when absent). Null outputs are skipped.
int zldfmt(const char* text, int* extra, int* width);
