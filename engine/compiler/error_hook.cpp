// The compiler's error hook (cmpErrCallback): errors of a running action name its method, the
// line within it and the phase; other errors are logged as the compiler words them.
#include <cstdarg>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "host/anchor.h"
#include "host/kit.h"
#include "host/print.h"

namespace {

// Where this thread's run errors go (null: the log). A pricing thread keeps them for the calling
// thread, which writes them in state order; no worker writes the log.
thread_local rsk_line_sink error_sink = nullptr;
thread_local void* error_sink_user = nullptr;

// Formats a status with its inserts through the kit's formatter and writes it to the journal.
void journal(unsigned status, ...) {
    char buffer[512];
    size_t length = 0;
    va_list args;
    va_start(args, status);
    qor_kit* kit = qor_global_gcb()->kit;
    int rc = 1;
    if (kit != nullptr && kit->messages != nullptr)
        rc = kit->messages->ops->status_to_buf(kit->messages, buffer, sizeof buffer, &length,
                                               static_cast<int>(status), &args);
    va_end(args);
    if (rc != 0 && rc != QOR_KIT_TOO_SMALL) return;
    if (error_sink != nullptr) error_sink(error_sink_user, buffer, static_cast<int>(std::strlen(buffer)));
    else xpslog("%*s", static_cast<int>(std::strlen(buffer)), buffer);
}

// The action being run: the one _RSKACT_ names, else the one whose method's source holds the line.
const RSKACTION* running_action(const RSKCMPCON* h, const RSKCMPEXT* extension, int line) {
    cmp_instance* instance = rsk_running_instance();
    const double* cell = instance != nullptr && extension->action_symbol != nullptr
                             ? cmppdva(instance, extension->action_symbol)
                             : nullptr;
    const double value = cell != nullptr ? *cell : 0.0;
    const int number = value > 0.0 && value <= h->action_count ? static_cast<int>(value) : 0;
    if (number > 0 && number <= h->action_count) return h->actions[number - 1];
    for (int i = 0; i < h->action_count; ++i) {
        const RSKACTION* action = h->actions[i];
        if (action->first_line > 0 && line > action->first_line && line <= action->last_line) return action;
    }
    return nullptr;
}

// The compiler's text without its own "ERROR: " (the journal line carries one).
const char* bare(const char* message) {
    return std::strncmp(message, "ERROR: ", 7) == 0 ? message + 7 : message;
}

}  // namespace

void rsk_set_error_sink(rsk_line_sink sink, void* user) {
    error_sink = sink;
    error_sink_user = user;
}

const char* rsk_phase_word(char phase) {
    switch (phase) {
        case 'I': return "input";
        case 'J': return "project";
        case 'P': return "pricing";
        case 'R': return "postprice";
        case 'T': return "RFT";
        case 'V': return "postvar";
        default: return "unknown";
    }
}

void cmpErrCallback(void* user, const char* message, int line, const char* method) {
    (void)method;
    auto* extension = static_cast<RSKCMPEXT*>(user);
    const RSKCMPCON* h = extension != nullptr ? extension->handle : nullptr;
    if (message == nullptr) return;
    // A statement's errors come back to the push in its buffers: rskpush reports them.
    if (h != nullptr && h->in_push) return;
    const RSKACTION* action = h != nullptr && h->state == RSKCMP_GENERATED ? running_action(h, extension, line) : nullptr;
    if (action == nullptr) {
        journal(QOR_STATUS_CMP_ERROR, bare(message));
        return;
    }
    const char* phase = rsk_phase_word(extension->phase);
    int length = action->name.name.length;
    const char* name = action->name.name.text;
    if (line > action->first_line && line <= action->last_line)
        journal(QOR_STATUS_CMP_METHOD_LINE, line - action->first_line, phase, length, name, bare(message));
    else
        journal(QOR_STATUS_CMP_METHOD, phase, length, name, bare(message));
}
