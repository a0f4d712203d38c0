// Steps that the mark-to-market and GETRATES drivers share: run date, audit notes, the output
// object (named, in a library's directory or defaulted), its properties and its storing.
#include "engine/run/driver_steps.h"

#include <algorithm>
#include <cstring>

#include "common/files/names.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/names/name_records.h"
#include "engine/model/projects/projects.h"
#include "engine/model/services/catalog.h"
#include "engine/model/variables/variables.h"
#include "engine/output/output_object.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "engine/tables/catalog_table.h"
#include "engine/model/variables/variable_texts.h"
#include "host/dates.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

int length_of(const char* text) { return static_cast<int>(std::strlen(text)); }

bool given(const RSKNAMEREC* name) {
    return name != nullptr && name->length > 0 && name->text != nullptr && name->text[0] != ' ';
}

// A library reference is given when it is neither empty nor blank.
bool library_given(const char* library) {
    if (library == nullptr) return false;
    for (int i = 0; i < kRskLibrefCapacity && library[i] != '\0'; ++i)
        if (library[i] != ' ') return true;
    return false;
}

}  // namespace

double rskdrv_run_date(RSKCON* con, double given_date) {
    RSKRUNBLOCK* run = con->run_block;
    double date = given_date;
    if (qor::is_missing(date) || !(date > 0.0)) date = con->no_date ? zmdy(1, 1, 2000) : ztoday();
    run->base_date = date;
    run->valuation_date = date;
    run->state_date = date;
    RSKSYSVARS* sys = con->system_variables;
    if (sys != nullptr && sys->date != nullptr && sys->date->value != nullptr)
        std::memcpy(sys->date->value, &date, sizeof date);
    run->start_time = wzdttme();
    run->run_time = con->no_date ? zmdy(1, 1, 2000) * 86400.0 : run->start_time;
    return date;
}

void rskdrv_audit(RSKCON* con, int number, const RSKNAMEREC* name, bool with_user) {
    if (!con->audit) return;
    const int name_length = name != nullptr ? name->length : 0;
    const char* name_text = name != nullptr ? name->text : "";
    if (!with_user) {
        if (name != nullptr)
            rskadtp(con, 598, number, name_length, name_text);
        else
            rskadtp(con, 598, number);
        return;
    }
    char stamp[64];
    int width = static_cast<int>(con->datetime_format.width);
    if (width < 1 || width >= static_cast<int>(sizeof stamp)) width = 19;
    if (xpfs(wzdttme(), width, static_cast<int>(con->datetime_format.handle), stamp) != 0) width = 0;
    rskadtp(con, 598, number, static_cast<int>(con->user_name_length), con->user_name, width, stamp, name_length,
            name_text);
}

