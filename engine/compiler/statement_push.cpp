// Pushing source into the open compile: one statement at a time with echo and error reports
// (rskpush), and an action block's entry label in the transformation list (rsksact).
#include <cstdio>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/driver_support.h"
#include "host/print.h"

namespace {

bool is_end_marker(const char* statement) {
    while (*statement == ' ') ++statement;
    return std::strncmp(statement, CMP_END_MARKER, sizeof CMP_END_MARKER - 1) == 0;
}

// The compiler's log text from its first "ERROR" (the whole text when it has none).
const char* from_error_word(const char* log) {
    const char* at = std::strstr(log, "ERROR");
    return at != nullptr ? at : log;
}

}  // namespace

int rskpush(RSKCMPCON* h, const char* statement, int argument, int mode) {
    (void)argument;   // the echo argument has no meaning for this compiler
    if (h == nullptr || h->compilation.program == nullptr || statement == nullptr) return CMP_ERROR;
    if (h->state != RSKCMP_PUSHING) {
        if (h->echo) xpmout(598, 3414);
        h->statement_counter = 1;
        h->state = RSKCMP_PUSHING;
    }
    bool end = is_end_marker(statement);
    int length = static_cast<int>(std::strlen(statement));
    if (h->echo) {
        if (end)
            xpoflsh();
        else
            xpmout(598, 3411, h->statement_counter, length, statement);
    }
    ++h->statement_counter;

    h->log[0] = '\0';
    h->error[0] = '\0';
    // The errors of a statement come back in the buffers; the end marker's (methods read from
    // the catalog, groups left open) come through the error hook.
    h->in_push = end ? 0 : 1;
    h->push_mode = mode;
    int rc = cmpprss(h->compilation.program, statement, length, mode == 0 ? nullptr : h->log,
                     mode == 0 ? 0 : h->log_size, h->error, h->error_size);
    h->in_push = 0;
    h->log_length = static_cast<uint16_t>(std::strlen(h->log));
    h->error_length = static_cast<uint16_t>(std::strlen(h->error));

    if (rc > 0) {
        h->error_flag = 1;
    } else if (mode >= 2) {
        h->log_length = 0;
        h->error_flag = 0;
    }
    if (mode == 2 && rc > 0) {
        xpmlog(598, 3433, rc, length, statement);
        if (h->error_length > 0) xpslog("%*s", static_cast<int>(h->error_length), h->error);
        // The log holds the same text as the error buffer when the compiler has nothing more.
        if (h->log_length > 0 && std::strcmp(h->log, h->error) != 0) xpslog("%s", from_error_word(h->log));
    }
    return rc;
}

int rsksact(RSKCON* con, RSKACTION* action, int block) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    if (h == nullptr || action == nullptr || block < 0 || block >= kRskBlockTypes) return 1;
    if (h->action_count == h->action_capacity) {
        int capacity = h->action_capacity + kRskActionGrowth;
        auto* grown = static_cast<RSKACTION**>(
            rsk_compile_alloc(h, sizeof(RSKACTION*) * static_cast<size_t>(capacity), "transformation list"));
        // An action that cannot be entered would silently never run: the compile fails instead.
        if (grown == nullptr) return 1;
        if (h->actions != nullptr) {
            std::memcpy(grown, h->actions, sizeof(RSKACTION*) * static_cast<size_t>(h->action_count));
            rsk_compile_free(h, h->actions, sizeof(RSKACTION*) * static_cast<size_t>(h->action_capacity));
        }
        h->actions = grown;
        h->action_capacity = capacity;
    }
    int sequence = ++h->action_count;
    action->sequence[block] = sequence;
    h->actions[sequence - 1] = action;
    if (action->label_number == 0) {
        action->label_number = sequence;
        std::snprintf(action->label, sizeof action->label, "_ACT%i", sequence);
    }
    std::snprintf(h->statement, sizeof h->statement, "%s_%s: ;", action->label, CMPMB_NAMES[block]);
    return rskpush(h, h->statement, 0, 2) > 0 ? 1 : 0;
}
