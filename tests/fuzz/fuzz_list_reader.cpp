// Fuzz target: any bytes read as a stored list either load into a list that can be walked,
// printed to text and stored again, or are refused with a reason; the target is kept on refusal.
#include <cstddef>
#include <cstdint>
#include <string>

#include "host/lists.h"

namespace {

// Walks every item (sublists once per path, depth bounded by the stored form's own order).
void walk(const qor_list* list, int depth) {
    if (depth > 64) return;
    for (int i = 1; i <= slcnt(list); ++i) {
        char type = 0;
        std::string_view name;
        if (slityp(list, i, &type) != 0 || slni(list, i, &name) != 0) __builtin_trap();
        std::string text;
        if (type == QOR_SL_LIST) {
            qor_list* sub = nullptr;
            if (slitml(list, i, &sub) != 0 || !sub) __builtin_trap();
            walk(sub, depth + 1);
        } else if (slstrng(list, i, &text) != 0) {
            __builtin_trap();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    size_t before = qor_list_live_count();
    qor_list* list = nullptr;
    slnewl(&list, nullptr, 84);
    slinsc(list, "sentinel", QOR_SL_APPEND, "KEEP");
    std::string why;
    int code = qor_list_decode(data, size, list, &why);
    if (code != 0) {
        if (why.empty() || slcnt(list) != 1) __builtin_trap();
    } else {
        walk(list, 0);
        std::string again;
        if (qor_list_encode(list, &again) != 0) __builtin_trap();
    }
    sldel(list, 0);
    if (qor_list_live_count() != before) __builtin_trap();   // nothing leaks on either path
    return 0;
}
