// Format options: a format text checked against the host's formats and kept with its parsed
// name, width, decimals and the host's format code.
#include <cstring>

#include "common/intervals/interval_formats.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "host/formats.h"
#include "host/print.h"

int rskfmt(RSKCON* con, RSKFMTFIELD* field, const char* text, int length, int message) {
    if (text == nullptr) length = 0;
    else if (length < 0) length = static_cast<int>(std::strlen(text));
    char copy[kRskObjectNameCapacity + 1];
    int n = length < kRskObjectNameCapacity ? length : kRskObjectNameCapacity;
    if (n > 0) std::memcpy(copy, text, static_cast<size_t>(n));
    copy[n] = '\0';
    char name[QOR_FORMAT_NAME_MAX + 1];
    int name_length = 0;
    uint16_t width = 0, decimals = 0;
    int code = 0;
    if (n == 0 || zldfmt(copy, nullptr, nullptr) != 0 ||
        zspltfm(copy, n, name, &name_length, &width, &decimals) != 0 ||
        xfrname(nullptr, name, name_length, 0, nullptr, &code) != 0) {
        xpmlog(598, message, length, text != nullptr ? text : "");
        return 1;
    }
    rskname(con, &field->text, copy, n);
    std::memcpy(field->name, name, static_cast<size_t>(name_length) + 1);
    field->name_length = static_cast<int16_t>(name_length);
    field->width = width;
    field->decimals = decimals;
    field->handle = code;
    return 0;
}
