// Catalog entries of objects: an object's entry read into a list (from its environment's catalog,
// or from that catalog while it is open for indexing), one member of an open catalog read or
// written, and one member deleted.
#include <algorithm>
#include <cstring>

#include "catalog/object_frame.h"
#include "common/strings/fields.h"
#include "host/catalog.h"
#include "host/print.h"

namespace {

constexpr size_t kMemberNameLimit = 32;

std::string_view member_of(const RSKNAMEREC* member) {
    if (member == nullptr || member->text == nullptr) return {};
    return std::string_view(member->text, std::min<size_t>(member->length, kMemberNameLimit));
}

std::string_view type_of(const char* type) {
    if (type == nullptr) return {};
    return std::string_view(type, static_cast<size_t>(wzstrip(type, static_cast<int>(strnlen(type, 8)))));
}

std::string_view text_of(const char* text, int length) {
    if (text == nullptr) return {};
    if (length < 0) length = wzstlen(text);
    return std::string_view(text, static_cast<size_t>(wzstrip(text, length)));
}

}  // namespace

int rssofil(RSKCON* con, RSKCATOBJ* header, qor_list_id list) {
    const RSKNAMEREC& name = header->name.name;
    RSKENV* environment = header->environment;
    int rc = 1;
    if (environment != nullptr) {
        char type[9] = {};
        rssobex(header->kind, type);
        if (environment->open_catalog != nullptr) {
            rc = rssoflr(rss_list_workspace(con), environment->open_catalog, list, rss_member_name(header), type, 0);
        } else if (qor_list* target = slistp(list)) {
            char entry[kRssEntryNameLimit + 1];
            const int length = rss_entry_name(environment, rss_member_name(header), header->kind, entry);
            rc = slofile(target, std::string_view(entry, static_cast<size_t>(length)), 'R') != 0 ? 1 : 0;
        }
    }
    if (rc != 0) xpmlog(598, 3104, name.text ? static_cast<int>(name.length) : 0, name.text);
    return rc;
}

int rssoflr(RSKLISTWS*, qor_catalog* catalog, qor_list_id list, const RSKNAMEREC* member, const char* type, int) {
    qor_list* target = slistp(list);
    if (catalog == nullptr || target == nullptr) return 1;
    qor_entry* entry = nullptr;
    if (xlmopen(catalog, member_of(member), type_of(type), QOR_CO_INPUT, &entry) != 0) return 1;
    // The stored list replaces the list's items only when it was read whole.
    int rc = afrdlst(entry, target);
    xlmclos(entry, 0);
    return rc != 0 ? 1 : 0;
}

int rssoflw(RSKLISTWS*, qor_catalog* catalog, qor_list_id list, const RSKNAMEREC* member, const char* type,
            const RSSMEMDESC* description) {
    qor_list* source = slistp(list);
    if (catalog == nullptr || source == nullptr) return 1;
    std::string_view name = member_of(member);
    std::string_view member_type = type_of(type);
    RSSMEMDESC kept{};
    if (description == nullptr) {
        // Keep the member's present description.
        qor_entry* present = nullptr;
        if (xlmopen(catalog, name, member_type, QOR_CO_INPUT, &present) == 0) {
            qor_member_info info;
            if (xlminfo(present, &info) == 0) {
                kept.length = static_cast<int16_t>(std::min(info.description.size(), sizeof kept.text));
                std::memcpy(kept.text, info.description.data(), static_cast<size_t>(kept.length));
            }
            xlmclos(present, 0);
        }
    } else {
        kept = *description;
    }
    const int kept_length = std::clamp<int>(kept.length, 0, static_cast<int>(sizeof kept.text));
    qor_entry* entry = nullptr;
    if (xlmopen(catalog, name, member_type, QOR_CO_OUTPUT, &entry,
                std::string_view(kept.text, static_cast<size_t>(kept_length))) != 0)
        return 1;
    if (afwrlst(entry, source) != 0) {
        // The previous version of the member stays as it was.
        xlmclos(entry, QOR_CC_DISCARD);
        return 1;
    }
    if (xlmclos(entry, 0) != 0) {
        xlmclos(entry, QOR_CC_DISCARD);
        return 1;
    }
    return 0;
}

int rssoflf(RSKCON*, const char* libref, const char* catalog_name, int catalog_length, const char* member,
            int member_length, const char* type) {
    qor_catalog* catalog = nullptr;
    // The library reference is 8 characters, blank-padded, not necessarily terminated.
    const int libref_length = libref ? static_cast<int>(strnlen(libref, 8)) : 0;
    if (xlopen(text_of(libref, libref_length), text_of(catalog_name, catalog_length), QOR_CO_UPDATE, &catalog) != 0)
        return 1;
    std::string_view name = text_of(member, member_length);
    name = name.substr(0, std::min(name.size(), kMemberNameLimit));
    int rc = xlmdele(catalog, name, type_of(type));
    xlclose(catalog, 0);
    // An object never saved has no entry: there is nothing to delete.
    return rc == 0 || rc == static_cast<int>(QOR_C_NOT_FOUND) ? 0 : 1;
}
