// A compile session and a program instance: the state behind cmp_session and cmp_instance.
// Sessions take statements one push at a time, then generate one shared Code for all instances.
#pragma once
#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "host/compiler.h"
#include "runtime/compiler/bytecode.h"
#include "runtime/compiler/dataflow.h"
#include "runtime/compiler/front_end.h"
#include "runtime/compiler/line_allocator.h"
#include "runtime/compiler/native.h"
#include "runtime/compiler/program.h"

struct cmp_instance;

// A method found by cmpfnc: where a call of it starts (its MAIN when it has blocks).
struct cmp_function {
    std::string name;
    uint32_t pc = 0;
};

struct cmp_session {
    cmp_hooks hooks{};
    qor::cmp::ProgramSource src;
    int line = 0;                 // statements pushed so far
    int errors = 0;               // statements refused, generate failures
    bool ended = false;           // end marker seen
    bool generated = false;
    int trace = 0;
    int budget = 0;               // instructions per run (CMP_OPTION_BUDGET; 0: unbounded)

    // groups open while statements are pushed
    struct Group {
        qor::cmp::Stmt* owner = nullptr;                 // DO ... or SELECT statement
        std::vector<qor::cmp::Stmt*> ifs_after_close;    // IFs waiting for ELSE once END closes it
        bool loop = false;
    };
    std::vector<Group> groups;
    std::vector<qor::cmp::Stmt*> pending_ifs;            // innermost first
    int open_method = -1;
    int open_block = -1;
    std::vector<std::string> warnings;                   // conversion notes of the statement being pushed
    std::set<std::string> asked_hook;                    // names the declaration hook has seen
    std::vector<std::pair<std::string, double (*)(double)>> lib1;
    std::vector<std::pair<std::string, double (*)(double, double)>> lib2;
    std::vector<qor::cmp::ClaimedStatement> claimed;     // cmpstkw: front-end statement keywords
    std::vector<cmp_symbol*> kept;                       // cmpsymr: symbols cmpexi leaves as they are

    // where methods that the source calls but does not define are looked up (list_form.cpp)
    std::string method_library = "WORK";
    std::string method_catalog = "METHODS";
    std::set<std::string> catalog_tried;                 // methods looked up already
    std::vector<std::string> method_libraries;           // rsxlib: libraries searched in order (empty: method_library)
    std::vector<std::string> library_catalogs;           // rsxcat: the catalog of each library (empty: method_catalog)
    std::string method_entry_type = "GENTRANS";          // rsxcat: member type of the entries

    std::map<int, int> vector_capacity;                  // cmppdvd: structure index -> element count allowed

    std::vector<std::string> pushed;                     // every statement text pushed, in order (cmplsrc)
    std::vector<unsigned char> pushed_refused;           // per pushed text: 1 when the push refused it

    // output capture (cmpwpdi / cmpwpde): PUT lines of every instance held in order
    std::mutex capture_mutex;
    std::atomic<bool> capturing{false};
    std::vector<std::string> captured;

    std::unique_ptr<qor::cmp::Code> code;
    qor::cmp::NativeTier tier;                           // machine code of `code` (native_tier.cpp)
    std::vector<std::unique_ptr<cmp_function>> functions;   // cmpfnc answers, kept for the session
    std::unique_ptr<qor::cmp::DataFlow> dataflow;        // cmpdfla; dropped by the next push
    std::vector<std::unique_ptr<cmp_instance>> instances;

    // push.cpp
    int push(const char* text, int length, char* log, int log_size, char* err, int err_size);
    // semantic.cpp: resolve names and types of a statement; false with message and position
    bool resolve(qor::cmp::Stmt* s, std::string& message, int& pos);
    // list_form.cpp: stored methods; the source of a method list pushed as statements
    int load_method_list(const struct qor_list* list, const std::string& where, const std::string& expected);
    void load_called_methods();
    // codegen.cpp
    bool generate(std::string& message, int& line);

    // Declarations close once the data is laid out (cmppdv), before the instances exist.
    bool closed() const { return generated || code != nullptr; }
    char method_kind() const { return open_method >= 0 ? src.methods[open_method].kind : 'N'; }
};

