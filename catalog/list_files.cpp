// The list layer's whole-list routines: a list saved as a catalog entry and loaded back, named
// "libref.catalog.entry.type" (at most 84 characters, trailing blanks ignored).
#include <string_view>

#include "catalog/catalog_lists.h"
#include "common/strings/fields.h"
#include "host/print.h"

namespace {

constexpr int kEntryNameLimit = 84;

std::string_view entry_name(const char* entry, int length) {
    if (entry == nullptr) return {};
    if (length < 0) length = wzstlen(entry);
    if (length > kEntryNameLimit) length = kEntryNameLimit;
    return std::string_view(entry, static_cast<size_t>(wzstrip(entry, length)));
}

// The list file service in read ('R') or write ('W') mode; 999 and the list on failure.
int list_file(const RSKLISTWS* workspace, const char* entry, int entry_length, qor_list_id id, int mode,
              std::string_view description) {
    if (workspace == nullptr) {
        xebug("rsosll: invalid ListId.");
        return 1;
    }
    std::string_view name = entry_name(entry, entry_length);
    qor_list* list = slistp(id);
    if (list == nullptr || slofile(list, name, mode, description) != 0) {
        xpmlog(598, 999, static_cast<int>(name.size()), name.data());
        if (list != nullptr) slput(list, "The invalid list: ", 2);
        return 1;
    }
    return 0;
}

}  // namespace

int rsosls(const RSKLISTWS* workspace, const char* entry, int entry_length, qor_list_id list,
           const char* description, int description_length) {
    std::string_view text;
    if (description != nullptr && description_length > 0)
        text = std::string_view(description, static_cast<size_t>(description_length));
    return list_file(workspace, entry, entry_length, list, 'W', text);
}

int rsosll(const RSKLISTWS* workspace, const char* entry, int entry_length, qor_list_id list) {
    return list_file(workspace, entry, entry_length, list, 'R', {});
}
