// Operating-system identification for the modules: wzosinf names the system, its release and
// the machine, as utility-file headers record which system wrote them.
#include <sys/utsname.h>

#include <cstring>
#include <string>

#include "host/options.h"
#include "runtime/core/service_guard.h"

int wzosinf(char* buffer, int size, int* length) try {
    if (length) *length = 0;
    if (!buffer || size < 1) return QOR_ENV_BAD_ARGUMENT;
    struct utsname names;
    if (uname(&names) != 0) {
        buffer[0] = '\0';
        return QOR_ENV_ABSENT;
    }
    std::string text = std::string(names.sysname) + " " + names.release + " " + names.machine;
    size_t n = text.size() < static_cast<size_t>(size - 1) ? text.size() : static_cast<size_t>(size - 1);
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    if (length) *length = static_cast<int>(n);
    return 0;
}
QOR_SERVICE_CATCH(QOR_ENV_NO_MEMORY)
