// Reading a statement's operand fields: texts, numbers, number lists and NUL-separated name
// lists, with a cursor that walks a name list one name at a time.
#pragma once
#include <cstring>

#include "host/parser.h"

namespace zozu {

// A text of an operand: pointer and length (0 when absent).
struct OperandText {
    const char* text;
    int length;
};

// The text of a text field, or an empty text when the field is absent or not given.
inline OperandText operand_text(const statement_node* node, int n) {
    const operand_field* f = qor_operand(node, n);
    if (f == nullptr || !f->given || f->kind != QOR_OPERAND_TEXT || f->value == nullptr) return {"", 0};
    return {static_cast<const char*>(f->value), f->used};
}

// The number of a number field; `absent` when not given.
inline double operand_number(const statement_node* node, int n, double absent) {
    const operand_field* f = qor_operand(node, n);
    if (f == nullptr || !f->given || f->kind != QOR_OPERAND_NUMBER || f->value == nullptr) return absent;
    return *static_cast<const double*>(f->value);
}

// Entry i of a number-list field, or `absent` past its end.
inline double operand_list_number(const statement_node* node, int n, long long i, double absent) {
    const operand_field* f = qor_operand(node, n);
    if (f == nullptr || f->kind != QOR_OPERAND_NUMBERS || f->value == nullptr || i < 0 || i >= f->used)
        return absent;
    return static_cast<const double*>(f->value)[i];
}

// Walks a name list: next() gives each name in order (empty names included) until the end.
class NameCursor {
public:
    NameCursor(const statement_node* node, int n) {
        const operand_field* f = qor_operand(node, n);
        if (f != nullptr && f->kind == QOR_OPERAND_NAMES && f->value != nullptr && f->used > 0) {
            at_ = static_cast<const char*>(f->value);
            end_ = at_ + f->used;
        }
    }
    // The next name; false at the end of the list.
    bool next(OperandText* out) {
        if (at_ == nullptr || at_ >= end_) return false;
        const void* nul = std::memchr(at_, '\0', static_cast<size_t>(end_ - at_));
        const char* stop = nul != nullptr ? static_cast<const char*>(nul) : end_;
        *out = {at_, static_cast<int>(stop - at_)};
        at_ = stop + 1;
        return true;
    }

private:
    const char* at_ = nullptr;
    const char* end_ = nullptr;
};

}  // namespace zozu
