// Catalog services that other layers build, answering as an empty catalog until they do:
// no saved search paths and no host-product reports.
#include "catalog/entry_table.h"

int rsspthl(RSKCON*) {
    return 0;   // no saved search paths: the paths stay as start-up made them
}

void* rssrpt(RSKCON*, const RSKNAMEREC*) {
    return nullptr;   // no host-product reports are indexed
}
