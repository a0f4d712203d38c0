// zldfmt: resolve a written format name against the host's format registry and settle the
// width (and decimals) to use, within the format's limits.
#include <cstring>

#include "common/intervals/interval_formats.h"
#include "host/formats.h"

namespace {

int limited(int written, int low, int high, int fallback) {
    if (written <= 0) return fallback;
    if (written < low) return low;
    if (written > high) return high;
    return written;
}

}  // namespace

int zldfmt(const char* text, int* extra, int* width) {
    if (extra) *extra = 0;
    if (width) *width = 0;
    if (!text) return QOR_FORMAT_NULL_ARGUMENT;
    char name[QOR_FORMAT_NAME_MAX + 1];
    int name_length = 0;
    uint16_t written_width = 0, written_decimals = 0;
    const int split = zspltfm(text, -1, name, &name_length, &written_width, &written_decimals);
    if (split != 0) return split;
    const int w = written_width == QOR_FORMAT_ABSENT ? 0 : written_width;
    const int d = written_decimals == QOR_FORMAT_ABSENT ? 0 : written_decimals;

    qor_format_info info;
    int code = 0;
    const int found = xfrname(nullptr, name, name_length, 70, &info, &code);
    if (found != 0) {
        if (width) *width = w;
        return found;
    }
    if (width) *width = limited(w, info.min_width, info.max_width, info.default_width);
    const int decimals = limited(d, info.min_decimals, info.max_decimals, info.default_decimals);
    if (extra) *extra = code + decimals;
    return 0;
}
