// Splitting a statement's text into words, quoted texts and, where asked, '=' signs: shared by
// the global statements and the built-in procedures.
#pragma once
#include <string>
#include <vector>

namespace qor::runtime {

struct StatementToken {
    std::string text;     // a word as written, the text inside quotes, or "="
    bool quoted = false;
};

// Words end at blanks and quotes (and at '=' when equals_is_token); a quoted text ('...' or
// "...") may hold a doubled quote standing for itself. false when a quote is not closed.
bool split_statement_tokens(const std::string& text, bool equals_is_token,
                            std::vector<StatementToken>* out);

}  // namespace qor::runtime
