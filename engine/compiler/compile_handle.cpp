// The compile handle's life: made at start-up (rskxcmp), opened for each compile (rskicmp,
// rskcmp0), asked for its program, options and memory, and ended and freed (rskecmp).
#include <cstdio>
#include <cstring>

#include "common/methods/methods_library.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/method_checks.h"
#include "engine/compiler/driver_support.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/tables/catalog_records.h"
#include "host/anchor.h"
#include "host/kernel.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

constexpr size_t kCompilePoolSize = 16384;
constexpr int kCompilerModule = 0x0007008B;   // level 7, vector 139
constexpr char kCompilerName[] = "Voru Daruvazu";

qor_pool* global_pool() { return qor_global_gcb()->global_pool; }

// Back to a handle with no compile open; what outlives compiles is kept.
void clear_handle(RSKCMPCON* h) {
    RSKCON* con = h->con;
    uint8_t missing = h->compiler_missing;
    int32_t library_count = h->compilation.library_count;
    cmp_library* libraries = h->compilation.libraries;
    std::memset(h, 0, sizeof *h);
    h->con = con;
    h->compiler_missing = missing;
    h->compilation.library_count = library_count;
    h->compilation.libraries = libraries;
    h->log_size = kRskLogBufferSize;
    h->log = h->log_area;
    h->error_size = kRskErrorBufferSize;
    h->error = h->error_area;
    h->value_base_slot = h->reference_base_slot = h->market_base_slot = -1;
    h->market_vector = -1;
    h->end_entry = -1;
    h->row_base_slot = -1;
}

// The method libraries of the environment chain, made once per handle: one "LIBREF.NAME" entry
// per environment catalog, the current environment first, then WORK (its METHODS catalog).
// 0, or 1 after 598/2797.
int build_library_list(RSKCMPCON* h) {
    RSKCON* con = h->con;
    if (h->compilation.libraries != nullptr || con == nullptr || con->inherit_first == nullptr) return 0;
    int count = 0;
    for (const RSKENVCELL* cell = con->inherit_first; cell != nullptr; cell = cell->next)
        if (cell->environment != nullptr && cell->environment->symbol_length > 0) ++count;
    if (count == 0) return 0;
    ++count;   // WORK.METHODS, the compiler's own default, is searched last
    size_t bytes = sizeof(cmp_library) * static_cast<size_t>(count);
    auto* libraries = static_cast<cmp_library*>(xmalloc_labelled(global_pool(), bytes, QOR_ALLOC_ZERO, "method libraries"));
    if (libraries == nullptr) {
        rsknomem(con, bytes, "method libraries");
        con->compile_error = 1;
        return 1;
    }
    int n = 0;
    for (const RSKENVCELL* cell = con->inherit_first; cell != nullptr; cell = cell->next)
        if (cell->environment != nullptr && cell->environment->symbol_length > 0)
            libraries[n++] = cmp_library{cell->environment->symbol, cell->environment->symbol_length};
    libraries[n] = cmp_library{"WORK", 4};
    h->compilation.libraries = libraries;
    h->compilation.library_count = count;
    return 0;
}

// Hands the method libraries to the compiler: 0, or 1 after 598/3402 (or 598/2797).
int parse_libs(RSKCMPCON* h) {
    if (build_library_list(h) != 0) return 1;
    if (h->compilation.library_count <= 0) return 0;
    if (rsxlib(h->compilation.libraries, h->compilation.library_count, h->compilation.program) == 0) {
        if (h->con != nullptr) h->con->compile_error = 1;
        xpmlog(598, 3402);
        return 1;
    }
    // The environments keep their methods as entries of their own member type: a RUNMETHOD of a
    // method no statement defines is read from the environment chain's catalogs.
    if (h->con != nullptr && rsktrn_catalogs(h->con, h->compilation.program) != 0) {
        h->con->compile_error = 1;
        xpmlog(598, 3402);
        return 1;
    }
    return 0;
}

