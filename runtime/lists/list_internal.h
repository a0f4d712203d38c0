// Runtime-internal side of typed lists: the list and item records, the identifier registry and
// the reference counting that frees a list when its last holder lets go.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/lists.h"

struct qor_list_item {
    std::string name;
    char type = QOR_SL_NUMBER;
    double number = 0;
    std::string text;
    qor_list* sublist = nullptr;   // holds one reference while the item exists
};

struct qor_list {
    qor_list_id id = 0;
    int parents = 0;               // items of other lists that hold this one
    int options = 0;
    qor_pool* pool = nullptr;
    std::vector<qor_list_item> items;
    qor_list* next_dying = nullptr;   // the chain of lists being freed (destroy_list)
};

namespace qor::runtime {

// A new registered list, or null when memory is exhausted.
qor_list* new_list(qor_pool* pool, int options);
// Give up one parent's reference; frees the list (and what only it held) at zero.
void release_sublist(qor_list* list);
// Frees a list no parent holds, releasing its items. Never allocates, so it cannot fail.
void destroy_list(qor_list* list);
// Empties a list, releasing its sublists.
void clear_items(qor_list* list);
// True when `inner` is `outer` or is reachable from it.
bool list_reaches(const qor_list* outer, const qor_list* inner);
// Swaps the items of two lists (a load builds into a scratch list, then swaps on success).
void swap_items(qor_list* a, qor_list* b);
// Logs that a list service ran out of memory (the message the service guard gives), for a
// service that answers its failure without an exception reaching the guard.
void report_no_memory(const char* service) noexcept;

}  // namespace qor::runtime
