// Copying into fields: blank-padded or NUL-terminated moves, concatenation of pieces and the
// fill of a double array. Every move is overlap-safe and never writes past the capacity.
#include <cstdarg>
#include <cstring>

#include "common/strings/fields.h"

namespace {

// Length of a source given with a length that may be negative (NUL-terminated then).
int source_length_of(const void* source, int length) {
    if (!source) return 0;
    if (length < 0) return wzstlen(static_cast<const char*>(source));
    return length;
}

// Capacity of a destination length: a negative length gives -length - 1 (NUL mode).
int capacity_of(int destination_length) {
    return destination_length < 0 ? ~destination_length : destination_length;
}

}  // namespace

void vzfdl(double x, double* array, int n) {
    if (!array) return;
    for (int i = 0; i < n; ++i) array[i] = x;
}

void vzmp(const void* source, int source_length, void* destination, int destination_length) {
    if (!destination || destination_length <= 0) return;
    int count = source_length_of(source, source_length);
    if (count > destination_length) count = destination_length;
    auto* d = static_cast<char*>(destination);
    if (count > 0) std::memmove(d, source, static_cast<size_t>(count));
    std::memset(d + count, ' ', static_cast<size_t>(destination_length - count));
}

int wzstmov(const void* source, int source_length, char* destination, int destination_length) {
    if (!destination) return 0;
    int capacity = capacity_of(destination_length);
    int count = source_length_of(source, source_length);
    if (count > capacity) count = capacity;
    if (count > 0) std::memmove(destination, source, static_cast<size_t>(count));
    if (destination_length < 0) {
        destination[count] = '\0';
    } else {
        std::memset(destination + count, ' ', static_cast<size_t>(capacity - count));
    }
    return count;
}

int wzstcat(char* destination, int destination_length, int separator, int count, ...) {
    if (!destination) return 0;
    int room = capacity_of(destination_length);
    int written = 0;
    va_list pieces;
    va_start(pieces, count);
    for (int i = 0; i < count && room > 0; ++i) {
        const char* text = va_arg(pieces, const char*);
        int length = source_length_of(text, va_arg(pieces, int));
        int take = length < room ? length : room;
        if (take > 0) std::memmove(destination + written, text, static_cast<size_t>(take));
        written += take;
        room -= take;
        if (separator >= 0 && i + 1 < count && room > 0) {
            destination[written++] = static_cast<char>(separator);
            --room;
        }
    }
    va_end(pieces);
    if (destination_length < 0) {
        destination[written] = '\0';
    } else {
        std::memset(destination + written, ' ', static_cast<size_t>(room));
    }
    return written;
}
