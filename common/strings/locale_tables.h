// The host's upper-case table, translation tables and multibyte flag as the field routines
// read them, with built-in ASCII tables for a host that supplies none.
#pragma once
#include <cstdint>

const uint8_t* field_upper_table();
// Translation table 0..4; the caller checks the number.
const uint8_t* field_translate_table(int table);
// Non-zero when the host's text encoding is multibyte.
int field_multibyte();
