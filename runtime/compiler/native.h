// The native tier: generated programs lowered to machine code, run in place of the VM once they
// have run often enough. What a native program reads per run, and the tier kept by each session.
#pragma once
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "runtime/compiler/bytecode.h"

struct cmp_instance;
struct cmp_session;

namespace qor::cmp {

// What a native program reads of its instance, filled by the caller for each entry it runs.
// The layout is part of the calling convention: the lowering addresses these fields by position.
struct NativeRun {
    cmp_instance* instance;
    double* num;                          // numeric frame
    void* const* ptr;                     // pointer slots: structure bases, bound cells, matrices
    double* const* const* arrays;         // per array: the address of each element
    const std::array<int, 2>* extents;    // per array: rows, columns
    uint32_t* stack;                      // return addresses of open RUNMETHOD calls
    int64_t* budget_used;                 // instructions counted against the run's budget
    uint32_t start;                       // in: code address to start at; out: where the VM resumes
    int32_t depth;                        // in: calls open when it starts; out: when the VM resumes
};

// A native program's single entry: a run status as the VM answers it; kNotNativeEntry when
// `start` is no address the program was compiled to enter; kResumeOnVM when the machine code
// met what it leaves to the VM (a value that is not a finite number, a missing value compared,
// a run-time error): frame, structures and call stack are as the VM would have them before the
// instruction at `start`, and the VM goes on from there with `depth` calls open.
using NativeEntry = int (*)(NativeRun*);
inline constexpr int kNotNativeEntry = -1000;
inline constexpr int kResumeOnVM = -1001;

// The machine code of one program, freed with it.
struct NativeProgram;
struct NativeProgramFree {
    void operator()(NativeProgram* p) const;
};
using NativeProgramPtr = std::unique_ptr<NativeProgram, NativeProgramFree>;

// Lowers and compiles `code`; null with `why` set when it cannot (the VM then runs it).
NativeProgramPtr native_compile(const Code& code, std::string& why);
NativeEntry native_entry_of(const NativeProgram* program);

// The tier of one session's program: the mode chosen by option, the run count after which
// instances move to machine code, and the compiled program once there is one.
struct NativeTier {
    static constexpr long kDefaultThreshold = 100000;   // see docs/methods-native-tier.md
    int mode = 0;                         // CMP_TIER_AUTO, CMP_TIER_VM, CMP_TIER_NATIVE
    long threshold = kDefaultThreshold;
    std::mutex lock;                      // held while compiling
    std::atomic<NativeEntry> entry{nullptr};
    std::atomic<bool> tried{false};       // compiled, or failed and noted once
    NativeProgramPtr program;

    // Runs an instance makes on the VM before it asks for machine code.
    long countdown() const;
    // The compiled entry, compiling the session's program first when nobody has; null when the
    // program stays on the VM (mode, failure, or another thread compiling just now).
    NativeEntry acquire(cmp_session* session);
    // Drops the compiled program (the code it was made from is going away).
    void reset();
};

// The session's default mode: the environment variable QOR_METHODS_TIER ("auto", "vm",
// "native"), else CMP_TIER_AUTO.
int default_tier_mode();

}  // namespace qor::cmp
