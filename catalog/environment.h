// Environments of catalog storage: the environment records, their catalogs and lists, choosing
// an environment with its parents, the temporary environment, working copies and saving.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/tables/catalog_records.h"
#include "host/catalog.h"
#include "host/lists.h"

struct RSKOPTREC;

// Output path text that means "none given".
inline constexpr std::string_view kDefaultOutpath = "_default_outpath_";
// The entry of an environment's catalog that lists the file switches a committed save left.
inline constexpr std::string_view kSaveIntentName = "SAVEINTENT";
inline constexpr std::string_view kSaveIntentType = "QORSAVE";
// Crash point of the catalog layer (tests): after each staged file a save switched into place.
inline constexpr const char* kCrashSwitching = "switching";
// Member type of environment-level lists.
inline constexpr std::string_view kEnvListType = "ZUDO12";

// --- Text helpers (environment_text.cpp) ----------------------------------------------------
std::string env_lower(std::string_view text);
std::string env_upper(std::string_view text);
// A character item of a list without its trailing blanks; empty when absent.
std::string env_text_item(const qor_list* list, std::string_view name);
// The directory of an assigned library reference: true, or false when it is not assigned.
bool library_directory(const char* libref, std::string* directory);

// --- Records (environment_records.cpp) -------------------------------------------------------
// Creates a record: directory, library reference (8), name, description (may be null), output
// path (null or "_default_outpath_": the default). 0 and the record in *out, 1 after 598/2797.
int rssenvi(RSKCON* con, const char* directory, int directory_length, const char* libref,
            const char* name, int name_length, const char* description, int description_length,
            const char* outpath, int outpath_length, RSKENV** out);
// The record registered under a two-level name "LIBREF.NAME" (any case); null when none.
RSKENV* rssenvs(RSKCON* con, const char* symbol, int length);
// Releases a record and the parents only it used; 1 while other environments use it.
int rssenvf(RSKCON* con, RSKENV* environment);
// Sets the output path of a record (598/3044 and the default for a path that cannot be one).
void set_environment_outpath(RSKCON* con, RSKENV* environment, const char* path, int length);
// A list cell from the cell free list; null after 598/2797.
RSKENVCELL* take_environment_cell(RSKCON* con);
void give_environment_cell(RSKCON* con, RSKENVCELL* cell);
// 598/2797 with the byte count and label, once per control structure.
void report_no_memory(RSKCON* con, long bytes, const char* label);
// The directory of a record as messages show it (the neutral text under GENERIC).
std::string_view shown_directory(const RSKCON* con, const RSKENV* environment);
// The name of a record as a view.
inline std::string_view name_of(const RSKENV* environment) {
    return {environment->name.buffer, environment->name.name.length};
}
inline std::string_view directory_of(const RSKENV* environment) {
    return {environment->path.buffer, environment->path.name.length};
}
inline std::string_view libref_of(const RSKENV* environment) {
    std::string_view libref(environment->libref, 8);
    while (!libref.empty() && (libref.back() == ' ' || libref.back() == '\0')) libref.remove_suffix(1);
    return libref;
}
inline std::string_view outpath_of(const RSKENV* environment) {
    return {environment->outpath.buffer, environment->outpath.name.length};
}

// --- Options (environment_records.cpp) ----------------------------------------------------------
// The option record that statements change; null before start-up made one.
RSKOPTREC* current_options(RSKCON* con);
bool option_envcopy(RSKCON* con);
bool option_backsave(RSKCON* con);
bool option_autosave(RSKCON* con);

// --- Lists and catalog entries (environment_lists.cpp) ---------------------------------------------
// Makes sure the host list workspace exists (the step ends with 1008 when it cannot be made).
void ensure_list_workspace(RSKCON* con);
// A new list, or null after 598/113.
qor_list* new_list(RSKCON* con);
// Reads the entry name.type of an environment's catalog into `list` (its description into
// *description when given): 0; QOR_C_NOT_FOUND when the catalog or entry is missing; another
// host code when the catalog or list cannot be read.
int read_entry_list(const RSKENV* environment, std::string_view name, std::string_view type,
                    qor_list* list, std::string* description);
// Writes `list` as entry name.type of an open catalog (joining its transaction when one is open).
int write_entry_list(qor_catalog* catalog, std::string_view name, std::string_view type,
                     const qor_list* list, std::string_view description);
// Writes / reads an environment-level list (member type ZUDO12); see the slot comments.
int rsseops(RSKCON* con, RSKENV* environment, const char* list_name, qor_list* list);
int rsseopg(RSKCON* con, RSKENV* environment, const char* list_name, qor_list** out);
// Reads an environment's INHERIT entry: parents (detached sublist or null), OUTPATH (when
// outpath is given; *has_outpath says whether the item was there), security items and the
// entry's description. 0; QOR_C_NOT_FOUND without a catalog; another code when unreadable.
int get_inherit(RSKCON* con, RSKENV* environment, qor_list** parents, std::string* outpath,
                bool* has_outpath, std::string* description);
// Writes the INHERIT entry of `content` (its parents list, output path text, security and
// description) into `catalog`, which is open for update. 598/3060 on failure.
int save_inherit(RSKCON* con, qor_catalog* catalog, const RSKENV* content, const qor_list* parents,
                 const char* outpath, int outpath_length);
// The same, opening the catalog of `target` for the write.
int save_inherit_to(RSKCON* con, const RSKENV* target, const RSKENV* content, const qor_list* parents,
                    const char* outpath, int outpath_length);
