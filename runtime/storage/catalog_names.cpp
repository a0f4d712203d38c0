// Name and type rules of catalog entries, the clock of entry times, and the failure reporter
// (the last reason per thread, and an error line on the log).
#include <chrono>
#include <string>

#include "host/print.h"
#include "runtime/storage/catalog_internal.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime {

namespace {

thread_local std::string last_error;

std::string trimmed_upper(std::string_view text) {
    size_t begin = 0, end = text.size();
    while (begin < end && text[begin] == ' ') ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\0')) --end;
    std::string out(text.substr(begin, end - begin));
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool is_word_char(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Seconds from 1 January 1960 to 1 January 1970.
constexpr double kHostEpochOffset = 315619200.0;

}  // namespace

std::string catalog_name(std::string_view text) {
    std::string name = trimmed_upper(text);
    if (name.empty() || name.size() > 32) return {};
    if (name[0] >= '0' && name[0] <= '9') return {};
    for (char c : name)
        if (!is_word_char(c)) return {};
    return name;
}

std::string catalog_type(std::string_view text) {
    std::string type = trimmed_upper(text);
    if (type.empty() || type.size() > 8) return {};
    for (char c : type)
        if (!is_word_char(c)) return {};
    return type;
}

std::string shown_name(std::string_view text) {
    std::string out(text.substr(0, 40));
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F) c = '?';
    if (text.size() > 40) out += "...";
    return out;
}

bool is_utility_type(const std::string& type) { return type == "UTILITY" || type == "PUTILITY"; }

int64_t clock_now_us() {
    using namespace std::chrono;
    return duration_cast<microseconds>(system_clock::now().time_since_epoch()).count();
}

double host_datetime_of_us(int64_t us) { return static_cast<double>(us) / 1e6 + kHostEpochOffset; }

int catalog_fail(uint32_t code, const std::string& reason, bool quiet) {
    last_error = reason;
    if (!quiet) xpslog("%1z%*s", static_cast<int>(reason.size()), reason.data());
    return static_cast<int>(code);
}

void catalog_clear_error() { last_error.clear(); }

int catalog_file_path(std::string_view libref, std::string_view catalog, std::string* path) {
    std::string dir = library_directory(libref);
    if (dir.empty())
        return catalog_fail(QOR_C_NO_LIBRARY, "Library " + std::string(libref) + " is not assigned.");
    std::string file = member_file(libref, catalog, "CATALOG");
    if (file.empty())
        return catalog_fail(QOR_C_BAD_REQUEST, "Catalog name \"" + shown_name(catalog) + "\" is not valid.");
    *path = file;
    return 0;
}

int refuse_read_only_library(std::string_view libref) {
    if (!library_read_only(libref)) return 0;
    std::string name(libref);
    while (!name.empty() && (name.back() == ' ' || name.back() == '\0')) name.pop_back();
    return catalog_fail(QOR_C_READ_ONLY, "Library " + shown_name(name) + " is read-only: nothing in it can be written.");
}

}  // namespace qor::runtime

const char* qor_catalog_error_text() { return qor::runtime::last_error.c_str(); }
