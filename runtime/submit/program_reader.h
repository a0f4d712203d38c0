// Reading a program's text into statements: comments blanked out, quotes respected, each
// statement with the line and column where it starts.
#pragma once
#include <string>
#include <vector>

namespace qor::runtime {

struct ProgramStatement {
    std::string text;      // from its first word up to, not including, the ';'
    size_t offset;         // offset of the first word in the cleaned source
    size_t end;            // offset just past the ';' (or the end of the source)
    int line;              // 1-based line of the first word
    int column;            // 1-based column of the first word
    bool terminated;       // ended by ';'
};

struct ReadProgram {
    std::string cleaned;                      // the source with comments replaced by blanks
    std::vector<ProgramStatement> statements;
    std::vector<std::string> errors;          // unclosed comments and quotes, with their lines
};

// Split source text into statements. Never fails: problems are listed in errors.
ReadProgram read_program(const std::string& source);

// The first word of a statement, upper-cased (empty for an empty statement).
std::string first_word(const std::string& statement);

}  // namespace qor::runtime
