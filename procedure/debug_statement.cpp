// The DEBUG statement: each word turns a debug category of the control structure on or off and
// prints its note; the timer notes go to the log.
#include <cstring>

#include "host/print.h"
#include "procedure/housekeeping.h"
#include "procedure/operand_reading.h"

namespace zozu {

namespace {

struct DebugWord {
    const char* words;       // blank-separated synonyms
    uint32_t category;       // 0: every category
    bool on;
    const char* note;        // null: no note
};

// The notes of the categories, in the order of the statement's table.
const DebugWord kDebugWords[] = {
    {"ALL", 0, true, "%3zAll debug options turned ON."},
    {"OFF", 0, false, "%3zAll debug options turned OFF."},
    {"ON", RSKDEBUG_ON, true, "%3zDebug option turned ON."},
    {"DETAILED DETAILS", RSKDEBUG_DETAILED, true, "%3zDetailed debug option turned ON."},
    {"NODETAILED NODETAILS", RSKDEBUG_DETAILED, false, "%3zDetailed debug option turned OFF."},
    {"ANALYSIS", RSKDEBUG_ANALYSIS, true, "%3zAnalysis debug option turned ON."},
    {"NOANALYSIS", RSKDEBUG_ANALYSIS, false, "%3zAnalysis debug option turned OFF."},
    {"ENVIRONMENT ENV", RSKDEBUG_ENVIRONMENT, true, "%3zEnvironment debug option turned ON."},
    {"NOENVIRONMENT NOENV", RSKDEBUG_ENVIRONMENT, false, "%3zEnvironment debug option turned OFF."},
    {"FILES", RSKDEBUG_FILES, true, "%3zFile management debug option turned ON."},
    {"NOFILES", RSKDEBUG_FILES, false, "%3zFile management debug option turned OFF."},
    {"GROUPS", RSKDEBUG_GROUPS, true, "%3zGroups debug option turned ON."},
    {"NOGRPOUPS", RSKDEBUG_GROUPS, false, "%3zGroups debug option turned OFF."},
    {"CODEGEN", RSKDEBUG_CODEGEN, true, "%3zCode generation debug option turned ON."},
    {"NOCODEGEN", RSKDEBUG_CODEGEN, false, "%3zCode generation debug option turned OFF."},
    {"MEMORY", RSKDEBUG_MEMORY, true, "%3zMemory management debug option turned ON."},
    {"NOMEMORY", RSKDEBUG_MEMORY, false, "%3zMemory management debug option turned OFF."},
    {"OUTPUT", RSKDEBUG_OUTPUT, true, "%3zOutput debug option turned ON."},
    {"NOOUTPUT", RSKDEBUG_OUTPUT, false, "%3zOutput debug option turned OFF."},
    {"PROJECT", RSKDEBUG_PROJECT, true, "%3zProject spec debug option turned ON."},
    {"NOPROJECT", RSKDEBUG_PROJECT, false, "%3zProject spec debug option turned OFF."},
    {"RESOLVE", RSKDEBUG_RESOLVE, true, "%3zResolution debug option turned ON."},
    {"NORESOLVE", RSKDEBUG_RESOLVE, false, "%3zResolution debug option turned OFF."},
    {"INSTRUMENTS INST", RSKDEBUG_INSTRUMENTS, true, "%3zInstruments debug option turned ON."},
    {"NOINSTRUMENTS NOINST", RSKDEBUG_INSTRUMENTS, false, "%3zInstruments debug option turned OFF."},
    {"VARIABLES", RSKDEBUG_VARIABLES, true, "%3zVariable Definitions debug option turned ON."},
    {"NOVARIABLES", RSKDEBUG_VARIABLES, false, "%3zVariable Definitions debug option turned OFF."},
    {"EXEC", RSKDEBUG_EXEC, true, "%3zExecution debug option turned ON."},
    {"NOEXEC", RSKDEBUG_EXEC, false, "%3zExecution debug option turned OFF."},
    {"AFTRACE", RSKDEBUG_AFTRACE, true, "%3zAF debug option turned ON."},
    {"NOAFTRACE", RSKDEBUG_AFTRACE, false, "%3zAF debug option turned OFF."},
    {"TIMER", RSKDEBUG_TIMER, true, "%3zTimer option turned ON.%n"},
    {"NOTIMER", RSKDEBUG_TIMER, false, "%3zTimer option turned OFF."},
};

bool is_one_of(const char* words, const char* word, int length) {
    for (const char* p = words; *p != '\0';) {
        const char* end = std::strchr(p, ' ');
        int n = end != nullptr ? static_cast<int>(end - p) : static_cast<int>(std::strlen(p));
        if (n == length && std::strncmp(p, word, static_cast<size_t>(n)) == 0) return true;
        p += n;
        while (*p == ' ') ++p;
    }
    return false;
}

}  // namespace

int debug_stmt(RSKCON* con, statement_node* node) {
    xpskip(1);
    for_each_name(node, 1, [&](const char* word, int length) {
        for (const DebugWord& w : kDebugWords) {
            if (!is_one_of(w.words, word, length)) continue;
            uint32_t bits = w.category != 0 ? w.category : ~0u;
            if (w.on)
                con->debug_categories |= bits;
            else
                con->debug_categories &= ~bits;
            if (bits & RSKDEBUG_DETAILED) con->debug_detail = w.on ? 1 : 0;
            if (w.category == RSKDEBUG_TIMER)
                xpslog(w.note);
            else
                xpsout(w.note);
            return;
        }
    });
    return 0;
}

}  // namespace zozu