// The host's own routines, then the special functions: 0, or 1 after the message.
int install_functions(RSKCMPCON* h) {
    cmp_session* program = h->compilation.program;
    if (cmpamin(program) != 0) {
        xpmlog(598, 3413);
        return 1;
    }
    if (cmpdyna(program) != 0) {
        xpslog("%1zUnable to install DYNAMIC_ARRAY function.");
        return 1;
    }
    if (cmpfrna(program) != 0) {
        xpslog("%1zUnable to install CALLSUBR function.");
        return 1;
    }
    // The numeric library of the methods language (PROBNORM, PROBIT, INTNX, INTCK and the
    // distribution functions) that pricing methods call.
    if (methods_install_library(program) != 0) {
        xpslog("%1zUnable to install the numeric library functions.");
        return 1;
    }
    return install_special_functions(h) != 0 ? 1 : 0;
}

// A compile pool and the extension (with a new session when program is null): 0 or 1.
int open_session(RSKCMPCON* h, cmp_session* program) {
    h->pool = xmpoolc(kCompilePoolSize, kCompilePoolSize, 0);
    if (h->pool == nullptr) {
        rsknomem(h->con, kCompilePoolSize, "compile pool");
        return 1;
    }
    RSKCMPEXT* extension = nullptr;
    if (rskcompi(&program, h->con, h->pool, &extension) != 0) return 1;
    h->compilation.program = program;
    h->extension = extension;
    extension->handle = h;
    std::snprintf(h->compilation.name, sizeof h->compilation.name, "%s", kCompilerName);
    h->compilation.flag = 1;
    return 0;
}

}  // namespace

int rsk_execution_blocks(const RSKCON* con) {
    const RSKRUNCOMPILE* run = con != nullptr ? con->run_compile : nullptr;
    return run != nullptr && run->execution_blocks > 1 ? run->execution_blocks : 1;
}

void* rsk_compile_alloc(RSKCMPCON* h, size_t bytes, const char* label) {
    void* block = h->pool != nullptr ? xmalloc_labelled(h->pool, bytes, QOR_ALLOC_ZERO, label) : nullptr;
    if (block == nullptr) {
        rsknomem(h->con, bytes, label);
        return nullptr;
    }
    h->pool_bytes += bytes;
    return block;
}

void rsk_compile_free(RSKCMPCON* h, void* block, size_t bytes) {
    if (block == nullptr || h->pool == nullptr) return;
    h->pool->release(h->pool, block, bytes, QOR_FREE_SIZED);
    h->pool_bytes -= bytes < h->pool_bytes ? bytes : h->pool_bytes;
}

void rsk_end_compilation(RSKCMPCON* h) {
    // A wrapped program (mode 1) belongs to its caller: only our records go.
    if (h->compilation.program != nullptr && h->mode != 1) cmpends(h->compilation.program);
    if (h->extension != nullptr) rskcompe(h->extension);
    if (h->pool != nullptr) xmpoold(h->pool);
    clear_handle(h);
}

RSKCMPCON* rskxcmp() {
    auto* h = static_cast<RSKCMPCON*>(
        xmalloc_labelled(global_pool(), sizeof(RSKCMPCON), QOR_ALLOC_ZERO, "compile handle"));
    if (h == nullptr) return nullptr;
    clear_handle(h);
    // Without the compiler no method can be compiled: say so now, and fail every compile.
    if (wiinstl(kCompilerModule, "QORCMPA ", 1) != 0) {
        h->compiler_missing = 1;
        xpslog("%1zThe methods compiler QORCMPA could not be installed: no method can be compiled.");
    }
    return h;
}

int rskecmp(RSKCON* con) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    if (h == nullptr) return 0;
    rsk_end_compilation(h);
    rskcmpf(con);
    if (h->compilation.libraries != nullptr)
        global_pool()->release(global_pool(), h->compilation.libraries,
                               sizeof(cmp_library) * static_cast<size_t>(h->compilation.library_count),
                               QOR_FREE_SIZED);
    global_pool()->release(global_pool(), h, sizeof *h, QOR_FREE_SIZED);
    con->compile_handle = nullptr;
    return 0;
}

