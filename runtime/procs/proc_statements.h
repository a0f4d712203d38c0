// Reading a built-in procedure's step into statements of words, quoted texts and '=' signs,
// and checking the options of a statement against what the procedure knows.
#pragma once
#include <string>
#include <vector>

#include "host/anchor.h"
#include "runtime/submit/statement_tokens.h"

namespace qor::runtime {

using ProcToken = StatementToken;

struct ProcStatement {
    std::string keyword;             // the first word, upper-cased
    std::vector<ProcToken> tokens;   // what follows it (for PROC: what follows the name)
    int line = 0;                    // line of the program on which it starts
};

// One option of a statement: NAME or NAME=value.
struct ProcOption {
    std::string name;                // upper-cased
    std::string value;               // empty when none was given
    bool has_value = false;
    bool quoted = false;             // the value was written in quotes
};

// What a procedure accepts as an option.
struct ProcOptionSpec {
    const char* name;
    bool takes_value;
};

// The statements of the current step without its RUN or QUIT: the PROC statement first. Tokens
// are words (letters, digits and . _ $ - & and the like), quoted texts, and '='. false after
// logging an error (a quote that is not closed, a statement without a ';').
bool read_proc_step(const qor_step* step, std::vector<ProcStatement>* statements);

// The options of a statement checked against specs: every name must be known, a value given
// exactly when the option takes one, no option twice. false after logging an error that names
// the procedure, the option and the line.
bool read_proc_options(const ProcStatement& statement, const char* proc,
                       const std::vector<ProcOptionSpec>& specs, std::vector<ProcOption>* options);

// The option of a name, or null.
const ProcOption* find_option(const std::vector<ProcOption>& options, const char* name);

// Logs that a statement is not known to the procedure.
void report_unknown_statement(const ProcStatement& statement, const char* proc);

// Upper-cases ASCII letters.
std::string upper_text(std::string text);

}  // namespace qor::runtime
