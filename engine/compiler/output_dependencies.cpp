// The variables the exposure output depends on: after the pricing phase, the data flow of the
// program gives every symbol "exposure.value" is computed from; those that are environment
// variables of role 2 are marked.
#include <cstring>

#include "engine/compiler/program_phases.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"

namespace {
constexpr uint32_t kExposureRole = 2;
}

int getOutVarDeps(RSKCON* con, RSKRUNCOMPILE*) {
    cmp_session* session = con->compile_handle->compilation.program;
    if (cmpdfla(session) != 0) {
        xpslog("%1zCannot build dependency for output variables.");
        return 1;
    }
    cmp_symbol* exposure = cmpsyms(session, "exposure.value", 14);
    if (exposure != nullptr) {
        for (cmp_symbol* s = cmpdeps(session, exposure); s != nullptr; s = cmpndep(session)) {
            const char* name = cmpsymname(s);
            RSKNAMEREC rec{0, static_cast<uint16_t>(std::strlen(name)), const_cast<char*>(name)};
            RSKVARIABLE* v = rskvar(con, &rec);
            if (v != nullptr && v->role == kExposureRole) v->exposure_dependency = 1;
        }
    }
    cmpdfre(session);
    return 0;
}
