// The name-list hook of the ZOZU grammar: collects the names of an operand list and expands
// numbered ranges such as X1-X10 (root taken from the start, numbers zero-padded to its width).
#include <cctype>
#include <cstring>
#include <string>

#include "common/module/step_context.h"
#include "host/print.h"
#include "procedure/zozu_grammar.h"

namespace zozu {

namespace {

constexpr int kMaxDigits = 9;               // a tenth digit could pass the 32-bit limit
constexpr int kNumberLimit = 2147483647;

int digits_of(int64_t n) {
    int d = 1;
    while (n >= 10) n /= 10, ++d;
    return d;
}

// The last name of a name list (the start of a range); false when the list is empty.
bool last_name(const operand_field* f, const char** name, size_t* length) {
    if (!f || f->kind != QOR_OPERAND_NAMES || f->used <= 0 || !f->value) return false;
    const char* base = static_cast<const char*>(f->value);
    int32_t end = f->used - 1;          // the NUL of the last name
    int32_t start = end;
    while (start > 0 && base[start - 1] != '\0') --start;
    *name = base + start;
    *length = static_cast<size_t>(end - start);
    return true;
}

bool same_root(const char* a, const char* b, size_t n) {
    for (size_t i = 0; i < n; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

int fail(step_context* context) {
    context->error_code = kRangeErrorCode;
    return 1;
}

// Appends the names after `start` up to `end` (token) to the list; 0, or 1 after an error.
int expand_range(step_context* context, const qor_hook_call* call, operand_field* f) {
    const char* start = nullptr;
    size_t start_length = 0;
    if (!last_name(f, &start, &start_length)) {
        xpmlog(166, 36, call->token_length, call->token);
        return fail(context);
    }
    // The start's text moves when the list grows: keep a copy.
    std::string first(start, start_length);
    SplitName a{}, b{};
    if (splitname(first.data(), first.size(), &a) != 0 ||
        splitname(call->token, static_cast<size_t>(call->token_length), &b) != 0)
        return fail(context);
    int first_length = static_cast<int>(first.size());
    if (a.root_length != b.root_length || !same_root(first.data(), call->token, a.root_length)) {
        xpmlog(166, 33, first_length, first.data(), call->token_length, call->token);
        return fail(context);
    }
    if (b.number < a.number) {
        xpmlog(166, 34, first_length, first.data(), call->token_length, call->token);
        return fail(context);
    }
    // The cap holds for the whole step, so that many ranges cannot add up to an unbounded list.
    int64_t count = b.number - a.number;
    if (count > kMaxRangeNames - context->range_names) {
        xpmlog(166, 37, first_length, first.data(), call->token_length, call->token,
               static_cast<long>(count + context->range_names), static_cast<long>(kMaxRangeNames));
        return fail(context);
    }
    context->range_names += count;
    int widest = digits_of(b.number) > a.width ? digits_of(b.number) : a.width;
    if (count > 0 && a.root_length + static_cast<size_t>(widest) > kMaxNameLength) {
        xpmlog(166, 38, first_length, first.data(), call->token_length, call->token,
               static_cast<int>(kMaxNameLength));
        return fail(context);
    }
    char name[kMaxNameLength + 1];
    std::memcpy(name, first.data(), a.root_length);
    for (int64_t n = a.number + 1; n <= b.number; ++n) {
        int width = digits_of(n) > a.width ? digits_of(n) : a.width;
        int64_t v = n;
        for (int i = width - 1; i >= 0; --i, v /= 10) name[a.root_length + i] = static_cast<char>('0' + v % 10);
        if (qor_operand_append_name(call->pool, f, name, a.root_length + width) != 0) {
            xpmlog(166, 39, static_cast<long>(a.root_length + width + 1));
            return fail(context);
        }
    }
    return 0;
}

}  // namespace

int splitname(const char* name, size_t length, SplitName* out) {
    int64_t number = 0;
    int64_t place = 1;
    int digits = 0;
    size_t i = length;
    while (i > 0 && std::isdigit(static_cast<unsigned char>(name[i - 1]))) {
        if (digits == kMaxDigits) {
            xpmlog(166, 35, static_cast<int>(length), name, kNumberLimit);
            return 1;
        }
        number += (name[i - 1] - '0') * place;
        place *= 10;
        ++digits;
        --i;
    }
    if (digits == 0) {
        xpmlog(166, 36, static_cast<int>(length), name);
        return 1;
    }
    out->root_length = i;
    out->number = number;
    out->width = digits;
    return 0;
}

int rskcust(void* data, const qor_hook_call* call) {
    auto* context = static_cast<step_context*>(data);
    if (!context || !call || context->error_code != 0) return 0;
    context->current_node = call->node;
    if (call->sub_action == 0) {
        context->operand_slot = call->slot;
        return 0;
    }
    if (!call->node || context->operand_slot < 0 || context->operand_slot >= call->node->operands.count)
        return 0;
    operand_field* f = &call->node->operands.fields[context->operand_slot];
    switch (call->sub_action) {
        case 1:
            if (qor_operand_append_name(call->pool, f, call->token, static_cast<size_t>(call->token_length)) != 0) {
                xpmlog(166, 39, static_cast<long>(call->token_length) + 1);
                return 1;
            }
            return 0;
        case 2:
            return expand_range(context, call, f);
        default:
            return 0;
    }
}

}  // namespace zozu
