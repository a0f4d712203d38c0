// Items of a project (rskprja) and the check before a run (rskprj0): every name a project holds
// is looked up where its kind lives; a missing object is a warning when added and an error when
// the project is about to run.
#include <cctype>
#include <cstring>

#include "engine/model/analyses/analyses.h"
#include "engine/model/categories/categories.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/models/models.h"
#include "engine/model/projects/projects.h"
#include "engine/model/reports/reports.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/run/run_block.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kReadRight = 4;

int length_of(const RSKNAMEREC* name) { return name != nullptr && name->text != nullptr ? name->length : 0; }
int length_of(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.length : 0; }

// The object of that name in one of the environment's object tables, or null.
RSKCATOBJ* object_in(RSKCON* con, int table, const RSKNAMEREC* name) {
    if (con->current_tables == nullptr || length_of(name) == 0) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[table], name));
}

bool method_exists(RSKCON* con, const RSKNAMEREC* name) {
    auto find = own_engine_routine<EngineSlot::rsktrn>();
    return find != nullptr && length_of(name) > 0 && find(con, name) != nullptr;
}

// A report of any of the three kinds: the catalog's index of host-product reports, then batch
// reports, then web reports.
bool report_exists(RSKCON* con, const RSKNAMEREC* name) {
    return rssrpt(con, name) != nullptr || rskrep(con, name) != nullptr || rskweb(con, name) != nullptr;
}

void warn(int number, const RSKNAMEREC* item, const RSKPROJECT* project) {
    xpmlog(598, number, length_of(item), item != nullptr ? item->text : "", length_of(project->name),
           project->name.buffer);
}

// Stores the numeraire when the text is 3 characters naming a known currency; else 598/1107.
void add_numeraire(RSKCON* con, RSKPROJECT* project, const RSKNAMEREC* name) {
    char code[4] = {};
    bool known = length_of(name) == 3;
    if (known) {
        for (int i = 0; i < 3; ++i) code[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name->text[i])));
        known = rskcur(con, code) != nullptr;
    }
    if (!known) {
        warn(1107, name, project);
        return;
    }
    std::memcpy(project->numeraire, code, sizeof code);
}

// Appends a name to a list; 1 when no cell can be had (598/2797 was given).
int append(RSKCON* con, RSKNAMELIST& list, const RSKNAMEREC* name) {
    if (rsklsta(con, &list.head, &list.tail, name != nullptr ? name->text : "", length_of(name)) != 0) {
        con->error = 1;
        return 1;
    }
    return 0;
}

// Loads the object of each name of a list from one table; reports each that cannot be had.
int load_each(RSKCON* con, const RSKNAMELIST& list, int table, int number, const RSKPROJECT* project) {
    int rc = 0;
    for (const RSKNAMECELL* cell = list.head; cell != nullptr; cell = cell->next) {
        RSKCATOBJ* object = object_in(con, table, &cell->name.name);
        if (object == nullptr || rssofiq(con, object, kReadRight) == nullptr) {
            warn(number, &cell->name.name, project);
            rc = 1;
        }
    }
    return rc;
}

int check_instrument_data(RSKCON* con, const RSKPROJECT* project) {
    const RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || run->instrument_file_count <= 0 || run->instrument_files == nullptr) {
        if (length_of(project->instrument_data) == 0) {
            xpmlog(598, 1302, length_of(project->name), project->name.buffer);
            return 1;
        }
        RSKCATOBJ* object = object_in(con, RSKTAB_TFILES, &project->instrument_data.name);
        if (object != nullptr && rssofiq(con, object, kReadRight) != nullptr) return 0;
        warn(1308, &project->instrument_data.name, project);
        return 1;
    }
    int rc = 0;
    for (int i = 0; i < run->instrument_file_count; ++i) {
        const RSKNAMEREC* name = &run->instrument_files[i].name.name;
        RSKCATOBJ* object = object_in(con, RSKTAB_TFILES, name);
        if (object == nullptr || rssofiq(con, object, kReadRight) == nullptr) {
            warn(1308, name, project);
            rc = 1;
        }
    }
    return rc;
}

}  // namespace

