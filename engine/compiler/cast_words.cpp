// Cast words after a name's last point: which CASTS row a suffix is, and where the point is.
#include <cctype>
#include <cstring>

#include "engine/compiler/compiler_driver.h"

int castsuffix(const char* text, int length) {
    if (text == nullptr || length <= 0) return -1;
    for (int row = 0; row < kRskCastCount; ++row) {
        if (CASTS_L[row] != length) continue;
        int i = 0;
        while (i < length && std::toupper(static_cast<unsigned char>(text[i])) == CASTS[row][i]) ++i;
        if (i == length) return row;
    }
    return -1;
}

int lastpos(const char* text, int length, char character) {
    if (text == nullptr) return -1;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    for (int i = length - 1; i >= 0; --i)
        if (text[i] == character) return i;
    return -1;
}
