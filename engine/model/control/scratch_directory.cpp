// The scratch directory of an engine instance: "_garbage_can_" and a digit in the work
// directory, the first of the ten that can be made; termination removes it.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/control/startup.h"

namespace {

int make(RSKCON* con, const char* path, int length) {
    if (length < 0 || xxmkdir(path, length, "DISK") != 0) return 1;
    std::memcpy(con->scratch_buffer, path, static_cast<size_t>(length));
    con->scratch_path = con->scratch_buffer;
    con->scratch_length = static_cast<int16_t>(length);
    return 0;
}

}  // namespace

int rskgbgc(RSKCON* con) {
    const char* work = con->work_path.name.text;
    int work_length = work != nullptr ? con->work_path.name.length : 0;
    char name[] = "_garbage_can_0";
    char path[QOR_PATH_MAX];
    for (char digit = '0'; digit <= '9'; ++digit) {
        name[13] = digit;
        if (make(con, path, zlnknam(path, work, work_length, name, 14)) == 0) return 0;
    }
    return make(con, path, zlnknam(path, work, work_length, "_garbage_can_", 13));
}
