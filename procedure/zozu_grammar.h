// The ZOZU grammar handed to the host parser and the front end's parse routines: the grammar
// (riskg), the parse of a step (xsparse) and the name-list hook with its numbered name ranges.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/parser.h"

namespace zozu {

extern const qor_statement_schema kProcSchema;
extern const qor_statement_schema kStatements[];
extern const int kStatementCount;

// The parse error code of a name range that cannot be expanded.
constexpr int kRangeErrorCode = 2000;
// The ranges of one step may add at most this many names: more are refused, not allocated.
constexpr int64_t kMaxRangeNames = 1000000;
// Names made from a range are held to the length of a variable name.
constexpr size_t kMaxNameLength = 32;

// The grammar of the procedure.
const qor_grammar* riskg();
// Parse the current step with the grammar; the statement list and the error code are left in
// the step context. Returns the error code.
int xsparse(const qor_grammar* grammar, int flag);
// The name-list hook (data: the step context).
int rskcust(void* data, const qor_hook_call* call);

// A name split into its root and trailing number (exposed for tests).
struct SplitName {
    size_t root_length;
    int64_t number;
    int width;      // digits written
};
// 0 on success; 1 after logging 166/36 (no trailing digits) or 166/35 (a tenth digit).
int splitname(const char* name, size_t length, SplitName* out);

}  // namespace zozu
