// Global statements: "LIBNAME ref 'directory' [engine];" assigns a library reference to an
// existing directory, "LIBNAME ref (ref1 ref2);" a concatenation, "LIBNAME ref CLEAR;" clears
// it; "%PUT text;" writes to the log. Notes and errors go to the log.
#include "runtime/submit/global_statements.h"

#include <cctype>
#include <vector>

#include "host/print.h"
#include "runtime/storage/libraries.h"
#include "runtime/submit/program_reader.h"
#include "runtime/submit/statement_tokens.h"

namespace qor::runtime {
namespace {

using Token = StatementToken;

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

int clear(const std::string& libref, int line) {
    if (libref == "WORK") {
        xpslog("%1zLibrary WORK cannot be cleared (LIBNAME statement on line %i).", line);
        return 1;
    }
    if (clear_library(libref) != 0) {
        xpslog("%1zLibrary %s is not assigned (LIBNAME statement on line %i).", libref.c_str(), line);
        return 1;
    }
    xpslog("%3zLibrary %s cleared.", libref.c_str());
    return 0;
}

int assign(const std::string& libref, const std::string& directory, const std::string& engine,
           int line) {
    if (libref == "WORK") {
        xpslog("%1zLibrary WORK belongs to the session and cannot be assigned (LIBNAME statement "
               "on line %i).", line);
        return 1;
    }
    switch (assign_library(libref, directory, engine)) {
    case 0:
        xpslog("%3zLibrary %s assigned to %s (engine %s).", libref.c_str(), directory.c_str(),
               library_engine(libref).c_str());
        return 0;
    case 1:
        xpslog("%1zThe library reference %s on line %i is not valid: use up to 8 letters, digits "
               "or underscores, not starting with a digit.", libref.c_str(), line);
        return 1;
    case 2:
        xpslog("%1zThe directory %s of library %s does not exist or is not a directory (LIBNAME "
               "statement on line %i).", directory.c_str(), libref.c_str(), line);
        return 1;
    default:
        xpslog("%1zThe engine %s of library %s is not known: use V9, V612 or DISK (LIBNAME "
               "statement on line %i).", engine.c_str(), libref.c_str(), line);
        return 1;
    }
}

int libname_statement(const std::string& statement, int line) {
    std::vector<Token> tokens;
    if (!split_statement_tokens(statement, false, &tokens)) {
        xpslog("%1zThe LIBNAME statement on line %i has a quote that is not closed.", line);
        return 1;
    }
    // tokens[0] is the keyword itself.
    if (tokens.size() < 3 || tokens[1].quoted) {
        xpslog("%1zThe LIBNAME statement on line %i needs a library reference and a directory in "
               "quotes, or CLEAR.", line);
        return 1;
    }
    std::string libref = upper(tokens[1].text);
    if (!tokens[2].quoted && upper(tokens[2].text) == "CLEAR" && tokens.size() == 3)
        return clear(libref, line);
    if (!tokens[2].quoted || tokens.size() > 4 || (tokens.size() == 4 && tokens[3].quoted)) {
        xpslog("%1zThe LIBNAME statement on line %i is not valid: write LIBNAME ref 'directory' "
               "[engine]; or LIBNAME ref CLEAR;.", line);
        return 1;
    }
    if (tokens[2].text.empty()) {
        xpslog("%1zThe directory of library %s is empty (LIBNAME statement on line %i).",
               libref.c_str(), line);
        return 1;
    }
    return assign(libref, tokens[2].text, tokens.size() == 4 ? upper(tokens[3].text) : "", line);
}

// "LIBNAME ref (ref1 ref2 ...);": a concatenation read through in order and written to ref1.
int concatenation_statement(const std::string& statement, int line) {
    size_t open = statement.find('('), close = statement.find(')');
    std::vector<Token> head, parts;
    bool ok = close != std::string::npos && close > open &&
              statement.find_first_not_of(" \t\r\n", close + 1) == std::string::npos &&
              split_statement_tokens(statement.substr(0, open), false, &head) && head.size() == 2 &&
              split_statement_tokens(statement.substr(open + 1, close - open - 1), false, &parts) && !parts.empty();
    for (const Token& t : parts) ok = ok && !t.quoted;
    if (!ok) {
        xpslog("%1zThe LIBNAME statement on line %i is not valid: write LIBNAME ref (ref1 ref2 ...); to "
               "concatenate assigned libraries.", line);
        return 1;
    }
    std::string libref = upper(head[1].text);
    std::vector<std::string> names;
    std::string listed;
    for (const Token& t : parts) {
        names.push_back(upper(t.text));
        listed += (listed.empty() ? "" : " ") + names.back();
    }
    switch (assign_concatenated_library(libref, names)) {
    case 0:
        xpslog("%3zLibrary %s assigned to the concatenation of %s.", libref.c_str(), listed.c_str());
        return 0;
    case 2:
        xpslog("%1zA library of the concatenation (%s) on line %i is not assigned.", listed.c_str(), line);
        return 1;
    default:
        xpslog("%1zThe library reference %s on line %i cannot name a concatenation.", libref.c_str(), line);
        return 1;
    }
}

// "%PUT text;": the text, macro references resolved, as a line of the log.
int put_statement(const std::string& statement) {
    size_t start = statement.find_first_not_of(" \t\r\n");
    start = statement.find_first_of(" \t\r\n", start);
    std::string text = start == std::string::npos ? "" : statement.substr(start + 1);
    xpslog("%s", text.c_str());
    return 0;
}

}  // namespace

int run_global_statement(const std::string& statement, int line, bool* handled) {
    *handled = false;
    std::string word = first_word(statement);
    if (word == "%PUT") {
        *handled = true;
        return put_statement(statement);
    }
    if (word != "LIBNAME") return 0;
    *handled = true;
    if (statement.find('(') != std::string::npos) return concatenation_statement(statement, line);
    return libname_statement(statement, line);
}

}  // namespace qor::runtime
