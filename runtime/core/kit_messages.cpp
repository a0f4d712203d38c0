// The host kit's message object: numbered messages (through the host's message tables) and
// status codes turned into text, into a caller's buffer or onto the log.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/print.h"
#include "runtime/core/kit_internal.h"

namespace qor::runtime::kit {
namespace {

// Copies text into the caller's buffer, cut to size and NUL-terminated.
int to_buffer(const std::string& text, char* buffer, size_t size, size_t* length) {
    if (size > 0 && !buffer) return QOR_KIT_BAD_ARGUMENT;
    if (length) *length = text.size();
    if (size > 0) {
        size_t n = text.size() < size ? text.size() : size - 1;
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return text.size() < size ? 0 : QOR_KIT_TOO_SMALL;
}

// The numbered message's text, formatted without inserts.
int message_text(int table, int number, std::string* out) {
    char small[512];
    int n = xpmstr(small, sizeof small, table, number);
    if (n < 0) return QOR_KIT_BAD_ARGUMENT;
    if (static_cast<size_t>(n) < sizeof small) {
        out->assign(small, static_cast<size_t>(n));
        return 0;
    }
    std::vector<char> big(static_cast<size_t>(n) + 1);
    int m = xpmstr(big.data(), n + 1, table, number);
    if (m < 0) return QOR_KIT_BAD_ARGUMENT;
    out->assign(big.data(), static_cast<size_t>(m < n ? m : n));
    return 0;
}

const char* status_words(int status) {
    switch (status) {
        case 0: return "Success.";
        case QOR_KIT_UNSUPPORTED: return "The operation is not supported.";
        case QOR_KIT_NO_WAITER: return "There is no waiter to wait through.";
        case QOR_KIT_TIMEOUT: return "The wait timed out.";
        case QOR_KIT_BAD_HANDLE: return "The handle is not valid.";
        case QOR_KIT_BAD_ARGUMENT: return "An argument is not valid.";
        case QOR_KIT_NO_RESOURCES: return "No thread or memory could be had.";
        case QOR_KIT_SELF_CLOSE: return "A thread cannot close its own handle.";
        case QOR_KIT_RUNNING: return "The thread has not ended yet.";
        case QOR_KIT_THREAD_FAILED: return "The thread was stopped by a fault.";
        case QOR_KIT_TOO_SMALL: return "The buffer is too small.";
        default: return nullptr;
    }
}

// Statuses of the methods compiler's error hook, formatted with their inserts (printf style).
const char* status_format(int status) {
    switch (static_cast<unsigned>(status)) {
        case QOR_STATUS_CMP_ERROR: return "ERROR: %s";                                 // (message)
        case QOR_STATUS_CMP_METHOD_LINE: return "ERROR: Line %d of %s method %.*s: %s";  // (line, phase, name, message)
        case QOR_STATUS_CMP_METHOD: return "ERROR: In %s method %.*s: %s";              // (phase, name, message)
        default: return nullptr;
    }
}

// "The wait timed out. (status 0x803FC00A)"; an unknown code reads "Status 0x...".
std::string status_text(int status) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(status));
    const char* words = status_words(status);
    if (!words) return std::string("Status ") + hex + ".";
    return std::string(words) + " (status " + hex + ")";
}

int message_to_buf(void*, char* buffer, size_t size, size_t* length, int table, int number,
                   va_list* args) {
    if (args) return QOR_KIT_UNSUPPORTED;   // inserts cannot be passed on from a va_list
    std::string text;
    int rc = message_text(table, number, &text);
    return rc ? rc : to_buffer(text, buffer, size, length);
}

int message_to_jnl(void*, void* journal, int table, int number, va_list* args) {
    if (args || journal) return QOR_KIT_UNSUPPORTED;   // the log is the only journal
    std::string text;
    int rc = message_text(table, number, &text);
    if (rc == 0) xpslog("%s", text.c_str());
    return rc;
}

// A status with inserts: its format filled from args (a copy, so the caller's list stays usable).
std::string status_with_inserts(int status, va_list* args) {
    const char* format = status_format(status);
    if (!format || !args) return status_text(status);
    va_list copy;
    va_copy(copy, *args);
    char small[512];
    int n = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return status_text(status);
    if (static_cast<size_t>(n) < sizeof small) return std::string(small, static_cast<size_t>(n));
    std::vector<char> big(static_cast<size_t>(n) + 1);
    va_copy(copy, *args);
    std::vsnprintf(big.data(), big.size(), format, copy);
    va_end(copy);
    return std::string(big.data(), static_cast<size_t>(n));
}

int status_to_buf(void*, char* buffer, size_t size, size_t* length, int status, va_list* args) {
    return to_buffer(status_with_inserts(status, args), buffer, size, length);
}

int status_to_jnl(void*, void* journal, int status, va_list* args) {
    if (journal) return QOR_KIT_UNSUPPORTED;
    xpslog("%s", status_with_inserts(status, args).c_str());
    return 0;
}

const qor_message_ops kOps = {message_to_buf, message_to_jnl, status_to_buf, status_to_jnl};
qor_message_object g_messages = {&kOps};

}  // namespace

qor_message_object* message_object() { return &g_messages; }

}  // namespace qor::runtime::kit
