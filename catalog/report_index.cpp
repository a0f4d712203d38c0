// The report index: built from the report rows of every environment of the chain (the
// environment's data set, read when its index member exists), with report type codes given to
// the indexed reports and to the report and web-report objects; looked up by name and cleared.
#include "catalog/report_index.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "catalog/engine_calls.h"
#include "catalog/environment.h"
#include "catalog/engine_calls.h"
#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "catalog/object_forms.h"
#include "common/files/names.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/reports/reports.h"
#include "engine/model/types/type_name_lists.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/dataset.h"
#include "host/print.h"

using namespace form_items;

namespace {

constexpr int kApplicationWidth = 8;
constexpr int kDescriptionWidth = 84;
constexpr int kTypeWidth = 32;

RSKSYMTAB* index_table(RSKCON* con) {
    if (con->current_tables == nullptr) return nullptr;
    RSKSYMTAB* table = &con->current_tables->tables[RSKTAB_REPORT_INDEX];
    return table->buckets != nullptr ? table : nullptr;
}

RSKTYPELIST* type_table(RSKCON* con) { return con->options != nullptr ? &con->options->type_names : nullptr; }

// The code of a report type text: found, or added when new; 0 for an empty text or when it
// cannot be added.
int32_t type_code_of(RSKCON* con, std::string_view text) {
    text = stripped(text);
    RSKTYPELIST* types = type_table(con);
    if (text.empty() || types == nullptr) return 0;
    auto find = engine_routine<EngineSlot::rskgtys>();
    auto add = engine_routine<EngineSlot::rskgtya>();
    int code = find != nullptr ? find(con, types, text.data(), static_cast<int>(text.size())) : 0;
    if (code == 0 && add != nullptr && add(con, types, text.data(), static_cast<int>(text.size()), &code) != 0) code = 0;
    return code;
}

// Whether the environment's data set has its index member.
bool has_index(const RSKENV* environment) {
    const std::string_view directory = directory_of(environment);
    const std::string_view name = name_of(environment);
    char file[4096];
    int length = 0;
    if (zxname(file, &length, name.data(), static_cast<int>(name.size()), "INDEX", directory.data(),
               static_cast<int>(directory.size())) != 0)
        return false;
    struct stat info {};
    return ::stat(std::string(file, static_cast<size_t>(length)).c_str(), &info) == 0;
}

// A record for a new entry, the free list refilled 20 at a time; null after 598/2797 (once).
RSKREPINDEX* take_entry(RSKCON* con) {
    size_t asked = 0;
    RSKREPINDEX* entry =
        rsk_take_free(con->free_lists->report_index_entries, con->current_pool, kRskReportIndexChunk, &asked);
    if (entry == nullptr && !con->no_memory_reported) {
        con->no_memory_reported = 1;
        xpmlog(598, 2797, static_cast<long>(asked), "add elements to a list");
    }
    return entry;
}

// The name of a row: its description without trailing blanks, or APPLNAME.APPLTYPE; at most 32.
std::string row_name(std::string_view description, std::string_view application, std::string_view type) {
    std::string name(trimmed(description));
    if (name.empty()) {
        name.assign(stripped(application));
        name.push_back('.');
        name.append(stripped(type));
        if (name.size() > static_cast<size_t>(kDescriptionWidth)) name.resize(kDescriptionWidth);
    }
    if (name.size() > static_cast<size_t>(kRskObjectNameCapacity)) name.resize(kRskObjectNameCapacity);
    return name;
}

// One row into the index: a new entry or the present one taken over. 0, or 1 without memory.
int index_row(RSKCON* con, RSKENV* environment, std::string_view description, std::string_view application,
              std::string_view type, std::string_view report_type) {
    RSKSYMTAB* table = index_table(con);
    if (table == nullptr) return 0;
    const std::string name = row_name(description, application, type);
    if (name.empty()) return 0;
    const RSKNAMEREC key = record_of(name);
    const bool current = environment == con->current_environment;
    auto* entry = static_cast<RSKREPINDEX*>(engine_rsksym(con, table, &key));
    if (entry == nullptr) {
        entry = take_entry(con);
        if (entry == nullptr) return 1;
        engine_rskname(con, &entry->name, name.data(), static_cast<int>(name.size()));
        entry->kind = 1;
        if (engine_rsksymd(con, table, &entry->name.name, entry) == 2) {
            rsk_give_free(con->free_lists->report_index_entries, entry);
            return 1;
        }
        entry->origin = current ? RSKREPORT_FIRST_CURRENT : RSKREPORT_OTHER;
    } else {
        entry->origin = current ? RSKREPORT_REDEFINED : RSKREPORT_OTHER;
    }
    entry->environment = environment;
    const std::string_view app = stripped(application);
    entry->application = RSKOBJNAME{};
    if (!app.empty()) engine_rskname(con, &entry->application, app.data(), static_cast<int>(app.size()));
    std::memset(entry->application_type, ' ', sizeof entry->application_type);
    std::memcpy(entry->application_type, type.data(), std::min(type.size(), sizeof entry->application_type));
    entry->type_code = type_code_of(con, report_type);
    return 0;
}

// Collects every entry of the index table.
template <typename Visit>
void for_each_entry(RSKSYMTAB* table, Visit visit) {
    for (int32_t b = 0; b < table->bucket_count; ++b)
        for (RSKSYMBOL* symbol = table->buckets[b]; symbol != nullptr; symbol = symbol->next_in_bucket)
            if (symbol->object != nullptr) visit(static_cast<RSKREPINDEX*>(symbol->object));
}

// Loads every object of a kind (reports, web reports) and gives it the code of its type text.
template <typename Record>
int type_objects(RSKCON* con, int table_index) {
    if (con->current_tables == nullptr) return 0;
    RSKSYMTAB* table = &con->current_tables->tables[table_index];
    if (table->buckets == nullptr) return 0;
    int rc = 0;
    for (int32_t b = 0; b < table->bucket_count; ++b)
        for (RSKSYMBOL* symbol = table->buckets[b]; symbol != nullptr; symbol = symbol->next_in_bucket) {
            auto* header = static_cast<RSKCATOBJ*>(symbol->object);
            if (header == nullptr) continue;
            auto* record = static_cast<Record*>(rssofiq(con, header, 0));
            if (record == nullptr) {
                rc = 1;
                continue;
            }
            if constexpr (std::is_same_v<Record, RSKREPORT>)
                record->type_code = type_code_of(con, text_of(record->type));
            else
                record->type_code = type_code_of(con, text_of(record->category));
        }
    return rc;
}

}  // namespace

