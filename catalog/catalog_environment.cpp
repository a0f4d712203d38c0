// Catalog services that other layers build, answering as an empty catalog until they do:
// no saved search paths and no host-product reports.
#include "catalog/entry_table.h"

void* rssrpt(RSKCON*, const RSKNAMEREC*) {
    return nullptr;   // no host-product reports are indexed
}
