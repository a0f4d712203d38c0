// Numbered messages: the message tables read from runtime/messages/<table>.msg (once, lazily)
// and the services that print a message by table and number.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <string>

#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/service_guard.h"

#ifndef QOR_MESSAGES_DIR
#define QOR_MESSAGES_DIR "runtime/messages"
#endif

namespace {

using message_table = std::map<int, std::string>;

struct message_store {
    std::mutex lock;
    std::map<int, message_table> tables;   // a table is here once its file has been read
};

message_store& store() {
    static message_store s;
    return s;
}

// Reads "number<TAB>text" lines; blank lines and lines starting with '#' are skipped, a line
// that does not start with a number is ignored (the file is data, not code: it must not stop
// the host). A later line for the same number replaces the earlier one.
message_table read_table(const std::string& path) {
    message_table table;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) continue;
        char* end = nullptr;
        long number = std::strtol(line.c_str(), &end, 10);
        if (end != line.c_str() + tab || number < 0 || number > 999999) continue;
        table[static_cast<int>(number)] = line.substr(tab + 1);
    }
    return table;
}

}  // namespace

std::string qor_message_directory() {
    const char* env = std::getenv("QOR_MESSAGES");
    if (env && *env) return env;
    return QOR_MESSAGES_DIR;
}

void qor_message_tables_reset() {
    std::lock_guard<std::mutex> guard(store().lock);
    store().tables.clear();
}

const char* qor_message_text(int table, int number) {
    if (table < 0 || table > 99999) return nullptr;
    message_store& s = store();
    std::lock_guard<std::mutex> guard(s.lock);
    auto found = s.tables.find(table);
    if (found == s.tables.end())
        found = s.tables.emplace(table, read_table(qor_message_directory() + "/" + std::to_string(table) + ".msg")).first;
    auto entry = found->second.find(number);
    // Tables are never changed once read (until a test resets them), so the pointer stays valid.
    return entry == found->second.end() ? nullptr : entry->second.c_str();
}

int qor_message_format(qor_format_out* out, int table, int number, qor_format_args* args) {
    if (qor_print_msgids()) out->text += std::to_string(table) + "/" + std::to_string(number) + " ";
    const char* text = qor_message_text(table, number);
    if (!text) {
        // The arguments cannot be read safely without the text that describes them.
        out->text += "Message " + std::to_string(table) + "/" + std::to_string(number) +
                     " is not in the message tables.";
        return 1;
    }
    qor_format_append(out, text, args);
    return 0;
}

// Formats a numbered message from the caller's arguments.
static qor_format_out format_message(int table, int number, va_list list, size_t start_column = 0) {
    qor_format_out out;
    out.start_column = static_cast<int>(start_column);
    qor_format_args a;
    va_copy(a.list, list);
    qor_message_format(&out, table, number, &a);
    va_end(a.list);
    return out;
}

void xpmlog(int table, int number, ...) try {
    va_list list;
    va_start(list, number);
    qor_format_out out = format_message(table, number, list);
    va_end(list);
    qor_print_log_lines(out);
}
QOR_SERVICE_CATCH()

void xpmout(int table, int number, ...) try {
    va_list list;
    va_start(list, number);
    qor_format_out out = format_message(table, number, list);
    va_end(list);
    qor_print_print_lines(out);
}
QOR_SERVICE_CATCH()

void xpm(int table, int number, ...) try {
    va_list list;
    va_start(list, number);
    qor_format_out out = format_message(table, number, list, qor_print_stream_column());
    va_end(list);
    qor_print_stream(out, false);
}
QOR_SERVICE_CATCH()

int xpmstr(char* buffer, int size, int table, int number, ...) try {
    va_list list;
    va_start(list, number);
    qor_format_out out = format_message(table, number, list);
    va_end(list);
    size_t room = size > 0 ? static_cast<size_t>(size) - 1 : 0;
    size_t n = out.text.size() < room ? out.text.size() : room;
    if (buffer && size > 0) {
        out.text.copy(buffer, n);
        buffer[n] = '\0';
    }
    return static_cast<int>(n);
}
QOR_SERVICE_CATCH(-1)

int xpmtext(int table, int number, char* buffer, int size, int* length) try {
    const char* text = qor_message_text(table, number);
    if (length) *length = 0;
    if (!text) {
        if (buffer && size > 0) buffer[0] = '\0';
        return 1;
    }
    size_t full = std::char_traits<char>::length(text);
    if (length) *length = static_cast<int>(full);
    if (buffer && size > 0) {
        size_t n = full < static_cast<size_t>(size) - 1 ? full : static_cast<size_t>(size) - 1;
        std::char_traits<char>::copy(buffer, text, n);
        buffer[n] = '\0';
    }
    return 0;
}
QOR_SERVICE_CATCH(1)
