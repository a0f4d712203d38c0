// Justification of a field's content in place: left, right or centred, blanks around it.
// The content is the field without its leading and trailing blanks.
#include <cstring>

#include "common/strings/fields.h"

int wzstjls(char* field, int length, int mode, int* content_length, int* start) {
    if (content_length) *content_length = 0;
    if (start) *start = 0;
    if (!field || length <= 0) return 0;
    int end = wzstrip(field, length);
    if (end == 0) return 0;
    int lead = 0;
    while (field[lead] == ' ') ++lead;
    int n = end - lead;
    int target = lead;
    switch (mode) {
        case 'L': case 'l': target = 0; break;
        case 'R': case 'r': target = length - n; break;
        case 'C': case 'c': target = (length - n) / 2; break;
        default: break;
    }
    if (target != lead) {
        std::memmove(field + target, field + lead, static_cast<size_t>(n));
        // Everything outside the content was blank before the move, so blank it all again.
        std::memset(field, ' ', static_cast<size_t>(target));
        std::memset(field + target + n, ' ', static_cast<size_t>(length - target - n));
    }
    if (content_length) *content_length = n;
    if (start) *start = target;
    return n;
}

int wzstjus(char* field, int length, int mode) {
    return wzstjls(field, length, mode, nullptr, nullptr);
}
