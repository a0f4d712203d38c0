// Procedure steps: the step record with its pool and module contexts, the step-exit service,
// and the runner that loads the procedure's module and calls its entry.
#include "runtime/core/step.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "host/kernel.h"
#include "host/options.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/procs/procedures.h"

namespace {

// Procedures implemented by module libraries: procedure name to module name.
struct ModuleProcedure {
    const char* proc;
    const char* module;
};
const ModuleProcedure kModuleProcedures[] = {
    {"ZOZU", "tolvane"},
};

const char* module_of(const std::string& proc) {
    for (const ModuleProcedure& p : kModuleProcedures)
        if (proc == p.proc) return p.module;
    return nullptr;
}

qor_step* current_step() {
    qor_task* task = qor_current_task();
    return task ? task->step : nullptr;
}

}  // namespace

int qor_step_set_context(const void* key, void* context) {
    qor_step* step = current_step();
    if (!step || !key) return 1;
    for (int i = 0; i < qor_step::kMaxModuleContexts; ++i) {
        if (step->context_keys[i] == key || !step->context_keys[i]) {
            step->context_keys[i] = key;
            step->contexts[i] = context;
            return 0;
        }
    }
    return 2;
}

void* qor_step_context(const void* key) {
    qor_step* step = current_step();
    if (!step || !key) return nullptr;
    for (int i = 0; i < qor_step::kMaxModuleContexts; ++i)
        if (step->context_keys[i] == key) return step->contexts[i];
    return nullptr;
}

void xexit(int code) { throw qor::runtime::StepExit{code}; }

namespace qor::runtime {

qor_step* begin_step(const char* proc_name, const char* text, size_t length, int first_line) {
    auto* step = new (std::nothrow) qor_step{};
    if (!step) return nullptr;
    step->proc_name = proc_name;
    step->text = text;
    step->text_length = length;
    step->first_line = first_line;
    step->pool = xmpoolc(65536, 65536, 0);
    qor_task* task = qor_current_task();
    if (!task || !step->pool) {   // a thread without a task has nowhere to keep a step
        if (step->pool) xmpoold(step->pool);
        delete step;
        return nullptr;
    }
    task->step = step;
    // The print file's line size follows the LINESIZE option as it stands when the step starts.
    long linesize = 0;
    if (xoptigt("LINESIZE", &linesize) == 0 && linesize > 0) xpprnl(static_cast<int>(linesize));
    return step;
}

int end_step(qor_step* step) {
    if (!step) return 0;
    qor_gcb* gcb = qor_global_gcb();
    // Module contexts come from the global pool; their modules do not outlive the step's use.
    for (int i = 0; i < qor_step::kMaxModuleContexts; ++i)
        if (step->contexts[i])
            gcb->global_pool->release(gcb->global_pool, step->contexts[i], 0, QOR_FREE_UNSIZED);
    qor_print_end_step();
    if (step->pool) xmpoold(step->pool);
    int code = step->end_code;
    qor_task* task = qor_current_task();
    if (task && task->step == step) task->step = nullptr;
    delete step;
    return code;
}

namespace {

// Logs why a step stopped and answers its end code. The log may itself be short of memory: then
// a fixed line goes to stderr.
int step_failed(const std::string& proc_name, bool memory, const char* what) noexcept {
    int code = memory ? kStepNoMemory : kStepFault;
    try {
        if (memory)
            xpslog("%1zNot enough memory to run procedure %s: the step is stopped.", proc_name.c_str());
        else
            xpslog("%1zProcedure %s stopped by an internal fault: %s.", proc_name.c_str(), what);
    } catch (...) {
        std::fputs(memory ? "ERROR: Not enough memory to run a procedure: the step is stopped.\n"
                          : "ERROR: A procedure stopped by an internal fault.\n",
                   stderr);
    }
    return code;
}

// Run a step body between begin_step and end_step; xexit inside it ends only the step.
template <typename Body>
int run_step(const std::string& proc_name, const std::string& text, int first_line, Body body) {
    if (!qor_current_task()) {
        xpslog("%1zProcedure %s cannot be run on a thread that has no task.", proc_name.c_str());
        return 1;
    }
    qor_step* step = begin_step(proc_name.c_str(), text.data(), text.size(), first_line);
    if (!step) {
        xpslog("%1zNot enough memory to run procedure %s.", proc_name.c_str());
        return 1;
    }
    try {
        step->end_code = body(step);
    } catch (const StepExit& exit) {
        step->end_code = exit.code;
    } catch (const std::exception& failure) {
        // What the step built is released as the exception unwinds and with the step pool, so
        // the program goes on with its next step.
        // A container asked to grow beyond its limit is as much out of memory as a failed new.
        bool memory = dynamic_cast<const std::bad_alloc*>(&failure) != nullptr ||
                      dynamic_cast<const std::length_error*>(&failure) != nullptr;
        step->end_code = step_failed(proc_name, memory, failure.what());
    } catch (...) {
        step->end_code = step_failed(proc_name, false, "an unknown fault");
    }
    return end_step(step);
}

}  // namespace

int run_procedure_step(const std::string& proc_name, const std::string& text, int first_line) {
    if (builtin_procedure_fn builtin = find_builtin_procedure(proc_name.c_str()))
        return run_step(proc_name, text, first_line, builtin);
    const char* module = module_of(proc_name);
    if (!module) {
        xpslog("%1zProcedure %s not found.", proc_name.c_str());
        return 1;
    }
    const qor_image_info* image = qor_load_module(module);
    const qor_pcn* pcn = image ? qor_image_pcn(image, QOR_PCN_PROCEDURE) : nullptr;
    if (!pcn || !pcn->entry) {
        xpslog("%1zProcedure %s cannot be run: its module %s is not available.", proc_name.c_str(),
               module);
        return 1;
    }
    // A procedure's entry ends its step through xexit; returning is an end code of 0.
    return run_step(proc_name, text, first_line, [pcn](qor_step*) {
        pcn->entry();
        return 0;
    });
}

}  // namespace qor::runtime
