// Compiling lowered programs in process with LLVM's ORC JIT: one JIT for the process, one
// resource tracker per program (freed with it), the optimisation pipeline at O2 with strict
// floating point (no fused multiply-adds), all of it under one lock.
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include <llvm/ExecutionEngine/Orc/JITTargetMachineBuilder.h>
#include <llvm/ExecutionEngine/Orc/LLJIT.h>
#include <llvm/ExecutionEngine/Orc/ThreadSafeModule.h>
#include <llvm/IR/LLVMContext.h>
#include <llvm/IR/Module.h>
#include <llvm/Passes/PassBuilder.h>
#include <llvm/Support/Error.h>
#include <llvm/Support/TargetSelect.h>
#include <llvm/Support/raw_ostream.h>
#include <llvm/Target/TargetMachine.h>

#include "runtime/compiler/native.h"
#include "runtime/compiler/native/lowering.h"

namespace qor::cmp {

struct NativeProgram {
    llvm::orc::ResourceTrackerSP tracker;
    NativeEntry entry = nullptr;
};

namespace {

struct Jit {
    std::mutex lock;
    std::unique_ptr<llvm::orc::LLJIT> jit;
    std::unique_ptr<llvm::TargetMachine> machine;   // what the optimiser tunes for
    std::string failure;                            // why the JIT could not start (then never again)
    unsigned long long programs = 0;
};

// Made once and never destroyed: programs may be freed during the process's exit.
Jit& the_jit() {
    static Jit* j = new Jit;
    return *j;
}

bool start(Jit& j) {
    if (j.jit) return true;
    if (!j.failure.empty()) return false;
    if (llvm::InitializeNativeTarget() || llvm::InitializeNativeTargetAsmPrinter()) {
        j.failure = "LLVM has no code generator for this processor";
        return false;
    }
    auto builder = llvm::orc::JITTargetMachineBuilder::detectHost();
    if (!builder) {
        j.failure = llvm::toString(builder.takeError());
        return false;
    }
    builder->getOptions().AllowFPOpFusion = llvm::FPOpFusion::Strict;
    auto machine = builder->createTargetMachine();
    if (!machine) {
        j.failure = llvm::toString(machine.takeError());
        return false;
    }
    auto jit = llvm::orc::LLJITBuilder().setJITTargetMachineBuilder(*builder).create();
    if (!jit) {
        j.failure = llvm::toString(jit.takeError());
        return false;
    }
    j.machine = std::move(*machine);
    j.jit = std::move(*jit);
    return true;
}

void optimise(llvm::Module& m, llvm::TargetMachine* machine) {
    // declared in this order so that they are destroyed in the reverse one
    llvm::LoopAnalysisManager loops;
    llvm::FunctionAnalysisManager functions;
    llvm::CGSCCAnalysisManager sccs;
    llvm::ModuleAnalysisManager modules;
    llvm::PassBuilder passes(machine);
    passes.registerModuleAnalyses(modules);
    passes.registerCGSCCAnalyses(sccs);
    passes.registerFunctionAnalyses(functions);
    passes.registerLoopAnalyses(loops);
    passes.crossRegisterProxies(loops, functions, sccs, modules);
    llvm::ModulePassManager pipeline = passes.buildPerModuleDefaultPipeline(llvm::OptimizationLevel::O2);
    pipeline.run(m, modules);
}

}  // namespace

void NativeProgramFree::operator()(NativeProgram* p) const {
    if (!p) return;
    Jit& j = the_jit();
    {
        std::lock_guard<std::mutex> hold(j.lock);
        if (p->tracker) llvm::consumeError(p->tracker->remove());
        p->tracker = nullptr;
    }
    delete p;
}

NativeEntry native_entry_of(const NativeProgram* program) { return program ? program->entry : nullptr; }

NativeProgramPtr native_compile(const Code& code, std::string& why) {
    Jit& j = the_jit();
    std::lock_guard<std::mutex> hold(j.lock);
    if (!start(j)) {
        why = "the native compiler could not start (" + j.failure + ")";
        return nullptr;
    }
    std::string name = "qor_methods_program_" + std::to_string(++j.programs);
    auto context = std::make_unique<llvm::LLVMContext>();
    std::unique_ptr<llvm::Module> module = lower_program(code, *context, name, why);
    if (!module) return nullptr;
    module->setDataLayout(j.jit->getDataLayout());
    module->setTargetTriple(j.machine->getTargetTriple().str());
    optimise(*module, j.machine.get());
    if (std::getenv("QOR_NATIVE_DUMP")) module->print(llvm::errs(), nullptr);   // for inspecting the code

    NativeProgramPtr program(new NativeProgram);
    program->tracker = j.jit->getMainJITDylib().createResourceTracker();
    llvm::orc::ThreadSafeModule unit(std::move(module), std::move(context));
    // on failure the tracker goes here, under the lock held (freeing the program would take it)
    auto discard = [&](std::string text) {
        why = std::move(text);
        llvm::consumeError(program->tracker->remove());
        program->tracker = nullptr;
        return nullptr;
    };
    if (llvm::Error e = j.jit->addIRModule(program->tracker, std::move(unit))) return discard(llvm::toString(std::move(e)));
    auto symbol = j.jit->lookup(name);
    if (!symbol) return discard(llvm::toString(symbol.takeError()));
    program->entry = reinterpret_cast<NativeEntry>(static_cast<uintptr_t>(symbol->getAddress()));
    return program;
}

}  // namespace qor::cmp