int load_report(RSKCON* con, RSKENV* environment) {
    if (environment == nullptr || !has_index(environment)) return 0;
    qor_open_request request{};
    std::memset(request.libref, ' ', sizeof request.libref);
    const std::string_view libref = libref_of(environment);
    std::memcpy(request.libref, libref.data(), std::min(libref.size(), sizeof request.libref));
    const std::string_view name = name_of(environment);
    request.member.length = static_cast<int16_t>(std::min<size_t>(name.size(), sizeof request.member.text));
    std::memcpy(request.member.text, name.data(), static_cast<size_t>(request.member.length));
    std::memset(request.member_type, ' ', sizeof request.member_type);
    request.mode = QOR_OPEN_INPUT;
    qor_dataset* dataset = nullptr;
    int rc = xoopen(&dataset, &request);
    if (rc != 0) {
        xprrlog(2, rc);
        return 0;
    }
    int application = 0, type = 0, description = 0, report_type = 0;
    if (xvfind(dataset, "APPLNAME", 8, &application, 0) != 0 || xvfind(dataset, "APPLTYPE", 8, &type, 0) != 0 ||
        xvfind(dataset, "DESCRIPT", 8, &description, 0) != 0) {
        xoclose(dataset, 0);
        return 0;   // no report rows in this environment
    }
    if (xvfind(dataset, "REPTYPE", 7, &report_type, 0) != 0) report_type = 0;
    int result = 0;
    qor_obs_request next{};
    next.dataset = dataset;
    for (;;) {
        rc = xoget(&next, QOR_GET_NEXT);
        if (rc == QOR_DS_END_OF_DATA) break;
        if (rc != 0) {
            xprrlog(2, rc);
            break;
        }
        char application_text[kApplicationWidth], type_text[kApplicationWidth];
        char description_text[kDescriptionWidth], report_text[kTypeWidth];
        int application_length = 0, type_length = 0, description_length = 0, report_length = 0;
        xvget1c(dataset, application, application_text, kApplicationWidth, &application_length);
        xvget1c(dataset, type, type_text, kApplicationWidth, &type_length);
        xvget1c(dataset, description, description_text, kDescriptionWidth, &description_length);
        if (report_type > 0) xvget1c(dataset, report_type, report_text, kTypeWidth, &report_length);
        if (index_row(con, environment, std::string_view(description_text, static_cast<size_t>(description_length)),
                      std::string_view(application_text, static_cast<size_t>(application_length)),
                      std::string_view(type_text, static_cast<size_t>(type_length)),
                      std::string_view(report_text, static_cast<size_t>(report_length))) != 0) {
            result = 1;
            break;
        }
    }
    xoclose(dataset, 0);
    return result;
}

void* rssrpt(RSKCON* con, const RSKNAMEREC* name) {
    RSKSYMTAB* table = con != nullptr && name != nullptr ? index_table(con) : nullptr;
    return table != nullptr ? engine_rsksym(con, table, name) : nullptr;
}

int rssrptl(RSKCON* con) {
    if (RSKTYPELIST* types = type_table(con)) engine_call<EngineSlot::rskgtyc>(con, types);
    int rc = 0;
    RSKENV* chain[kRssChainLimit];
    const int count = rss_environment_chain(con, chain, kRssChainLimit);
    for (int i = 0; i < count; ++i)
        if (load_report(con, chain[i]) != 0) rc = 1;
    if (type_objects<RSKREPORT>(con, RSKTAB_REPORTS) != 0) rc = 1;
    if (type_objects<RSKWEBREP>(con, RSKTAB_WEBREPORTS) != 0) rc = 1;
    return rc;
}

int rssrptc(RSKCON* con) {
    RSKSYMTAB* table = index_table(con);
    if (table == nullptr) return 0;
    for_each_entry(table, [&](RSKREPINDEX* entry) { rsk_give_free(con->free_lists->report_index_entries, entry); });
    engine_call<EngineSlot::rsktblc>(con, table, 0);
    return 0;
}
