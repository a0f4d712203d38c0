// The DATA step: one step's text compiled with the methods compiler into one program and run over
// a program data vector, reading SET or MERGE inputs and writing the DATA statement's outputs.
#pragma once
#include <string>

namespace qor::runtime {

// Runs the step whose text runs from its DATA statement through RUN; (first_line is the DATA
// statement's line). 0 when it succeeded; non-zero after ERROR lines in the log, every output
// member then left as it was.
int run_data_step(const std::string& text, int first_line);

// Gives every later step's program an instruction budget per iteration (0: none, the default),
// so that a program that never ends fails instead; for the fuzzer and tests.
void set_data_step_budget(int instructions);

}  // namespace qor::runtime
