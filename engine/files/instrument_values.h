// The value record of an instrument type as the instrument file stores it: which variables have
// a place in it, at which offset and with how many bytes, and the type's layout checksum.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/tables/control_structure.h"

struct RSKINSTTYPE;
struct RSKVARIABLE;

// The value record of a type is the one layout that the run's instrument buffer, the type's
// layout fingerprint and the stored value block share. Every variable of the type, in type order,
// has a place aligned as rskalgn aligns it; references (kind 6) and the roles INSTVALUE (40) and
// COMPUTED (204) take no bytes there, every other variable its storage size, except that a
// pointer or reference-text slot keeps the 4 bytes of the stored layout.
uint32_t tran_slot_bytes(const RSKVARIABLE* variable);
// A variable whose slot holds bytes the file stores (not an address).
bool tran_placed(const RSKVARIABLE* variable);

// One place of the value record as tran_type_slots visits it.
struct RSKTYPESLOT {
    RSKVARIABLE* variable;
    uint32_t offset;
    uint32_t bytes;                  // 0: aligned, but no bytes
};
using RSKSLOTVISIT = void (*)(void* context, const RSKTYPESLOT* slot);
// Visits every place of the type's value record in order (visit may be null); answers the size.
uint32_t tran_type_slots(RSKCON* con, const RSKINSTTYPE* type, RSKSLOTVISIT visit, void* context);

// The type's value-record size and layout fingerprint: c starts at 0, then
// c = (1289 c + data type code + end offset) mod 1664407 for every slot with bytes, then
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
// Sets the composite value from an instrument's flows or factors as a reader assembled them
// (m currency codes, dates and amounts; n factor names, centres, base value, first derivatives
// and the packed lower triangle of second derivatives): 0, or 1 after 598/2797.
int tran_cash_fill(RSKCON* con, RSKVARIABLE* variable, const char (*codes)[3], const double* dates,
                   const double* amounts, uint32_t m);
int tran_quad_fill(RSKCON* con, RSKVARIABLE* variable, const struct RSKQUADVALUE* quad);
