// Option value blocks as lists: one set per sublist ("ANALYSIS", "OUTPUT", "SYSTEM"), one item
// per option row named by the option; and the environment's "OPTIONS" entry.
#include <cmath>
#include <cstring>

#include "catalog/access_rights.h"
#include "catalog/catalog_objects.h"
#include "catalog/catalog_settings.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/settings_records.h"
#include "host/catalog.h"
#include "host/print.h"

namespace {

constexpr int kEnvironmentKind = 11;
constexpr int kOptionNameLimit = 12;

struct OptionSet {
    int registry;
    const char* name;
};
constexpr OptionSet kSets[] = {
    {RSKREG_OPTION_ANALYSIS, "ANALYSIS"}, {RSKREG_OPTION_OUTPUT, "OUTPUT"}, {RSKREG_OPTION_SYSTEM, "SYSTEM"}};

const OptionSet* set_of(int set) {
    return set >= RSKOPTSET_ANALYSIS && set <= RSKOPTSET_SYSTEM ? &kSets[set - 1] : nullptr;
}

// The rows of a set and their number (a table written in two steps counts all its rows).
const RSKOPTROW* rows_of(const RSKCON* con, int registry, int* count) {
    const RSKREGISTRY& r = con->registries[registry];
    *count = r.second_count != 0 ? r.second_count : r.count;
    return static_cast<const RSKOPTROW*>(r.rows);
}

int name_length(const RSKOPTROW& row) {
    int length = row.name_length;
    return length > kOptionNameLimit ? kOptionNameLimit : length;
}

bool numeric(int type) { return type == RSKOPT_REAL || type == RSKOPT_INTEGER || type == RSKOPT_BOOLEAN; }

// An integer option's value: truncated toward zero; a missing value (or one beyond the integer
// range) is 0.
int integer_of(double value) {
    if (!std::isfinite(value)) return 0;
    double cut = std::trunc(value);
    if (cut >= 2147483647.0 || cut <= -2147483648.0) return 0;
    return static_cast<int>(cut);
}

int write_set(RSKCON* con, qor_list_id list, const RSKOPTREC* block, int registry) {
    auto get = engine_routine<EngineSlot::rskoptg>();
    if (get == nullptr || con->registries[registry].rows == nullptr) return 1;
    int count = 0;
    const RSKOPTROW* rows = rows_of(con, registry, &count);
    int result = 0;
    for (int i = 1; i < count; ++i) {
        const RSKOPTROW& row = rows[i];
        int number = 0;
        double value = 0;
        const RSKNAMEREC* text = nullptr;
        int code = 0;
        if (numeric(row.value_type)) {
            number = get(con, row.code, block, &number, &value, &text);
            code = rsoinsd(list, row.value_type == RSKOPT_REAL ? value : static_cast<double>(number), row.name,
                           name_length(row));
        } else if (row.value_type == RSKOPT_TEXT) {
            get(con, row.code, block, &number, &value, &text);
            RSOCHAR item{0, 0, ""};
            if (text != nullptr && text->text != nullptr) item = RSOCHAR{text->length, text->length, text->text};
            code = rsoinsc(list, &item, row.name, name_length(row));
        }
        if (code > result) result = code;
    }
    return result;
}

int read_set(RSKCON* con, qor_list_id list_id, RSKOPTREC* block, int registry) {
    auto set = engine_routine<EngineSlot::rskopts>();
    const qor_list* list = slistp(list_id);
    if (set == nullptr || list == nullptr || con->registries[registry].rows == nullptr) return 0;
    int count = 0;
    const RSKOPTROW* rows = rows_of(con, registry, &count);
    for (int i = 1; i < count; ++i) {
        const RSKOPTROW& row = rows[i];
        std::string_view name(row.name, static_cast<size_t>(name_length(row)));
        // Absent items are no error: a list may hold only some options.
        if (numeric(row.value_type)) {
            double value = 0;
            if (slgnd(list, name, &value) != 0) continue;
            if (row.value_type == RSKOPT_REAL)
                set(con, row.code, block, 0, value, nullptr, 0);
            else
                set(con, row.code, block, integer_of(value), 0, nullptr, 0);
        } else if (row.value_type == RSKOPT_TEXT) {
            std::string_view text;
            if (slgnc(list, name, &text) != 0) continue;
            set(con, row.code, block, 0, 0, text.data(), static_cast<int>(text.size()));
        }
    }
    return 0;
}

}  // namespace

