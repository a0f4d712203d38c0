// Deleting an output object (procedure DELETE): its own directory is removed, or moved into the
// environment's trash directory, and the object leaves the catalog and memory.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/control/startup.h"
#include "engine/model/services/catalog.h"
#include "engine/output/output_object.h"
#include "engine/output/output_paths.h"
#include "engine/tables/catalog_table.h"
#include "host/files.h"
#include "host/print.h"

namespace {

constexpr int kWriteRight = 2;

// The object's existing directory, in the order the object may have been made: under its
// destination path, under its environment's directory, under the held environment's. Its length
// in `path`, 0 when none exists; `in_current` tells that it lies in the current environment's
// own directory.
int find_directory(RSKCON* con, const RSKOUTOBJ* object, char* path, bool* in_current) {
    const RSKNAMEREC& name = object->name.name;
    const RSKNAMEREC& destination = object->destination.name;
    *in_current = false;
    if (destination.length > 0) {
        char full[QOR_PATH_MAX];
        int full_length = 0;
        if (zfulpth(destination.text, destination.length, full, &full_length) == 0) {
            const int length = zlnknam(path, full, full_length, name.text, name.length);
            if (length > 0 && zisdir(path, length) == 0) return length;
        }
    }
    const RSKENV* environment = rskout_environment(con, object);
    const RSKENV* candidates[2] = {environment, environment == con->current_environment ? con->held_environment : nullptr};
    for (const RSKENV* candidate : candidates) {
        if (candidate == nullptr || candidate->path.name.length <= 0) continue;
        const int length = zlnknam(path, candidate->path.name.text, candidate->path.name.length, name.text, name.length);
        if (length > 0 && zisdir(path, length) == 0) {
            *in_current = candidate == con->current_environment;
            return length;
        }
    }
    return 0;
}

// Moves the directory into the trash directory, replacing an entry of the same name. 0 or 1.
int move_to_trash(RSKCON* con, const RSKOUTOBJ* object, const char* path, int length) {
    if (con->scratch_length <= 0 && rskgbgc(con) != 0) return 1;
    char target[QOR_PATH_MAX];
    const int target_length =
        zlnknam(target, con->scratch_path, con->scratch_length, object->name.name.text, object->name.name.length);
    if (target_length <= 0) return 1;
    if (zfexist(target, target_length) == 0) {
        const int cleared = zisdir(target, target_length) == 0 ? zrmdir(target, target_length)
                                                                : zfildel(target, target_length);
        if (cleared != 0) return 1;
    }
    if (zmvfile(path, length, target, target_length) != 0) return 1;
    con->pending_files = 1;
    return 0;
}

}  // namespace

int rskoutx(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || name == nullptr) return 1;
    RSKCATOBJ* header = rskout(con, name);
    auto* object = header != nullptr ? static_cast<RSKOUTOBJ*>(rssofiq(con, header, kWriteRight)) : nullptr;
    if (object == nullptr) return 1;

    int rc = 0;
    // A name that is no directory of its own never reaches the file system.
    const bool own_name = object->name.name.length > 0 && !rskout_parent_name(object->name.name.text,
                                                                               object->name.name.length);
    if (!object->keep_files && own_name) {
        char path[QOR_PATH_MAX];
        bool in_current = false;
        const int length = find_directory(con, object, path, &in_current);
        if (length > 0) {
            const int failed = in_current ? zrmdir(path, length) : move_to_trash(con, object, path, length);
            if (failed != 0) {
                xpmlog(598, 3601, object->name.name.length, object->name.name.text);
                rc = 1;
            }
        }
    }
    auto remove = catalog_routine<CatalogSlot::rssofif>();
    if (remove == nullptr || remove(con, header) != 0) rc = 1;
    return rc;
}
