// Termination of an engine instance (rskterm): saving the environment when asked, the scratch
// directory, library references, the audit trail, and the release of pools and blocks.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/control/global_blocks.h"
#include "engine/model/control/startup.h"
#include "engine/model/control/release.h"
#include "engine/tables/object_tables.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/registries/role_combinations.h"
#include "engine/model/submission/code_submission.h"
#include "engine/model/timers/timers.h"
#include "engine/model/services/catalog.h"
#include "engine/model/services/compiler.h"
#include "engine/run/run_storage.h"
#include "host/files.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

void delete_pool(qor_pool** pool) {
    if (*pool != nullptr) xmpoold(*pool);
    *pool = nullptr;
}

template <typename Block>
void free_block(Block** block) {
    rskgfree(*block, sizeof(Block));
    *block = nullptr;
}

void save_environment(RSKCON* con, const RSKOPTREC& options) {
    if (!options.autosave) return;
    if (con->error) {
        xpmlog(598, 504);
        return;
    }
    if (rssenva(con) == 0 && con->client_kind == 1) rssenlt(con);
}

// The working copy in WORK goes with the step.
void delete_working_copy(RSKCON* con, const RSKOPTREC& options) {
    RSKENV* env = con->current_environment;
    if (env == nullptr || !options.envcopy || con->held_environment == nullptr) return;
    rssenvz(con, env->path.buffer, env->path.name.length, env->name.buffer, env->name.name.length,
            env->outpath.buffer, env->outpath.name.length, 0, 1);
}

void end_audit(RSKCON* con) {
    if (!con->audit) return;
    char stamp[64];
    int width = static_cast<int>(con->datetime_format.width);
    if (width < 1 || width >= static_cast<int>(sizeof stamp)) width = 19;
    if (xpfs(wzdttme(), width, static_cast<int>(con->datetime_format.handle), stamp) != 0) width = 0;
    int length = width;
    rskadtp(con, 598, 3909, length, stamp, static_cast<int>(con->user_name_length), con->user_name);
}

}  // namespace

void rskrelease(RSKCON* con) {
    if (con == nullptr) return;
    if (con->audit_fileref[0] != ' ' && con->audit_fileref[0] != '\0') xxrdasg(con->audit_fileref);
    zsubend(static_cast<RSKSUBMITCTX*>(con->submission_context));
    con->submission_context = nullptr;
    rskecmp(con);   // the compile handle and everything it owns
    rskmem_close_team(con);   // the pricing threads of a run that ended without rskmemf
    delete_pool(&con->object_pool);
    delete_pool(&con->further_pool1);
    delete_pool(&con->general_pool);
    delete_pool(&con->further_pool3);
    if (con->kit_pool != nullptr) xmpoold(con->kit_pool);
    con->kit_pool = nullptr;
    delete_pool(&con->further_pool2);
    delete_pool(&con->environment_pool);
    con->current_pool = nullptr;
    con->run_pool = nullptr;
    // The reference maps of the last rebuild live in a pool of their own.
    if (con->runtime_tables != nullptr && con->runtime_tables->reference_map_pool != nullptr) {
        xmpoold(con->runtime_tables->reference_map_pool);
        con->runtime_tables->reference_map_pool = nullptr;
    }
    free_block(&con->memory_block);
    free_block(&con->runtime_tables);
    free_block(&con->options);
    free_block(&con->compiler_libraries);
    free_block(&con->run_block);
    free_block(&con->role_types);
    free_block(&con->object_tables);
    free_block(&con->free_lists);
    std::memset(con, 0, sizeof *con);
    rskgfree(con, sizeof *con);
}

int rskterm(RSKCON* con) {
    if (con == nullptr) return 0;
    if (con->options != nullptr) save_environment(con, con->options->current);
    rssenvx(con);
    if (con->register_output) rssoutz(con);
    if (con->options != nullptr) delete_working_copy(con, con->options->current);
    if (con->scratch_length > 0) zrmdir(con->scratch_path, con->scratch_length);
    if (con->options == nullptr || !con->options->current.keeplib) rskptla(con);
    end_audit(con);
    rskrelease(con);
    return 0;
}
