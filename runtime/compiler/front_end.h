// Front-end statements: the keywords a session's front end claims, with their lowering routines,
// and the rewriting of a pushed text into statements of the language before it is parsed.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "host/compiler.h"

namespace qor::cmp {

struct ClaimedStatement {
    std::string keyword;     // upper case
    cmp_lower_fn lower = nullptr;
    void* context = nullptr;
};

// The text with every claimed statement replaced by its lowering (out); out equals text when
// nothing is claimed. False with message and a 1-based position in text when a lowering routine
// refuses a statement or lowerings nest too deep.
bool lower_claimed_statements(cmp_session* session, std::string_view text, std::string* out, std::string* message,
                              int* pos);

}  // namespace qor::cmp
