// The lists of actions that the phases generate: the input and pricing actions of the
// instrument types, and the run's transformation, project, post-valuation, post-pricing, scoring
// and mitigation actions, told apart by their method's kind letter.
#include "engine/compiler/program_phases.h"
#include "engine/model/control/startup.h"
#include "engine/model/services/compiler.h"
#include "engine/model/types/instrument_types.h"
#include "engine/tables/object_tables.h"

namespace {

int larger(int a, int b) { return a > b ? a : b; }

// The kind letter an action of the run's list belongs to: its method's kind, 'T' for a linear
// transformation, 'P' for a delta-gamma valuation.
char action_letter(const RSKACTION* action) {
    switch (action->kind) {
        case RSKACTION_LINEAR_TRANS: return RSKMKIND_TRANS;
        case RSKACTION_DELTA_GAMMA: return RSKMKIND_PRICE;
        default: {
            const auto* method = static_cast<const RSKGENTRANS*>(action->target);
            return method != nullptr ? method->kind : static_cast<char>(RSKMKIND_NONE);
        }
    }
}

// Generates every action of the run's list whose letter is `letter`; the largest result.
// Transformations go in dependency order once the actions are numbered.
int generate_letter(RSKCON* con, char letter) {
    RSKRUNCOMPILE* run = con->run_compile;
    int rc = 0;
    if (letter == RSKMKIND_TRANS && run->matrix.by_order != nullptr && run->matrix.numbered > 0) {
        for (int32_t i = 0; i < run->matrix.numbered; ++i) {
            RSKACTION* action = run->matrix.by_order[i];
            if (action != nullptr && action_letter(action) == letter) rc = larger(rc, rskgact(con, action, nullptr));
        }
        return rc;
    }
    for (RSKACTION* action = run->actions_first; action != nullptr; action = action->next)
        if (action_letter(action) == letter) rc = larger(rc, rskgact(con, action, nullptr));
    return rc;
}

}  // namespace

RSKACTION* rsk_first_type_action(RSKCON* con, int phase, RSKINSTTYPE** type) {
    *type = con->memory_block != nullptr ? con->memory_block->types_head : nullptr;
    return rsk_next_type_action(con, phase, type, nullptr);
}

RSKACTION* rsk_next_type_action(RSKCON*, int phase, RSKINSTTYPE** type, RSKACTION* after) {
    for (; *type != nullptr; *type = (*type)->next, after = nullptr) {
        RSKINSTTYPE* t = *type;
        if (phase == 3) {
            if (after == nullptr && t->price.active) return &t->price;
            continue;
        }
        int from = after == nullptr ? 0 : static_cast<int>(after - t->inputs) + 1;
        for (int i = from; i < t->input_count && i < kRskInputActions; ++i)
            if (t->inputs[i].active) return &t->inputs[i];
    }
    return nullptr;
}

int generate_classmethods(RSKCON* con, int phase) {
    int rc = 0;
    RSKINSTTYPE* type = nullptr;
    for (RSKACTION* a = rsk_first_type_action(con, phase, &type); a != nullptr;
         a = rsk_next_type_action(con, phase, &type, a))
        rc = larger(rc, rskgact(con, a, type));
    return rc;
}

int generate_rftmethods(RSKCON* con) { return generate_letter(con, RSKMKIND_TRANS); }
int generate_projmethods(RSKCON* con) { return generate_letter(con, RSKMKIND_PROJECT); }
int generate_postvarmethods(RSKCON* con) { return generate_letter(con, RSKMKIND_POSTVAR); }
int generate_postprcmethods(RSKCON* con) { return generate_letter(con, RSKMKIND_POSTPRICE); }
int rskgenmitigation(RSKCON* con) { return generate_letter(con, RSKMKIND_MITIGATION); }
