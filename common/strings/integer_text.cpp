// Decimal text of a 32-bit integer, written without padding or terminator.
// The magnitude is taken as unsigned so that the most negative integer needs no special case.
#include "common/strings/fields.h"

int wzcichr(int v, char* destination) {
    if (!destination) return 0;
    char digits[10];
    int count = 0;
    uint32_t magnitude = v < 0 ? 0u - static_cast<uint32_t>(v) : static_cast<uint32_t>(v);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int written = 0;
    if (v < 0) destination[written++] = '-';
    while (count > 0) destination[written++] = digits[--count];
    return written;
}
