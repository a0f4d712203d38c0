// The boundary guard of host services: a function-try-block handler that turns an exception
// escaping a service (running out of memory above all) into the service's error answer.
#pragma once
#include <exception>

// Written after the closing brace of a service whose body opens with "try {":
//     int xcopen(...) try {
//         ...
//     } QOR_SERVICE_CATCH(static_cast<int>(QOR_C_NO_MEMORY))
// The argument is what the service answers (empty for a void service). The step exit is not a
// std::exception and passes through, as it must.
#define QOR_SERVICE_CATCH(...)                                        \
    catch (const std::exception& qor_service_failure) {               \
        qor::runtime::service_failed(__func__, qor_service_failure); \
        return __VA_ARGS__;                                           \
    }

namespace qor::runtime {

// Logs why the service failed ("Not enough memory for <service>." for an allocation failure, an
// internal error naming the service otherwise) and remembers an allocation failure for xmemdef.
// Never throws: when the log cannot be written either, a fixed line goes to stderr.
void service_failed(const char* service, const std::exception& failure) noexcept;

}  // namespace qor::runtime
