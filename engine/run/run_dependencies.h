// The routines of the other run-engine areas that the project run calls: pricing, mark-to-market
// rates, market data and states, the results utility file, the position loop and the phases, the
// instrument file's reference flags and the thread blocks. A routine whose area is not part of the
// build yet is a weak reference: the driver reports it as not yet available and fails the step.
#pragma once
#include <cstdint>

#include "engine/counterparty/counterparty_run.h"
#include "engine/files/instrument_file.h"
#include "engine/files/results_file.h"
#include "engine/model/services/files.h"
#include "engine/run/mark_to_market.h"
#include "engine/run/market_state.h"
#include "engine/run/pricing.h"
#include "engine/run/project_run.h"
#include "engine/counterparty/mitigation_run.h"

// Counterparty and mitigation runs of the position loop (their containers' area): the methods
// for one instrument file, clearing the counterparty variables, the stored counterparty of an
// identifier, and the counterparty reference variables of the current position.
struct RSKCPTYCON;
struct RSKCPTY;
[[gnu::weak]] int load_cpty_ref_vars(RSKCON* con);

// True when the routine is part of the build; else gives "<name>: not yet available.".
bool rskrun_available(const void* routine, const char* name);
#define RSKRUN_HAS(routine) rskrun_available(reinterpret_cast<const void*>(&routine), #routine)
