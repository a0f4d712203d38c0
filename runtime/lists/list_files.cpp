// Lists in catalog entries: write and read the stored form through an open entry, and the
// list-file services that open "libref.catalog.entry[.type]" for one read or one write.
#include <new>
#include <string>
#include <vector>

#include "host/catalog.h"
#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/lists/list_internal.h"

namespace {

constexpr size_t kEntryNameMax = 84;
constexpr size_t kReadBlock = 65536;

std::string stripped(std::string_view text) {
    size_t begin = text.find_first_not_of(' ');
    if (begin == std::string_view::npos) return {};
    size_t end = text.find_last_not_of(' ');
    return std::string(text.substr(begin, end - begin + 1));
}

// Splits "a.b.c" or "a.b.c.d" into stripped parts.
std::vector<std::string> name_parts(std::string_view name) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t dot = name.find('.', start);
        parts.push_back(stripped(name.substr(start, dot == std::string_view::npos ? std::string_view::npos : dot - start)));
        if (dot == std::string_view::npos) break;
        start = dot + 1;
    }
    return parts;
}

int log_failure(int code, std::string_view entry, const std::string& why) {
    xpslog("%1zThe list in entry %*s cannot be read: %*s.", static_cast<int>(entry.size()), entry.data(),
           static_cast<int>(why.size()), why.data());
    return code;
}

}  // namespace

int afwrlst(qor_entry* entry, const qor_list* list) try {
    if (!entry || !list) return QOR_SL_NULL;
    std::string bytes;
    int code = qor_list_encode(list, &bytes);
    if (code == 0) code = xcwrite(entry, bytes.data(), bytes.size());
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int afrdlst(qor_entry* entry, qor_list* list) try {
    if (!entry || !list) return QOR_SL_NULL;
    qor_member_info info;
    int code = xlminfo(entry, &info);
    if (code != 0) return code;
    std::string bytes;
    // Read block by block: the entry's size is a hint, never trusted for one allocation.
    std::vector<char> block(kReadBlock);
    while (true) {
        size_t got = 0;
        code = xcread(entry, block.data(), block.size(), &got);
        bytes.append(block.data(), got);
        if (code != 0) break;
    }
    if (code != static_cast<int>(QOR_C_END)) return code;
    std::string why;
    std::string name = info.name + "." + info.type;
    code = qor_list_decode(bytes.data(), bytes.size(), list, &why);
    // Running out of memory was logged by the decoder already.
    if (code != 0 && code != QOR_SL_NO_MEMORY) log_failure(code, name, why);
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slfile(qor_list* list, std::string_view entry_name, int operation, std::string_view type,
           std::string_view description) try {
    if (!list) return QOR_SL_NULL;
    if (operation != 'R' && operation != 'W') return static_cast<int>(QOR_C_BAD_REQUEST);
    if (entry_name.size() > kEntryNameMax) entry_name = entry_name.substr(0, kEntryNameMax);
    std::vector<std::string> parts = name_parts(entry_name);
    if (parts.size() == 3) parts.push_back(stripped(type));
    if (parts.size() != 4 || parts[3].empty()) {
        xpslog("%1zThe entry name %*s is not of the form library.catalog.entry.type.",
               static_cast<int>(entry_name.size()), entry_name.data());
        return static_cast<int>(QOR_C_BAD_REQUEST);
    }
    qor_entry_request request;
    request.libref = parts[0];
    request.catalog = parts[1];
    request.name = parts[2];
    request.type = parts[3];
    request.description = description;
    request.mode = operation == 'R' ? QOR_CO_INPUT : QOR_CO_OUTPUT;
    qor_entry* entry = nullptr;
    int code = xcopen(request, &entry);
    if (code != 0) return code;
    code = operation == 'R' ? afrdlst(entry, list) : afwrlst(entry, list);
    // A failed write must not replace the entry: discard instead of committing.
    int closed = xcclose(entry, code == 0 ? 0 : QOR_CC_DISCARD);
    if (closed != 0 && code == 0) {
        xcclose(entry, QOR_CC_DISCARD);
        code = closed;
    }
    return code;
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)

int slofile(qor_list* list, std::string_view entry_name, int operation, std::string_view description) try {
    return slfile(list, entry_name, operation, {}, description);
}
QOR_SERVICE_CATCH(QOR_SL_NO_MEMORY)
