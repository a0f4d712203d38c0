// The ZOZU grammar record and the parse of a step: riskg hands out the grammar, xsparse runs the
// host parser over the step's text and leaves the statement list and error code in the context.
#include "common/module/anchors.h"
#include "common/module/step_context.h"
#include "host/kernel.h"
#include "host/parser.h"
#include "host/print.h"
#include "procedure/zozu_fields.h"
#include "procedure/zozu_grammar.h"

namespace zozu {

namespace {

const qor_grammar kGrammar = {"ZOZU", &kProcSchema, kStatements, kStatementCount, kBitEnd};

}  // namespace

const qor_grammar* riskg() { return &kGrammar; }

int xsparse(const qor_grammar* grammar, int /*flag*/) {
    step_context* context = module_step_context();
    qor_task* task = qor_current_task();
    qor_step* step = task ? task->step : nullptr;
    if (!context || !step) return 1;
    qor_parse_request request{};
    request.grammar = grammar;
    request.text = step->text;
    request.length = step->text_length;
    request.first_line = step->first_line;
    request.pool = step->pool;
    request.trace = (context->syntax_trace ? QOR_PARSE_TRACE_SYNTAX : 0) |
                    (context->semantic_trace ? QOR_PARSE_TRACE_SEMANTIC : 0);
    request.hook = reinterpret_cast<qor_parse_hook_fn>(context->parse_hook);
    request.hook_data = context;
    int code = xsproc(&request);
    // The hook keeps its own code (2000 for a name range) in the context: the larger one holds.
    if (code > context->error_code) context->error_code = static_cast<int16_t>(code > 32767 ? 32767 : code);
    context->statements = request.statements;
    step->statements = request.statements;
    return context->error_code;
}

}  // namespace zozu
