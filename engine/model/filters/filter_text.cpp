// Blocks of filter expression texts in the control structure's current pool, and the report of
// an expression that would pass the filter's length limit.
#include "engine/model/filters/filter_text.h"

#include "common/memory/pool_memory.h"
#include "engine/model/control/out_of_memory.h"
#include "host/print.h"

char* rsk_filter_block(RSKCON* con, size_t bytes, const char* label) {
    auto* block = static_cast<char*>(vmalcp_handler(con->current_pool, bytes, QOR_ALLOC_PLAIN));
    if (block == nullptr) rsknomem(con, bytes, label);
    return block;
}

void rsk_filter_too_long(RSKCON*, const RSKFILTER* filter) {
    xpmlog(598, 2182, static_cast<int>(filter->name.name.length), filter->name.name.text,
           static_cast<long>(kRskFilterTextLimit));
}
