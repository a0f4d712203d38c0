// Action groups run once, outside the state loop: an instrument type's actions of a phase (before
// and after a position, at the start and end of a run), one action list, the run's post-valuation
// and post-pricing methods, the flagged type actions, and the project methods.
#include <algorithm>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/program_phases.h"
#include "engine/model/control/startup.h"
#include "engine/model/services/compiler.h"
#include "engine/model/timers/timers.h"
#include "engine/model/types/instrument_types.h"
#include "engine/run/pricing.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// The record of a run once outside the states: block 0's instance on the current market vector
// and row 0 (null before the pricing is set up: rskrcmp takes block 0 of the run).
RSKPROGRECORD* once_record(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->compile.programs == nullptr) return nullptr;
    RSKPROGRECORD* record = &run->compile.programs[0];
    if (run->market_vectors[0] != nullptr) record->market_vector = reinterpret_cast<double*>(run->market_vectors[0]);
    record->row_vector = run->row0;
    return record;
}

char letter_of(const RSKACTION* action) {
    if (action->kind != RSKACTION_METHOD_CALL || action->target == nullptr) return RSKMKIND_NONE;
    return static_cast<const RSKGENTRANS*>(action->target)->kind;
}

// Runs one action's block of a phase once: 598/3404 and the action print on failure. A pricing
// (method call) failure makes the base value and second value missing.
int run_once(RSKCON* con, RSKACTION* action, int phase) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->abort) return 1;
    const bool pricing = action->kind == RSKACTION_METHOD_CALL;
    RSKTIMER* timer = pricing ? &run->pricing_timer : &run->method_timer;
    rskmact(con, action, phase, 1, 0);
    if (run->timing_counts) rsktmrs(con, timer);
    const int rc = rskrcmp(con, once_record(con), 0);
    if (run->timing_counts) rsktmre(con, timer);
    rskmact(con, action, phase, 0, 0);
    if (rc != 0) {
        xpmlog(598, 3404);
        rskactp(con, action, 1, 0);
        if (pricing) run->pricing.base_value[0] = run->pricing.base_second[0] = qor::missing();
    }
    return 0;
}

// Switches on every action of the run's list whose method has one of the letters, runs the
// program once and switches everything off: the program's own result.
int run_letters(RSKCON* con, int phase, const char* letters) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->abort) return 1;
    for (RSKACTION* a = con->run_compile != nullptr ? con->run_compile->actions_first : nullptr; a != nullptr; a = a->next)
        for (const char* l = letters; *l != 0; ++l)
            if (letter_of(a) == *l) rskmact(con, a, phase, 1, 0);
    const int rc = rskrcmp(con, once_record(con), 0);
    rskmact(con, nullptr, phase, 0, 0);
    return rc;
}

}  // namespace

int rskexab(RSKCON* con, RSKINSTTYPE* type, int phase) {
    if (con->run_block->abort) return 1;
    if (type == nullptr) return 0;
    return run_once(con, &type->price, phase);
}

int rskexac(RSKCON* con, RSKACTION* list) {
    if (con->run_block->abort) return 1;
    return list != nullptr ? run_once(con, list, RSKBLK_MAIN) : 0;
}

int rskexaz(RSKCON* con, int phase) {
    if (con->run_block->abort) return 1;
    int rc = 0;
    for (RSKINSTTYPE* t = con->memory_block != nullptr ? con->memory_block->types_head : nullptr; t != nullptr; t = t->next)
        if (t->run.used && t->price.active) rc = std::max(rc, rskexab(con, t, phase));
    return rc;
}

int rskexay(RSKCON* con, int phase) {
    static const char letters[] = {RSKMKIND_POSTVAR, RSKMKIND_POSTPRICE, 0};
    return run_letters(con, phase, letters);
}

int rskexax(RSKCON* con, int phase) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->abort) return 1;
    RSKINSTTYPE* type = nullptr;
    for (RSKACTION* a = rsk_first_type_action(con, 3, &type); a != nullptr; a = rsk_next_type_action(con, 3, &type, a))
        rskmact(con, a, phase, 1, 0);
    const int rc = rskrcmp(con, once_record(con), 0);
    rskmact(con, nullptr, phase, 0, 0);
    return rc;
}

int rskexaw(RSKCON* con, int phase) {
    static const char letters[] = {RSKMKIND_PROJECT, 0};
    RSKCMPCON* h = con->compile_handle;
    const char saved = h != nullptr && h->extension != nullptr ? h->extension->phase : 'N';
    rskrcmp_state(con, RSKMKIND_PROJECT);
    const int rc = run_letters(con, phase, letters);
    rskrcmp_state(con, saved);
    return rc;
}
