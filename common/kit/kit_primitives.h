// String and memory primitives of the host kit: byte strings and strings of 32-bit characters
// (the T and W routines), scans, compares, copies and a missing-value scan of doubles.
#pragma once
#include <cstdint>
#include "host/pool.h"

// Counts and indexes are 32-bit; a negative count is treated as 0.
int skStrLen(const char* text);                    // 0 for null
int skStrTLen(const uint32_t* text);               // 0 for null
// Copy up to and including the terminator; null source empties the destination,
// null destination does nothing.
void skStrCpy(const char* source, char* destination);
void skStrTCpy(const uint32_t* source, uint32_t* destination);
void skStrUp(char* field, int n);                  // a-z to A-Z in place
// 1 when all n elements equal the value (also n = 0), else 0.
int skMemNot(uint8_t value, const void* field, int n);
int skMemTNot(uint32_t value, const uint32_t* field, int n);
void skMemSet(void* field, uint8_t value, int n);
void skMemTSet(uint32_t* field, uint32_t value, int n);
// -1, 0 or +1 by the first differing unsigned byte.
int skMemCmp(const void* a, const void* b, int n);
// -1, 0 or +1 by the sign of the 32-bit difference a - b at the first differing element.
int skWMemCmp(const uint32_t* a, const uint32_t* b, int n);
void skMemCpy(const void* source, void* destination, int n);    // forward copy
void skMemSCpy(const void* source, void* destination, int n);   // overlap-safe copy
// A copy of n bytes from the kit allocation of the pool; null for any null or zero argument or
// when the pool has no memory.
void* skMemDup(const void* field, int n, qor_pool* kit_pool);
// Index of the first element equal to (Scan) or not equal to (NScan) the value; -1 when none.
int skMemScan(const void* field, int n, uint8_t value);
int skMemNScan(const void* field, int n, uint8_t value);
int skMemTNScan(const uint32_t* field, int n, uint32_t value);
// 1 when any of the n doubles is a host missing value, else 0.
int skMissArray(const double* values, int n);
