// Copying one environment over another as one atomic save: the files outside the catalog
// (outputs, portfolio files, data set and index) are staged beside their places, the catalog
// is replaced in one transaction together with an intent entry listing the switches left, and
// the staged files are then switched into place. Also the backup directory, restoring from
// it, and finishing a save that a killed process left.
#include <dirent.h>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "catalog/environment.h"
#include "common/files/names.h"
#include "host/files.h"
#include "host/print.h"
#include "host/save_support.h"

namespace {

std::string without_slash(std::string_view path) {
    std::string out(path);
    while (out.size() > 1 && out.back() == '/') out.pop_back();
    return out;
}

bool exists(const std::string& path) { return zfexist(path.data(), static_cast<int>(path.size())) == 0; }
bool is_directory(const std::string& path) { return zisdir(path.data(), static_cast<int>(path.size())) == 0; }

std::string member_file(std::string_view directory, std::string_view name, const char* type) {
    char file[QOR_PATH_MAX];
    int length = 0;
    if (zxname(file, &length, name.data(), static_cast<int>(name.size()), type, directory.data(),
               static_cast<int>(directory.size())) != 0)
        return {};
    return std::string(file, static_cast<size_t>(length));
}

// Closes a catalog when the holder goes (rolling back a transaction still open).
struct OpenCatalog {
    qor_catalog* catalog = nullptr;
    ~OpenCatalog() {
        if (catalog != nullptr) xlclose(catalog, 0);
    }
};

// One file or directory a save replaces: where its new content comes from and where it goes.
struct Switch {
    std::string from;          // empty: the place is removed (the new version has none)
    std::string place;
    bool directory = false;
};

// Name of an intent item whose place is removed rather than switched.
constexpr std::string_view kRemoveItem = "REMOVE";

// Reads every entry of one member type of a catalog as a list: false when one cannot be read.
bool read_entries(RSKCON* con, qor_catalog* catalog, std::string_view type, std::vector<qor_list*>* out) {
    qor_member_dir* dir = nullptr;
    if (xldopen(catalog, type, &dir) != 0) return true;
    qor_member_info info;
    bool ok = true;
    std::vector<std::string> names;
    while (xldread(dir, &info) == 0) names.push_back(info.name);
    xldclos(dir);
    for (const std::string& name : names) {
        qor_list* list = new_list(con);
        qor_entry* entry = nullptr;
        if (list == nullptr || xlmopen(catalog, name, type, QOR_CO_INPUT, &entry) != 0 || afrdlst(entry, list) != 0) {
            xpmlog(598, 3104, static_cast<int>(name.size()), name.data());
            ok = false;
        }
        if (entry != nullptr) xlmclos(entry, 0);
        if (list != nullptr) out->push_back(list);
        if (!ok) break;
    }
    return ok;
}

void free_lists(std::vector<qor_list*>* lists) {
    for (qor_list* list : *lists) sldel(list, 0);
    lists->clear();
}

// The output directories and portfolio files the source's catalog names (RISK9 and RISK7
// entries without a location of their own), found in the source's output path or else the
// second source's.
bool collect_files(RSKCON* con, qor_catalog* source_catalog, const RSKENV* destination, const RSKENV* source,
                   const RSKENV* second, std::vector<Switch>* switches) {
    std::vector<qor_list*> lists;
    bool ok = read_entries(con, source_catalog, "RISK9", &lists);
    std::string to = without_slash(outpath_of(destination));
    for (qor_list* list : lists) {
        if (!env_text_item(list, "DESTINPATH").empty()) continue;
        std::string name = env_lower(env_text_item(list, "NAME"));
        if (name.empty()) continue;
        for (const RSKENV* holder : {source, second}) {
            if (holder == nullptr) continue;
            std::string from = without_slash(outpath_of(holder)) + "/" + name;
            if (is_directory(from)) {
                switches->push_back({from, to + "/" + name, true});
                break;
            }
        }
    }
    free_lists(&lists);
    if (ok) ok = read_entries(con, source_catalog, "RISK7", &lists);
    for (qor_list* list : lists) {
        if (!env_text_item(list, "PATH").empty()) continue;
        std::string data = env_text_item(list, "FILENAME"), info = env_text_item(list, "INFONAME");
        if (data.empty() || info.empty()) continue;
        for (const RSKENV* holder : {source, second}) {
            if (holder == nullptr) continue;
            std::string dir = without_slash(outpath_of(holder));
            std::string data_from = member_file(dir, data, "PUTILITY"), info_from = member_file(dir, info, "PUTILITY");
            if (exists(data_from) && exists(info_from)) {
                switches->push_back({data_from, member_file(to, data, "PUTILITY"), false});
                switches->push_back({info_from, member_file(to, info, "PUTILITY"), false});
                break;
            }
        }
    }
    free_lists(&lists);
    // The environment's data set and its index, when the source has both.
    std::string data_from = member_file(directory_of(source), name_of(source), "DATA");
    std::string index_from = member_file(directory_of(source), name_of(source), "INDEX");
    std::string data_place = member_file(directory_of(destination), name_of(destination), "DATA");
    std::string index_place = member_file(directory_of(destination), name_of(destination), "INDEX");
    if (exists(data_from) && exists(index_from)) {
        switches->push_back({data_from, data_place, false});
        switches->push_back({index_from, index_place, false});
    } else {
        // The new version has no data set: an old one would be read with the new catalog.
        for (const std::string& place : {data_place, index_place})
            if (exists(place)) switches->push_back({{}, place, false});
    }
    return ok;
}

void remove_staged(const std::vector<Switch>& switches) {
    for (const Switch& s : switches)
        if (!s.from.empty()) qor_remove_tree(s.place + QOR_STAGED_SUFFIX);
}

void stage_failed(const RSKENV* destination, const char* stage) {
    xpmlog(598, 3222, static_cast<int>(std::strlen(stage)), stage, static_cast<int>(name_of(destination).size()),
           name_of(destination).data());
}

// Replaces `place` by its staged copy, keeping the old one aside until the switch is done.
int switch_one(const Switch& s) {
    if (s.from.empty()) return qor_remove_tree(s.place);
    std::string staged = s.place + QOR_STAGED_SUFFIX, aside = s.place + QOR_ASIDE_SUFFIX;
    int rc = qor_switch_into_place(staged, s.place, s.directory ? aside : std::string());
    if (rc == 0 && s.directory) rc = qor_remove_tree(aside);
    return rc;
}

// Finds the staging leftovers in a directory whose names begin with `prefix`: the places they
// belong to. (Other environments of the directory may be saving: their files are not touched.)
void leftovers_in(const std::string& directory, const std::string& prefix, std::vector<std::string>* places) {
    DIR* dir = opendir(directory.c_str());
    if (dir == nullptr) return;
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.compare(0, prefix.size(), prefix) != 0) continue;
        for (std::string_view suffix : {std::string_view(QOR_STAGED_SUFFIX), std::string_view(QOR_ASIDE_SUFFIX)}) {
            if (name.size() > suffix.size() && name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
                std::string place = directory + "/" + name.substr(0, name.size() - suffix.size());
                bool known = false;
                for (const std::string& p : *places) known = known || p == place;
                if (!known) places->push_back(place);
            }
        }
    }
    closedir(dir);
}

