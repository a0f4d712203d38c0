// The procedure module's image and its entry: a ZOZU step is parsed with the ZOZU grammar and
// ends through the host's step exit; statements are echoed when the PROC statement asks for it.
#include <string>

#include "common/module/module_image.h"
#include "common/module/step_context.h"
#include "host/kernel.h"
#include "host/options.h"
#include "host/parser.h"
#include "host/print.h"
#include "procedure/zozu_fields.h"
#include "procedure/zozu_grammar.h"

int tolvane();

QOR_DEFINE_MODULE_IMAGE(pcn_TOLVANE, "tolvane ", tolvane, QOR_PCN_PROCEDURE)

namespace {

// Length of a blank-padded statement name.
int name_length(const statement_node* node) {
    int n = static_cast<int>(sizeof node->name);
    while (n > 0 && (node->name[n - 1] == ' ' || node->name[n - 1] == '\0')) --n;
    return n;
}

// The statements after PROC: echoed with DEBUGS or DEBUGD, and named in one note, since
// running them through their handlers is not available in this build.
void report_statements(const statement_node* proc) {
    bool echo = qor_option_bit(proc, zozu::kBitDebugS) || qor_option_bit(proc, zozu::kBitDebugD);
    std::string names;
    int count = 0;
    for (const statement_node* node = proc->next; node; node = node->next) {
        // The whole name is shown: a fixed eight-character field would cut RUNPROJECT and the like.
        if (echo) xpsout("ZOZU: Executing %*b Statement.", name_length(node), node->name);
        names += (count++ ? " " : "") + std::string(node->name, name_length(node));
    }
    if (count == 0) return;
    xpslog("%3zZOZU parsed %i statement%s: %s. Running statements is not available in this build.",
           count, count == 1 ? "" : "s", names.c_str());
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
    bool timing = status == 0 && !generic;
    double start = timing ? wttinfo(0) : 0;

    context->parse_hook = reinterpret_cast<void*>(&zozu::rskcust);
    zozu::xsparse(zozu::riskg(), 0);
    const auto* first = static_cast<const statement_node*>(context->statements);
    if (context->error_code != 0 || !first) {
        xpmlog(598, 501);
        xexit(context->error_code);
    }
    if (timing) {
        static const char kWhat[] = "Statement parsing";
        xpmlog(598, 502, static_cast<int>(sizeof kWhat - 1), kWhat, (wttinfo(0) - start) / 1000.0);
    }
    if (status == 0) report_statements(first);
    xpskip(1);
    xexit(0);
}
