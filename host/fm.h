// The host's function and frame manager: start-up, workspace load, and the table of host
// routines that a module registers with it (in a fixed order; a null entry keeps its place).
#pragma once
#include "host/anchor.h"
#include "host/export.h"

// The registered host routines, in their fixed table order; NONE marks an empty entry.
#define QOR_FM_ROUTINES(X, NONE)                                                            \
    X(fmxlmsi) X(fmxlprs) X(fmxldsp) X(fmxlget) X(fmxlput) X(edpatt) X(edppd) X(fmzmsgp)     \
    X(afstrm2) NONE X(fmdspex) X(fmvlget) X(fmvlput) X(fmdsget) X(fmdsput) X(fmcdget)        \
    X(fmcdput) X(fmfiget) X(fmfiput) X(fmlbget) X(fmlbput) X(frmms) X(frmdisp) X(frmprs1)    \
    X(frmprs2) X(frmpsgr) X(fmtaske) X(frmfcgr) X(fmtask) X(fntms) X(fntpd) X(fntgtrw)       \
    X(frmpspr) NONE X(pscattn) X(psc0805) X(pscglin) X(fmdsnst) X(afexlp) X(afexps)          \
    X(afexed) X(afexfd) X(afexfm) NONE X(pscmer) X(aft63) X(aft64) NONE X(fmabedx) NONE NONE \
    X(fsevalf) X(fsexitl) X(fsexitp) X(fsexitf) X(fsegetl) NONE X(afgdir) X(afhlgr)          \
    X(afhlpr) X(afsldir) X(afslgr) X(afslpr) X(fmsdgr) X(fmsdpr) X(fmndget) X(fmndput)       \
    X(fmdscmp) NONE

enum : int { QOR_FM_ROUTINE_COUNT = 69 };

using qor_fm_routine = int (*)(void);

#define QOR_FM_DECLARE(name) QOR_HOST_API int name(void);
#define QOR_FM_NOTHING
QOR_FM_ROUTINES(QOR_FM_DECLARE, QOR_FM_NOTHING)
#undef QOR_FM_DECLARE
QOR_HOST_API int afsfree(void);

// The function manager's common block: the converted routine table and the free routine.
struct qor_fm_common {
    qor_fm_routine routines[QOR_FM_ROUTINE_COUNT];
    qor_fm_routine free_routine;
    char workspace[33];               // name of the opened workspace
    int initialised;
};

QOR_HOST_API qor_fm_common* fmcomgt();
// Initialise the function manager for a module; arguments are the module's start-up values
// (the workspace name is a counted text: 16-bit length then the characters).
QOR_HOST_API int dpdinit(const void* a1, const void* a3, const void* workspace, const void* a2,
                         const void* a9, int flag, const void* a10);
// Load the workspace; passes on the start-up result it is given.
QOR_HOST_API int dpdload(const void* a6, const void* a5, int result);
// Convert a table of routines into host-callable routines stored in target.
QOR_HOST_API int virv2g(const qor_fm_routine* table, qor_fm_routine* target, int count,
                        qor_task* task, qor_pidb* pidb);
// Convert one routine.
QOR_HOST_API int vir2g(qor_fm_routine routine, qor_fm_routine* converted);
