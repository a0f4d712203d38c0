// The qor command line: options and the program file, and applying them to the runtime.
#pragma once
#include <string>

#define QOR_RUNTIME_VERSION "1.0"

namespace qor::cli {

struct Options {
    std::string program;
    std::string log_file;
    std::string print_file;
    std::string module_path;
    bool msgids = false;
    bool help = false;
    bool version = false;
};

// Parse the command line; false with a message for an unknown option or a missing value.
bool parse_options(int argc, char** argv, Options& options, std::string& error);
// Point the runtime's destinations and module path at what the options say. A log or print
// file that is the program itself, or both being one file, is refused before anything is opened.
bool apply_options(const Options& options, std::string& error);
// When neither RISKSAMP nor QORROOT is set, point RISKSAMP at the sample library shipped with
// qor (<prefix>/share/velmora/samples/risk, beside bin/ of the executable), when it is there.
void default_sample_library();
// Flush and close redirected destinations; returns what output was lost during the run (every
// write, flush and close is checked), empty when none was.
std::string finish_output();

}  // namespace qor::cli
