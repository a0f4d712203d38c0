// Reading a statement node's operand fields in the handlers: given flags, texts, numbers and
// the NUL-separated name lists that the grammar fills.
#pragma once
#include <cstring>

#include "host/parser.h"

namespace zozu {

// The field when the statement gave it; null otherwise.
inline const operand_field* given_field(const statement_node* node, int n) {
    const operand_field* f = qor_operand(node, n);
    return f != nullptr && f->given && f->value != nullptr ? f : nullptr;
}

// The text of a text field ("" when not given); its length in *length when asked.
inline const char* field_text(const statement_node* node, int n, int* length = nullptr) {
    const operand_field* f = given_field(node, n);
    const char* text = f != nullptr && f->kind == QOR_OPERAND_TEXT ? static_cast<const char*>(f->value) : "";
    if (length != nullptr) *length = static_cast<int>(std::strlen(text));
    return text;
}

// The count of a number list (0 when not given) and its values.
inline int field_numbers(const statement_node* node, int n, const double** values) {
    const operand_field* f = given_field(node, n);
    if (f == nullptr) return 0;
    if (f->kind == QOR_OPERAND_NUMBER) {
        *values = static_cast<const double*>(f->value);
        return 1;
    }
    if (f->kind != QOR_OPERAND_NUMBERS) return 0;
    *values = static_cast<const double*>(f->value);
    return f->used;
}

// Calls fn(name, length) for each name of a name list, in order (empty names included).
template <typename Fn>
void for_each_name(const statement_node* node, int n, Fn fn) {
    const operand_field* f = given_field(node, n);
    if (f == nullptr || f->kind != QOR_OPERAND_NAMES) return;
    const char* p = static_cast<const char*>(f->value);
    const char* end = p + f->used;
    while (p < end) {
        int length = static_cast<int>(strnlen(p, static_cast<size_t>(end - p)));
        fn(p, length);
        p += length + 1;
    }
}

}  // namespace zozu
