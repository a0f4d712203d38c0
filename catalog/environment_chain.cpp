// The environments whose catalogs make up the current chain, ancestors first: what indexing
// walks. Until inheritance keeps its flattened list, the chain is the current environment.
#include "catalog/object_forms.h"

int rss_environment_chain(RSKCON* con, RSKENV** chain, int limit) {
    if (limit < 1 || con->current_environment == nullptr) return 0;
    chain[0] = con->current_environment;
    return 1;
}
