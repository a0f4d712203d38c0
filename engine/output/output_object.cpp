// Output objects of the environment: look-up, definition with the making or verifying of the
// object's own directory, the list of result files, and release to the free lists.
#include "engine/output/output_object.h"

#include <cstring>

#include "common/files/names.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/output/output_paths.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/files.h"
#include "host/print.h"

namespace {

constexpr char kDefaultName[] = "risk_results";

// Gives every file entry of the object back and empties its list.
void give_files(RSKCON* con, RSKOUTOBJ* object) {
    RSKOUTFILE* file = object->files_head;
    while (file != nullptr) {
        RSKOUTFILE* next = file->next;
        rsk_give_free(con->free_lists->output_files, file);
        file = next;
    }
    object->files_head = object->files_tail = nullptr;
    object->file_count = 0;
}

// The object's name from the definition: "risk_results" when empty, blanks and '/' made '_'
// (note 598/1402). 1 for "." and "..", which would make a parent directory the object's own.
int clean_name(RSKCON* con, const RSKNAMEREC* given, RSKOBJNAME* name) {
    if (given == nullptr || given->length <= 0 || given->text == nullptr)
        rskname(con, name, kDefaultName, static_cast<int>(sizeof kDefaultName - 1));
    else
        rskname(con, name, given->text, given->length);
    bool replaced = false;
    for (int i = 0; i < name->name.length; ++i) {
        if (name->buffer[i] == ' ' || name->buffer[i] == '/') {
            name->buffer[i] = '_';
            replaced = true;
        }
    }
    if (replaced) xpmlog(598, 1402, name->name.length, name->name.text);
    if (rskout_parent_name(name->name.text, name->name.length)) {
        xpslog("%1zThe output name \"%*s\" names no directory of its own; choose another name.%n",
               name->name.length, name->name.text);
        return 1;
    }
    return 0;
}

// Makes the object's directory under the parent directory (the path given, else the directory
// of the environment that holds the object). 0, also when it exists already (note 598/1414).
int make_directory(RSKCON* con, RSKOUTOBJ* object) {
    object->path_length = 0;
    std::memset(object->libref, ' ', sizeof object->libref);
    object->project_name.name.length = 0;
    object->run_name.name.length = 0;
    object->run_time = 0;

    char parent[QOR_PATH_MAX];
    int parent_length = 0;
    const RSKNAMEREC& destination = object->destination.name;
    if (destination.length > 0) {
        if (zfulpth(destination.text, destination.length, parent, &parent_length) != 0) {
            OutPath shown = rskout_shown(con, destination.text, destination.length);
            xpmlog(598, 1411, shown.length, shown.text);
            return 1;
        }
        if (zfexist(parent, parent_length) != 0 && zmkdir(parent, parent_length) != 0) {
            OutPath shown = rskout_shown(con, parent, parent_length);
            xpmlog(598, 1412, shown.length, shown.text);
            return 1;
        }
    } else {
        const RSKENV* environment = rskout_environment(con, object);
        parent_length = environment != nullptr ? environment->path.name.length : 0;
        if (parent_length > 0) std::memcpy(parent, environment->path.name.text, static_cast<size_t>(parent_length));
        if (parent_length == 0 || (zfexist(parent, parent_length) != 0 && zmkdir(parent, parent_length) != 0)) {
            OutPath shown = rskout_shown(con, parent, parent_length);
            xpmlog(598, 1419, shown.length, shown.text);
            return 1;
        }
    }

    const int length = zlnknam(object->path_buffer, parent, parent_length, object->name.name.text,
                               object->name.name.length);
    if (length <= 0) {
        OutPath shown = rskout_shown(con, parent, parent_length);
        xpmlog(598, 1413, object->name.name.length, object->name.name.text, shown.length, shown.text);
        return 1;
    }
    const int rc = xxmkdir(object->path_buffer, length, "DISK    ");
    const uint32_t masked = static_cast<uint32_t>(rc) & 0x803FFFFFu;
    object->path = object->path_buffer;
    if (masked == 0x102Eu || masked == 0x8000102Eu) {
        // The directory of an earlier run is used as it is: see docs/results.md.
        object->path_length = static_cast<int16_t>(length);
        OutPath shown = rskout_shown(con, object->path, length);
        xpmlog(598, 1414, object->name.name.length, object->name.name.text, shown.length, shown.text);
        return 0;
    }
    if (rc != 0) {
        OutPath shown = rskout_shown(con, object->path_buffer, length);
        xpmlog(598, 1413, object->name.name.length, object->name.name.text, shown.length, shown.text);
        return 1;
    }
    object->path_length = static_cast<int16_t>(length);
    return 0;
}

}  // namespace

RSKCATOBJ* rskout(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_OUTPUTS], name));
}

