// The value record of an instrument type as the instrument file stores it: which variables have
// a place in it, at which offset and with how many bytes, and the type's layout checksum.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKINSTTYPE;
struct RSKVARIABLE;

// A variable has a place in the value record unless it is a reference (kind 6), a project or
// state variable (8, 9), a quadratic or cash-flow value (stored in their own blocks), or of
// storage type 40 or 204.
bool tran_placed(const RSKVARIABLE* variable);
// Bytes of the variable's slot in the stored record. Pointer and reference-text slots keep the
// 4 bytes of the record layout and are written zero: an address means nothing in a file.
uint32_t tran_slot_bytes(const RSKVARIABLE* variable);

// The type's value-record size and layout checksum: slots aligned as rskalgn aligns them; the
// checksum is (1289 c + storage code + end offset) mod 1664407 per slot with bytes, then
// (1289 c + 1013) for a quadratic type and (1289 c + 1019) for a type with cash flows.
void tran_type_layout(RSKCON* con, const RSKINSTTYPE* type, uint32_t* size, uint32_t* checksum);

// Copies every placed variable's value into the record image (`size` bytes, zeroed first).
void tran_values_out(RSKCON* con, const RSKINSTTYPE* type, unsigned char* record, uint32_t size);
// Copies the record image back into the variables' value storage.
void tran_values_in(RSKCON* con, const RSKINSTTYPE* type, const unsigned char* record, uint32_t size);

// The composite values of a quadratic approximation and of a cash-flow table in memory: after
// two 4-byte words (the first holds the entries in use) come the parts of `capacity` entries.
// Bytes of such a value for `capacity` entries.
size_t tran_quad_storage(uint32_t capacity);
size_t tran_cash_storage(uint32_t capacity);
// The entries in use of a composite value (0 without storage).
uint32_t tran_entries(const RSKVARIABLE* variable);
// Packs the composite value into the stored block (tran_quad_bytes / tran_cash_bytes long).
void tran_quad_pack(const RSKVARIABLE* variable, unsigned char* block);
void tran_cash_pack(const RSKVARIABLE* variable, unsigned char* block);
// Unpacks a stored block of n entries into the composite value: 0, or 1 when the variable's
// storage holds fewer entries and cannot be grown (598/2797).
int tran_quad_unpack(RSKCON* con, RSKVARIABLE* variable, const unsigned char* block, uint32_t n);
int tran_cash_unpack(RSKCON* con, RSKVARIABLE* variable, const unsigned char* block, uint32_t m);
