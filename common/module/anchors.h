// The module's host anchors (one set per module) and the accessor the common routines use.
// Before mcn_main has run (unit tests link the library directly) the process's own anchors serve.
#pragma once
#include "host/anchor.h"
#include "host/kit.h"

extern qor_gcb* v_global_gcb_anchor;
extern qor_pidb* v_global_pidb_anchor;
extern qor_kit* Exported_QKHandle;

// The global control block this module talks to.
qor_gcb* common_gcb();
