// The program runner: walks a program's statements, applies global statements, gathers each
// PROC step up to RUN; or QUIT; and hands it to the step runner.
#include "runtime/submit/program_runner.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/options.h"
#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/core/step.h"
#include "runtime/datastep/data_step.h"
#include "runtime/submit/global_statements.h"
#include "runtime/submit/include_files.h"
#include "runtime/submit/macro_text.h"
#include "runtime/submit/program_reader.h"

namespace qor::runtime {

namespace {

bool ends_step(const std::string& word) { return word == "RUN" || word == "QUIT"; }
bool starts_step(const std::string& word) { return word == "PROC" || word == "DATA"; }

void note_failure(ProgramResult& result, int code) {
    if (code == 0) return;
    ++result.failed_steps;
    if (code > result.worst_code) result.worst_code = code;
}

// The text of a statement after its first word.
std::string after_first_word(const std::string& statement) {
    size_t i = statement.find_first_not_of(" \t\r\n");
    if (i == std::string::npos) return "";
    i = statement.find_first_of(" \t\r\n", i);
    return i == std::string::npos ? "" : statement.substr(i);
}

// A METHOD statement of a procedure step opens a body of method statements that runs to
// ENDMETHOD; (a "METHOD = ..." assignment opens nothing).
bool opens_method_body(const std::string& statement) {
    if (first_word(statement) != "METHOD") return false;
    size_t i = statement.find_first_not_of(" \t\r\n");
    i = statement.find_first_not_of(" \t\r\n", i + 6);
    return i == std::string::npos || statement[i] != '=';
}

// The procedure name of a PROC statement, upper-cased.
std::string procedure_name(const std::string& statement) { return first_word(after_first_word(statement)); }

}  // namespace

ProgramResult run_program_text(const std::string& source, const std::string& name) try {
    ProgramResult result;
    ReadProgram program = read_program(source);
    for (const std::string& e : program.errors) {
        xpslog("%1z%s: %s", name.c_str(), e.c_str());
        note_failure(result, 1);
    }
    const auto& sts = program.statements;
    size_t i = 0;
    while (i < sts.size()) {
        const ProgramStatement& st = sts[i];
        if (first_word(st.text) == "%LET") {
            note_failure(result, run_let_statement(st.text, st.line));
            ++i;
            continue;
        }
        std::string text;
        if (!resolve_macro_references(st.text, st.line, &text)) {
            note_failure(result, 1);
            ++i;
            continue;
        }
        if (text.find_first_not_of(" \t\r\n\f\v") == std::string::npos) {   // a null statement
            ++i;
            continue;
        }
        std::string word = first_word(text);
        if (word == "ENDSAS") break;
        if (word == "OPTIONS") {
            std::string rest = after_first_word(text);
            // A refused OPTIONS statement is an error of the program: code 1, whatever the reason.
            int rc = qor_options_statement(rest.data(), static_cast<int>(rest.size()));
            note_failure(result, rc == 0 ? 0 : 1);
            ++i;
            continue;
        }
        if (word == "%INC" || word == "%INCLUDE") {
            ProgramResult included = run_include_statement(text, st.line);
            result.steps += included.steps;
            result.failed_steps += included.failed_steps;
            if (included.worst_code > result.worst_code) result.worst_code = included.worst_code;
            ++i;
            continue;
        }
        bool handled = false;
        int global_code = run_global_statement(text, st.line, &handled);
        if (handled) {
            note_failure(result, global_code);
            ++i;
            continue;
        }
        if (ends_step(word)) {   // a stray RUN; or QUIT; ends nothing
            ++i;
            continue;
        }
        if (!starts_step(word)) {
            xpslog("%1zStatement %s on line %i is not valid or is used out of proper order.",
                   word.c_str(), st.line);
            note_failure(result, 1);
            ++i;
            continue;
        }
        // Gather the step: from its PROC or DATA statement through RUN; or QUIT;, or up to the
        // next step when it has none. %LET statements inside it take effect as they are met and
        // are blanked out of the step's text; then its macro references are resolved.
        // The statements of a method body (METHOD ...; through ENDMETHOD;) belong to the step
        // whatever their first word: a method may hold DATA = ...; or RUN = ...;.
        size_t last = i + 1;
        bool closed = false;
        bool in_method_body = false;
        std::string& cleaned = program.cleaned;
        while (last < sts.size()) {
            std::string w = first_word(sts[last].text);
            if (in_method_body) {
                if (w == "ENDMETHOD") in_method_body = false;
            } else if (word == "PROC" && opens_method_body(sts[last].text)) {
                in_method_body = true;
            } else if (ends_step(w)) {
                closed = true;
                break;
            } else if (starts_step(w)) {
                break;
            }
            if (w == "%LET") {
                note_failure(result, run_let_statement(sts[last].text, sts[last].line));
                for (size_t k = sts[last].offset; k < sts[last].end; ++k)
                    if (cleaned[k] != '\n') cleaned[k] = ' ';
            }
            ++last;
        }
        size_t text_end = closed ? sts[last].end : (last < sts.size() ? sts[last].offset : cleaned.size());
        std::string step_text;
        bool resolved = resolve_macro_references(cleaned.substr(st.offset, text_end - st.offset), st.line, &step_text);
        ++result.steps;
        int code;
        std::string proc = word == "DATA" ? "DATA" : procedure_name(text);
        if (!resolved) {
            code = 1;   // the reason is in the log already
        } else if (word == "DATA") {
            code = run_data_step(step_text, st.line);   // reports its own failure
        } else if (proc.empty()) {
            xpslog("%1zThe PROC statement on line %i names no procedure.", st.line);
            code = 1;
        } else {
            code = run_procedure_step(proc, step_text, st.line);
        }
        if (code != 0 && word != "DATA") {
            xpslog("%1zThe step PROC %s that starts on line %i ended with code %i.", proc.c_str(),
                   st.line, code);
        }
        note_failure(result, code);
        i = closed ? last + 1 : last;
    }
    return result;
}
QOR_SERVICE_CATCH(ProgramResult{0, 1, kStepNoMemory})

ProgramResult run_program_file(const std::string& path) try {
    std::string text;
    std::string problem;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info;
    if (fd < 0) {
        problem = std::strerror(errno);
    } else if (::fstat(fd, &info) != 0) {
        problem = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        problem = "it is a directory";
    } else {
        char buffer[65536];
        for (;;) {
            ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n > 0) {
                text.append(buffer, static_cast<size_t>(n));
            } else if (n == 0) {
                break;
            } else if (errno != EINTR) {
                problem = std::strerror(errno);
                break;
            }
        }
    }
    if (fd >= 0) ::close(fd);
    if (!problem.empty()) {
        xpslog("%1zThe program file %s cannot be read: %s.", path.c_str(), problem.c_str());
        ProgramResult r;
        r.failed_steps = 1;
        r.worst_code = 2;
        return r;
    }
    return run_program_text(text, path);
}
QOR_SERVICE_CATCH(ProgramResult{0, 1, kStepNoMemory})

}  // namespace qor::runtime
