// Text of list items and the list printer: a number as the shortest text that reads back to it
// (missing values as ".", "._", ".A".. ".Z"), a list as indented lines on the log, each list
// in full once and referred back to where it is met again.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unordered_map>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/lists/list_internal.h"

namespace {

constexpr size_t kShownBytes = 200;   // a longer character value is cut on the printed line
constexpr int kShownDepth = 64;

std::string number_text(double value) {
    if (qor::is_missing(value)) {
        int code = qor::missing_code(value);
        if (code == 0) return ".";
        if (code == '_') return "._";
        if (code >= 'A' && code <= 'Z') return std::string(".") + static_cast<char>(code);
        return ".";
    }
    char buffer[40];
    for (int digits = 15; digits <= 17; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
        if (std::strtod(buffer, nullptr) == value) break;
    }
    return buffer;
}

// Printable form of a character value: bytes outside printable ASCII as \xNN, cut when long.
std::string shown_text(const std::string& text) {
    std::string out = "\"";
    size_t shown = text.size() < kShownBytes ? text.size() : kShownBytes;
    for (size_t i = 0; i < shown; ++i) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    out += "\"";
    if (shown < text.size()) out += " ... (" + std::to_string(text.size()) + " bytes)";
    return out;
}

// Prints the items of a list, sublists indented below their item. A list reached a second time
// (shared by several items, or holding itself) is not printed again: its line names the item
// where it was printed in full, by its path of positions from the printed list ("2.1.3").
// Each list is printed at most once, so the printing takes time linear in the distinct lists.
void print_items(const qor_list* list, int depth, const std::string& path,
                 std::unordered_map<const qor_list*, std::string>* printed_at) {
    std::string indent(static_cast<size_t>(depth) * 2, ' ');
    for (size_t i = 0; i < list->items.size(); ++i) {
        const qor_list_item& item = list->items[i];
        std::string position = path + (path.empty() ? "" : ".") + std::to_string(i + 1);
        std::string line = indent + std::to_string(i + 1) + " " + (item.name.empty() ? "(no name)" : item.name) + " ";
        bool descend = false, too_deep = false;
        if (item.type == QOR_SL_NUMBER) {
            line += "N " + number_text(item.number);
        } else if (item.type == QOR_SL_CHAR) {
            line += "C " + shown_text(item.text);
        } else {
            line += "L (" + std::to_string(item.sublist->items.size()) + " items)";
            auto seen = printed_at->find(item.sublist);
            if (seen != printed_at->end()) line += " = " + seen->second;
            else if (depth + 1 >= kShownDepth) too_deep = true;   // not printed here: no reference to it
            else descend = printed_at->emplace(item.sublist, position).second;
        }
        xpslog("%*s", static_cast<int>(line.size()), line.data());
        if (too_deep) xpslog("%*s  ...", static_cast<int>(indent.size()), indent.data());
        if (descend) print_items(item.sublist, depth + 1, position, printed_at);
    }
}

}  // namespace

int slstrng(const qor_list* list, int position, std::string* out) try {
    if (!list || !out) return QOR_SL_NULL;
    if (position < 1 || static_cast<size_t>(position) > list->items.size()) return QOR_SL_POSITION;
    const qor_list_item& item = list->items[static_cast<size_t>(position) - 1];
    if (item.type == QOR_SL_LIST) return QOR_SL_WRONG_TYPE;
    *out = item.type == QOR_SL_CHAR ? item.text : number_text(item.number);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slput(const qor_list* list, std::string_view heading, int) try {
    if (!list) return QOR_SL_NULL;
    xpslog("%*s(list %i, %i items)", static_cast<int>(heading.size()), heading.data(), static_cast<int>(list->id),
           static_cast<int>(list->items.size()));
    std::unordered_map<const qor_list*, std::string> printed_at{{list, "0"}};   // "0": the list itself
    print_items(list, 1, "", &printed_at);
    return 0;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
