// WHERE expressions: a text parsed once against a resolver that binds each variable name to the
// address of its current value, then evaluated as often as the caller likes (one per record).
#pragma once
#include "host/export.h"

struct qor_where;   // a parsed and bound expression (opaque)

// Result codes. Failures are negative like the other host services.
enum : int {
    QOR_WHERE_OK = 0,
    QOR_WHERE_WARNING = 0x0401D015,                           // accepted with a warning (not a failure)
    QOR_WHERE_SYNTAX = static_cast<int>(0x8001D021u),         // the text is not a valid expression
    QOR_WHERE_NOT_FOUND = static_cast<int>(0x8001D022u),      // a name the resolver does not know
    QOR_WHERE_EVAL_FAILED = static_cast<int>(0x8001D023u),    // a run-time error of the evaluation
    QOR_WHERE_BAD_ARGUMENT = static_cast<int>(0x8001D024u),   // null text, handle or resolver
    QOR_WHERE_NO_MEMORY = static_cast<int>(0x80000803u),      // memory exhausted
};

// What the resolver tells about one name: the variable's type, its length and where its current
// value lives. A numeric value is a double (length 8); a character value is `length` bytes,
// blank padded (a NUL byte also ends it). The address must stay valid while the expression lives;
// evaluating reads it afresh each time.
enum : int { QOR_WHERE_NUMERIC = 1, QOR_WHERE_CHARACTER = 2 };
struct qor_where_binding {
    int type;               // QOR_WHERE_NUMERIC or QOR_WHERE_CHARACTER
    int length;             // character: 1 to 32767; numeric: 8
    const void* address;    // the current value
};

// Called for every occurrence of a variable name (name upper-cased, not NUL-ended): fill binding
// and answer 0, or answer a non-zero code (QOR_WHERE_NOT_FOUND for an unknown name) that the
// parse returns. The first binding of a name is the one evaluation reads.
typedef int (*qor_where_resolver)(void* user, const char* name, int length, qor_where_binding* binding);

// Flags of xwparse.
enum : int { QOR_WHERE_LOG = 1 };   // also write a failure's message to the log as an ERROR

// Parses `text` (length < 0: NUL-ended) and binds its names through the resolver. 0 and *out, or
// a failure code with *out null; message (when given) receives a NUL-ended text that shows the
// expression and the position (1-based column) of the fault.
QOR_HOST_API int xwparse(const char* text, int length, qor_where_resolver resolver, void* user, int flags,
                         qor_where** out, char* message, int message_size);
// Evaluates against the bound values: 1 the expression is true, 0 false (a missing or zero
// result is false), QOR_WHERE_EVAL_FAILED after a run-time error, QOR_WHERE_BAD_ARGUMENT.
// One evaluation of a handle at a time.
QOR_HOST_API int xweval(qor_where* where);
// Frees a parsed expression (null allowed).
QOR_HOST_API void xwfree(qor_where* where);
// The text of the methods language the expression was compiled into (for diagnostics), NUL-ended.
QOR_HOST_API const char* xwtext(const qor_where* where);
