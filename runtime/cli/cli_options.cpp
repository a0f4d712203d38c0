// Parsing the qor command line and applying it: log and print files, message ids, module path.
#include "runtime/cli/cli_options.h"

#include <cstring>

#include "host/kernel.h"
#include "host/print.h"
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

bool apply_options(const Options& options, std::string& error) {
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

void finish_output() {
    xpoflsh(0);
    qor_print_set_log_file(nullptr);
    qor_print_set_print_file(nullptr);
}

}  // namespace qor::cli
