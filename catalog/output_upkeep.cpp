// Upkeep of outputs: the result library reference of an output, the check of every output after
// indexing, and unregistering the result databases of outputs stored under the work directory.
#include <cstring>
#include <string>
#include <string_view>

#include "catalog/object_forms.h"
#include "catalog/object_frame.h"
#include "catalog/engine_calls.h"
#include "common/module/not_yet.h"
#include "engine/tables/object_tables.h"

namespace {

// Each output header of the current tables, whatever happens to the table meanwhile.
template <typename Visit>
void for_each_output(RSKCON* con, Visit visit) {
    RSKSYMTAB* table = rss_kind_table(con, RSKKIND_OUTPUT);
    if (table == nullptr) return;
    for (int32_t bucket = 0; bucket < table->bucket_count; ++bucket) {
        RSKSYMBOL* symbol = table->buckets[bucket];
        while (symbol != nullptr) {
            RSKSYMBOL* next = symbol->next_in_bucket;   // the visit may remove this one
            if (symbol->object != nullptr) visit(table, static_cast<RSKCATOBJ*>(symbol->object));
            symbol = next;
        }
    }
}

// The stored "PATH" of an output, read from its entry; empty when it cannot be read.
std::string stored_path(RSKCON* con, RSKCATOBJ* header) {
    RSKLISTWS* workspace = rss_list_workspace(con);
    qor_list_id list = rss_new_list(workspace, "LOAD_OBJECT");
    if (list == 0) return {};
    std::string path;
    std::string_view text;
    if (rssofil(con, header, list) == 0 && slgnc(slistp(list), "PATH", &text) == 0) path = text;
    rss_free_list(list);
    return path;
}

// The components of a path, separators and "." dropped.
std::string_view next_component(std::string_view& rest) {
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
    size_t end = rest.find('/');
    std::string_view part = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end);
    return part == "." ? next_component(rest) : part;
}

}  // namespace

bool rss_path_under(std::string_view path, std::string_view directory) {
    if (directory.empty() || path.empty()) return false;
    if ((directory.front() == '/') != (path.front() == '/')) return false;
    for (;;) {
        std::string_view want = next_component(directory);
        if (want.empty()) return true;
        if (next_component(path) != want) return false;
    }
}

int rssoutl(RSKCON* con, RSKCATOBJ* header) {
    return rssofiq(con, header, 0) != nullptr ? 0 : 1;
}

int rssoutv(RSKCON* con) {
    for_each_output(con, [&](RSKSYMTAB*, RSKCATOBJ* header) {
        if (rssofiq(con, header, 0) != nullptr) return;
        // An output that cannot be loaded leaves the index; its entry stays in the catalog.
        RSKSYMTAB* table = rss_kind_table(con, RSKKIND_OUTPUT);
        RSKNAMEREC name = header->name.name;
        char copy[kRskObjectNameCapacity];
        std::memcpy(copy, name.text, name.length);
        name.text = copy;
        engine_rsksymf(con, table, &name);
        rss_give_header(con, header);
    });
    return 0;
}

int rssoutz(RSKCON* con) {
    std::string_view work(con->work_path.name.text ? con->work_path.name.text : "", con->work_path.name.length);
    for_each_output(con, [&](RSKSYMTAB*, RSKCATOBJ* header) {
        std::string path = stored_path(con, header);
        // Whole components: an output in /tmp/work2 does not lie under /tmp/work.
        if (!path.empty() && rss_path_under(path, work)) not_yet_available("rssrmbd");
    });
    return 0;
}