int rskoutd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            const RSKNAMEREC* path, int create, RSKCATOBJ* existing) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || con->free_lists == nullptr) return 1;
    RSKOBJNAME clean{};
    if (clean_name(con, name, &clean) != 0) return 1;

    // The record is taken before the catalog object is made, so that no memory leaves no object
    // without its record.
    RSKCATOBJ* header = existing != nullptr ? existing : rskout(con, &clean.name);
    RSKOUTOBJ* fresh = nullptr;
    if (header == nullptr || header->object == nullptr) {
        fresh = rsk_take_record(con, con->free_lists->output_objects, kRskOutputChunk, "output object");
        if (fresh == nullptr) return 1;
    }
    if (header == nullptr &&
        (rssofid(con, &header, &clean.name, description, RSKKIND_OUTPUT) != 0 || header == nullptr)) {
        if (fresh != nullptr) rsk_give_free(con->free_lists->output_objects, fresh);
        return 1;
    }
    auto* object = static_cast<RSKOUTOBJ*>(header->object);
    if (object != nullptr) {
        // Redefinition keeps the record; the files of its earlier run are no longer listed.
        give_files(con, object);
        if (fresh != nullptr) rsk_give_free(con->free_lists->output_objects, fresh);
    } else {
        object = fresh;
        header->object = object;
    }
    rskname(con, &object->name, clean.buffer, clean.name.length);
    object->header = header;
    object->path = object->path_buffer;
    if (path != nullptr && path->length > 0 && path->text != nullptr)
        rskpnam(con, &object->destination, path->text, path->length);
    else
        rskpnam(con, &object->destination, "", 0);

    int rc = 0;
    if (create == RSKOUTD_CREATE) {
        if (make_directory(con, object) != 0) {
            OutPath shown = rskout_shown(con, object->destination.name.text, object->destination.name.length);
            xpmlog(598, 1401, object->name.name.length, object->name.name.text, shown.length, shown.text);
            rc = 1;
        }
    } else if (rskoutv(con, object, nullptr, &object->destination.name) != 0 && create != RSKOUTD_LOAD) {
        xpmlog(598, 1418, object->name.name.length, object->name.name.text);
        rc = 1;
    }
    if (out != nullptr) *out = header;
    return rc;
}

int rskoutf(RSKCON* con, RSKOUTOBJ* object) {
    if (con == nullptr || object == nullptr || con->free_lists == nullptr) return 0;
    give_files(con, object);
    std::memset(static_cast<void*>(object), 0, sizeof *object);
    rsk_give_free(con->free_lists->output_objects, object);
    return 0;
}

int rskoutv(RSKCON* con, RSKOUTOBJ* object, RSKENV* environment, const RSKNAMEREC* path) {
    if (con == nullptr || object == nullptr) return 1;
    object->path = object->path_buffer;
    if (path != nullptr && path->length > 0 && path->text != nullptr) {
        char full[QOR_PATH_MAX];
        int full_length = 0;
        if (zfulpth(path->text, path->length, full, &full_length) != 0) {
            OutPath shown = rskout_shown(con, path->text, path->length);
            xpmlog(598, 1411, shown.length, shown.text);
            object->path_length = 0;
            return 1;
        }
        const int length = zlnknam(object->path_buffer, full, full_length, object->name.name.text,
                                   object->name.name.length);
        OutPath shown = rskout_shown(con, object->path_buffer, length > 0 ? length : 0);
        if (length <= 0 || zfexist(object->path_buffer, length) != 0) {
            xpmlog(598, 1416, shown.length, shown.text);
            object->path_length = 0;
            return 1;
        }
        if (zisdir(object->path_buffer, length) != 0) {
            xpmlog(598, 1417, shown.length, shown.text);
            object->path_length = 0;
            return 1;
        }
        object->path_length = static_cast<int16_t>(length);
        return 0;
    }
    const RSKENV* candidates[2] = {environment != nullptr ? environment : rskout_environment(con, object), nullptr};
    if (candidates[0] == con->current_environment) candidates[1] = con->held_environment;
    for (const RSKENV* candidate : candidates) {
        if (candidate == nullptr || candidate->path.name.length <= 0) continue;
        const int length = zlnknam(object->path_buffer, candidate->path.name.text, candidate->path.name.length,
                                   object->name.name.text, object->name.name.length);
        if (length > 0 && zisdir(object->path_buffer, length) == 0) {
            object->path_length = static_cast<int16_t>(length);
            return 0;
        }
    }
    object->path_length = 0;
    return 1;
}

RSKOUTFILE* rskout_add_file(RSKCON* con, RSKOUTOBJ* object, int32_t file_kind, int32_t result_kind,
                            const char* member, int member_length, const char* path, int path_length) {
    if (con == nullptr || object == nullptr || con->free_lists == nullptr) return nullptr;
    RSKOUTFILE* file = rsk_take_record(con, con->free_lists->output_files, kRskOutputFileChunk, "output file entry");
    if (file == nullptr) return nullptr;
    file->file_kind = file_kind;
    file->result_kind = result_kind;
    rskname(con, &file->member, member, member_length);
    rskpnam(con, &file->path, path != nullptr ? path : "", path != nullptr ? path_length : 0);
    if (object->files_tail == nullptr) object->files_head = file;
    else object->files_tail->next = file;
    object->files_tail = file;
    ++object->file_count;
    return file;
}

void rskout_remove_file(RSKCON* con, RSKOUTOBJ* object, RSKOUTFILE* file) {
    if (con == nullptr || object == nullptr || file == nullptr) return;
    RSKOUTFILE* before = nullptr;
    RSKOUTFILE* at = object->files_head;
    while (at != nullptr && at != file) {
        before = at;
        at = at->next;
    }
    if (at == nullptr) return;
    if (before == nullptr) object->files_head = file->next;
    else before->next = file->next;
    if (object->files_tail == file) object->files_tail = before;
    --object->file_count;
    rsk_give_free(con->free_lists->output_files, file);
}
