// The action listing of a compile: the actions of the input or pricing phase, each with its
// method's source lines, to the print file or, on request, to the log.
#include "engine/compiler/program_phases.h"
#include "engine/model/services/compiler.h"

void rskactp(RSKCON* con, RSKACTION* action, int select_log, int brief) {
    (void)con;
    int previous = select_log ? xpselec(0, QOR_DEST_LOG) : 0;
    switch (action->kind) {
        case RSKACTION_METHOD_CALL: {
            const auto* method = static_cast<const RSKGENTRANS*>(action->target);
            xpm(598, 2205, method->name.name.length, method->name.name.text);
            xpoflsh();
            if (!brief)
                for (int32_t i = 1; i + 1 < method->statement_count; ++i)
                    xpmout(598, 2229, method->statements[i].length, method->statements[i].text);
            break;
        }
        case RSKACTION_DELTA_GAMMA: xpm(598, 2211); xpoflsh(); break;
        case RSKACTION_LINEAR_TRANS: xpm(598, 2210); xpoflsh(); break;
        default: xpm(598, 2215); xpoflsh(); break;
    }
    if (select_log) xpselec(0, previous);
}

int trace_methods(RSKCON* con, int phase) {
    xpmout(598, phase == 2 ? 2219 : 2218);
    int listed = 0;
    RSKINSTTYPE* type = nullptr;
    for (RSKACTION* action = rsk_first_type_action(con, phase, &type); action != nullptr;
         action = rsk_next_type_action(con, phase, &type, action)) {
        xps("  %2i. ", ++listed);
        rskactp(con, action, 0, 0);
    }
    if (listed == 0) xpsout("  *** none ***");
    return 0;
}
