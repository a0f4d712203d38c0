// Running a procedure step: the step record, its pool and module contexts, and the unwinding
// of xexit back to the step runner.
#pragma once
#include <string>

#include "host/anchor.h"

namespace qor::runtime {

// Thrown by xexit and caught by the step runner only.
struct StepExit {
    int code;
};

// End codes of a step stopped by an exception: running out of memory, and any other fault
// (the log says which). The program goes on with its next step.
constexpr int kStepNoMemory = 12;
constexpr int kStepFault = 16;

// Begin and end a step on the main task (tests use these around module calls).
qor_step* begin_step(const char* proc_name, const char* text, size_t length, int first_line);
int end_step(qor_step* step);

// Run a procedure step: load the module that implements the procedure, call its entry and
// return the step's end code. Unknown procedures are an error (code 1); an exception escaping the
// step ends it with kStepNoMemory or kStepFault and a message.
int run_procedure_step(const std::string& proc_name, const std::string& text, int first_line);

}  // namespace qor::runtime
