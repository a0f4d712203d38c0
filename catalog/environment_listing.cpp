// Listing environments: printing the chain in use and the held environment, recording the
// last-used environment in the user profile, and listing the environments that the libraries
// of the search paths hold into the environment-name buffer.
#include <dirent.h>
#include <strings.h>

#include <algorithm>
#include <cctype>
#include <vector>
#include <cstring>
#include <string>

#include "catalog/entry_table.h"
#include "catalog/environment.h"
#include "common/memory/pool_memory.h"
#include "engine/model/paths/search_path.h"
#include "engine/tables/catalog_table.h"
#include "common/files/names.h"
#include "host/print.h"

namespace {

// Kinds whose entries make a catalog without ZUDO12 lists an environment, in search order.
constexpr int32_t kEnvironmentKinds[] = {3, 2, 33, 24, 1, 4, 6, 7, 5, 8, 30, 34, 35, 36,
                                         37, 38, 39, 9, 10, 12, 13, 14, 17, 18, 21, 22, 23, 25};

bool name_listed(const RSKCON* con, std::string_view name) {
    int at = 0;
    while (at + 2 < con->environment_names_used) {
        int length = static_cast<unsigned char>(con->environment_names[at + 1]);
        std::string_view have(con->environment_names + at + 2, static_cast<size_t>(length));
        if (have.size() == name.size() && strncasecmp(have.data(), name.data(), name.size()) == 0) return true;
        at += length + 3;
    }
    return false;
}

int add_name(RSKCON* con, std::string_view name, int sample) {
    if (name_listed(con, name)) return 0;
    int needed = static_cast<int>(name.size()) + 3;
    if (con->environment_names_capacity - con->environment_names_used < needed) {
        int grow = con->environment_names_capacity < 40 ? 40 : con->environment_names_capacity;
        if (grow < needed) grow = needed;
        int capacity = con->environment_names_capacity + grow;
        auto* buffer = static_cast<char*>(vmalcp_handler(con->general_pool, static_cast<size_t>(capacity), QOR_ALLOC_ZERO));
        if (buffer == nullptr) {
            report_no_memory(con, static_cast<long>(capacity), "all environment names");
            return 1;
        }
        if (con->environment_names != nullptr) {
            std::memcpy(buffer, con->environment_names, static_cast<size_t>(con->environment_names_used));
            vmfree_handler(con->general_pool, con->environment_names,
                           static_cast<size_t>(con->environment_names_capacity), QOR_FREE_SIZED);
        }
        con->environment_names = buffer;
        con->environment_names_capacity = capacity;
    }
    char* at = con->environment_names + con->environment_names_used;
    at[0] = static_cast<char>(sample);
    at[1] = static_cast<char>(name.size());
    for (size_t i = 0; i < name.size(); ++i)
        at[2 + i] = i == 0 ? name[0] : static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    at[2 + name.size()] = '\0';
    con->environment_names_used += needed;
    ++con->environment_names_count;
    return 0;
}

// -1 when the catalog is no environment, else its sample flag.
int classify(qor_catalog* catalog) {
    qor_member_dir* dir = nullptr;
    if (xldopen(catalog, kEnvListType, &dir) == 0) {
        qor_member_info info;
        bool any = xldread(dir, &info) == 0;
        xldclos(dir);
        if (any) return xlmfind(catalog, "SAMPLE", kEnvListType) == 0 ? 1 : 0;
    }
    for (int32_t kind : kEnvironmentKinds) {
        char type[9] = {};
        if (rssobex(kind, type) != 0) continue;
        std::string_view t(type, 8);
        while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
        if (xldopen(catalog, t, &dir) != 0) continue;
        qor_member_info info;
        bool any = xldread(dir, &info) == 0;
        xldclos(dir);
        if (any) return 0;
    }
    return -1;
}

// The catalogs of a library, by name, in name order.
std::vector<std::string> catalogs_of(const std::string& libref) {
    std::vector<std::string> names;
    const char* path = nullptr;
    int length = 0;
    if (zlib2ph(libref.c_str(), &path, &length) != 0 || path == nullptr) return names;
    char extension[9] = {};
    if (zfilext("CATALOG ", extension) != 0) return names;
    std::string suffix = "." + std::string(extension, strnlen(extension, 8));
    while (!suffix.empty() && suffix.back() == ' ') suffix.pop_back();
    DIR* dir = opendir(std::string(path, static_cast<size_t>(length)).c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name.substr(0, name.size() - suffix.size()));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

void print_environment_lines(RSKCON* con, const RSKENV* environment) {
    std::string_view directory = shown_directory(con, environment);
    xpmlog(598, 3066, static_cast<int>(name_of(environment).size()), name_of(environment).data(),
           static_cast<int>(directory.size()), directory.data());
    if (environment->properties.description_length > 0)
        xpmlog(598, 3067, static_cast<int>(environment->properties.description_length),
               environment->properties.description);
}

int rssenvp(RSKCON* con, int with_security) {
    xpmlog(598, 3065);
    xpmlog(598, 3063);
    auto print_one = [&](const RSKENV* environment) {
        print_environment_lines(con, environment);
        // Under GENERIC the output path and a library reference made for the directory are
        // machine-specific too: the neutral text stands for both.
        const bool neutral = con->neutral_paths || con->generic;
        std::string_view outpath = neutral ? std::string_view("<System-specific pathname>") : outpath_of(environment);
        xpmlog(598, 3068, static_cast<int>(outpath.size()), outpath.data());
        std::string_view libref = libref_of(environment);
        if (neutral && libref != "WORK") libref = "<System-specific libref>";
        xpmlog(598, 3231, static_cast<int>(libref.size()), libref.data());
        if (with_security) {
            RSKRIGHTS rights = environment->rights;
            auto listing = reinterpret_cast<catalog_slot_t<CatalogSlot::rssseca>>(rskctbl[static_cast<int>(CatalogSlot::rssseca)]);
            if (listing != nullptr) listing(con, &rights, const_cast<RSKENV*>(environment), "INHERIT", 7, 11, 1, 0);
        }
    };
    if (con->inherit_last == nullptr) xpmlog(598, 14);
    for (RSKENVCELL* cell = con->inherit_last; cell != nullptr; cell = cell->previous) print_one(cell->environment);
    xpmlog(598, 3064);
    if (con->held_environment != nullptr) print_one(con->held_environment);
    else xpmlog(598, 14);
    xpmlog(598, 3232);
    return 0;
}

int rssenlt(RSKCON* con) {
    const RSKENV* environment = con->held_environment != nullptr ? con->held_environment : con->current_environment;
    if (environment == nullptr) return 0;
    qor_list* list = new_list(con);
    if (list == nullptr) return -1;
    if (slfile(list, "QORUSER.PROFILE.RISKINIT", 'R', "SLIST") != 0) slclear(list);
    std::string_view file(environment->catalog_file.buffer, environment->catalog_file.name.length);
    int rc = slsnc(list, "LAST-USED ZOZU ENVIRONMENT", file);
    if (rc == 0) rc = slfile(list, "QORUSER.PROFILE.RISKINIT", 'W', "SLIST");
    sldel(list, 0);
    return rc == 0 ? 0 : 1;
}

int rssenla(RSKCON* con) {
    con->environment_names_used = 0;
    con->environment_names_count = 0;
    bool help_seen = false;
    for (RSKPATHENTRY* entry = con->search_path_head; entry != nullptr; entry = entry->next) {
        std::string libref(entry->libref, 8);
        while (!libref.empty() && (libref.back() == ' ' || libref.back() == '\0')) libref.pop_back();
        if (libref.empty()) continue;
        if (strcasecmp(libref.c_str(), "QORHELP") == 0) {
            if (help_seen) continue;
            help_seen = true;
        }
        std::string skip;
        if (strcasecmp(libref.c_str(), "WORK") == 0 && con->current_environment != nullptr &&
            con->held_environment != nullptr)
            skip = std::string(name_of(con->current_environment));
        for (const std::string& member : catalogs_of(libref)) {
            if (!skip.empty() && strcasecmp(member.c_str(), skip.c_str()) == 0) continue;
            qor_catalog* catalog = nullptr;
            if (xlopen(libref, member, QOR_CO_INPUT, &catalog) != 0) continue;
            int sample = classify(catalog);
            xlclose(catalog, 0);
            if (sample >= 0 && add_name(con, member, sample) != 0) return 1;
        }
    }
    return con->environment_names_count;
}
