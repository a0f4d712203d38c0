// Procedures built into the runtime: each runs a step itself and returns its end code.
#pragma once
#include "host/anchor.h"

namespace qor::runtime {

using builtin_procedure_fn = int (*)(qor_step* step);

// The built-in procedure of an upper-case name; null when the name is not one.
builtin_procedure_fn find_builtin_procedure(const char* name);

// PROC OPTIONS: lists every host option and its value on the print file.
int proc_options(qor_step* step);

}  // namespace qor::runtime
