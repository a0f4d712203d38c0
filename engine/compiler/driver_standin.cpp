// Stand-in for opening a compilation and pushing statements until the compiler driver's area
// lands: a handle made on first use, a fresh session per opening, pushes reported in mode 2.
#include <cstring>
#include <new>

#include "engine/compiler/compiler_driver.h"
#include "host/print.h"

namespace {

RSKCMPCON* handle_of(RSKCON* con) {
    if (con->compile_handle == nullptr) {
        auto* handle = new (std::nothrow) RSKCMPCON{};
        if (handle == nullptr) return nullptr;
        handle->con = con;
        handle->log = handle->log_area;
        handle->log_size = kRskLogBufferSize;
        handle->error = handle->error_area;
        handle->error_size = kRskErrorBufferSize;
        con->compile_handle = handle;
    }
    return con->compile_handle;
}

}  // namespace

int rskicmp(int echo, int echo_argument, RSKCON* con, int) {
    RSKCMPCON* handle = con != nullptr ? handle_of(con) : nullptr;
    if (handle == nullptr) return 1;
    if (handle->compilation.program != nullptr) cmpends(handle->compilation.program);
    handle->compilation.program = nullptr;
    handle->echo = echo ? 1 : 0;
    handle->echo_argument = echo_argument;
    std::memset(handle->label_counters, 0, sizeof handle->label_counters);
    handle->current_method = nullptr;
    handle->phase_letter = 0;
    handle->function_use = 0;
    handle->error_flag = 0;
    handle->log_length = handle->error_length = 0;
    cmp_hooks hooks{};
    if (cmpints(&handle->compilation.program, &hooks) != 0) {
        handle->compilation.program = nullptr;
        xpmlog(598, 3401);
        return 1;
    }
    handle->mode = 2;
    handle->state = RSKCMP_IDLE;
    handle->initialised = 1;
    return install_special_functions(handle) != 0 ? 1 : 0;
}

int rskpush(RSKCMPCON* handle, const char* statement, int, int mode) {
    if (handle == nullptr || handle->compilation.program == nullptr) return 1;
    handle->state = RSKCMP_PUSHING;
    int rc = cmpprss(handle->compilation.program, statement, static_cast<int>(std::strlen(statement)),
                     mode != 0 ? handle->log : nullptr, mode != 0 ? handle->log_size : 0, handle->error,
                     handle->error_size);
    handle->log_length = static_cast<uint16_t>(mode != 0 ? std::strlen(handle->log) : 0);
    handle->error_length = static_cast<uint16_t>(std::strlen(handle->error));
    if (rc > 0) handle->error_flag = 1;
    return rc;
}
