// Information items of the file behind a file reference: its last-change time (the host's
// date-time with fractions of a second) and its size.
#include <sys/stat.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "host/files.h"
#include "host/save_support.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/file_references.h"

namespace {

// Seconds from 1 January 1960 to 1 January 1970.
constexpr double kHostEpochOffset = 315619200.0;

}  // namespace

int xxrfinf(const char* fileref, int item, void* buffer, int size, int* length) try {
    if (!fileref || !buffer) return 86;
    if (item != QOR_FINFO_MODIFIED && item != QOR_FINFO_SIZE) return QOR_FILE_BAD_TYPE;
    std::string path = qor::runtime::file_reference_path(fileref);
    if (path.empty()) return QOR_LIB_NOT_ASSIGNED;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) return QOR_FILE_NOT_FOUND;
    if (length) *length = 8;
    if (size < 8) return QOR_FILE_TOO_LONG;
    if (item == QOR_FINFO_MODIFIED) {
        double time = static_cast<double>(st.st_mtim.tv_sec) + static_cast<double>(st.st_mtim.tv_nsec) / 1e9 +
                      kHostEpochOffset;
        std::memcpy(buffer, &time, sizeof time);
    } else {
        int64_t bytes = st.st_size;
        std::memcpy(buffer, &bytes, sizeof bytes);
    }
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)
