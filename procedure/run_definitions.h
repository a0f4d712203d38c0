// What the definition statements of run objects and analyses share: name records of operand
// texts, the catalog argument of a definition, and the messages of a failed define or store.
#pragma once
#include <cstring>

#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/slot_calls.h"
#include "procedure/zozu_fields.h"

namespace zozu {

// A name record over an operand text (not copied: the node outlives the call).
inline RSKNAMEREC name_record(const char* text, int length) {
    return RSKNAMEREC{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(text)};
}
inline RSKNAMEREC name_record(const OperandText& text) { return name_record(text.text, text.length); }

inline int text_length(const char* text) { return static_cast<int>(std::strlen(text)); }

// The label of the statement, handed to catalog storage with a new object; null when none.
struct CatalogArgument {
    explicit CatalogArgument(const statement_node* node)
        : text(operand_text(node, kFieldLabel)), record(name_record(text)) {}
    const RSKNAMEREC* get() const { return text.length > 0 ? &record : nullptr; }
    OperandText text;
    RSKNAMEREC record;
};

// 670/1089: the object (word, name) could not be defined. Result 1.
inline int report_define_failed(const char* word, const OperandText& name) {
    xpmlog(670, 1089, text_length(word), word, name.length, name.text);
    return 1;
}

// Stores the object in the catalog; a refusal logs `number` (670/1090 unless told) with the
// object word and name. 0 or 1.
inline int store_definition(RSKCON* con, RSKCATOBJ* object, const char* word, const OperandText& name,
                            int number = 1090) {
    if (rssofis(con, object, 0) == 0) return 0;
    if (number == 1090)
        xpmlog(670, number, text_length(word), word, name.length, name.text);
    else
        xpmlog(670, number, name.length, name.text);
    return 1;
}

}  // namespace zozu
