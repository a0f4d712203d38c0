// Start-up of an engine instance (rskinit): the control structure, its pools, blocks and symbol
// tables, host options, appendage modules, libraries, registries, options, formats, currencies.
// Every failure releases what was made so far, so a failed start-up leaves nothing behind.
#include <cstring>
#include <iterator>

#include "common/module/anchors.h"
#include "common/module/step_context.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/types/type_name_lists.h"
#include "engine/model/control/global_blocks.h"
#include "engine/model/control/startup.h"
#include "engine/model/control/release.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/tables/object_tables.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/registries/role_combinations.h"
#include "engine/model/submission/code_submission.h"
#include "engine/model/timers/timers.h"
#include "engine/model/services/catalog.h"
#include "engine/model/services/compiler.h"
#include "host/fm.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/macro.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr size_t kPoolSize = 16384;

// An appendage or host module that the engine installs at start-up.
struct ModuleToInstall {
    int level;
    int vector;
    const char* name;                // blank-padded to 8 characters
};
constexpr ModuleToInstall kModules[] = {
    {14, 383, "TOLVANEC"}, {7, 139, "QORCMPA "}, {7, 247, "QORMODLA"}, {16, 416, "QORRAS  "},
    {16, 418, "QORZUQB "},
};

// Module names are exactly eight characters: the host reads eight and no more.
constexpr bool eight_characters() {
    for (const ModuleToInstall& m : kModules) {
        int n = 0;
        while (m.name[n] != '\0') ++n;
        if (n != 8) return false;
    }
    return true;
}
static_assert(eight_characters(), "module names are blank-padded to 8 characters");

// A failed start-up: everything made so far is released and the caller gets no structure.
int fail(RSKCON** out) {
    if (*out != nullptr && (*out)->general_pool != nullptr) rskptla(*out);
    rskrelease(*out);
    *out = nullptr;
    return 1;
}

// The same before ending the step with a host exit code.
[[noreturn]] void fail_and_exit(RSKCON** out, int code) {
    fail(out);
    xexit(code);
}

// A zeroed block of the global pool; out of memory is reported with its label.
template <typename Block>
bool allocate(RSKCON* con, Block** field, const char* label) {
    *field = static_cast<Block*>(rskgalloc(sizeof(Block)));
    if (*field != nullptr) return true;
    rsknomem(con, sizeof(Block), label);
    return false;
}

bool allocate_blocks(RSKCON* con) {
    if (!allocate(con, &con->memory_block, "run-time block")) return false;
    if (!allocate(con, &con->runtime_tables, "run-time table block")) return false;
    if (!allocate(con, &con->options, "options block")) return false;
    if (!allocate(con, &con->compiler_libraries, "compiled-library list")) return false;
    if (!allocate(con, &con->run_block, "project run block")) return false;
    if (!allocate(con, &con->role_types, "role and type tables")) return false;
    con->role_types->bucket_count = kRskRoleBuckets;
    con->cpty_buffer1 = 0;
    con->cpty_length1 = 0;
    con->cpty_buffer2 = 0;
    con->cpty_length2 = 0;
    if (!allocate(con, &con->free_lists, "record free lists")) return false;
    return allocate(con, &con->object_tables, "object tables");
}

void read_host_options(RSKCON* con) {
    int value = 0;
    if (xoptbgt("GENERIC", &value) == 0) con->generic = value != 0 ? 1 : 0;
    if (xoptbgt("DATE", &value) == 0) con->no_date = value == 0 ? 1 : 0;
    if (xoptbgt("STIMER", &value) == 0) con->no_timer = value == 0 ? 1 : 0;
    long papc = 0;
    if (xoptigt("PAPC", &papc) == 0) con->papc = static_cast<int32_t>(papc);
}

// 0, or the index of the module that failed plus one.
int install_modules() {
    for (int i = 0; i < static_cast<int>(std::size(kModules)); ++i) {
        const ModuleToInstall& m = kModules[i];
        if (wiinstl((m.level << 16) | m.vector, m.name, 1) != 0) {
            int length = 8;
            while (length > 0 && m.name[length - 1] == ' ') --length;
            xpmlog(598, 6000, length, m.name);
            return i + 1;
        }
    }
    return 0;
}

