// Termination of an engine instance (rskterm): saving the environment when asked, the scratch
// directory, library references, the audit trail, and the release of pools and blocks.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/rskaudit.h"
#include "engine/model/rskcur.h"
#include "engine/model/rskglobal.h"
#include "engine/model/rskinit.h"
#include "engine/model/rskinit_internal.h"
#include "engine/model/rskobjtab.h"
#include "engine/model/rskoptions.h"
#include "engine/model/rskpath.h"
#include "engine/model/rskroles.h"
#include "engine/model/rsksubmit.h"
#include "engine/model/rsktmr.h"
#include "engine/model/services_catalog.h"
#include "engine/model/services_compiler.h"
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

void copy_environment(RSKCON* con, const RSKOPTREC& options) {
    RSKENV* env = con->current_environment;
    if (env == nullptr || !options.envcopy || !con->environment_changed) return;
    rssenvz(con, env->name.buffer, env->name.name.length, env->path.buffer, env->path.name.length,
            env->properties.description, 0, 1);
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
    delete_pool(&con->object_pool);
    delete_pool(&con->further_pool1);
    delete_pool(&con->general_pool);
    delete_pool(&con->further_pool3);
    if (con->kit_pool != nullptr) xmpoold(con->kit_pool);
    con->kit_pool = nullptr;
    delete_pool(&con->further_pool2);
    con->current_pool = nullptr;
    con->run_pool = nullptr;
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
    if (con->options != nullptr) copy_environment(con, con->options->current);
    if (con->scratch_length > 0) zrmdir(con->scratch_path, con->scratch_length);
    if (con->options == nullptr || !con->options->current.keeplib) rskptla(con);
    end_audit(con);
    rskrelease(con);
    return 0;
}
