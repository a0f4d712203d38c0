// Item operations of typed lists: get by name or position, insert, set by name or position,
// delete, and the name and value searches.
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "runtime/core/service_guard.h"
#include "runtime/lists/list_internal.h"

using namespace qor::runtime;

namespace {

bool same_name(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return false;
    }
    return true;
}

qor_list_item* find(const qor_list* list, std::string_view name) {
    for (const qor_list_item& item : list->items)
        if (same_name(item.name, name)) return const_cast<qor_list_item*>(&item);
    return nullptr;
}

qor_list_item* at(const qor_list* list, int position) {
    if (position < 1 || static_cast<size_t>(position) > list->items.size()) return nullptr;
    return const_cast<qor_list_item*>(&list->items[static_cast<size_t>(position) - 1]);
}

// A number as an integer of the range [low, high], cut toward zero.
int to_integer(double value, double low, double high, int64_t* out) {
    if (std::isnan(value)) return QOR_SL_RANGE;
    double cut = std::trunc(value);
    if (cut < low || cut > high) return QOR_SL_RANGE;
    *out = static_cast<int64_t>(cut);
    return 0;
}

// Sets an item to a new value of any type, releasing a sublist it held.
void assign(qor_list_item* item, char type, double number, std::string_view text, qor_list* sublist) {
    std::string new_text(text.data(), text.size());   // may throw: nothing changed yet
    qor_list* old = item->sublist;
    item->type = type;
    item->number = number;
    item->text.swap(new_text);
    item->sublist = sublist;
    if (sublist) sublist->parents++;
    release_sublist(old);
}

int check_sublist(const qor_list* list, qor_list_id id, qor_list** out) {
    qor_list* sub = slistp(id);
    if (!sub) return QOR_SL_NULL;
    // A list may never contain itself. One that no list holds cannot be inside `sub`.
    if (sub == list || (list->parents > 0 && list_reaches(sub, list))) return QOR_SL_CYCLE;
    *out = sub;
    return 0;
}

int insert(qor_list* list, int position, std::string_view name, char type, double number, std::string_view text,
           qor_list_id sublist_id) {
    if (!list) return QOR_SL_NULL;
    if (name.size() > QOR_SL_NAME_MAX) return QOR_SL_BAD_NAME;
    size_t count = list->items.size();
    if (position != QOR_SL_APPEND && (position < 1 || static_cast<size_t>(position) > count + 1))
        return QOR_SL_POSITION;
    qor_list* sub = nullptr;
    if (type == QOR_SL_LIST) {
        int code = check_sublist(list, sublist_id, &sub);
        if (code != 0) return code;
    }
    // Running out of memory here throws before the list changes (items move without throwing);
    // the calling service's guard logs it and answers QOR_SL_NO_MEMORY.
    qor_list_item item;
    item.name.assign(name.data(), name.size());
    item.type = type;
    item.number = number;
    item.text.assign(text.data(), text.size());
    size_t where = position == QOR_SL_APPEND ? count : static_cast<size_t>(position) - 1;
    list->items.insert(list->items.begin() + static_cast<std::ptrdiff_t>(where), std::move(item));
    list->items[where].sublist = sub;
    if (sub) sub->parents++;
    return 0;
}

int set_named(qor_list* list, std::string_view name, char type, double number, std::string_view text,
              qor_list_id sublist_id) {
    if (!list) return QOR_SL_NULL;
    qor_list_item* item = find(list, name);
    if (!item) return insert(list, QOR_SL_APPEND, name, type, number, text, sublist_id);
    qor_list* sub = nullptr;
    if (type == QOR_SL_LIST) {
        int code = check_sublist(list, sublist_id, &sub);
        if (code != 0) return code;
    }
    assign(item, type, number, text, sub);   // throws before changing the item
    return 0;
}

// Looks a named item of a type up: 0, QOR_SL_ABSENT, or a failure.
int lookup(const qor_list* list, std::string_view name, char type, const qor_list_item** out) {
    if (!list) return QOR_SL_NULL;
    const qor_list_item* item = find(list, name);
    if (!item) return QOR_SL_ABSENT;
    if (item->type != type) return QOR_SL_WRONG_TYPE;
    *out = item;
    return 0;
}

int lookup_at(const qor_list* list, int position, char type, const qor_list_item** out) {
    if (!list) return QOR_SL_NULL;
    const qor_list_item* item = at(list, position);
    if (!item) return QOR_SL_POSITION;
    if (item->type != type) return QOR_SL_WRONG_TYPE;
    *out = item;
    return 0;
}

}  // namespace