std::string backup_directory(const RSKENV* environment) {
    return std::string(directory_of(environment)) + "/" + env_lower(name_of(environment)) + "._backupdir_";
}

// A library assigned to a directory for one call, deassigned when the holder goes.
struct TemporaryLibrary {
    char libref[9] = "        ";
    int fresh = 0;
    bool assign(const std::string& directory) {
        return zlibnam(directory.data(), static_cast<int>(directory.size()), libref, nullptr, nullptr, &fresh,
                       nullptr) == 0;
    }
    ~TemporaryLibrary() {
        if (fresh) xhldas2(libref);
    }
};

// Copies the catalog of `from` (library, name) into the catalog `name` of the library `to`.
int copy_catalog(std::string_view from_libref, std::string_view from_name, std::string_view to_libref,
                 std::string_view to_name) {
    OpenCatalog source, target;
    int rc = xlopen(from_libref, from_name, QOR_CO_INPUT, &source.catalog);
    if (rc == 0) rc = xlopen(to_libref, to_name, QOR_CO_UPDATE, &target.catalog);
    if (rc == 0) rc = qor_catalog_replace(target.catalog, source.catalog);
    return rc;
}

}  // namespace

int settle_environment(RSKCON*, const RSKENV* environment) {
    std::vector<std::string> places, removals;
    bool forward = false;
    {
        OpenCatalog open;
        if (xlopen(libref_of(environment), name_of(environment), QOR_CO_INPUT, &open.catalog) == 0 &&
            xlmfind(open.catalog, kSaveIntentName, kSaveIntentType) == 0) {
            qor_list* list = nullptr;
            qor_entry* entry = nullptr;
            if (slnewl(&list, nullptr, 84) != 0 &&
                xlmopen(open.catalog, kSaveIntentName, kSaveIntentType, QOR_CO_INPUT, &entry) == 0 &&
                afrdlst(entry, list) == 0) {
                for (int i = 1; i <= slcnt(list); ++i) {
                    std::string_view place, item;
                    if (slitmc(list, i, &place) != 0) continue;
                    bool removal = slni(list, i, &item) == 0 && item == kRemoveItem;
                    (removal ? removals : places).emplace_back(place);
                }
                forward = true;
            }
            if (entry != nullptr) xlmclos(entry, 0);
            if (list != nullptr) sldel(list, 0);
        }
    }
    if (!forward) {
        leftovers_in(std::string(directory_of(environment)), env_lower(name_of(environment)) + ".", &places);
        leftovers_in(without_slash(outpath_of(environment)), "", &places);
        if (places.empty()) return 0;
    }
    int result = 0;
    for (const std::string& place : places)
        if (qor_settle_place(place, forward ? 1 : 0) != 0) result = 1;
    for (const std::string& place : removals)
        if (qor_remove_tree(place) != 0) result = 1;
    if (forward && result == 0) {
        OpenCatalog open;
        if (xlopen(libref_of(environment), name_of(environment), QOR_CO_UPDATE, &open.catalog) != 0 ||
            xlmdele(open.catalog, kSaveIntentName, kSaveIntentType) != 0)
            result = 1;
    }
    xpmlog(598, forward ? 3085 : 3086, static_cast<int>(name_of(environment).size()), name_of(environment).data(),
           static_cast<int>(places.size() + removals.size()));
    return result;
}

