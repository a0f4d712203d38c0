// Textual expansion of %INCLUDE statements in a program before it is read into statements.
#include "runtime/submit/include_files.h"

#include <fstream>
#include <sstream>

#include "host/print.h"
#include "runtime/submit/program_reader.h"

namespace qor::runtime {

namespace {

constexpr int kIncludeDepth = 10;

// The quoted file name after the first word of an %INCLUDE statement; empty when there is none.
std::string quoted_name(const std::string& statement) {
    size_t open = statement.find_first_of("'\"");
    if (open == std::string::npos) return "";
    size_t close = statement.find(statement[open], open + 1);
    if (close == std::string::npos) return "";
    return statement.substr(open + 1, close - open - 1);
}

int expand(const std::string& text, int depth, std::string* out) {
    ReadProgram program = read_program(text);
    size_t at = 0;
    int failures = 0;
    for (const ProgramStatement& st : program.statements) {
        std::string word = first_word(st.text);
        if (word != "%INC" && word != "%INCLUDE") continue;
        out->append(text, at, st.offset - at);
        at = st.end;
        std::string name = quoted_name(st.text);
        if (name.empty()) {
            xpslog("%1z%%INCLUDE on line %i names no quoted file.", st.line);
            ++failures;
            continue;
        }
        std::string file = include_file_name(name);
        if (depth >= kIncludeDepth) {
            xpslog("%1z%%INCLUDE of %s on line %i is nested more than %i files deep.", file.c_str(), st.line,
                   kIncludeDepth);
            ++failures;
            continue;
        }
        std::ifstream in(file, std::ios::binary);
        if (!in) {
            xpslog("%1zThe file %s named by %%INCLUDE on line %i cannot be read.", file.c_str(), st.line);
            ++failures;
            continue;
        }
        std::ostringstream content;
        content << in.rdbuf();
        failures += expand(content.str(), depth + 1, out);
        out->push_back('\n');
    }
    out->append(text, at, std::string::npos);
    return failures;
}

}  // namespace

std::string include_file_name(const std::string& name) {
    size_t slash = name.rfind('/');
    size_t dot = name.rfind('.');
    bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return has_extension ? name : name + ".qor";
}

int expand_includes(const std::string& text, std::string* out) {
    out->clear();
    return expand(text, 0, out);
}

}  // namespace qor::runtime
