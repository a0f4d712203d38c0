// The global macro symbol table: a mutex-guarded map of upper-cased names to text values.
// Numbers are kept as the shortest text that reads back to the same double.
#include <charconv>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include <unistd.h>

#include "host/macro.h"
#include "host/missing.h"
#include "runtime/core/service_guard.h"

struct qor_macro_table {
    std::mutex lock;
    std::map<std::string, std::string> values;
};

namespace {

// Upper-cased name when it is a valid macro name (letter or underscore, then letters, digits,
// underscores); empty otherwise. A length of -1 means NUL-terminated.
std::string normalised_name(const char* name, int length) {
    if (!name) return {};
    size_t n = length < 0 ? std::strlen(name) : static_cast<size_t>(length);
    while (n > 0 && name[n - 1] == ' ') --n;   // blank-padded names are common in fixed fields
    if (n == 0 || n > QOR_MACRO_NAME_MAX) return {};
    std::string out(n, ' ');
    for (size_t i = 0; i < n; ++i) {
        char c = name[i];
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
        bool digit = c >= '0' && c <= '9';
        if (!letter && !(digit && i > 0)) return {};
        out[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
    }
    return out;
}

// Shortest round-trip text of a number; whole numbers below 2^53 are written without exponent
// so that seeds and counts read naturally.
std::string number_text(double value) {
    if (qor::is_missing(value) || std::isnan(value)) return ".";
    char buffer[64];
    std::to_chars_result r;
    if (std::fabs(value) < 9007199254740992.0 && value == std::floor(value)) {
        r = std::to_chars(buffer, buffer + sizeof buffer, static_cast<long long>(value));
    } else {
        r = std::to_chars(buffer, buffer + sizeof buffer, value);
    }
    return std::string(buffer, r.ptr);
}

int set_value(qor_macro_table* table, const char* name, int name_length, std::string value) {
    if (!table) return QOR_MACRO_BAD_TABLE;
    std::string key = normalised_name(name, name_length);
    if (key.empty()) return QOR_MACRO_BAD_NAME;
    std::lock_guard<std::mutex> guard(table->lock);
    table->values[key] = std::move(value);
    return QOR_MACRO_OK;
}

}  // namespace

qor_macro_table* xalanch() {
    // The automatic variables are there from the first use of the table: SYSJOBID names this run
    // of the host (its process id), so that archives tell apart the runs that wrote them.
    static qor_macro_table* global = [] {
        static qor_macro_table table;
        table.values["SYSJOBID"] = std::to_string(static_cast<long>(::getpid()));
        return &table;
    }();
    return global;
}

int xjsympn(qor_macro_table* table, const char* name, int name_length, double value) try {
    return set_value(table, name, name_length, number_text(value));
}
QOR_SERVICE_CATCH(QOR_MACRO_NO_MEMORY)

int xjsympc(qor_macro_table* table, const char* name, int name_length, const char* text, int text_length) try {
    if (!text) return QOR_MACRO_BAD_TABLE;
    size_t n = text_length < 0 ? std::strlen(text) : static_cast<size_t>(text_length);
    return set_value(table, name, name_length, std::string(text, n));
}
QOR_SERVICE_CATCH(QOR_MACRO_NO_MEMORY)

int xjsymget(qor_macro_table* table, const char* name, int name_length, char* buffer, int size) try {
    if (!table) return -QOR_MACRO_BAD_TABLE;
    std::string key = normalised_name(name, name_length);
    if (key.empty()) return -QOR_MACRO_BAD_NAME;
    std::lock_guard<std::mutex> guard(table->lock);
    auto it = table->values.find(key);
    if (it == table->values.end()) return -QOR_MACRO_NOT_FOUND;
    const std::string& v = it->second;
    if (buffer && size > 0) {
        size_t copy = v.size() < static_cast<size_t>(size - 1) ? v.size() : static_cast<size_t>(size - 1);
        std::memcpy(buffer, v.data(), copy);
        buffer[copy] = '\0';
    }
    return static_cast<int>(v.size());
}
QOR_SERVICE_CATCH(-QOR_MACRO_NO_MEMORY)

int xjsymdel(qor_macro_table* table, const char* name, int name_length) try {
    if (!table) return QOR_MACRO_BAD_TABLE;
    std::string key = normalised_name(name, name_length);
    if (key.empty()) return QOR_MACRO_BAD_NAME;
    std::lock_guard<std::mutex> guard(table->lock);
    return table->values.erase(key) ? QOR_MACRO_OK : QOR_MACRO_NOT_FOUND;
}
QOR_SERVICE_CATCH(QOR_MACRO_NO_MEMORY)