int slni(const qor_list* list, int position, std::string_view* name) try {
    if (!list || !name) return QOR_SL_NULL;
    const qor_list_item* item = at(list, position);
    if (!item) return QOR_SL_POSITION;
    *name = item->name;
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slityp(const qor_list* list, int position, char* type) try {
    if (!list || !type) return QOR_SL_NULL;
    const qor_list_item* item = at(list, position);
    if (!item) return QOR_SL_POSITION;
    *type = item->type;
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slsrchn(const qor_list* list, std::string_view name) try {
    if (!list) return 0;
    for (size_t i = 0; i < list->items.size(); ++i)
        if (same_name(list->items[i].name, name)) return static_cast<int>(i + 1);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slsrchc(const qor_list* list, std::string_view value) try {
    if (!list) return 0;
    for (size_t i = 0; i < list->items.size(); ++i)
        if (list->items[i].type == QOR_SL_CHAR && list->items[i].text == value) return static_cast<int>(i + 1);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slgnd(const qor_list* list, std::string_view name, double* out, double if_absent) try {
    if (!out) return QOR_SL_NULL;
    *out = if_absent;
    const qor_list_item* item = nullptr;
    int code = lookup(list, name, QOR_SL_NUMBER, &item);
    if (code == 0) *out = item->number;
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slgni(const qor_list* list, std::string_view name, int32_t* out, int32_t if_absent) try {
    if (!out) return QOR_SL_NULL;
    *out = if_absent;
    const qor_list_item* item = nullptr;
    int code = lookup(list, name, QOR_SL_NUMBER, &item);
    int64_t value = 0;
    if (code == 0) code = to_integer(item->number, INT32_MIN, INT32_MAX, &value);
    if (code == 0) *out = static_cast<int32_t>(value);
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slgns(const qor_list* list, std::string_view name, int16_t* out, int16_t if_absent) try {
    if (!out) return QOR_SL_NULL;
    *out = if_absent;
    const qor_list_item* item = nullptr;
    int code = lookup(list, name, QOR_SL_NUMBER, &item);
    int64_t value = 0;
    if (code == 0) code = to_integer(item->number, INT16_MIN, INT16_MAX, &value);
    if (code == 0) *out = static_cast<int16_t>(value);
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slgnc(const qor_list* list, std::string_view name, std::string_view* out, std::string_view if_absent) try {
    if (!out) return QOR_SL_NULL;
    *out = if_absent;
    const qor_list_item* item = nullptr;
    int code = lookup(list, name, QOR_SL_CHAR, &item);
    if (code == 0) *out = item->text;
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slgnl(const qor_list* list, std::string_view name, qor_list** out) try {
    if (!out) return QOR_SL_NULL;
    *out = nullptr;
    const qor_list_item* item = nullptr;
    int code = lookup(list, name, QOR_SL_LIST, &item);
    if (code == 0) *out = item->sublist;
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slitmd(const qor_list* list, int position, double* out) try {
    if (!out) return QOR_SL_NULL;
    *out = qor::missing();
    const qor_list_item* item = nullptr;
    int code = lookup_at(list, position, QOR_SL_NUMBER, &item);
    if (code == 0) *out = item->number;
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slitmi(const qor_list* list, int position, int32_t* out) try {
    if (!out) return QOR_SL_NULL;
    *out = 0;
    const qor_list_item* item = nullptr;
    int code = lookup_at(list, position, QOR_SL_NUMBER, &item);
    int64_t value = 0;
    if (code == 0) code = to_integer(item->number, INT32_MIN, INT32_MAX, &value);
    if (code == 0) *out = static_cast<int32_t>(value);
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slitmc(const qor_list* list, int position, std::string_view* out) try {
    if (!out) return QOR_SL_NULL;
    *out = {};
    const qor_list_item* item = nullptr;
    int code = lookup_at(list, position, QOR_SL_CHAR, &item);
    if (code == 0) *out = item->text;
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slitml(const qor_list* list, int position, qor_list** out) try {
    if (!out) return QOR_SL_NULL;
    *out = nullptr;
    const qor_list_item* item = nullptr;
    int code = lookup_at(list, position, QOR_SL_LIST, &item);
    if (code == 0) *out = item->sublist;
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slinsd(qor_list* list, double value, int position, std::string_view name) try {
    return insert(list, position, name, QOR_SL_NUMBER, value, {}, 0);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
int slinsi(qor_list* list, int32_t value, int position, std::string_view name) try {
    return insert(list, position, name, QOR_SL_NUMBER, value, {}, 0);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
int slinsc(qor_list* list, std::string_view value, int position, std::string_view name) try {
    return insert(list, position, name, QOR_SL_CHAR, 0, value, 0);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
int slinsl(qor_list* list, qor_list_id sublist, int position, std::string_view name) try {
    return insert(list, position, name, QOR_SL_LIST, 0, {}, sublist);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slsnd(qor_list* list, std::string_view name, double value) try {
    return set_named(list, name, QOR_SL_NUMBER, value, {}, 0);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
int slsni(qor_list* list, std::string_view name, int32_t value) try {
    return set_named(list, name, QOR_SL_NUMBER, value, {}, 0);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
int slsns(qor_list* list, std::string_view name, int16_t value) try {
    return set_named(list, name, QOR_SL_NUMBER, value, {}, 0);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
int slsnc(qor_list* list, std::string_view name, std::string_view value) try {
    return set_named(list, name, QOR_SL_CHAR, 0, value, 0);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
int slsnl(qor_list* list, std::string_view name, qor_list_id sublist) try {
    return set_named(list, name, QOR_SL_LIST, 0, {}, sublist);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slsitmd(qor_list* list, int position, double value) try {
    if (!list) return QOR_SL_NULL;
    qor_list_item* item = at(list, position);
    if (!item) return QOR_SL_POSITION;
    assign(item, QOR_SL_NUMBER, value, {}, nullptr);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slsitmc(qor_list* list, int position, std::string_view value) try {
    if (!list) return QOR_SL_NULL;
    qor_list_item* item = at(list, position);
    if (!item) return QOR_SL_POSITION;
    assign(item, QOR_SL_CHAR, 0, value, nullptr);   // throws before changing the item
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slditm(qor_list* list, int position) try {
    if (!list) return QOR_SL_NULL;
    if (!at(list, position)) return QOR_SL_POSITION;
    auto where = list->items.begin() + (position - 1);
    qor_list* sub = where->sublist;
    list->items.erase(where);
    release_sublist(sub);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