// services.cpp: a new instance of the generated code for execution block `block`.
std::unique_ptr<cmp_instance> make_cmp_instance(cmp_session* s, int block);
// services.cpp: the instance's frame back to its initial image (locals missing or blank).
void reset_cmp_instance(cmp_instance* in);
// reset_mask.cpp: as reset_cmp_instance, keeping the symbols cmpsymr marked (cmpexi); false
// with the instance untouched when there is no memory to hold the kept values.
bool reset_cmp_instance_keeping(cmp_instance* in);

// Instances run on separate threads: each one, and each block of storage it writes while it runs
// (frames, pointer slots, hidden records, matrices), starts on its own pair of cache lines and
// fills them whole, so that no two instances ever write to the same line.
struct alignas(qor::cmp::kLinePair) cmp_instance {
    template <class T>
    using LineVector = qor::cmp::LineVector<T>;
    const qor::cmp::Code* code = nullptr;
    cmp_session* session = nullptr;
    int block = 0;
    LineVector<double> num;                  // numeric frame: locals, constants, temporaries
    LineVector<qor_namerec> str;             // character frame
    LineVector<char> chars;                  // storage of the character frame
    LineVector<void*> ptr;                   // structure bases and bound addresses
    std::vector<LineVector<unsigned char>> hidden;       // per special call site
    std::vector<std::vector<double*>> array_addresses;   // numeric arrays: address of each element
    std::vector<double**> array_base;                    // array_addresses[i].data(), for the executor
    std::vector<LineVector<double>> matrix_store;        // per array: storage of a matrix the instance owns
    std::vector<std::array<int, 2>> extents;             // per array: rows, columns (0: one dimension)
    LineVector<unsigned char> active;        // run list: one flag per entry
    bool use_run_list = false;
    static constexpr int kMaxDepth = 256;
    uint32_t stack[kMaxDepth];
    int depth = 0;
    long missing_generated = 0;
    int64_t budget_used = 0;                 // instructions counted against the budget this run
    double state = 0;
    std::string put_line;                    // PUT output being built
    cmp_print_fn dest = nullptr;             // cmpdest: this instance's own PUT destination
    void* dest_user = nullptr;
    qor::cmp::NativeEntry native_entry = nullptr;   // the program's machine code, once this instance uses it
    long tier_countdown = 0;                 // runs left on the VM before asking for machine code
    qor::cmp::NativeRun native_run{};        // the frame's addresses for the machine code (set once made)

    // executor.cpp: the dispatch loop
    int run_from(uint32_t pc, int start_depth = 0);
    // Runs a method or block from a special function's body and returns after it (CALLSUBR).
    int call_method(uint32_t pc);
    int run();
    // One entry from pc: as machine code when native is set and compiled to enter there, else VM.
    // The machine code hands the rest of an entry to the VM where it meets what it leaves to it.
    int run_entry(qor::cmp::NativeEntry native, uint32_t pc, int start_depth) {
        if (native) {
            native_run.start = pc;
            native_run.depth = start_depth;
            int rc = native(&native_run);
            if (__builtin_expect(rc >= 0, 1)) return rc;
            if (rc == qor::cmp::kResumeOnVM) return run_from(native_run.start, native_run.depth);
        }
        return run_from(pc, start_depth);
    }
    // native_tier.cpp: asks the session's tier for machine code; null to stay on the VM.
    qor::cmp::NativeEntry tier_up();
    // executor_sites.cpp: the instructions off the arithmetic fast path
    void op_string(const qor::cmp::Instr* ip);
    void op_aggregate(const qor::cmp::Instr* ip);
    void op_generic(const qor::cmp::Instr* ip);
    int op_special(const qor::cmp::Instr* ip);
    void op_put(const qor::cmp::Instr* ip);
    bool capture_line();
    // Stops the entry: reports message with the statement of the instruction at ip; returns 2.
    int fail(const qor::cmp::Instr* ip, const std::string& message);
    // Before a run: every pointer slot the code reads through holds an address (else reports
    // what is unbound and answers CMP_RUN_UNBOUND).
    int check_bases() {
        const std::vector<uint32_t>& slots = code->required_slots;
        for (size_t k = 0; k < slots.size(); ++k)
            if (!ptr[slots[k]]) return report_unbound(k);
        return 0;
    }
    int report_unbound(size_t k);
};
