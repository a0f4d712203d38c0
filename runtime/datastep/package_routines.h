// The web-report package call routines of the DATA step (PACKAGE_BEGIN, INSERT_REF,
// PACKAGE_PUBLISH, PACKAGE_END), installed into a step's compile session.
#pragma once
#include "host/compiler.h"

namespace qor::runtime::datastep {

// 0, or non-zero when a routine cannot be installed.
int install_package_routines(cmp_session* session);

}  // namespace qor::runtime::datastep