int rskicmp(int echo, int echo_argument, RSKCON* con, int reopen) {
    (void)reopen;   // every open is a full one: a session that took its end marker takes no more
    if (con == nullptr) return 1;
    if (con->compile_handle == nullptr) {
        con->compile_handle = rskxcmp();
        if (con->compile_handle == nullptr) {
            rsknomem(con, sizeof(RSKCMPCON), "compile handle");
            return 1;
        }
    }
    RSKCMPCON* h = con->compile_handle;
    rskcmpf(con);
    rsk_end_compilation(h);
    h->con = con;
    if (h->compiler_missing) {
        xpmlog(598, 3401);
        return 1;
    }
    h->echo = echo != 0 ? 1 : 0;
    h->echo_argument = echo_argument;
    h->mode = 2;
    h->compilation.settings[0] = con->echo;
    h->compilation.settings[1] = con->debug_detail;
    if (open_session(h, nullptr) != 0) {
        xpmlog(598, 3401);
        rsk_end_compilation(h);
        return 1;
    }
    if (install_functions(h) != 0 || parse_libs(h) != 0) {
        rsk_end_compilation(h);
        return 1;
    }
    h->initialised = 1;
    return 0;
}

int rskcmp0(RSKCON* con, cmp_session* program, int create, int library_count, const cmp_library* libraries) {
    if (con == nullptr) return 1;
    if (!create) {
        if (rskicmp(0, 0, con, 1) != 0) return 1;
        RSKCMPCON* h = con->compile_handle;
        h->declare_hook = 1;
        if (library_count > 0 && rsxlib(libraries, library_count, h->compilation.program) == 0) {
            xpmlog(598, 3402);
            return 1;
        }
        return 0;
    }
    if (con->compile_handle == nullptr && (con->compile_handle = rskxcmp()) == nullptr) return 1;
    RSKCMPCON* h = con->compile_handle;
    rsk_end_compilation(h);
    h->con = con;
    h->mode = 1;
    if (program == nullptr || open_session(h, program) != 0) return 1;
    h->initialised = 1;
    if (install_functions(h) != 0) return 3;
    if (library_count > 0 && rsxlib(libraries, library_count, program) == 0) {
        xpmlog(598, 3402);
        return 1;
    }
    return 0;
}

int rskocmp(RSKCMPCON* h, int option, int value) {
    if (h == nullptr || h->compilation.program == nullptr) return 1;
    return cmpopt2(h->compilation.program, option, value);
}

cmp_session* rskcmpg(RSKCON* con, int block) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    RSKRUNCOMPILE* run = con != nullptr ? con->run_compile : nullptr;
    if (block > 0 && run != nullptr && run->per_block_programs && run->programs != nullptr &&
        block < run->execution_blocks && run->programs[block].program != nullptr)
        return run->programs[block].program;
    return h != nullptr ? h->compilation.program : nullptr;
}

cmp_instance* rskcmpi(RSKCON* con, int block) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    if (h == nullptr || h->state != RSKCMP_GENERATED || block < 0 || block >= rsk_execution_blocks(con))
        return nullptr;
    return cmpinsb(h->compilation.program, block);
}

size_t rskmcmp(RSKCON* con) {
    RSKCMPCON* h = con != nullptr ? con->compile_handle : nullptr;
    if (h == nullptr) return 0;
    size_t total = h->pool_bytes;
    size_t counters[17] = {};
    if (h->compilation.program != nullptr && cmpmuse(h->compilation.program, counters) == 0)
        for (size_t c : counters) total += c;
    return total;
}

int rskaref(RSKCMPCON* h) {
    if (h == nullptr) return -1;
    int n = rsk_execution_blocks(h->con);
    if (h->reference_count + n > h->reference_capacity) {
        int capacity = h->reference_capacity + (n > 10 ? n : 10);
        auto* grown = static_cast<RSKREFENTRY*>(
            rsk_compile_alloc(h, sizeof(RSKREFENTRY) * static_cast<size_t>(capacity), "reference table"));
        if (grown == nullptr) return -1;
        if (h->references != nullptr) {
            std::memcpy(grown, h->references, sizeof(RSKREFENTRY) * static_cast<size_t>(h->reference_count));
            rsk_compile_free(h, h->references, sizeof(RSKREFENTRY) * static_cast<size_t>(h->reference_capacity));
        }
        h->references = grown;
        h->reference_capacity = capacity;
    }
    int first = h->reference_count;
    h->reference_count += n;
    return first;
}
