// The routines machine code calls back into: the VM's own handlers for everything off the
// arithmetic path (missing values and errors are left to the VM itself).
#pragma once
#include <cstdint>

#include "runtime/compiler/bytecode.h"

struct cmp_instance;

namespace qor::cmp::native_support {

double power(double x, double y);
// A library function's result that is not a finite number: the missing value, counted when its
// arguments were numbers, as the VM does (the function is not called again: it may keep state).
double settle(cmp_instance* in, double x, double y);
// Character values, aggregates, built-in call sites and PUT: the VM's handlers.
void site(cmp_instance* in, const Instr* ip);
// A special function call site; depth is the caller's open RUNMETHOD calls (for CALLSUBR).
int special(cmp_instance* in, const Instr* ip, int32_t depth);

}  // namespace qor::cmp::native_support
