// Parsing the qor command line and applying it: log and print files, message ids, module path.
#include "runtime/cli/cli_options.h"

#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "host/kernel.h"
#include "host/print.h"
#include "runtime/core/install_paths.h"
#include "runtime/core/print_internal.h"

namespace qor::cli {

bool parse_options(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) {
                error = "option " + arg + " needs a value";
                return false;
            }
            into = argv[++i];
            return true;
        };
        if (arg == "--help" || arg == "-h") options.help = true;
        else if (arg == "--version") options.version = true;
        else if (arg == "--msgids") options.msgids = true;
        else if (arg == "--log") { if (!value(options.log_file)) return false; }
        else if (arg == "--print") { if (!value(options.print_file)) return false; }
        else if (arg == "--module-path") { if (!value(options.module_path)) return false; }
        else if (!arg.empty() && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (options.program.empty()) {
            options.program = arg;
        } else {
            error = "only one program file can be run";
            return false;
        }
    }
    if (options.program.empty() && !options.help && !options.version) {
        error = "no program file given";
        return false;
    }
    return true;
}

namespace {

// True when two paths name one file: the same device and inode when both exist (hard and
// symbolic links included), else the same absolute path once "." and ".." and the links of its
// existing part are resolved.
bool same_file(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    auto pa = std::filesystem::weakly_canonical(std::filesystem::absolute(a, ea), ea);
    auto pb = std::filesystem::weakly_canonical(std::filesystem::absolute(b, eb), eb);
    if (ea || eb) return a == b;
    return pa == pb;
}

// The log and print files are opened for writing (truncated): refuse one that is the program,
// or the other output file, before anything is opened.
bool outputs_are_distinct(const Options& options, std::string& error) {
    struct Output { const char* what; const std::string& path; };
    const Output outputs[] = {{"log", options.log_file}, {"print", options.print_file}};
    for (const Output& o : outputs) {
        if (o.path.empty() || options.program.empty()) continue;
        if (same_file(o.path, options.program)) {
            error = std::string("the ") + o.what + " file " + o.path + " is the program file itself";
            return false;
        }
    }
    if (!options.log_file.empty() && !options.print_file.empty() &&
        same_file(options.log_file, options.print_file)) {
        error = "the log file and the print file are the same file " + options.log_file;
        return false;
    }
    return true;
}

}  // namespace

bool apply_options(const Options& options, std::string& error) {
    if (!outputs_are_distinct(options, error)) return false;
    if (!options.module_path.empty()) qor_set_module_path(options.module_path.c_str());
    if (!options.log_file.empty() && qor_print_set_log_file(options.log_file.c_str()) != 0) {
        error = "the log file " + options.log_file + " cannot be written";
        return false;
    }
    if (!options.print_file.empty() && qor_print_set_print_file(options.print_file.c_str()) != 0) {
        error = "the print file " + options.print_file + " cannot be written";
        return false;
    }
    qor_print_set_msgids(options.msgids);
    return true;
}

void default_sample_library() {
    if (std::getenv("RISKSAMP") != nullptr || std::getenv("QORROOT") != nullptr) return;
    std::string samples = qor_installed_directory(QOR_INSTALL_SAMPLES_DIR);
    if (!samples.empty()) ::setenv("RISKSAMP", samples.c_str(), 0);
}

std::string finish_output() {
    xpoflsh(0);
    qor_print_set_log_file(nullptr);
    qor_print_set_print_file(nullptr);
    return qor_print_take_lost_output();
}

}  // namespace qor::cli
