// Result library properties: the lists a run leaves in the catalog PROPERS of its result
// library (BY variables, project, run options, general output information), written and read
// back for the viewers of results; and the report macro variables set from them.
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "catalog/catalog_settings.h"
#include "catalog/entry_table.h"
#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "engine/model/categories/categories.h"
#include "engine/model/variables/variable_record.h"
#include "host/kernel.h"
#include "host/macro.h"
#include "host/print.h"

using namespace form_items;

namespace {

constexpr size_t kCcvarsLimit = 1024;

// "LIBREF.PROPERS.<entry>.SLIST" of the result library.
std::string entry_of(const char* libref, const char* entry) {
    std::string name(trimmed(std::string_view(libref != nullptr ? libref : "", libref ? strnlen(libref, 8) : 0)));
    name += ".PROPERS.";
    name += entry;
    name += ".SLIST";
    return name;
}

// A list the caller frees: 0 after 598/113 naming `label`.
qor_list_id make_list(RSKCON* con, const char* label) { return rss_new_list(rss_list_workspace(con), label); }

int store(const char* libref, const char* entry, qor_list_id list, const char* description, const char* failure) {
    if (slofile(slistp(list), entry_of(libref, entry), 'W', description) != 0) {
        xpslog("%s", failure);
        return 1;
    }
    return 0;
}

int read_back(const char* libref, const char* entry, uint32_t list, const char* failure) {
    qor_list* target = slistp(list);
    if (target == nullptr || slofile(target, entry_of(libref, entry), 'R') != 0) {
        xpslog("%s", failure);
        return 1;
    }
    return 0;
}

// The class variables of a cross-classification, each once, in hierarchy order.
template <typename Visit>
int for_each_class_variable(const RSKCROSSCLASS* cross, Visit visit) {
    std::string seen;
    for (const RSKHIERARCHY* hierarchy = cross->head; hierarchy != nullptr; hierarchy = hierarchy->next)
        for (const RSKHIERCELL* cell = hierarchy->head; cell != nullptr; cell = cell->next) {
            std::string key(text_of(cell->name));
            std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::toupper(c); });
            if (seen.find("|" + key + "|") != std::string::npos) continue;
            seen += "|" + key + "|";
            if (visit(cell->name.name, key) != 0) return 1;
        }
    return 0;
}

}  // namespace

int rssprpb(RSKCON* con, RSKCROSSCLASS* cross, const char* libref) {
    if (cross == nullptr) return 1;
    qor_list_id list = make_list(con, "rssprpb");
    if (list == 0) return 1;
    auto find = engine_routine<EngineSlot::rskvar>();
    auto type_text = engine_routine<EngineSlot::rskcsdt>();
    int rc = for_each_class_variable(cross, [&](const RSKNAMEREC& name, const std::string& upper) {
        const RSKVARIABLE* variable = find != nullptr ? find(con, &name) : nullptr;
        qor_list_id one = make_list(con, "rssprpb");
        if (one == 0) return 1;
        std::string_view label, type = "*unknown*", format;
        if (variable != nullptr) {
            if (variable->properties.description != nullptr && variable->properties.description_length > 0)
                label = std::string_view(variable->properties.description,
                                         static_cast<size_t>(variable->properties.description_length));
            const char* text = nullptr;
            const int length = type_text ? type_text(con, static_cast<int>(variable->data_type), &text) : 0;
            if (length > 0 && text != nullptr) type = std::string_view(text, static_cast<size_t>(length));
            format = text_of(variable->format_text);
        }
        int step = put_text(one, "NAME", text_of(name));
        if (step == 0) step = put_text(one, "LABEL", label);
        if (step == 0) step = put_text(one, "TYPE", type);
        if (step == 0) step = put_text(one, "FORMAT", format);
        const std::string item = upper.substr(0, kRskObjectNameCapacity);
        if (step == 0) step = rsoinsl(list, one, item.c_str(), static_cast<int>(item.size()));
        rss_free_list(one);
        return step;
    });
    if (rc == 0) rc = store(libref, "BYVARS", list, "BY variables", "Error in writing cross classifications to catalog.");
    rss_free_list(list);
    return rc;
}

int rssprlb(RSKCON*, const char* libref, uint32_t list) {
    return read_back(libref, "BYVARS", list, "Error in reading cross classifications from catalog.");
}

