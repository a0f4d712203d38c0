// Lowering of a generated program to one LLVM function with the native calling convention
// (int fn(NativeRun*)), instruction by instruction with the VM's exact semantics.
#pragma once
#include <memory>
#include <string>

#include <llvm/IR/LLVMContext.h>
#include <llvm/IR/Module.h>

#include "runtime/compiler/bytecode.h"

namespace qor::cmp {

// A module holding the function `name`; null with `why` set when the code cannot be lowered.
std::unique_ptr<llvm::Module> lower_program(const Code& code, llvm::LLVMContext& context, const std::string& name,
                                            std::string& why);

}  // namespace qor::cmp