void look_up_formats(RSKCON* con) {
    qor_format_info info;
    if (xfrname(nullptr, "DATE", 4, 0, &info, nullptr) == 0) {
        con->date_format = RSKFORMAT{static_cast<uint32_t>(info.code), 9};
    }
    if (xfrname(nullptr, "DATETIME", 8, 0, &info, nullptr) == 0) {
        con->datetime_format = RSKFORMAT{static_cast<uint32_t>(info.code), static_cast<uint32_t>(info.default_width)};
    }
    if (xfrname(nullptr, "TIME", 4, 0, &info, nullptr) == 0) {
        con->time_format = RSKFORMAT{static_cast<uint32_t>(info.code) + 3, static_cast<uint32_t>(info.default_width)};
    }
}

}  // namespace

int rskinit(RSKCON** out, int client_kind, uint32_t function_manager, uint32_t manager) {
    if (out == nullptr) return 1;
    xmemdef();                       // forget failures of earlier work: only start-up's count
    *out = static_cast<RSKCON*>(rskgalloc(sizeof(RSKCON)));
    RSKCON* con = *out;
    if (con == nullptr) {
        rsknomem(nullptr, sizeof(RSKCON), "Risk control structure");
        return 1;
    }
    con->client_kind = static_cast<uint32_t>(client_kind);
    con->function_manager = function_manager;
    if (function_manager == 0) {
        struct { int16_t length; char text[4]; } workspace = {4, {'Z', 'O', 'Z', 'U'}};
        if (fminit("N", "N", nullptr, nullptr, nullptr, nullptr, 1279, &workspace, nullptr, nullptr) != 0)
            fail_and_exit(out, 1008);
        // The host keeps one function manager per process, reached through fmcomgt: a non-zero
        // handle only says that it runs.
        con->function_manager = 1;
    }
    // This host has no output-delivery objects: the caller's manager is kept as given.
    con->output_manager = manager;

    con->submission_context = zsubini(static_cast<uint32_t>(client_kind), con);
    if (con->submission_context == nullptr) {
        if (con->no_memory_reported) return fail(out);
        xebug("ZOZU cannot initialize qorcode submission areas.");
        fail_and_exit(out, 9999);
    }
    con->general_pool = xmpoolc(kPoolSize, kPoolSize, 2);
    con->object_pool = con->general_pool != nullptr ? xmpoolc(kPoolSize, kPoolSize, 2) : nullptr;
    if (con->object_pool == nullptr) {
        rsknomem(con, kPoolSize, "memory pool");
        xpmlog(598, 500);
        return fail(out);
    }
    con->current_pool = con->object_pool;
    con->compile_handle = rskxcmp();
    if (con->compile_handle == nullptr) {
        rsknomem(con, sizeof(RSKCMPCON), "compile handle");
        xpmlog(598, 500);
        return fail(out);
    }
    if (!allocate_blocks(con)) return fail(out);
    con->environment_options = &con->options->current;   // what catalog storage stores
    // The tables fail only when memory runs out: that is reported and start-up fails.
    if (rskaltb(con, RSKALTB_ENVIRONMENT | RSKALTB_RUNTIME | 1) != 0) {
        xpmlog(598, 1290);
        return fail(out);
    }
    // The host's library, file-reference and macro services take no task handle: every step
    // runs on the main task, which handle 1 names.
    con->task_handle = 1;
    xalanch();
    con->current_tables = con->object_tables;
    read_host_options(con);
    if (install_modules() != 0) fail_and_exit(out, 1012);

    if (open_files(con) != 0) xpmlog(598, 1291);
    get_audit_outfile(con);
    get_pw_lib(con);
    if (get_codes(con) != 0 || con->no_memory_reported) return fail(out);
    // Without the role and type hashes no variable can be checked: a failure ends start-up.
    // Their routine says what ran out (598/93); start-up ends as every out-of-memory does.
    if (get_roles(con) != 0) {
        xpmlog(598, 2797, static_cast<long>(sizeof(RSKROLENODE) * 100), "role and type tables");
        return fail(out);
    }
    if (con->no_memory_reported) return fail(out);
    default_options(con);
    con->current_options = &con->options->current;
    look_up_formats(con);
    int currencies = fill_currency_table(con);
    rskgtyi(con, &con->options->type_names, 32);
    if (con->no_memory_reported) return fail(out);
    xjsympc(xalanch(), "RESLIB1", -1, "WORK", -1);
    if (client_kind == 1) rssenla(con);
    if (currencies != 0) {
        xpslog("Cannot initialize CMR.");
        return fail(out);
    }
    // A routine that met an allocation failure and went on without it leaves an instance with
    // missing parts: that is an out-of-memory failure of start-up too.
    if (xmemdef() != 0) {
        rsknomem(con, 0, "start-up of the risk engine");
        return fail(out);
    }
    return 0;
}
