// Reporting a host service stopped by an exception at its boundary: the message, and the memory
// failure flag that xmemdef answers.
#include "runtime/core/service_guard.h"

#include <cstdio>
#include <new>
#include <stdexcept>

#include "host/print.h"
#include "runtime/core/pool_internal.h"

namespace qor::runtime {

namespace {
// Set while a failure is being reported: the log's own services are guarded too, and a log that
// fails for want of memory must not report itself again.
thread_local bool t_reporting = false;
}

void service_failed(const char* service, const std::exception& failure) noexcept {
    // A container asked for more than it can hold is as much out of memory as a failed new.
    bool memory = dynamic_cast<const std::bad_alloc*>(&failure) != nullptr ||
                  dynamic_cast<const std::length_error*>(&failure) != nullptr;
    if (memory) note_memory_failure();
    if (!t_reporting) {
        t_reporting = true;
        try {
            if (memory) xpslog("%1zNot enough memory for %s: the service failed.", service);
            else xebug("%s: %s", service, failure.what());
            t_reporting = false;
            return;
        } catch (...) {
        }
        t_reporting = false;
    }
    std::fputs(memory ? "ERROR: Not enough memory: a host service failed.\n"
                      : "ERROR: Internal: a host service failed.\n",
               stderr);
}

}  // namespace qor::runtime
