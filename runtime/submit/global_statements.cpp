// The LIBNAME statement: "LIBNAME ref 'directory' [engine];" assigns a library reference to an
// existing directory, "LIBNAME ref CLEAR;" clears it. Notes and errors go to the log.
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

}  // namespace

int run_global_statement(const std::string& statement, int line, bool* handled) {
    *handled = false;
    if (first_word(statement) != "LIBNAME") return 0;
    *handled = true;
    return libname_statement(statement, line);
}

}  // namespace qor::runtime
