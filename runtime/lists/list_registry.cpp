// Life of typed lists: creation with an identifier, resolution of identifiers, reference counts
// of sublists, freeing (without recursion, so any depth is safe), clearing and deep copying.
#include <mutex>
#include <new>
#include <unordered_map>
#include <unordered_set>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/lists/list_internal.h"

namespace {

std::mutex registry_lock;
std::unordered_map<qor_list_id, qor_list*>& registry() {
    static auto* lists = new std::unordered_map<qor_list_id, qor_list*>;
    return *lists;
}
qor_list_id last_id = 0;

void unregister(qor_list* list) {
    std::lock_guard<std::mutex> hold(registry_lock);
    registry().erase(list->id);
}

// Appends copies of the items of `from` to `to`, sharing the copy of a list met twice. A new
// sublist copy is held by its item in `to` from the moment it exists, so whatever fails part-way,
// freeing the root of the copy frees every list made so far. Answers 0, QOR_SL_NO_MEMORY or
// QOR_SL_TOO_DEEP; may also throw std::bad_alloc.
int copy_items(const qor_list* from, qor_list* to, std::unordered_map<const qor_list*, qor_list*>& copies,
               int depth) {
    if (depth > QOR_SL_DEPTH_MAX) return QOR_SL_TOO_DEEP;
    to->items.reserve(to->items.size() + from->items.size());   // the appends below cannot fail
    for (const qor_list_item& item : from->items) {
        qor_list_item copy;
        copy.name = item.name;
        copy.type = item.type;
        copy.number = item.number;
        copy.text = item.text;
        if (item.type != QOR_SL_LIST) {
            to->items.push_back(std::move(copy));
            continue;
        }
        auto found = copies.find(item.sublist);
        if (found != copies.end()) {
            copy.sublist = found->second;
            copy.sublist->parents++;
            to->items.push_back(std::move(copy));
            continue;
        }
        qor_list* sub = qor::runtime::new_list(to->pool, item.sublist->options);
        if (!sub) return QOR_SL_NO_MEMORY;
        sub->parents = 1;
        copy.sublist = sub;
        to->items.push_back(std::move(copy));   // `to` holds the new list from here on
        copies[item.sublist] = sub;
        int code = copy_items(item.sublist, sub, copies, depth + 1);
        if (code != 0) return code;
    }
    return 0;
}

}  // namespace

namespace qor::runtime {

qor_list* new_list(qor_pool* pool, int options) {
    qor_list* list = new (std::nothrow) qor_list;
    if (!list) return nullptr;
    list->pool = pool;
    list->options = options;
    std::lock_guard<std::mutex> hold(registry_lock);
    do {
        list->id = ++last_id;
    } while (list->id == 0 || registry().count(list->id));
    try {
        registry()[list->id] = list;
    } catch (const std::bad_alloc&) {
        delete list;
        return nullptr;
    }
    return list;
}

void destroy_list(qor_list* list) {
    // The lists to free are chained through themselves: no recursion, so nesting depth never
    // reaches the stack, and no work container, so freeing never allocates and cannot fail. A
    // list joins the chain once, when its last parent lets go.
    list->next_dying = nullptr;
    qor_list* dying = list;
    while (dying) {
        qor_list* current = dying;
        dying = current->next_dying;
        for (qor_list_item& item : current->items) {
            if (item.sublist && --item.sublist->parents == 0) {
                item.sublist->next_dying = dying;
                dying = item.sublist;
            }
        }
        unregister(current);
        delete current;
    }
}

void release_sublist(qor_list* list) {
    if (list && --list->parents == 0) destroy_list(list);
}

void clear_items(qor_list* list) {
    std::vector<qor_list_item> items;
    items.swap(list->items);
    for (qor_list_item& item : items) release_sublist(item.sublist);
}

bool list_reaches(const qor_list* outer, const qor_list* inner) {
    std::vector<const qor_list*> todo{outer};
    std::unordered_set<const qor_list*> seen;
    while (!todo.empty()) {
        const qor_list* current = todo.back();
        todo.pop_back();
        if (current == inner) return true;
        if (!seen.insert(current).second) continue;
        for (const qor_list_item& item : current->items)
            if (item.sublist) todo.push_back(item.sublist);
    }
    return false;
}

void swap_items(qor_list* a, qor_list* b) { a->items.swap(b->items); }

void report_no_memory(const char* service) noexcept { service_failed(service, std::bad_alloc()); }

}  // namespace qor::runtime

using namespace qor::runtime;

qor_list_id slnewl(qor_list** out, qor_pool* pool, int options) try {
    qor_list* list = new_list(pool, options);
    if (out) *out = list;
    if (!list) {
        report_no_memory(__func__);
        return 0;
    }
    if (!out) {   // nobody would ever hold it
        destroy_list(list);
        return 0;
    }
    return list->id;
}
QOR_SERVICE_CATCH(0)

qor_list* slistp(qor_list_id id, qor_pool*) {
    std::lock_guard<std::mutex> hold(registry_lock);
    auto found = registry().find(id);
    return found == registry().end() ? nullptr : found->second;
}

qor_list_id slid(const qor_list* list) { return list ? list->id : 0; }

int sldel(qor_list* list, int) try {
    if (!list) return QOR_SL_NULL;
    if (list->parents == 0) destroy_list(list);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slfree(qor_list_id id, int options, qor_pool*) try {
    qor_list* list = slistp(id);
    return list ? sldel(list, options) : QOR_SL_NULL;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slclear(qor_list* list, int, qor_pool*) try {
    if (!list) return QOR_SL_NULL;
    clear_items(list);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

qor_list_id slcopy(const qor_list* from, qor_list* to) try {
    if (!from || !to) return 0;
    // The copy is built in a scratch list and moved into `to` only when complete; a copy that
    // fails part-way is freed with the scratch list, leaving `to` as it was.
    qor_list* scratch = new_list(to->pool, to->options);
    if (!scratch) {
        report_no_memory(__func__);
        return 0;
    }
    int code;
    try {
        std::unordered_map<const qor_list*, qor_list*> copies;
        code = copy_items(from, scratch, copies, 0);
        if (code == 0) to->items.reserve(to->items.size() + scratch->items.size());
    } catch (const std::bad_alloc&) {
        code = QOR_SL_NO_MEMORY;
    }
    if (code == 0) {
        for (qor_list_item& item : scratch->items) to->items.push_back(std::move(item));
        scratch->items.clear();
    }
    destroy_list(scratch);
    if (code == QOR_SL_NO_MEMORY) report_no_memory(__func__);
    else if (code == QOR_SL_TOO_DEEP)
        xpslog("%1zThe list is nested deeper than %i levels and cannot be copied.", QOR_SL_DEPTH_MAX);
    return code == 0 ? to->id : 0;
}
QOR_SERVICE_CATCH(0)

int slcnt(const qor_list* list) { return list ? static_cast<int>(list->items.size()) : 0; }

size_t qor_list_live_count() {
    std::lock_guard<std::mutex> hold(registry_lock);
    return registry().size();
}