int rskprja(RSKCON* con, RSKPROJECT* project, int item, const RSKNAMEREC* name, double date) {
    if (con == nullptr || project == nullptr) return 1;
    const char* text = name != nullptr ? name->text : "";
    const int length = length_of(name);
    switch (item) {
    case RSKPRJ_INSTRUMENT_DATA:
        if (object_in(con, RSKTAB_TFILES, name) == nullptr) warn(1102, name, project);
        rskname(con, &project->instrument_data, text, length);
        return 0;
    case RSKPRJ_FILTER:
        if (object_in(con, RSKTAB_FILTERS, name) == nullptr) warn(1103, name, project);
        return append(con, project->filters, name);
    case RSKPRJ_INPUT_DATA:
        if (object_in(con, RSKTAB_INPUTDS, name) == nullptr) warn(1110, name, project);
        return append(con, project->input_data, name);
    case RSKPRJ_PRICING_SET:
        if (object_in(con, RSKTAB_PRATESETS, name) == nullptr) warn(1104, name, project);
        return append(con, project->pricing_sets, name);
    case RSKPRJ_ANALYSIS:
        if (length == 0 || rskanl(con, name) == nullptr) warn(1105, name, project);
        return append(con, project->analyses, name);
    case RSKPRJ_CROSS_CLASS:
        if (length == 0 || rskccs(con, name) == nullptr) warn(1106, name, project);
        rskname(con, &project->cross_class, text, length);
        return 0;
    case RSKPRJ_NUMERAIRE: add_numeraire(con, project, name); return 0;
    case RSKPRJ_MODEL:
        if (length == 0 || rskmod(con, name) == nullptr) warn(1108, name, project);
        return append(con, project->models, name);
    case RSKPRJ_REPORT:
        if (length == 0 || !report_exists(con, name)) warn(1109, name, project);
        return append(con, project->reports, name);
    case RSKPRJ_OUTPUT: rskname(con, &project->output, text, length); return 0;
    case RSKPRJ_OUTPUT_PATH: rskpnam(con, &project->output_path, text, length); return 0;
    case RSKPRJ_STATISTICS:
        if (object_in(con, RSKTAB_STATLISTS, name) == nullptr) warn(1111, name, project);
        rskname(con, &project->statistics, text, length);
        return 0;
    case RSKPRJ_NETSET: project->netset = 1; return 0;
    case RSKPRJ_PROJECT_METHOD:
    case RSKPRJ_POST_VALUATION:
    case RSKPRJ_POST_PRICING: {
        const char* which = item == RSKPRJ_PROJECT_METHOD ? "Project" : item == RSKPRJ_POST_VALUATION ? "PostVar" : "PostPrice";
        if (!method_exists(con, name))
            xpmlog(598, 1125, -1, which, length, text, length_of(project->name), project->name.buffer);
        RSKNAMELIST& list = item == RSKPRJ_PROJECT_METHOD   ? project->project_methods
                            : item == RSKPRJ_POST_VALUATION ? project->post_valuation
                                                            : project->post_pricing;
        return append(con, list, name);
    }
    case RSKPRJ_OUTPUT_LIBRARY:
        std::memset(project->output_library, ' ', sizeof project->output_library);
        std::memcpy(project->output_library, text, static_cast<size_t>(length < 8 ? length : 8));
        return 0;
    case RSKPRJ_CF_BUCKET: rskname(con, &project->cf_bucket, text, length); return 0;
    case RSKPRJ_DEFAULT_DATE: project->default_date = date; return 0;
    case RSKPRJ_ALTYPE: project->altype = length > 0 || date != 0 ? 1 : 0; return 0;
    default: xebug("rskproja: invalid item_type=%i", item); return 1;
    }
}

int rskprj0(RSKCON* con, RSKPROJECT* project) {
    if (con == nullptr || project == nullptr) return 1;
    int rc = check_instrument_data(con, project);
    rc |= load_each(con, project->filters, RSKTAB_FILTERS, 1303, project);
    rc |= load_each(con, project->pricing_sets, RSKTAB_PRATESETS, 1304, project);
    rc |= load_each(con, project->analyses, RSKTAB_ANALYSES, 1305, project);
    for (const RSKNAMECELL* cell = project->models.head; cell != nullptr; cell = cell->next) {
        if (rskmod(con, &cell->name.name) == nullptr) {
            warn(1309, &cell->name.name, project);
            rc = 1;
        }
    }
    rc |= load_each(con, project->input_data, RSKTAB_INPUTDS, 1310, project);

    RSKCATOBJ* cross = nullptr;
    if (length_of(project->cross_class) > 0) {
        cross = rskccs(con, &project->cross_class.name);
        if (cross == nullptr || rssofiq(con, cross, kReadRight) == nullptr) {
            warn(1306, &project->cross_class.name, project);
            cross = nullptr;
            rc = 1;
        }
    }
    if (con->run_block != nullptr) con->run_block->cross_class = cross;
    return rc != 0 ? 1 : 0;
}
