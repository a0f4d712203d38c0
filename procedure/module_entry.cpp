// The procedure module's image and its entry: a ZOZU step is parsed, the engine is loaded and
// started, every statement runs through the dispatcher, and the engine is ended with the step.
#include <cstring>

#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "engine/tables/control_structure.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/options.h"
#include "host/parser.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/zozu_dispatch.h"
#include "procedure/zozu_fields.h"
#include "procedure/zozu_grammar.h"

int tolvane();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVANE, "tolvane ", tolvane, QOR_PCN_PROCEDURE)

namespace {

constexpr int kEngineInstall = (14 << 16) | 381;   // appendage A publishes vector 381

// 598/502: a phase and the seconds since its start (milliseconds from wttinfo).
void log_phase(const char* what, double start_ms) {
    xpmlog(598, 502, static_cast<int>(std::strlen(what)), what, (wttinfo(0) - start_ms) / 1000.0);
}

void apply_proc_options(RSKCON* con, const statement_node* proc) {
    if (qor_option_bit(proc, zozu::kBitDebugS)) con->echo = 1;
    if (qor_option_bit(proc, zozu::kBitDebugD)) {
        con->echo = 1;
        con->debug_detail = 1;
    }
    if (qor_option_bit(proc, zozu::kBitAuditTrail)) con->audit = 1;
    if (qor_option_bit(proc, zozu::kBitRegMddb)) con->register_output = 1;
    con->no_sequence_check = qor_option_bit(proc, zozu::kBitNoSeqCheck) ? 1 : 0;
}

// A procedure step always runs as the guest user, without a group.
void set_identity(RSKCON* con) {
    static const char kUser[] = "Guest";
    std::memset(con->user_name, ' ', sizeof con->user_name);
    std::memcpy(con->user_name, kUser, sizeof kUser - 1);
    con->user_name_length = sizeof kUser - 1;
    std::memset(con->group_name, ' ', sizeof con->group_name);
    con->group_name_length = 0;
    con->identity_read = 1;
    bool guest = con->user_name_length == 5;
    for (int i = 0; guest && i < 5; ++i)
        guest = (con->user_name[i] & ~0x20) == "GUEST"[i];
    con->guest = guest ? 1 : 0;
}

// The audit line that opens the step: 3900, or 3901 when its statements are not run.
void audit_start(RSKCON* con, bool not_run) {
    if (!con->audit) return;
    if (con->audit_fileref[0] == ' ' || con->audit_fileref[0] == '\0') zozu::rskadti(con);
    char stamp[64];
    int width = static_cast<int>(con->datetime_format.width);
    if (width < 1 || width >= static_cast<int>(sizeof stamp)) width = 19;
    if (xpfs(wzdttme(), width, static_cast<int>(con->datetime_format.handle), stamp) != 0) width = 0;
    zozu::rskadtp(con, 598, not_run ? 3901 : 3900, width, stamp, static_cast<int>(con->user_name_length),
                  con->user_name);
}

bool is_environment(statement_node* node) {
    int length = zozu::statement_name_length(node);
    wzstrup(node->name, length);
    return (length == 3 && std::memcmp(node->name, "ENV", 3) == 0) ||
           (length == 11 && std::memcmp(node->name, "ENVIRONMENT", 11) == 0);
}

bool given(const statement_node* node, int field) {
    const operand_field* f = qor_operand(node, field);
    return f != nullptr && f->given;
}

// Leading ENVIRONMENT statements that name no environment are skipped (598/505 each).
statement_node* skip_empty_environments(statement_node* node) {
    while (node != nullptr && is_environment(node) && !given(node, zozu::kEnvFieldNew) &&
           !given(node, zozu::kEnvFieldOpen)) {
        xpmlog(598, 505);
        node = node->next;
    }
    return node;
}

// Runs the statements; a temporary environment is set up unless the first one is ENVIRONMENT.
// Answers whether any of them failed. The control structure's error flag cannot tell: every run
// clears it when it frees its storage, so a later READ or PRICE would hide an earlier failure.
bool run_statements(RSKCON* con, statement_node* first, bool timing) {
    bool failed = false;
    statement_node* node = skip_empty_environments(first);
    if (node != nullptr && !is_environment(node)) {
        double start = timing ? wttinfo(0) : 0;
        if (zozu::rssenvt(con) != 0) {
            con->error = 1;
            failed = true;
        }
        if (timing) log_phase("Setting up temporary environment", start);
    }
    for (; node != nullptr; node = node->next)
        if (zozu::rspstmt(con, node) != 0) failed = true;
    return failed;
}

// What the last statements left pending; the methods are compiled only when a statement needs them.
void finish_rebuilds(RSKCON* con) {
    if (con->variables_pending) {
        con->variables_failed = zozu::rsk0(con) != 0 ? 1 : 0;
        con->variables_pending = 0;
    }
    if (con->types_pending) {
        con->types_failed = zozu::rskclbi(con) != 0 ? 1 : 0;
        con->types_pending = 0;
    }
}

}  // namespace

int tolvane() {
    xinit();
    step_context* context = module_step_context();
    if (!context) xexit(1016);
    // A status word from the option service marks the step as not run; timing is on when GENERIC
    // is off.
    int generic = 0;
    int status = xoptbgt("GENERIC", &generic);
    bool not_run = status != 0;
    bool timing = !not_run && !generic;

    if (wiinstl(kEngineInstall, "TOLVANEA", 1) != 0) {
        xebug("ZOZU cannot load TOLVANEA appendage.");
        xexit(9999);
    }
    double start = timing ? wttinfo(0) : 0;
    context->parse_hook = reinterpret_cast<void*>(&zozu::rskcust);
    zozu::xsparse(zozu::riskg(), 0);
    auto* first = static_cast<statement_node*>(context->statements);
    if (context->error_code != 0 || !first) {
        xpmlog(598, 501);
        xexit(context->error_code);
    }
    if (timing) log_phase("Statement parsing", start);

    // This host has no output-delivery objects: the engine starts without a manager.
    const uint32_t manager = 0;
    RSKCON* con = nullptr;
    if (zozu::rskinit(&con, 0, 0, manager) != 0 || con == nullptr) xexit(1);

    apply_proc_options(con, first);
    set_identity(con);
    audit_start(con, not_run);

    start = timing ? wttinfo(0) : 0;
    const bool statement_failed = !not_run && run_statements(con, first->next, timing);
    finish_rebuilds(con);

    // rskterm frees the control structure: what the step still needs of it is read first.
    bool phase_timing = timing && con->timing;
    bool failed = statement_failed || con->error != 0;
    if (phase_timing) log_phase("Statement execution", start);
    start = phase_timing ? wttinfo(0) : 0;
    zozu::rskterm(con);
    con = nullptr;
    if (phase_timing) log_phase("System Termination", start);
    xpskip(1);
    // A step whose statements failed ends with code 1, so the run reports it.
    xexit(failed ? 1 : 0);
}
