// Method dispatch of host objects: bucket m & mask of each table, then the parent table.
// Entries without a routine are skipped as if absent, so a half-built table cannot crash.
#include "common/objects/object_methods.h"

namespace {

const qor_method_entry* find_in_table(const qor_method_table* table, int m) {
    if (!table->buckets) return nullptr;
    uint32_t bucket = static_cast<uint32_t>(m) & table->bucket_mask;
    for (const qor_method_entry* entry = table->buckets[bucket]; entry; entry = entry->next) {
        if (entry->method_number == m && entry->descriptor && entry->descriptor->routine) {
            return entry;
        }
    }
    return nullptr;
}

}  // namespace

int wobmth(qor_object* object, const qor_method_table* table, int m, int argument_count,
           void* arguments) {
    if (!table && object) table = object->methods;
    for (; table; table = table->parent) {
        const qor_method_entry* entry = find_in_table(table, m);
        if (entry) {
            return entry->descriptor->routine(object, entry->context, entry->descriptor->context,
                                              argument_count, arguments);
        }
    }
    return QOR_OBJECT_NO_METHOD;
}