int rssprpr(RSKCON* con, void* project, double effective_date, const char* currency, const RSKNAMEREC* output_name,
            const RSKNAMEREC* output_path, const RSKOPTREC* options, const RSKNAMEREC* ids_names, int ids_count,
            uint32_t mddb_list, const char* libref) {
    qor_list_id project_list = make_list(con, "rssprpr");
    qor_list_id option_list = make_list(con, "rssprpr");
    qor_list_id general = make_list(con, "rssprpr");
    int rc = project_list == 0 || option_list == 0 || general == 0 ? 1 : 0;
    if (rc == 0 && project != nullptr) {
        auto write_project = reinterpret_cast<catalog_slot_t<CatalogSlot::rssprjg>>(
            rskctbl[static_cast<int>(CatalogSlot::rssprjg)]);
        rc = write_project(con, project, project_list, rss_list_workspace(con), 0, 0);
        if (rc == 0)
            rc = store(libref, "PROJECT", project_list, "Project Information",
                       "Error in writing project information to catalog.");
    }
    if (rc == 0 && options != nullptr) {
        rc = rssoptg(con, option_list, options);
        if (rc == 0)
            rc = store(libref, "OPTIONS", option_list, "Run Options", "Error in writing run options to catalog.");
    }
    if (rc == 0) {
        int appended = put_text(general, "OUTNAME", output_name ? text_of(*output_name) : std::string_view());
        appended += put_text(general, "OUTPATH", output_path ? text_of(*output_path) : std::string_view());
        qor_list_id mddb = mddb_list;
        qor_list_id empty = 0;
        if (mddb == 0 || slistp(mddb) == nullptr) mddb = empty = make_list(con, "rssprpr");
        appended += mddb != 0 ? rsoinsl(general, mddb, "MDSLIST", -1) : 1;
        rss_free_list(empty);
        for (int i = 0; ids_names != nullptr && i < ids_count; ++i)
            appended += put_text(general, "IDSNAME", text_of(ids_names[i]));
        // No currency is written as three blanks, never left out.
        const std::string_view code = currency != nullptr ? std::string_view(currency, strnlen(currency, 3)) : "";
        std::string padded(code);
        padded.resize(3, ' ');
        appended += put_text(general, "CURRENCY", padded);
        appended += put_number(general, "EFFDATE", effective_date);
        appended += put_number(general, "RUNDATE", wzdttme());
        rc = appended;
        if (rc == 0)
            rc = store(libref, "GENERAL", general, "General output information",
                       "Error in writing general output information to catalog.");
    }
    rss_free_list(project_list);
    rss_free_list(option_list);
    rss_free_list(general);
    return rc;
}

int rssprlp(RSKCON*, const char* libref, uint32_t list) {
    return read_back(libref, "PROJECT", list, "Error in reading project information from catalog.");
}

int rssprlr(RSKCON*, const char* libref, uint32_t list) {
    return read_back(libref, "OPTIONS", list, "Error in reading the run options from catalog.");
}

int rssprlg(RSKCON*, const char* libref, uint32_t list) {
    return read_back(libref, "GENERAL", list, "Error in reading general output information from catalog.");
}

int rssrepi(RSKCON* con, const char* result_library, const char* currency) {
    qor_macro_table* macros = xalanch();
    const std::string_view library =
        trimmed(std::string_view(result_library ? result_library : "", result_library ? strnlen(result_library, 8) : 0));
    const std::string_view code(currency ? currency : "   ", currency ? strnlen(currency, 3) : 3);
    if (xjsympc(macros, "RESLIB1", 7, library.data(), static_cast<int>(library.size())) != 0 ||
        xjsympc(macros, "REPCURR", 7, code.data(), static_cast<int>(code.size())) != 0)
        return 1;
    qor_list_id list = make_list(con, "CREATE_MACRO_VARIABLE");
    if (list == 0) return 1;
    char libref[9] = {};
    std::memcpy(libref, library.data(), std::min<size_t>(library.size(), 8));
    if (rssprlb(con, libref, list) != 0) {
        rss_free_list(list);
        return 1;
    }
    const qor_list* variables = slistp(list);
    const int count = slcnt(variables);
    int rc = 0;
    std::string all;
    int joined = 0;
    for (int i = 1; i <= count; ++i) {
        qor_list* one = nullptr;
        std::string_view name;
        if (slitml(variables, i, &one) != 0 || one == nullptr || slgnc(one, "NAME", &name) != 0) {
            rc = 1;
            continue;
        }
        char macro[16];
        std::snprintf(macro, sizeof macro, "CCVAR%i", i);
        if (xjsympc(macros, macro, static_cast<int>(std::strlen(macro)), name.data(), static_cast<int>(name.size())) != 0) rc = 1;
        // CCVARS holds at most 1024 characters: it ends at the last whole name that fits.
        const size_t needed = all.size() + (all.empty() ? 0 : 1) + name.size();
        if (needed <= kCcvarsLimit && joined == i - 1) {
            if (!all.empty()) all.push_back(' ');
            all.append(name);
            ++joined;
        }
    }
    if (count > 0) {
        if (joined < count) xpmlog(598, 3186, joined, count, static_cast<int>(kCcvarsLimit));
        if (xjsympc(macros, "CCVARS", 6, all.data(), static_cast<int>(all.size())) != 0 ||
            xjsympn(macros, "CCNVAR", 6, count) != 0)
            rc = 1;
    }
    rss_free_list(list);
    return rc;
}
