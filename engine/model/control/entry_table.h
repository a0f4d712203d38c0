// Appendage A's entry table, published as vector 381: slot s holds the engine routine that the
// other modules reach as slot s. Slot 0 is never used.
#pragma once

constexpr int kRskatblVectorCode = (14 << 16) | 381;   // 917885
constexpr int kRskatblSlots = 402;                     // slots 0 .. 401

extern void* rskatbl[kRskatblSlots];
// The routine name of each slot (null for slot 0).
extern const char* const kRskatblNames[kRskatblSlots];

// Fills every slot: the routines the engine has, and for the others an entry that reports the
// slot's routine as not yet available.
void rskatbl_fill();

// Slot 1: withdraw the published table; the host's result.
int rskatrm();
