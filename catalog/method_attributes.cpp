// The attribute list of a method: one sublist per variable the compiled method uses, with its
// type text, label and whether the method reads it, assigns it, or only uses it internally.
#include <cstdio>
#include <cstring>
#include <string>

#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "catalog/method_forms.h"
#include "engine/compiler/use_entries.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/method_records.h"

using namespace form_items;

namespace {

constexpr int kTypeTextLimit = 64;

// What the method does with one variable over all its uses.
struct VariableUse {
    const RSKVARIABLE* variable;
    int32_t code;
    bool input;
    bool output;
};

}  // namespace

int rsstrna(void* object, RSKLISTWS*, int, int, uint32_t list) {
    const auto* method = static_cast<const RSKGENTRANS*>(object);
    qor_list* target = slistp(list);
    if (method == nullptr || target == nullptr) return -1;
    slclear(target);
    // Uses come in source order, one per access: gather each variable once, first use first.
    VariableUse uses[1024];
    int count = 0;
    for (const auto* use = static_cast<const RSKUSEENTRY*>(method->uses); use != nullptr; use = use->next) {
        if (use->variable == nullptr) continue;
        int at = 0;
        while (at < count && uses[at].variable != use->variable) ++at;
        if (at == count) {
            if (count == static_cast<int>(sizeof uses / sizeof uses[0])) return -1;
            uses[count++] = VariableUse{use->variable, use->code, false, false};
        }
        uses[at].input = uses[at].input || use->input != 0;
        uses[at].output = uses[at].output || use->output != 0;
    }
    for (int i = 0; i < count; ++i) {
        qor_list* one = nullptr;
        if (slnewl(&one, nullptr, 84) == 0 || one == nullptr) return -1;
        char type[kTypeTextLimit + 1];
        const int type_length = rsstrnt(uses[i].code, type, sizeof type);
        const RSKPROPS& label = uses[i].variable->properties;
        const std::string_view label_text = label.description != nullptr && label.description_length > 0
                                                ? std::string_view(label.description, static_cast<size_t>(label.description_length))
                                                : std::string_view(" ");
        // A variable the method both reads and assigns is one it keeps between its statements.
        const bool inter = uses[i].input && uses[i].output;
        int rc = slinsc(one, text_of(uses[i].variable->name), QOR_SL_APPEND, "NAME");
        rc |= slinsc(one, std::string_view(type, static_cast<size_t>(type_length > 0 ? type_length : 0)), QOR_SL_APPEND,
                     "TYPE");
        rc |= slinsc(one, label_text, QOR_SL_APPEND, "LABEL");
        rc |= slinsc(one, uses[i].input ? "Y" : "N", QOR_SL_APPEND, "INPUT");
        rc |= slinsc(one, uses[i].output ? "Y" : "N", QOR_SL_APPEND, "OUTPUT");
        rc |= slinsc(one, inter ? "Y" : "N", QOR_SL_APPEND, "INTER");
        char name[16];
        std::snprintf(name, sizeof name, "%i", i + 1);
        if (rc == 0) rc = slinsl(target, slid(one), QOR_SL_APPEND, name);
        sldel(one, 0);
        if (rc != 0) return -1;
    }
    return count;
}
