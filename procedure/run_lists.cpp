// The list readers of the run statements: each name of an operand field is looked up where its
// kind lives; a missing one is reported and left out, the others are appended to the list.
#include "procedure/run_lists.h"

#include <cstring>

#include "procedure/engine_calls.h"
#include "procedure/slot_calls.h"

namespace zozu {

namespace {

constexpr int kReadRight = 4;

int length_of(const char* text) { return static_cast<int>(std::strlen(text)); }

RSKNAMEREC name_of(const char* text, int length) {
    return RSKNAMEREC{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(text)};
}

// Calls fn(text, length) for each non-empty name of a field: a name list, or one name or text.
template <typename Fn>
void each_name(const operand_field* field, Fn fn) {
    if (field == nullptr || !field->given || field->value == nullptr) return;
    const char* p = static_cast<const char*>(field->value);
    if (field->kind == QOR_OPERAND_TEXT) {
        if (field->used > 0) fn(p, static_cast<int>(field->used));
        return;
    }
    if (field->kind != QOR_OPERAND_NAMES) return;
    const char* end = p + field->used;
    while (p < end) {
        const int length = static_cast<int>(strnlen(p, static_cast<size_t>(end - p)));
        if (length > 0) fn(p, length);
        p += length + 1;
    }
}

// The shared walk: `found` says whether a name exists; `missing` reports one that does not.
template <typename Found, typename Missing>
int read_list(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail, Found found,
              Missing missing) {
    int result = 0;
    each_name(field, [&](const char* text, int length) {
        if (result != 0) return;
        const RSKNAMEREC name = name_of(text, length);
        if (!found(&name)) {
            missing(text, length);
            return;
        }
        if (engine_call<EngineSlot::rsklsta>(1, con, head, tail, text, length) != 0) result = kListAppendFailed;
    });
    return result;
}

}  // namespace

const char* method_list_word(int kind) {
    switch (kind) {
    case kPostValuationMethods: return "PostVaR";
    case kPostPricingMethods: return "PostPrice";
    default: return "Project";
    }
}

int get_rftrans(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail) {
    return read_list(
        con, field, head, tail,
        [&](const RSKNAMEREC* name) {
            return engine_call<EngineSlot::rskprs>(static_cast<RSKCATOBJ*>(nullptr), con, name) != nullptr;
        },
        [](const char* text, int length) { xpmlog(670, 1135, length, text); });
}

int get_prmlist(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail,
                const char* statement, int kind) {
    const char* word = method_list_word(kind);
    return read_list(
        con, field, head, tail,
        [&](const RSKNAMEREC* name) {
            return engine_call<EngineSlot::rsktrn>(static_cast<RSKGENTRANS*>(nullptr), con, name) != nullptr;
        },
        [&](const char* text, int length) {
            xpmlog(670, 1169, length_of(word), word, length, text, length_of(statement), statement);
        });
}

int get_postvarlist(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail,
                    const char* statement) {
    return get_prmlist(con, field, head, tail, statement, kPostValuationMethods);
}

int get_postprclist(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail,
                    const char* statement) {
    return get_prmlist(con, field, head, tail, statement, kPostPricingMethods);
}

int get_filters(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail) {
    return read_list(
        con, field, head, tail,
        [&](const RSKNAMEREC* name) {
            return engine_call<EngineSlot::rskwhr>(static_cast<RSKCATOBJ*>(nullptr), con, name) != nullptr;
        },
        [](const char* text, int length) { xpmlog(670, 1136, length, text); });
}

int get_idslist(RSKCON* con, const operand_field* field, RSKNAMECELL** head, RSKNAMECELL** tail,
                const char* statement) {
    return read_list(
        con, field, head, tail,
        [&](const RSKNAMEREC* name) {
            RSKCATOBJ* source = engine_call<EngineSlot::rskids>(static_cast<RSKCATOBJ*>(nullptr), con, name);
            return source != nullptr && rssofiq(con, source, kReadRight) != nullptr;
        },
        [&](const char* text, int length) { xpmlog(670, 1023, length_of(statement), statement, length, text); });
}

void free_name_list(RSKCON* con, RSKNAMECELL** head, RSKNAMECELL** tail) {
    engine_call<EngineSlot::rsklstf>(1, con, head, tail);
}

}  // namespace zozu
