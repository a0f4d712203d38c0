// Catalog object headers: DEFINE_OBJECT finds or creates the header of an object in the current
// environment's table of its kind; LOAD_OBJECT hands back the object held in memory.
#include <cstring>

#include "catalog/engine_calls.h"
#include "catalog/entry_table.h"
#include "common/memory/pool_memory.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/kernel.h"

namespace {

constexpr int kHeaderChunk = 10;
constexpr int kEnvironmentKind = 11;

// The object table of each kind; -1 for kinds that have none here.
int table_of_kind(int32_t kind) {
    switch (kind) {
    case RSKKIND_FUNDCLASS: return RSKTAB_FUNDCLASSES;
    case RSKKIND_MODPARMS: return RSKTAB_MODELS;
    case RSKKIND_MODSPEC: return RSKTAB_MODELSPECS;
    case RSKKIND_TSOURCE: return RSKTAB_TSOURCES;
    case RSKKIND_FILTER: return RSKTAB_FILTERS;
    case RSKKIND_TDATA: return RSKTAB_TDATA;
    case RSKKIND_REPORT: return RSKTAB_REPORTS;
    case RSKKIND_TIMEGRID: return RSKTAB_TIMEGRIDS;
    case RSKKIND_PARMATRIX: return RSKTAB_PARMATRICES;
    case RSKKIND_CALENDAR: return RSKTAB_CALENDARS;
    case RSKKIND_TRANSTATS: return RSKTAB_STATLISTS;
    case RSKKIND_TRANSFORMATION: return RSKTAB_GENTRANS;
    case RSKKIND_WEBREPORT: return RSKTAB_WEBREPORTS;
    case RSKKIND_PROJECT: return RSKTAB_PROJECTS;
    case RSKKIND_PACKAGE2:
    case RSKKIND_PACKAGE: return RSKTAB_PACKAGES;
    case RSKKIND_ANALYSIS: return RSKTAB_ANALYSES;
    case RSKKIND_CROSSCLASS: return RSKTAB_CROSSCLASSES;
    case RSKKIND_PRATESET: return RSKTAB_PRATESETS;
    case RSKKIND_TFILE: return RSKTAB_TFILES;
    case RSKKIND_INPUTDS: return RSKTAB_INPUTDS;
    case RSKKIND_OUTPUT: return RSKTAB_OUTPUTS;
    default: return -1;
    }
}

RSKCATOBJ* take_header(RSKCON* con) {
    size_t bytes = 0;
    RSKCATOBJ* header = rsk_take_free<RSKCATOBJ, &RSKCATOBJ::link>(con->free_lists->catalog_objects,
                                                                   con->current_pool, kHeaderChunk, &bytes);
    if (header == nullptr) {
        if (con->no_memory_reported == 0) xpmlog(598, 2797, static_cast<long>(bytes), "add elements to a list");
        con->no_memory_reported = 1;
    }
    return header;
}

void give_header_back(RSKCON* con, RSKCATOBJ* header) {
    std::memset(static_cast<void*>(header), 0, sizeof *header);
    rsk_give_free<RSKCATOBJ, &RSKCATOBJ::link>(con->free_lists->catalog_objects, header);
}

// The defining user becomes the object's owner, with the user's default rights.
void take_user_identity(const RSKCON* con, RSKSEC* security) {
    std::memcpy(security->owner, con->user_name, sizeof security->owner);
    security->owner_length = con->user_name_length;
    std::memcpy(security->group, con->group_name, sizeof security->group);
    security->group_length = con->group_name_length;
    security->rights = con->default_rights;
    security->read = con->identity_read;
}

int describe_kind(int32_t kind, char* text) {
    int length = rssobds(kind, text);
    return length < 0 ? 0 : length;
}

// Renames a header found in the table and moves it to the current environment.
void redefine_found(RSKCON* con, RSKCATOBJ* header, const RSKNAMEREC* name) {
    engine_rskname(con, &header->name, name->text, static_cast<int16_t>(name->length));
    if (header->environment != con->current_environment || header->member_name.name.length == 0)
        engine_rskname(con, &header->member_name, name->text, static_cast<int16_t>(name->length));
    if (header->state == RSKCATOBJ_INHERITED) header->state = RSKCATOBJ_OVERRIDDEN;
    header->environment = con->current_environment;
}

}  // namespace

