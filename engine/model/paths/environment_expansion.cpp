// Expansion of configured paths: each "!NAME" up to the next "/" becomes the value of the
// environment variable NAME (looked up in upper case).
#include "engine/model/paths/environment_expansion.h"

#include <cstring>

#include "host/kernel.h"
#include "host/options.h"

int expand_path(const char* text, int length, RSKPATHNAME* out) {
    out->name.capacity = kRskPathCapacity;
    out->name.text = out->buffer;
    out->name.length = 0;
    if (text == nullptr) return 1;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    int n = 0;
    for (int i = 0; i < length;) {
        if (text[i] != '!') {
            if (n >= kRskPathCapacity) return 1;
            out->buffer[n++] = text[i++];
            continue;
        }
        int start = ++i;
        while (i < length && text[i] != '/') ++i;
        char name[256];
        int name_length = i - start;
        if (name_length <= 0 || name_length >= static_cast<int>(sizeof name)) return 1;
        std::memcpy(name, text + start, static_cast<size_t>(name_length));
        name[name_length] = '\0';
        wzstrup(name, name_length);
        char value[kRskPathCapacity + 1];
        int value_length = 0;
        if (wzosvar(name, value, sizeof value, &value_length) != 0) return 1;
        if (n + value_length > kRskPathCapacity) return 1;
        std::memcpy(out->buffer + n, value, static_cast<size_t>(value_length));
        n += value_length;
    }
    out->name.length = static_cast<uint16_t>(n);
    return 0;
}
