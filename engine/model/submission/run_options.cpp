// Host options changed for the run of submitted code: each old value is saved before the new
// one is set, and every saved value is put back afterwards, whatever the run did.
#include <cstring>

#include "engine/model/control/global_blocks.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/submission/run_options.h"
#include "host/options.h"
#include "host/print.h"

namespace {

// Grows the saved-value array in steps of 5 until it holds n entries: 0 | 1.
int realloc_opts(RSKSUBMITCTX* context, int n) {
    int capacity = context->saved_capacity;
    while (capacity < n) capacity += 5;
    auto* grown = static_cast<RSKSAVEDOPT*>(rskgalloc(sizeof(RSKSAVEDOPT) * static_cast<size_t>(capacity)));
    if (grown == nullptr) {
        rsknomem(context->con, sizeof(RSKSAVEDOPT) * static_cast<size_t>(capacity), "saved options");
        return 1;
    }
    rskgfree(context->saved, sizeof(RSKSAVEDOPT) * static_cast<size_t>(context->saved_capacity));
    context->saved = grown;
    context->saved_capacity = capacity;
    return 0;
}

// Saves the old text of an option behind the texts saved before: false when it cannot be read
// or does not fit the saved texts.
bool save_text(RSKSUBMITCTX* context, const char* name, int* used, RSKSAVEDOPT* saved) {
    int room = kRskSavedTextBytes - *used;
    int length = 0;
    char* at = context->saved_texts + *used;
    if (room < 1 || xoptcgt(name, at, room, &length) != 0 || length >= room) return false;
    saved->text = at;
    *used += length + 1;
    return true;
}

}  // namespace

int modify_sysopts(int n, const RSKOPTREQ* requests, RSKSUBMITCTX* context) {
    std::memset(context->saved_texts, 0, sizeof context->saved_texts);
    if (n > context->saved_capacity && realloc_opts(context, n) != 0) return 1;
    int used = 0;
    for (int i = 0; i < n; ++i) {
        const RSKOPTREQ& r = requests[i];
        RSKSAVEDOPT& saved = context->saved[i];
        saved = RSKSAVEDOPT{0, 0, nullptr};
        int got = 0, value = 0, rc = 0;
        switch (r.kind) {
        case RSKSUBOPT_BOOLEAN:
            got = xoptbgt(r.name, &value);
            saved.value = value;
            if (got == 0) rc = xoptbst(r.name, static_cast<int>(r.value));
            break;
        case RSKSUBOPT_INTEGER:
            got = xoptigt(r.name, &saved.value);
            if (got == 0) rc = xoptist(r.name, r.value);
            break;
        case RSKSUBOPT_TEXT:
            // An old text that cannot be kept is not changed either: it could not be put back.
            got = save_text(context, r.name, &used, &saved) ? 0 : 1;
            if (got == 0) rc = xoptcst(r.name, r.text != nullptr ? r.text : "", -1);
            break;
        default:
            xpmlog(598, 8118, r.kind, r.name != nullptr ? r.name : "");
            continue;
        }
        if (got != 0) {
            xpmlog(598, 8119, r.name);
            if (r.kind != RSKSUBOPT_TEXT) {
                // An option that cannot be read is set for the run all the same.
                rc = r.kind == RSKSUBOPT_BOOLEAN ? xoptbst(r.name, static_cast<int>(r.value)) : xoptist(r.name, r.value);
                if (rc != 0) xpmlog(598, 8120, r.name);
            }
            continue;
        }
        if (rc != 0) {
            xpmlog(598, 8120, r.name);
            continue;
        }
        saved.saved = 1;
    }
    return 0;
}

int reset_sysopts(int n, const RSKOPTREQ* requests, RSKSUBMITCTX* context) {
    if (n > context->saved_capacity) n = context->saved_capacity;
    int result = 0;
    for (int i = 0; i < n; ++i) {
        const RSKOPTREQ& r = requests[i];
        RSKSAVEDOPT& saved = context->saved[i];
        if (!saved.saved) continue;
        int rc;
        switch (r.kind) {
        case RSKSUBOPT_BOOLEAN: rc = xoptbst(r.name, static_cast<int>(saved.value)); break;
        case RSKSUBOPT_INTEGER: rc = xoptist(r.name, saved.value); break;
        case RSKSUBOPT_TEXT: rc = xoptcst(r.name, saved.text, -1); break;
        default:
            xpmlog(598, 8121, r.kind, r.name);
            continue;
        }
        if (rc != 0) {
            xpmlog(598, 8122, r.name);
            result = 1;
        }
        saved.saved = 0;
    }
    return result;
}