int rskdrv_output(RSKCON* con, const RSKDRVOUTPUT& how, const RSKNAMEREC* name, const RSKNAMEREC* path,
                  const char* library, RSKCATOBJ** entry, RSKOUTOBJ** object) {
    *entry = nullptr;
    *object = nullptr;
    RSKRUNBLOCK* run = con->run_block;
    RSKNAMEREC out_name = given(name) ? *name : RSKNAMEREC{0, 0, nullptr};
    RSKNAMEREC out_path = given(path) ? *path : RSKNAMEREC{0, 0, nullptr};
    char libref[kRskLibrefCapacity];
    bool library_used = false;
    int create = RSKOUTD_CREATE;
    if (library_given(library)) {
        std::memset(libref, ' ', sizeof libref);
        std::memcpy(libref, library, strnlen(library, sizeof libref));
        wzstrup(libref, sizeof libref);
        const char* directory = nullptr;
        int directory_length = 0;
        if (zlib2ph(libref, &directory, &directory_length) != 0 || directory_length <= 0) {
            int kept = kRskLibrefCapacity;
            while (kept > 0 && libref[kept - 1] == ' ') --kept;
            xpmlog(670, 1179, kept, libref);
        } else {
            if (given(name) || given(path)) xpmlog(670, 1180, -1, how.conflict_word);
            // The library's directory is the object's own: its parent is the path, its last
            // component the name.
            const char* parent = nullptr;
            const char* last = nullptr;
            int parent_length = 0, last_length = 0;
            while (directory_length > 1 && directory[directory_length - 1] == '/') --directory_length;
            zchopst(directory, directory_length, &parent, &parent_length, &last, &last_length, nullptr, nullptr);
            out_path = RSKNAMEREC{0, static_cast<uint16_t>(parent_length), const_cast<char*>(parent)};
            out_name = RSKNAMEREC{0, static_cast<uint16_t>(last_length), const_cast<char*>(last)};
            library_used = true;
            create = RSKOUTD_VERIFY;
        }
    } else if (how.default_name && !given(name)) {
        out_name = RSKNAMEREC{0, static_cast<uint16_t>(length_of(how.project)), const_cast<char*>(how.project)};
    }
    const int portfolio_length = how.portfolio != nullptr ? how.portfolio->length : 0;
    const char* portfolio_text = how.portfolio != nullptr ? how.portfolio->text : "";
    const RSKNAMEREC* path_arg = out_path.length > 0 ? &out_path : nullptr;
    if (rskoutd(con, entry, &out_name, nullptr, path_arg, create, nullptr) != 0 || *entry == nullptr) {
        xpmlog(598, how.define_message, static_cast<int>(out_name.length), out_name.text, portfolio_length,
               portfolio_text);
        return 1;
    }
    *object = static_cast<RSKOUTOBJ*>(rssofiq(con, *entry, 0));
    if (*object == nullptr) {
        xebug("%s", how.null_object);
        return 1;
    }
    RSKOUTOBJ* o = *object;
    rskname(con, &run->project_name, how.project, length_of(how.project));
    rskname(con, &o->project_name, how.project, length_of(how.project));
    if (library_used) std::memcpy(o->libref, libref, sizeof libref);
    if (rskouto(con, o, RSKOUTROLE_RESULTS, 1, 1) != 0) {
        xpmlog(598, how.open_message, RSK_NAME(o->name), portfolio_length, portfolio_text);
        return 1;
    }
    run->output_object = o;
    return 0;
}

void rskdrv_properties(RSKCON* con, RSKOUTOBJ* object, const RSKNAMELIST* sources, const char* library) {
    auto store = catalog_routine<CatalogSlot::rssprpr>();
    if (store == nullptr || object == nullptr) return;
    RSKRUNBLOCK* run = con->run_block;
    RSKNAMEREC* names = nullptr;
    int count = 0;
    rskdrv_names(con, sources, &names, &count);
    RSKNAMEREC path{0, static_cast<uint16_t>(object->path_length > 0 ? object->path_length : 0), object->path};
    char libref[kRskLibrefCapacity];
    std::memset(libref, ' ', sizeof libref);
    // Without OUTLIB= the properties go where the output object keeps its data sets.
    if (library_given(library)) std::memcpy(libref, library, strnlen(library, sizeof libref));
    else std::memcpy(libref, object->libref, std::min(sizeof libref, sizeof object->libref));
    store(con, nullptr, run->base_date, run->currency, &object->name.name, &path, run->options, names, count, 0,
          libref);
}

int rskdrv_store(RSKCON* con, RSKCATOBJ* entry) {
    auto store = catalog_routine<CatalogSlot::rssofis>();
    return store != nullptr ? store(con, entry, 0) : 1;
}

int rskdrv_names(RSKCON* con, const RSKNAMELIST* list, RSKNAMEREC** names, int* count) {
    *names = nullptr;
    *count = 0;
    int n = 0;
    for (const RSKNAMECELL* c = list != nullptr ? list->head : nullptr; c != nullptr; c = c->next) ++n;
    if (n == 0) return 0;
    auto* array = static_cast<RSKNAMEREC*>(
        rskmem_alloc(con, sizeof(RSKNAMEREC) * static_cast<size_t>(n), "add elements to a list", RSKMEM_PROGRAMS, 0));
    if (array == nullptr) return 1;
    int i = 0;
    for (const RSKNAMECELL* c = list->head; c != nullptr; c = c->next) array[i++] = c->name.name;
    *names = array;
    *count = n;
    return 0;
}

void rskdrv_elapsed(RSKCON* con, double* minutes, double* seconds) {
    double elapsed = wzdttme() - con->run_block->start_time;
    if (elapsed < 0) elapsed = 0;
    *minutes = static_cast<double>(static_cast<int64_t>(elapsed / 60.0));
    *seconds = elapsed - *minutes * 60.0;
}