int rssofid(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            int32_t kind) {
    *out = nullptr;
    RSKENV* environment = con->current_environment;
    if (environment == nullptr || con->current_tables == nullptr) {
        xebug("rssofid: no current environment.");
        return 1;
    }
    if (rsssec(con, nullptr, 2, environment, "INHERIT", 7, kEnvironmentKind, 1) == 0) {
        xpmlog(598, 3801);
        return 1;
    }
    int table_index = table_of_kind(kind);
    if (table_index < 0) {
        xpmlog(598, 3100, kind);
        return 1;
    }
    RSKSYMTAB* table = &con->current_tables->tables[table_index];
    if (table->buckets == nullptr) {
        xebug("rssofid: no object table for kind %i.", kind);
        return 1;
    }
    char kind_text[41];
    auto* header = static_cast<RSKCATOBJ*>(engine_rsksym(con, table, name));
    if (header != nullptr && header->environment == environment) {
        if (rsssec(con, &header->rights, 2, environment, name->text, name->length, kind, 2) == 0) {
            int length = describe_kind(kind, kind_text);
            xpmlog(598, 3802, length, kind_text, static_cast<int>(name->length), name->text);
            return 1;
        }
        if (con->default_rights & 0x200) header->rights.security.rights = con->default_rights;
        redefine_found(con, header, name);
    } else if (header != nullptr) {
        if (rsssec(con, &header->rights, 2, header->environment, name->text, name->length, kind, 3) == 0) {
            int length = describe_kind(kind, kind_text);
            const RSKNAMEREC& ancestor = header->environment->name.name;
            xpmlog(598, 3803, static_cast<int>(ancestor.length), ancestor.text, length, kind_text,
                   static_cast<int>(name->length), name->text);
        }
        take_user_identity(con, &header->rights.security);
        header->rights.cache = 0;
        redefine_found(con, header, name);
    } else {
        header = take_header(con);
        if (header == nullptr) return 1;
        engine_rskname(con, &header->name, name->text, static_cast<int16_t>(name->length));
        engine_rskname(con, &header->member_name, name->text, static_cast<int16_t>(name->length));
        if (engine_rsksymd(con, table, &header->name.name, header) == 2) {
            give_header_back(con, header);
            return 1;
        }
        header->kind = kind;
        header->state = RSKCATOBJ_OWN;
        header->environment = environment;
        take_user_identity(con, &header->rights.security);
    }
    header->has_properties = 0;
    RSKPROPS stamp{};
    stamp.state = 2;
    stamp.modified = wzdttme();
    rssptyd(con, &header->properties, description, &stamp);
    *out = header;
    return 0;
}

void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access) {
    if (header == nullptr) return nullptr;
    const RSKNAMEREC& name = header->name.name;
    if (access != 0) {
        // The rights of an object never stored are those it was defined with; a stored one would
        // have them read from its entry, and an empty catalog has none to read.
        if (header->rights.security.read == 0 && header->object == nullptr) {
            xpmlog(598, 3104, static_cast<int>(name.length), name.text);
            return nullptr;
        }
        if (rsssec(con, &header->rights, access, header->environment, name.text, name.length,
                   header->kind, 4) == 0) {
            char kind_text[41];
            int length = describe_kind(header->kind, kind_text);
            const char* verb = access == 4 ? "read" : (access == 2 ? "write" : "execute");
            xpmlog(598, 3804, length, kind_text, verb, static_cast<int>(name.length), name.text);
            return nullptr;
        }
    }
    if (header->object != nullptr) return header->object;
    // Not in memory: it would be loaded from its catalog entry, which an empty catalog lacks.
    xpmlog(598, 3104, static_cast<int>(name.length), name.text);
    return nullptr;
}
