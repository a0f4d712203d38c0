// Bookmarks of web reports: a typed list naming the environment, project and display of a run,
// stored as library.DEZERIVO.<code>_<n>.SLIST under the first free running number.
#include <cstdio>
#include <cstring>
#include <string>

#include "engine/model/reports/reports.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/lists.h"
#include "host/print.h"

namespace {

constexpr size_t kEntryNameLimit = 32;
constexpr long kNumberLimit = 1000000;   // a bound for a catalog that answers every name as taken

std::string_view view_of(const RSKNAMEREC& name) {
    return name.text != nullptr ? std::string_view(name.text, name.length) : std::string_view();
}

// QORUSER when it is assigned, else DEZERIVO; empty when neither is.
std::string bookmark_library() {
    qor_library_info info{};
    if (xhlinf2("QORUSER", &info) == 0) return "QORUSER";
    if (xhlinf2("DEZERIVO", &info) == 0) return "DEZERIVO";
    return {};
}

// The first "<code>_<n>" without an SLIST entry; 0, or -2 when the catalog cannot be opened,
// -3 when the name would pass 32 characters.
int free_name(const std::string& library, const char* code, std::string& name) {
    qor_catalog* catalog = nullptr;
    int rc = xlopen(library, "DEZERIVO", QOR_CO_UPDATE, &catalog);
    if (rc != 0 || catalog == nullptr) return -2;
    int result = -3;
    for (long n = 1; n <= kNumberLimit; ++n) {
        name = std::string(code) + "_" + std::to_string(n);
        if (name.size() > kEntryNameLimit) break;
        if (xlmfind(catalog, name, "SLIST") != 0) {
            result = 0;
            break;
        }
    }
    xlclose(catalog, 0);
    return result;
}

}  // namespace

int rskweb_bookmark(RSKCON*, const RSKWEBREP* report, const RSKWEBRUN* run, const char* stamp, int stamp_length) {
    const RSKWEBKIND* kind = rskweb_kind(report->kind);
    if (kind == nullptr) return -4;
    const std::string library = bookmark_library();
    if (library.empty()) {
        xpslog("%1zUnable to write bookmark: neither QORUSER nor DEZERIVO is assigned.");
        return -1;
    }
    std::string name;
    int rc = free_name(library, kind->code, name);
    if (rc == -2) {
        xpslog("%1zUnable to write bookmark: the catalog %s.DEZERIVO cannot be opened.", library.c_str());
        return rc;
    }
    if (rc != 0) {
        xpslog("%1zUnable to write bookmark: no free name for %s bookmarks.", kind->code);
        return rc;
    }

    qor_list* list = nullptr;
    if (slnewl(&list, nullptr, 0) == 0 || list == nullptr) return -4;
    rc = slinsc(list, view_of(run->environment), QOR_SL_APPEND, "ENV");
    if (rc == 0) rc = slinsc(list, view_of(run->project), QOR_SL_APPEND, "PROJ");
    if (rc == 0) rc = slinsc(list, kind->code, QOR_SL_APPEND, "REP");
    if (rc == 0) rc = slinsi(list, 0, QOR_SL_APPEND, "GROUPNO");
    if (rc == 0) rc = slinsc(list, "", QOR_SL_APPEND, "LINK");
    if (rc == 0) rc = slinsc(list, view_of(report->description), QOR_SL_APPEND, "NOTES");
    if (rc == 0) rc = slinsc(list, "MARK", QOR_SL_APPEND, "TYPE");
    if (rc == 0) {
        std::string description(view_of(report->name.name));
        description.append(stamp, static_cast<size_t>(stamp_length > 0 ? stamp_length : 0));
        const std::string entry = library + ".DEZERIVO." + name + ".SLIST";
        rc = slofile(list, entry, 'W', description);
    }
    sldel(list, 0);
    if (rc != 0) {
        xpslog("%1zUnable to write bookmark %s.", name.c_str());
        return -4;
    }
    return 0;
}