int rssopsg(RSKCON* con, qor_list_id list, const RSKOPTREC* block, int set) {
    const OptionSet* s = set_of(set);
    return s != nullptr ? write_set(con, list, block, s->registry) : 0;
}

int rssopss(RSKCON* con, qor_list_id list, RSKOPTREC* block, int set) {
    const OptionSet* s = set_of(set);
    if (s != nullptr) read_set(con, list, block, s->registry);
    return 0;
}

int rssoptg(RSKCON* con, qor_list_id list, const RSKOPTREC* block) {
    RSKLISTWS* workspace = rss_list_workspace(con);
    int result = 0;
    for (const OptionSet& s : kSets) {
        qor_list_id sub = rss_new_list(workspace, "rssoptg");
        if (sub == 0) return 1;
        int code = write_set(con, sub, block, s.registry);
        if (code == 0) code = rsoinsl(list, sub, s.name, -1);
        rss_free_list(sub);   // the list holds the sublist now
        if (code > result) result = code;
    }
    return result;
}

int rssopts(RSKCON* con, qor_list_id list, RSKOPTREC* block) {
    int result = 0;
    for (const OptionSet& s : kSets) {
        qor_list_id sub = 0;
        int code = rsogetl(list, s.name, -1, &sub);   // a missing set is reported and skipped
        if (code == 0) code = read_set(con, sub, block, s.registry);
        if (code > result) result = code;
    }
    return result;
}

int rssopta(RSKCON* con) {
    RSKENV* environment = con->current_environment;
    if (environment == nullptr || con->environment_options == nullptr) return 1;
    if (rssseck(con, environment) != 0) return 1;   // 598/3801: the catalog stays as it is
    RSKLISTWS* workspace = rss_list_workspace(con);
    qor_list_id list = rss_new_list(workspace, "OPTIONS");
    if (list == 0) return 1;
    int result = rssoptg(con, list, con->environment_options);
    char entry[kEntryNameLimit + 1];
    int length = rss_entry_name(environment, "OPTIONS", 7, kEnvironmentKind, entry);
    if (result == 0) {
        if (length <= 0 || rsosls(workspace, entry, length, list, nullptr, 0) != 0) {
            const RSKNAMEREC& name = environment->name.name;
            xpmlog(598, 3060, 7, "OPTIONS", static_cast<int>(name.length), name.text);
            result = 1;
        } else {
            con->environment_changed = 1;
        }
    }
    rss_free_list(list);
    return result;
}

int rssoptr(RSKCON* con) {
    RSKENV* environment = con->current_environment;
    if (environment == nullptr || con->environment_options == nullptr) return 1;
    char entry[kEntryNameLimit + 1];
    int length = rss_entry_name(environment, "OPTIONS", 7, kEnvironmentKind, entry);
    if (length <= 0) return 1;
    qor_list* list = nullptr;
    if (slnewl(&list, nullptr, 84) == 0) {
        xpmlog(598, 113, 7, "rssoptr");
        return 1;
    }
    int code = slofile(list, std::string_view(entry, static_cast<size_t>(length)), 'R');
    int result = 0;
    if (code == static_cast<int>(QOR_C_NOT_FOUND) || code == static_cast<int>(QOR_C_NO_LIBRARY)) {
        result = 0;   // an environment that never stored options keeps the current ones
    } else if (code != 0) {
        result = 1;   // the host has said why the entry cannot be read
    } else if (slcnt(list) > 0) {
        // The environment's options are the current record: options absent from the list keep
        // their current values.
        result = rssopts(con, slid(list), con->environment_options);
    }
    sldel(list, 0);
    return result;
}
