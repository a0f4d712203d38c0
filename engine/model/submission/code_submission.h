// Submission of generated host-language code: the submission context of a control structure,
// the temporary change of host options around a run, and the submission of a source file.
#pragma once
#include <cstdint>
#include "engine/tables/control_structure.h"
#include "host/submit.h"

// One host-option change for a run.
enum : uint8_t { RSKSUBOPT_BOOLEAN = 0, RSKSUBOPT_INTEGER = 1, RSKSUBOPT_TEXT = 2 };
struct RSKOPTREQ {
    const char* name;                // NUL-terminated option name
    long value;                      // boolean or integer value
    const char* text;                // text value (kind RSKSUBOPT_TEXT), NUL-terminated
    uint8_t kind;
};

// The old value of an option changed for one run.
struct RSKSAVEDOPT {
    uint8_t saved;                   // 0: not saved, so not restored
    long value;                      // boolean or integer
    const char* text;                // into the context's saved texts
};

constexpr int kRskSavedTextBytes = 1024;

struct RSKSUBMITCTX {
    uint32_t client_kind;            // 0 procedure step, 1 component server
    uint32_t state;                  // 0 new, 1 submitted without waiting, 2 submitted and run
    char saved_texts[kRskSavedTextBytes];
    int32_t saved_capacity;
    RSKSAVEDOPT* saved;              // one per option request
    uint32_t preinitialised;         // the host's layer was up already: not ended here
    qor_submit_context* host;        // the host's context "RISKSUBM"
    RSKCON* con;
};

// Creates the submission context of a control structure; null after a message.
RSKSUBMITCTX* zsubini(uint32_t client_kind, RSKCON* con);
// Ends the context: the host's layer (unless someone else started it), the host context, the
// context itself. A null context is ignored.
void zsubend(RSKSUBMITCTX* context);
// The control structure that owns the context.
RSKCON* zsubcon(RSKSUBMITCTX* context);
// Submits code (a negative length means NUL-terminated); with `wait` it runs now, with the n
// option requests in force during the run: 0, or the failing host code or negative status.
int zsubmitz(const char* text, int length, RSKSUBMITCTX* context, int wait, int n,
             const RSKOPTREQ* requests);
// Runs a host-language source file found along the search path: 0 | 1.
int rsksfde(RSKCON* con, const char* file, int length);