// Reads / writes the security items of a list (the SECURITIES sublist).
void read_security_items(RSKCON* con, RSKSEC* security, const qor_list* list);
int write_security_items(RSKCON* con, const RSKSEC* security, qor_list* list);
// The sample mark (SAMPLE entry): -1 asks, 0 and 1 set; see the slot comment.
int rssensm(RSKCON* con, const char* name, int name_length, const char* directory, int directory_length,
            qor_catalog* catalog, int value);

// --- Opening, creating, deleting (environment_open.cpp) --------------------------------------------
// Opens an existing environment: parent mode 0 keep, 1 merge, 2 replace. 0 or 1.
int rssenvo(RSKCON* con, const char* name, int name_length, const char* description, int description_length,
            qor_list* parents, int parent_mode, const char* outpath, int outpath_length);
// Creates an environment. 0 or 1.
int rssenvn(RSKCON* con, const char* name, int name_length, const char* description, int description_length,
            qor_list* parents, const char* outpath, int outpath_length);
// A record for an environment only read (read 1) or written (read 0), not made current.
int rssenvu(RSKCON* con, const char* name, int name_length, int read, RSKENV** out);
// Deletes an environment's catalog, data set and index (and output path): the largest code.
int rssenvz(RSKCON* con, const char* directory, int directory_length, const char* name, int name_length,
            const char* outpath, int outpath_length, int report, int with_outpath);
// 1 when the current (0) or held (1) environment changed on disk.
int rssench(RSKCON* con, int which);
// Checks (and clears the output path of) an environment that DELETE ENVIRONMENT= names.
int rssenvc(RSKCON* con, const char* name, int name_length);
// Resolves an environment name for reading: 0 with the library (8) and the catalog name.
int resolve_environment(RSKCON* con, const char* name, int name_length, char* libref, std::string* member,
                        int report);
// Records the catalog's stamp and file time in the record.
void record_catalog_state(RSKENV* environment);
// The change stamp of an environment's catalog: 0 and the stamp, else a host code.
int catalog_stamp_of(const RSKENV* environment, int64_t* stamp);

// --- Inheritance (environment_chain.cpp) -------------------------------------------------------------
// Attaches the names of `parents` as parents of `environment` (598/3050 for each one skipped).
int add_inherit(RSKCON* con, RSKENV* environment, const qor_list* parents);
// Flattens the chain of the current environment into the inheritance list (598/3056 on a repeat).
int build_inherit_list(RSKCON* con);
// Empties the flattened list.
void clear_inherit_list(RSKCON* con);
// 1 when `environment` is in the flattened list or `name` is among the stored parents.
int is_env_inherited(RSKCON* con, const RSKENV* environment, const char* name, int name_length);
// Further parents of the current environment.
int rssenvv(RSKCON* con, qor_list* names);

// --- Choosing (environment_choice.cpp) ----------------------------------------------------------------
int rssenvl(RSKCON* con, const char* name, int name_length, const char* description, int description_length,
            const char* set_names, int set_length, const char* add_names, int add_length, uint32_t parent_list,
            int create, const char* outpath, int outpath_length);
int rssenvy(RSKCON* con, const char* name, int name_length);
int rssenvt(RSKCON* con);
int rssenve(RSKCON* con, const char* description, int description_length, qor_list* parents);
// Clears the in-memory environment (the step ends with 1012 when no new pool can be made).
int clear_symbols(RSKCON* con);

// --- Listing (environment_listing.cpp) ------------------------------------------------------------------
int rssenvp(RSKCON* con, int with_security);
int rssenlt(RSKCON* con);
int rssenla(RSKCON* con);
// Prints 598/3066 (and 598/3067) for one environment.
void print_environment_lines(RSKCON* con, const RSKENV* environment);

// --- Working copies and saving (environment_save.cpp, environment_copy.cpp) -----------------------------
// The OUTPATH item a save-as writes into the target's INHERIT entry (removed when none).
struct SaveInheritFix {
    bool has_outpath = false;
    std::string outpath;
};
// Rewrites the OUTPATH item of the INHERIT entry of an open catalog (inside its transaction).
int fix_outpath(RSKCON* con, qor_catalog* catalog, const RSKENV* environment, const SaveInheritFix* fix);
// Copies `source` over `destination` atomically (files staged, catalog replaced with an intent
// entry, files switched); `second` lends files the source lacks. *committed says whether the
// catalog commit was made (a later failure then needs the backup). 0 or 1 after 598/3222.
int copy_environment_files(RSKCON* con, RSKENV* destination, RSKENV* source, RSKENV* second,
                           const SaveInheritFix* fix, int* committed);
// Copies an environment into <name>._backupdir_ beside it (never moving it). 0 or 1 (598/3220).
int backup_environment(RSKCON* con, const RSKENV* environment);
// Puts the backup back over the environment. 0 or 1.
int restore_from_backup(RSKCON* con, const RSKENV* environment);
// Whether a save may write the environment's catalog.
bool is_catalog_writable(const RSKENV* environment);
// Finishes an interrupted save; the caller holds the environment's save lock.
int settle_environment(RSKCON* con, const RSKENV* environment);
// Makes the working copy of the held environment current (copying its catalog when `copy`).
int make_working_copy(RSKCON* con, RSKENV* held, int copy);
int rssenva(RSKCON* con);
int rssensa(RSKCON* con, const char* name, int name_length, const char* outpath, int outpath_length);
int rsswebr(RSKCON* con, const char* name, int name_length, const char* outpath, int outpath_length);
int rssenvx(RSKCON* con);
// Finishes a save that a killed process left (roll forward with an intent entry, else back);
// 0 also when there was nothing to finish.
int finish_interrupted_save(RSKCON* con, const RSKENV* environment);
