// The step reader of the built-in procedures: the step's text is cut into statements by the
// program reader and each statement into tokens; options are checked against a table.
#include "runtime/procs/proc_statements.h"
#include "runtime/submit/statement_tokens.h"

#include <cctype>

#include "host/print.h"
#include "runtime/submit/program_reader.h"

namespace qor::runtime {

namespace {

// Tokens of a statement's text, '=' a token of its own; false when a quote is not closed.
bool tokens_of(const std::string& text, std::vector<ProcToken>* out) {
    return split_statement_tokens(text, true, out);
}

}  // namespace

std::string upper_text(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

bool read_proc_step(const qor_step* step, std::vector<ProcStatement>* statements) {
    statements->clear();
    const char* proc = step->proc_name ? step->proc_name : "";
    // Blank lines ahead of the step make every line the reader reports a line of the program.
    std::string text(step->first_line > 1 ? static_cast<size_t>(step->first_line - 1) : 0, '\n');
    text.append(step->text, step->text_length);
    ReadProgram program = read_program(text);
    for (const std::string& e : program.errors) {
        xpslog("%1zPROC %s: %s", proc, e.c_str());
        return false;
    }
    for (const ProgramStatement& st : program.statements) {
        ProcStatement out;
        out.line = st.line;
        std::vector<ProcToken> tokens;
        if (!tokens_of(st.text, &tokens)) {
            xpslog("%1zPROC %s: a quote on line %i is not closed.", proc, out.line);
            return false;
        }
        if (tokens.empty()) continue;   // an empty statement ";"
        if (!st.terminated) {
            xpslog("%1zPROC %s: the statement on line %i does not end with a semicolon.", proc,
                   out.line);
            return false;
        }
        out.keyword = tokens.front().quoted ? "" : upper_text(tokens.front().text);
        size_t skip = statements->empty() ? 2 : 1;   // PROC and the procedure name
        if (tokens.size() > skip) out.tokens.assign(tokens.begin() + static_cast<long>(skip), tokens.end());
        if (out.keyword == "RUN" || out.keyword == "QUIT") break;
        statements->push_back(std::move(out));
    }
    return true;
}

bool read_proc_options(const ProcStatement& statement, const char* proc,
                       const std::vector<ProcOptionSpec>& specs, std::vector<ProcOption>* options) {
    options->clear();
    const std::vector<ProcToken>& t = statement.tokens;
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].quoted || t[i].text == "=") {
            xpslog("%1zPROC %s: an option name is expected before %s%s%s on line %i.", proc,
                   t[i].quoted ? "'" : "", t[i].text.c_str(), t[i].quoted ? "'" : "", statement.line);
            return false;
        }
        ProcOption option;
        option.name = upper_text(t[i].text);
        const ProcOptionSpec* spec = nullptr;
        for (const ProcOptionSpec& s : specs)
            if (option.name == s.name) spec = &s;
        if (!spec) {
            xpslog("%1zPROC %s: option %s on line %i is not known.", proc, option.name.c_str(),
                   statement.line);
            return false;
        }
        bool equals = i + 1 < t.size() && !t[i + 1].quoted && t[i + 1].text == "=";
        if (equals) {
            if (i + 2 >= t.size() || (!t[i + 2].quoted && t[i + 2].text == "=")) {
                xpslog("%1zPROC %s: option %s on line %i needs a value after '='.", proc,
                       option.name.c_str(), statement.line);
                return false;
            }
            option.has_value = true;
            option.value = t[i + 2].text;
            option.quoted = t[i + 2].quoted;
            i += 2;
        }
        if (spec->takes_value != option.has_value) {
            xpslog(spec->takes_value ? "%1zPROC %s: option %s on line %i needs a value (%s=...)."
                                     : "%1zPROC %s: option %s on line %i takes no value.",
                   proc, option.name.c_str(), statement.line, option.name.c_str());
            return false;
        }
        if (find_option(*options, spec->name)) {
            xpslog("%1zPROC %s: option %s is given twice on line %i.", proc, option.name.c_str(),
                   statement.line);
            return false;
        }
        options->push_back(std::move(option));
    }
    return true;
}

const ProcOption* find_option(const std::vector<ProcOption>& options, const char* name) {
    for (const ProcOption& o : options)
        if (o.name == name) return &o;
    return nullptr;
}

void report_unknown_statement(const ProcStatement& statement, const char* proc) {
    xpslog("%1zPROC %s: statement %s on line %i is not known.", proc, statement.keyword.c_str(),
           statement.line);
}

}  // namespace qor::runtime
