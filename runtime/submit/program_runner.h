// Running a program: global statements (OPTIONS, ENDSAS) and procedure steps in order, each
// step's end code collected; the largest code is the program's result.
#pragma once
#include <string>

namespace qor::runtime {

struct ProgramResult {
    int steps = 0;          // procedure steps run
    int failed_steps = 0;   // steps and global statements that ended with a non-zero code
    int worst_code = 0;     // the largest end code
};

// Run program text; name is used in messages (the file name).
ProgramResult run_program_text(const std::string& source, const std::string& name);

// Read and run a program file; a file that cannot be read gives an error and code 2.
ProgramResult run_program_file(const std::string& path);

}  // namespace qor::runtime
