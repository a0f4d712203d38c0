// Running the files that %INCLUDE statements name, each as a program of its own.
#include "runtime/submit/include_files.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/print.h"

namespace qor::runtime {

namespace {

constexpr int kIncludeDepth = 10;
thread_local int t_depth = 0;   // files being included on this thread

// The quoted file name after the first word of an %INCLUDE statement; empty when there is none.
std::string quoted_name(const std::string& statement) {
    size_t open = statement.find_first_of("'\"");
    if (open == std::string::npos) return "";
    size_t close = statement.find(statement[open], open + 1);
    if (close == std::string::npos) return "";
    return statement.substr(open + 1, close - open - 1);
}

ProgramResult failure() {
    ProgramResult r;
    r.failed_steps = 1;
    r.worst_code = 2;
    return r;
}

}  // namespace

std::string include_file_name(const std::string& name) {
    size_t slash = name.rfind('/');
    size_t dot = name.rfind('.');
    bool has_extension = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    return has_extension ? name : name + ".qor";
}

ProgramResult run_include_statement(const std::string& statement, int line) {
    std::string name = quoted_name(statement);
    if (name.empty()) {
        xpslog("%1z%%INCLUDE on line %i names no quoted file.", line);
        return failure();
    }
    std::string file = include_file_name(name);
    if (t_depth >= kIncludeDepth) {
        xpslog("%1z%%INCLUDE of %s on line %i is nested more than %i files deep.", file.c_str(), line,
               kIncludeDepth);
        return failure();
    }
    if (::access(file.c_str(), R_OK) != 0) {
        xpslog("%1zThe file %s named by %%INCLUDE on line %i cannot be read: %s.", file.c_str(), line,
               std::strerror(errno));
        return failure();
    }
    ++t_depth;
    ProgramResult result = run_program_file(file);   // reports a file it cannot read
    --t_depth;
    return result;
}

}  // namespace qor::runtime
