// Appendage A's entry table as the engine holds it: the array published as vector 381, its
// filler and the withdrawal routine. Slot numbers and types are in engine/tables/engine_table.h.
#pragma once
#include "engine/tables/engine_table.h"

extern void* rskatbl[kEngineTableSlots];

// Fills every slot: the routines the engine has, and for the others a placeholder of the slot's
// type that reports the routine as not yet available.
void rskatbl_fill();

// The routine in slot S of the engine's own table, typed as the slot is.
template <EngineSlot S>
engine_slot_t<S> own_engine_routine() {
    return reinterpret_cast<engine_slot_t<S>>(rskatbl[static_cast<int>(S)]);
}

// Slot 1: withdraw the published table; the host's result.
int rskatrm();