int finish_interrupted_save(RSKCON* con, const RSKENV* environment) {
    qor_env_lock* lock = nullptr;
    if (qor_lock_environment(libref_of(environment), name_of(environment), -1, &lock) != 0) return 1;
    int rc = settle_environment(con, environment);
    qor_unlock_environment(lock);
    return rc;
}

int copy_environment_files(RSKCON* con, RSKENV* destination, RSKENV* source, RSKENV* second,
                           const SaveInheritFix* fix, int* committed) {
    *committed = 0;
    OpenCatalog target, from;
    if (xlopen(libref_of(source), name_of(source), QOR_CO_INPUT, &from.catalog) != 0) {
        stage_failed(destination, "catalog");
        return 1;
    }
    std::vector<Switch> switches;
    if (!collect_files(con, from.catalog, destination, source, second, &switches)) {
        stage_failed(destination, "output");
        return 1;
    }
    // Stage every file beside its place; the destination's output path is made when missing.
    std::string outpath = without_slash(outpath_of(destination));
    for (const Switch& s : switches) {
        if (s.place.compare(0, outpath.size(), outpath) == 0 && !is_directory(outpath) &&
            zmkdir(outpath.data(), static_cast<int>(outpath.size())) != 0) {
            xpmlog(598, 3059, static_cast<int>(outpath.size()), outpath.data());
            remove_staged(switches);
            stage_failed(destination, "output");
            return 1;
        }
        if (s.from.empty()) continue;
        std::string staged = s.place + QOR_STAGED_SUFFIX;
        qor_remove_tree(staged);
        int rc = s.directory ? qor_stage_directory(s.from, staged) : qor_stage_file(s.from, staged);
        if (rc != 0) {
            if (s.directory) {
                std::string name = s.place.substr(s.place.rfind('/') + 1);
                xpmlog(598, 3046, static_cast<int>(name.size()), name.data(), static_cast<int>(outpath.size()),
                       outpath.data());
            }
            remove_staged(switches);
            stage_failed(destination, s.directory ? "output" : "portfolio files");
            return 1;
        }
    }
    // The commit point: the catalog's new content and the intent entry, in one transaction.
    int rc = xlopen(libref_of(destination), name_of(destination), QOR_CO_UPDATE, &target.catalog);
    if (rc == 0) rc = qor_catalog_begin(target.catalog);
    if (rc == 0) rc = qor_catalog_replace(target.catalog, from.catalog);
    if (rc == 0 && fix != nullptr) rc = fix_outpath(con, target.catalog, destination, fix);
    if (rc == 0 && !switches.empty()) {
        qor_list* intent = new_list(con);
        rc = intent == nullptr ? 1 : 0;
        for (const Switch& s : switches)
            if (rc == 0) rc = slinsc(intent, s.place, QOR_SL_APPEND, s.from.empty() ? kRemoveItem : "");
        if (rc == 0) rc = write_entry_list(target.catalog, kSaveIntentName, kSaveIntentType, intent, {});
        if (intent != nullptr) sldel(intent, 0);
    }
    if (rc == 0) rc = qor_catalog_commit(target.catalog);
    else if (target.catalog != nullptr) qor_catalog_rollback(target.catalog);
    if (rc != 0) {
        remove_staged(switches);
        stage_failed(destination, "catalog");
        return 1;
    }
    *committed = 1;
    int result = 0;
    for (const Switch& s : switches) {
        if (switch_one(s) != 0) result = 1;
        qor_crash_point(kCrashSwitching);
    }
    if (result != 0) {
        // The intent entry stays: the next open or save finishes the switches.
        stage_failed(destination, "output");
        return 1;
    }
    if (!switches.empty()) xlmdele(target.catalog, kSaveIntentName, kSaveIntentType);
    return 0;
}

