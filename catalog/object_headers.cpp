// Catalog object headers and the list workspace: the object table of each kind, headers taken
// from their free list and given back, the names of an environment's catalog, and the workspace
// that every list of catalog storage is made in.
#include <algorithm>
#include <cstring>

#include "catalog/object_frame.h"
#include "common/memory/pool_memory.h"
#include "common/module/step_context.h"
#include "common/strings/fields.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/kernel.h"
#include "host/save_support.h"

namespace {

constexpr int kListOptions = 84;
constexpr int kWorkspaceFailure = 1008;

// The object table of each kind; -1 for kinds that have none here.
int table_of_kind(int32_t kind) {
    switch (kind) {
    case RSKKIND_FUNDCLASS: return RSKTAB_FUNDCLASSES;
    case RSKKIND_MODPARMS: return RSKTAB_MODELS;
    case RSKKIND_MODSPEC: return RSKTAB_MODELSPECS;
    case RSKKIND_TSOURCE: return RSKTAB_TSOURCES;
    case RSKKIND_FILTER: return RSKTAB_FILTERS;
    case RSKKIND_TDATA: return RSKTAB_TDATA;
    case RSKKIND_REPORT: return RSKTAB_REPORTS;
    case RSKKIND_TIMEGRID: return RSKTAB_TIMEGRIDS;
    case RSKKIND_PARMATRIX: return RSKTAB_PARMATRICES;
    case RSKKIND_CALENDAR: return RSKTAB_CALENDARS;
    case RSKKIND_TRANSTATS: return RSKTAB_STATLISTS;
    case RSKKIND_TRANSFORMATION: return RSKTAB_GENTRANS;
    case RSKKIND_WEBREPORT: return RSKTAB_WEBREPORTS;
    case RSKKIND_PROJECT: return RSKTAB_PROJECTS;
    case RSKKIND_PACKAGE2:
    case RSKKIND_PACKAGE: return RSKTAB_PACKAGES;
    case RSKKIND_ANALYSIS: return RSKTAB_ANALYSES;
    case RSKKIND_CROSSCLASS: return RSKTAB_CROSSCLASSES;
    case RSKKIND_PRATESET: return RSKTAB_PRATESETS;
    case RSKKIND_TFILE: return RSKTAB_TFILES;
    case RSKKIND_INPUTDS: return RSKTAB_INPUTDS;
    case RSKKIND_OUTPUT: return RSKTAB_OUTPUTS;
    default: return -1;
    }
}

}  // namespace

bool rss_kind_has_table(int32_t kind) { return table_of_kind(kind) >= 0; }

RSKSYMTAB* rss_kind_table(RSKCON* con, int32_t kind) {
    int index = table_of_kind(kind);
    if (index < 0 || con->current_tables == nullptr) return nullptr;
    RSKSYMTAB* table = &con->current_tables->tables[index];
    return table->buckets != nullptr ? table : nullptr;
}

RSKCATOBJ* rss_take_header(RSKCON* con, int chunk) {
    size_t bytes = 0;
    RSKCATOBJ* header = rsk_take_free<RSKCATOBJ, &RSKCATOBJ::link>(con->free_lists->catalog_objects,
                                                                   con->current_pool, chunk, &bytes);
    if (header == nullptr) {
        if (con->no_memory_reported == 0) xpmlog(598, 2797, static_cast<long>(bytes), "add elements to a list");
        con->no_memory_reported = 1;
    }
    return header;
}

void rss_give_header(RSKCON* con, RSKCATOBJ* header) {
    RSKPROPS& properties = header->properties;
    if (properties.description != nullptr)
        vmfree_handler(con->current_pool, properties.description, properties.description_capacity, QOR_FREE_SIZED);
    std::memset(static_cast<void*>(header), 0, sizeof *header);
    rsk_give_free<RSKCATOBJ, &RSKCATOBJ::link>(con->free_lists->catalog_objects, header);
}

std::string_view rss_env_libref(const RSKENV* environment) {
    return std::string_view(environment->libref, static_cast<size_t>(wzstrip(environment->libref, 8)));
}

std::string_view rss_env_catalog(const RSKENV* environment) {
    const RSKNAMEREC& name = environment->name.name;
    return std::string_view(name.text, name.text ? name.length : 0);
}

int rss_entry_name(const RSKENV* environment, const RSKNAMEREC* member, int32_t kind,
                   char (&out)[kRssEntryNameLimit + 1]) {
    char type[9] = {};
    rssobex(kind, type);
    const RSKNAMEREC& catalog = environment->name.name;
    const int member_length = member->text ? std::min<int>(member->length, kRskObjectNameCapacity) : 0;
    return wzstcat(out, -(kRssEntryNameLimit + 2), '.', 4, environment->libref, 8, catalog.text,
                   catalog.text ? static_cast<int>(catalog.length) : 0, member->text, member_length, type, 8);
}

const RSKNAMEREC* rss_member_name(const RSKCATOBJ* header) {
    return header->member_name.name.length > 0 ? &header->member_name.name : &header->name.name;
}

RSKLISTWS* rss_list_workspace(RSKCON* con) {
    if (con->list_workspace != nullptr) return con->list_workspace;
    if (con->function_manager == 0) {
        struct {
            int16_t length;
            char text[4];
        } workspace = {4, {'Z', 'O', 'Z', 'U'}};
        if (fminit("N", "N", nullptr, nullptr, nullptr, nullptr, 1279, &workspace, nullptr, nullptr) != 0)
            xexit(kWorkspaceFailure);
        con->function_manager = 1;
    }
    auto* workspace = static_cast<RSKLISTWS*>(vmalcp_handler(con->general_pool, sizeof(RSKLISTWS), QOR_ALLOC_ZERO));
    if (workspace == nullptr) {
        // Out of memory is reported and answered like any other: the step goes on.
        if (con->no_memory_reported == 0) xpmlog(598, 2797, static_cast<long>(sizeof(RSKLISTWS)), "list workspace");
        con->no_memory_reported = 1;
        return nullptr;
    }
    workspace->pool = con->general_pool;
    afcachi(workspace);
    con->list_workspace = workspace;
    return workspace;
}

qor_list_id rss_new_list(RSKLISTWS* workspace, const char* routine) {
    qor_list* list = nullptr;
    qor_list_id id = workspace ? slnewl(&list, workspace->pool, kListOptions) : 0;
    if (id == 0) xpmlog(598, 113, wzstlen(routine), routine);
    return id;
}

void rss_free_list(qor_list_id list) {
    if (list != 0) slfree(list, 0);
}
