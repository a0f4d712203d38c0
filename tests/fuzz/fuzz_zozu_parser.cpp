// Fuzz target for the statement parser with the ZOZU grammar: any step text must parse or be
// refused with messages, never crash, hang or read outside the text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/module/step_context.h"
#include "host/parser.h"
#include "host/pool.h"
#include "procedure/zozu_grammar.h"
#include "runtime/core/print_internal.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool quiet = [] {
        qor_print_set_log_file("/dev/null");
        return true;
    }();
    (void)quiet;
    // Half of the inputs get a PROC statement in front so that the statements themselves are
    // exercised; the others test the start of a step as well.
    std::string text(reinterpret_cast<const char*>(data), size);
    if (size > 0 && (data[0] & 1)) text = "PROC ZOZU;\n" + text.substr(1);
    qor_pool* pool = xmpoolc(65536, 65536, 0);
    step_context context{};
    qor_parse_request request{};
    request.grammar = zozu::riskg();
    request.text = text.data();
    request.length = text.size();
    request.first_line = 1;
    request.pool = pool;
    request.hook = &zozu::rskcust;
    request.hook_data = &context;
    xsproc(&request);
    // Walk what was built: every field must be inside its own bounds.
    for (const statement_node* n = request.statements; n; n = n->next)
        for (int i = 0; i < n->operands.count; ++i) {
            const operand_field& f = n->operands.fields[i];
            if (f.used < 0 || (f.kind == QOR_OPERAND_NAMES && f.used > f.capacity)) __builtin_trap();
        }
    xmpoold(pool);
    return 0;
}
