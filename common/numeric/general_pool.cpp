// The general pool for numeric work blocks: the one named by the global control block,
// else one pool created once for this library (creation is thread-safe through a static local).
#include "common/numeric/general_pool.h"

#include "common/module/anchors.h"

qor_pool* zgenpool() {
    qor_gcb* gcb = common_gcb();
    if (gcb && gcb->global_pool) return gcb->global_pool;
    static qor_pool* own = xmpoolc(1 << 16, 1 << 16, QOR_POOL_SHARED);
    return own;
}
