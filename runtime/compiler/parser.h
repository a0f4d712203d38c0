// The parser of the methods language: turns the tokens of one pushed text into statement
// nodes. It checks syntax only; names and types are settled by semantic analysis.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "runtime/compiler/ast.h"
#include "runtime/compiler/lexer.h"

namespace qor::cmp {

struct SyntaxError {
    std::string message;
    int pos = 0;
};

// Block type names in their order: INIT, INST_INIT, MAIN, INST_TERM, TERM.
int block_type_of(std::string_view name);
const char* block_type_name(int type);
// Method kind words (INPUT .. MITIGATION) to 1..8, 0 when unknown.
int method_kind_of(std::string_view word);

// True for a keyword that starts a statement of the language (IF, DO, PUT, ...).
bool is_statement_keyword(std::string_view word);

// Parses every statement of text into out. False with err set on the first syntax error.
bool parse_statements(std::string_view text, int line, NodeStore& store, std::vector<Stmt*>& out,
                      SyntaxError& err);

}  // namespace qor::cmp
