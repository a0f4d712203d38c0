// Fuzz target: any text through every informat, the character informat and the column guess
// must give a code and a value without crashing or reading past the text; the first 8 bytes,
// taken as a double, go through every format and must fill exactly the width.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "host/formats.h"
#include "host/missing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A heap copy of exactly the input's size lets the sanitizer see any read past the text.
    std::vector<char> text(data, data + size);
    const char* p = text.empty() ? nullptr : text.data();
    const int n = static_cast<int>(size);
    for (int code = 0; code <= 40; ++code) {
        for (int width : {0, 1, 7, 32}) {
            double v = 0;
            const int rc = xffmt(code, width, code % 3, p, n, &v);
            if (rc == QOR_INFORMAT_INVALID && !qor::is_missing(v)) __builtin_trap();
        }
    }
    char buf[40];
    int out = 0;
    xfinc(p, n, 32, static_cast<int>(size % 2), buf, sizeof buf, &out);
    if (out > 32) __builtin_trap();
    const char* texts[] = {p};
    const int lengths[] = {n};
    qor_guess g;
    xfguess(texts, lengths, 1, &g);

    if (size >= 8) {
        double value = 0;
        std::memcpy(&value, data, 8);
        for (int code = 0; code <= 40; ++code) {
            for (int width : {1, 5, 12, 40}) {
                char field[42];
                field[width] = '#';
                if (xpfs(value, width, code, field) != 0 || field[width] != '#') __builtin_trap();
                for (int i = 0; i < width; ++i)
                    if (field[i] == '\0') __builtin_trap();
            }
        }
    }
    return 0;
}
