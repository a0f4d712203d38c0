// List forms of the counterparty and mitigation containers (kinds 26 and 27): OBJTYPE and the
// whole container as one XML document in VALUE, written and read by the engine.
#include <cstring>
#include <string_view>

#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "engine/tables/counterparty_records.h"
#include "host/print.h"

using namespace form_items;

namespace {

constexpr int kNoValue = 2;          // a list without VALUE: nothing to load

template <EngineSlot Init, EngineSlot Build, EngineSlot Free>
int write_container(RSKCON* con, uint32_t list, const char* object_type) {
    if (list == 0) return 1;
    auto init = engine_routine<Init>();
    auto build = engine_routine<Build>();
    auto release = engine_routine<Free>();
    if (init == nullptr || build == nullptr || release == nullptr) return 1;
    RSKXMLCTX* context = init(con);
    if (context == nullptr) return 1;
    const char* document = build(context);
    release(context);
    if (document == nullptr) return 1;
    int rc = put_text(list, "OBJTYPE", object_type);
    if (rc == 0) rc = put_text(list, "VALUE", document);
    return rc;
}

// Parses the document into the control structure's container. A document the parser refuses
// fails the load (598/3095 with the parser's words) rather than leave a half-read container.
template <EngineSlot Init, EngineSlot Parse, EngineSlot Free>
int read_container(RSKCON* con, uint32_t list, const char* word) {
    RSOCHAR value{};
    if (rsogetc(list, "VALUE", -1, &value) != 0) return kNoValue;
    auto init = engine_routine<Init>();
    auto parse = engine_routine<Parse>();
    auto release = engine_routine<Free>();
    if (init == nullptr || parse == nullptr || release == nullptr) return 1;
    RSKXMLCTX* context = init(con);
    if (context == nullptr) return 1;
    const int rc = parse(context, value.text, static_cast<int64_t>(value.length));
    if (rc != 0) {
        const char* status = reinterpret_cast<const RSKXMLHEAD*>(context)->status;
        xpmlog(598, 3095, static_cast<int>(std::strlen(word)), word, static_cast<int>(std::strlen(status)), status);
    }
    release(context);
    return rc != 0 ? 1 : 0;
}

}  // namespace

int rsscptyg(RSKCON* con, void*, uint32_t list, RSKLISTWS*, int, int) {
    return write_container<EngineSlot::rskcptyxmlinit, EngineSlot::rskcptybuildxml, EngineSlot::rskcptyxmlfree>(
        con, list, "COUNTERPARTY");
}

int rssmitg(RSKCON* con, void*, uint32_t list, RSKLISTWS*, int, int) {
    return write_container<EngineSlot::rskmitxmlinit, EngineSlot::rskmitbuildxml, EngineSlot::rskmitxmlfree>(
        con, list, "MITIGATION");
}

int rsscptys(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ* header) {
    const int rc =
        read_container<EngineSlot::rskcptyxmlinit, EngineSlot::rskcptyxmlparse, EngineSlot::rskcptyxmlfree>(
            con, list, "counterparty");
    if (rc != 0) return rc;
    if (header != nullptr) header->object = con->cpty_container;
    return 0;
}

int rssmits(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ* header) {
    const int rc = read_container<EngineSlot::rskmitxmlinit, EngineSlot::rskmitxmlparse, EngineSlot::rskmitxmlfree>(
        con, list, "mitigation");
    if (rc != 0) return rc;
    RSKMITIGATIONCON* m = con->mit_container;
    if (m == nullptr) return 1;
    // The run finds the four computed mitigation values through these fields.
    auto find = [&](const char* name) {
        const hash_item* item = m->variables != nullptr ? hash_query(m->variables, name) : nullptr;
        return item != nullptr ? static_cast<RSKMITVAR*>(item->value) : nullptr;
    };
    m->exposure = find("_EXPOSURE_");
    m->mitigant_value = find("_MITIGANT_VAL_");
    m->adjusted_exposure = find("_ADJEXPOSURE_");
    m->mitigant_adjusted = find("_MITIGANT_ADJVAL_");
    if (header != nullptr) header->object = m;
    return 0;
}
