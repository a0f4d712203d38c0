// The routines of the other run-engine areas that the project run calls: pricing, mark-to-market
// rates, market data and states, the results utility file, the position loop and the phases, the
// instrument file's reference flags and the thread blocks. A routine whose area is not part of the
// build yet is a weak reference: the driver reports it as not yet available and fails the step.
#pragma once
#include <cstdint>

#include "engine/model/services/files.h"
#include "engine/run/mark_to_market.h"
#include "engine/run/market_state.h"
#include "engine/run/pricing.h"
#include "engine/run/project_run.h"

// Results utility file: read back (with the analysis filter), compare the configuration
// checksum, write. 0 or the failure code.
[[gnu::weak]] int rskresr(RSKCON* con, int analysis_filter);
[[gnu::weak]] int rskress(RSKCON* con);
[[gnu::weak]] int rskresw(RSKCON* con);
// Flags the references the portfolio's instruments use. 0 or 1.
[[gnu::weak]] int rsktrix(RSKCON* con);

[[gnu::weak]] int rskrato(RSKCON* con, double run_date);
[[gnu::weak]] int rskratc(RSKCON* con);
[[gnu::weak]] int rskrati(RSKCON* con);
[[gnu::weak]] int rskratx(RSKCON* con);
[[gnu::weak]] int rskrun2(RSKCON* con, RSKPORTENTRY* entry);
[[gnu::weak]] int rskrun3(RSKCON* con);
[[gnu::weak]] int rskrun4(RSKCON* con);
[[gnu::weak]] int rskrun5(RSKCON* con);
[[gnu::weak]] int assign_threads(RSKCON* con);

// True when the routine is part of the build; else gives "<name>: not yet available.".
bool rskrun_available(const void* routine, const char* name);
#define RSKRUN_HAS(routine) rskrun_available(reinterpret_cast<const void*>(&routine), #routine)
