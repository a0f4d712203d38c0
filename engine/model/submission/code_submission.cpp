// The submission context of a control structure and the submission of generated code to the
// host: the echo, option changes for the run, the run and its status.
#include <cstring>

#include "engine/model/control/global_blocks.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/submission/run_options.h"
#include "host/print.h"

RSKSUBMITCTX* zsubini(uint32_t client_kind, RSKCON* con) {
    auto* context = static_cast<RSKSUBMITCTX*>(rskgalloc(sizeof(RSKSUBMITCTX)));
    if (context == nullptr) {
        rsknomem(con, sizeof(RSKSUBMITCTX), "code submission context");
        return nullptr;
    }
    context->client_kind = client_kind;
    context->con = con;
    int rc = xytrcrt(1, con != nullptr ? con->task_handle : 0, "RISKSUBM", 9, 1024, &context->host);
    if (rc != 0) {
        xpmlog(598, 8110, rc);
        rskgfree(context, sizeof *context);
        return nullptr;
    }
    rc = xalinit(context->host, 0, 0, 0);
    if (rc == QOR_SUBMIT_ALREADY) {
        context->preinitialised = 1;
    } else if (rc != 0) {
        xpmlog(598, 8111, rc);
        xytrdel(context->host);
        rskgfree(context, sizeof *context);
        return nullptr;
    }
    return context;
}

void zsubend(RSKSUBMITCTX* context) {
    if (context == nullptr) return;
    if (!context->preinitialised) xalterm(context->host);
    xytrdel(context->host);
    rskgfree(context->saved, sizeof(RSKSAVEDOPT) * static_cast<size_t>(context->saved_capacity));
    rskgfree(context, sizeof *context);
}

RSKCON* zsubcon(RSKSUBMITCTX* context) { return context != nullptr ? context->con : nullptr; }

int zsubmitz(const char* text, int length, RSKSUBMITCTX* context, int wait, int n,
             const RSKOPTREQ* requests) {
    if (text == nullptr || length == 0 || context == nullptr) return 0;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    if (length == 0) return 0;
    // The host reads statements of any length, so the text goes over as it is: no line is
    // broken (a break inside a quoted value or a long name would change the code).
    const char* code = text;
    RSKCON* con = context->con;
    if (con->submission_echo) xpslog("SUBMITTING: %*s", length, code);

    bool changed = wait && n >= 1 && requests != nullptr;
    if (changed && modify_sysopts(n, requests, context) != 0) changed = false;
    int result = xalbufs(context->host, code, length);
    if (result != 0) {
        xpmlog(598, 8114, result);
    } else {
        result = xalstup(context->host);
        if (result != 0) xpmlog(598, 8115, result);
    }
    if (result == 0 && !wait) {
        context->state = 1;
        return 0;
    }
    if (result == 0) {
        result = xalproc(context->host, 0);
        if (result == 0) {
            int status = 0;
            result = xalstat(context->host, &status);
            if (result == 0 && status < 0) {
                xpmlog(598, 8116, status);
                result = status;
            }
        }
        if (result != 0) xpmlog(598, 8117);
        context->state = 2;
    }
    // The options go back on every path, also when the code could not be handed over.
    if (changed) reset_sysopts(n, requests, context);
    return result;
}