int backup_environment(RSKCON*, const RSKENV* environment) {
    std::string backup = backup_directory(environment);
    std::string staged = backup + QOR_STAGED_SUFFIX;
    qor_remove_tree(staged);
    int rc = zmkdir(staged.data(), static_cast<int>(staged.size()));
    {
        TemporaryLibrary library;
        if (rc == 0 && !library.assign(staged)) rc = 1;
        if (rc == 0)
            rc = copy_catalog(libref_of(environment), name_of(environment), std::string_view(library.libref, 8),
                              name_of(environment));
    }
    std::string data = member_file(directory_of(environment), name_of(environment), "DATA");
    std::string index = member_file(directory_of(environment), name_of(environment), "INDEX");
    if (rc == 0 && exists(data) && exists(index)) {
        rc = qor_stage_file(data, member_file(staged, name_of(environment), "DATA"));
        if (rc == 0) rc = qor_stage_file(index, member_file(staged, name_of(environment), "INDEX"));
    }
    std::string outpath = without_slash(outpath_of(environment));
    if (rc == 0 && is_directory(outpath))
        rc = qor_stage_directory(outpath, staged + "/" + outpath.substr(outpath.rfind('/') + 1));
    if (rc == 0) rc = qor_switch_into_place(staged, backup, backup + QOR_ASIDE_SUFFIX);
    if (rc == 0) qor_remove_tree(backup + QOR_ASIDE_SUFFIX);
    if (rc != 0) {
        qor_remove_tree(staged);
        xpmlog(598, 3220, static_cast<int>(backup.size()), backup.data());
        return 1;
    }
    return 0;
}

int restore_from_backup(RSKCON*, const RSKENV* environment) {
    std::string backup = backup_directory(environment);
    if (!is_directory(backup)) return 1;
    int rc = 0;
    {
        TemporaryLibrary library;
        rc = library.assign(backup) ? 0 : 1;
        if (rc == 0)
            rc = copy_catalog(std::string_view(library.libref, 8), name_of(environment), libref_of(environment),
                              name_of(environment));
    }
    for (const char* type : {"DATA", "INDEX"}) {
        std::string from = member_file(backup, name_of(environment), type);
        if (rc == 0 && exists(from))
            rc = qor_copy_into_place(from, member_file(directory_of(environment), name_of(environment), type));
    }
    std::string outpath = without_slash(outpath_of(environment));
    std::string from = backup + "/" + outpath.substr(outpath.rfind('/') + 1);
    if (rc == 0 && is_directory(from)) rc = qor_copy_into_place(from, outpath);
    return rc == 0 ? 0 : 1;
}

bool is_catalog_writable(const RSKENV* environment) {
    qor_library_info info{};
    char libref[9];
    std::memcpy(libref, environment->libref, 8);
    libref[8] = '\0';
    if (xhlinf2(libref, &info) != 0 || info.read_only) return false;
    OpenCatalog open;
    if (xlopen(libref_of(environment), name_of(environment), QOR_CO_INPUT, &open.catalog) != 0) return true;
    xlclose(open.catalog, 0);
    open.catalog = nullptr;
    return xlopen(libref_of(environment), name_of(environment), QOR_CO_UPDATE, &open.catalog) == 0;
}
