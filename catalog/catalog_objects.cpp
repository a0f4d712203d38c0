// The object frame's four operations: DEFINE_OBJECT finds or creates an object's header in the
// current environment, SAVE_OBJECT stores its list, LOAD_OBJECT rebuilds it from its entry and
// the delete removes it from memory and from its catalog.
#include <algorithm>
#include <cstring>

#include "catalog/engine_calls.h"
#include "catalog/entry_table.h"
#include "catalog/object_frame.h"
#include "common/module/not_yet.h"
#include "engine/tables/engine_table.h"
#include "common/strings/fields.h"
#include "host/formats.h"
#include "host/kernel.h"

namespace {

constexpr int kHeaderChunk = 10;
constexpr int kEnvironmentKind = 11;
constexpr int kWriteRight = 2;
constexpr char kVersion[] = "V9      ";

// The defining user becomes the object's owner, with the user's default rights.
void take_user_identity(const RSKCON* con, RSKSEC* security) {
    std::memcpy(security->owner, con->user_name, sizeof security->owner);
    security->owner_length = con->user_name_length;
    std::memcpy(security->group, con->group_name, sizeof security->group);
    security->group_length = con->group_name_length;
    security->rights = con->default_rights;
    security->read = con->identity_read;
}

int name_length(const RSKNAMEREC* name) { return name->text ? name->length : 0; }

// Renames a header found in the table and moves it to the current environment.
void redefine_found(RSKCON* con, RSKCATOBJ* header, const RSKNAMEREC* name) {
    engine_rskname(con, &header->name, name->text, name_length(name));
    if (header->environment != con->current_environment || header->member_name.name.length == 0)
        engine_rskname(con, &header->member_name, name->text, name_length(name));
    if (header->state == RSKCATOBJ_INHERITED) header->state = RSKCATOBJ_OVERRIDDEN;
    header->environment = con->current_environment;
}

void report_no_write_right(int32_t kind, const RSKNAMEREC* name) {
    char kind_text[41];
    int length = rss_kind_text(kind, kind_text);
    xpmlog(598, 3802, length, kind_text, name_length(name), name->text);
}

void audit_definition(RSKCON* con, int32_t kind, const RSKNAMEREC* name) {
    if (!con->audit || con->indexing) return;
    auto audit = engine_routine<EngineSlot::rskadtp>();
    if (audit == nullptr) return;
    char stamp[64];
    int width = static_cast<int>(con->datetime_format.width);
    if (width < 1 || width >= static_cast<int>(sizeof stamp)) width = 19;
    if (xpfs(wzdttme(), width, static_cast<int>(con->datetime_format.handle), stamp) != 0) width = 0;
    char kind_text[41];
    int length = rss_kind_text(kind, kind_text);
    audit(con, 598, 3905, width, stamp, length, kind_text, name_length(name), name->text);
}

// Writes the "PROPERTIES" sublist (description and modification time). One the list has
// already is replaced in its place by a fresh one: the old one may be shared with other items.
int write_properties(const RSKCATOBJ* header, qor_list* list) {
    qor_list* properties = nullptr;
    qor_list_id id = slnewl(&properties, nullptr, 84);
    if (id == 0) return 1;
    const RSKPROPS& block = header->properties;
    std::string_view description;
    if (block.description != nullptr && block.description_length > 0)
        description = std::string_view(block.description, static_cast<size_t>(block.description_length));
    int rc = slinsc(properties, description, QOR_SL_APPEND, "DESC");
    if (rc == 0) rc = slinsd(properties, block.modified, QOR_SL_APPEND, "MODIFIED");
    if (rc == 0) rc = slsnl(list, "PROPERTIES", id);
    sldel(properties, 0);   // the parent holds it now (or nobody does)
    return rc != 0 ? 1 : 0;
}

// Takes the description and time of an entry's "PROPERTIES" into the header's property block.
void read_properties(RSKCON* con, RSKCATOBJ* header, qor_list* list) {
    RSKPROPS& block = header->properties;
    if (block.state == 2) return;
    std::string_view description;
    double modified = wzdttme();   // no stored time: now
    qor_list* properties = nullptr;
    if (slgnl(list, "PROPERTIES", &properties) == 0 && properties != nullptr) {
        slgnc(properties, "DESC", &description);
        slgnd(properties, "MODIFIED", &modified, modified);
    }
    RSKPROPS stamp{};
    stamp.state = 2;
    stamp.modified = modified;
    if (description.empty() && block.state == 1 && block.description_length > 0) {
        rssptyd(con, &block, nullptr, &stamp);   // the block's own text stays
        return;
    }
    RSKNAMEREC text{0, static_cast<uint16_t>(std::min<size_t>(description.size(), kRskDescriptionLimit)),
                    const_cast<char*>(description.data())};
    rssptyd(con, &block, &text, &stamp);
}

// "VERSION" once, as the last item.
int append_version(qor_list* list) {
    for (int at = slsrchn(list, "VERSION"); at != 0; at = slsrchn(list, "VERSION"))
        if (slditm(list, at) != 0) return 1;
    return slinsc(list, kVersion, QOR_SL_APPEND, "VERSION") != 0 ? 1 : 0;
}

// The object's list completed and stored in the current environment's catalog; 0 or 1.
int store_list(RSKCON* con, RSKCATOBJ* header, RSKLISTWS* workspace, qor_list_id id) {
    qor_list* list = slistp(id);
    if (list == nullptr) return 1;
    if (header->properties.state != 0 && write_properties(header, list) != 0) return 1;
    if (rsssecg(con, &header->rights.security, id) != 0) return 1;
    if (append_version(list) != 0) return 1;
    RSKENV* environment = con->current_environment;
    const RSKNAMEREC* name = &header->name.name;
    if (environment->open_catalog != nullptr) {
        RSSMEMDESC description{};
        description.length = static_cast<int16_t>(name_length(name));
        std::memcpy(description.text, name->text, static_cast<size_t>(description.length));
        char type[9] = {};
        rssobex(header->kind, type);
        return rssoflw(workspace, environment->open_catalog, id, rss_member_name(header), type, &description);
    }
    char entry[kRssEntryNameLimit + 1];
    const int length = rss_entry_name(environment, rss_member_name(header), header->kind, entry);
    std::string_view description(name->text, static_cast<size_t>(name_length(name)));
    return slofile(list, std::string_view(entry, static_cast<size_t>(length)), 'W', description) != 0 ? 1 : 0;
}

}  // namespace

int rssofid(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            int32_t kind) {
    *out = nullptr;
    RSKENV* environment = con->current_environment;
    if (environment == nullptr) {
        xebug("rssofid: no current environment.");
        return 1;
    }
    if (rsssec(con, nullptr, kWriteRight, environment, "INHERIT", 7, kEnvironmentKind, 1) == 0) {
        xpmlog(598, 3801);
        return 1;
    }
    RSKSYMTAB* table = rss_kind_table(con, kind);
    if (table == nullptr) {
        if (rss_kind_has_table(kind))
            xebug("rssofid: no object table for kind %i.", kind);
        else
            xpmlog(598, 3100, kind);
        return 1;
    }
    auto* header = static_cast<RSKCATOBJ*>(engine_rsksym(con, table, name));
    if (header != nullptr && header->environment == environment) {
        if (rsssec(con, &header->rights, kWriteRight, environment, name->text, name_length(name), kind, 2) == 0) {
            report_no_write_right(kind, name);
            return 1;
        }
        if (con->default_rights & 0x200) header->rights.security.rights = con->default_rights;
        redefine_found(con, header, name);
    } else if (header != nullptr) {
        if (rsssec(con, &header->rights, kWriteRight, header->environment, name->text, name_length(name), kind,
                   3) == 0) {
            char kind_text[41];
            int length = rss_kind_text(kind, kind_text);
            const RSKNAMEREC& ancestor = header->environment->name.name;
            xpmlog(598, 3803, name_length(&ancestor), ancestor.text, length, kind_text, name_length(name),
                   name->text);
        }
        take_user_identity(con, &header->rights.security);
        header->rights.cache = 0;
        redefine_found(con, header, name);
    } else {
        header = rss_take_header(con, kHeaderChunk);
        if (header == nullptr) return 1;
        if (engine_rskname(con, &header->name, name->text, name_length(name)) != 0 && header->name.name.length == 0) {
            rss_give_header(con, header);
            return 1;
        }
        engine_rskname(con, &header->member_name, name->text, name_length(name));
        if (engine_rsksymd(con, table, &header->name.name, header) == 2) {
            rss_give_header(con, header);
            return 1;
        }
        header->kind = kind;
        header->state = RSKCATOBJ_OWN;
        header->environment = environment;
        take_user_identity(con, &header->rights.security);
    }
    header->has_properties = 0;
    // The description given here is newer than a stored one: loading keeps it (state 2).
    RSKPROPS stamp{};
    stamp.state = 2;
    stamp.modified = wzdttme();
    rssptyd(con, &header->properties, description, &stamp);
    *out = header;
    audit_definition(con, kind, name);
    return 0;
}

int rssofis(RSKCON* con, RSKCATOBJ* header, qor_list_id list) {
    if (con->current_environment == nullptr || header == nullptr) return 1;
    RSKLISTWS* workspace = rss_list_workspace(con);
    if (workspace == nullptr) return 1;
    // The caller's list is stored through a copy, so that it stays exactly as the caller made it.
    qor_list_id own = rss_new_list(workspace, "SAVE_OBJECT");
    if (own == 0) return 1;
    int rc = 0;
    if (list != 0) {
        qor_list* from = slistp(list);
        if (from == nullptr || slcopy(from, slistp(own)) == 0) rc = 1;
    } else {
        RSSWRITER writer = rss_writer_of(header->kind);
        if (writer == nullptr) {
            xpmlog(598, 3100, header->kind);
            rss_free_list(own);
            return 1;
        }
        if (writer(con, header->object, own, workspace, 0, 0) != 0) {
            rss_free_list(own);
            return 1;
        }
    }
    if (rc == 0) rc = store_list(con, header, workspace, own);
    rss_free_list(own);
    if (rc != 0) {
        xpmlog(598, 3103);
        return 1;
    }
    con->catalog_changed = 1;
    if (header->environment != con->current_environment) {
        header->environment = con->current_environment;
        header->state = RSKCATOBJ_OVERRIDDEN;
    }
    return 0;
}

void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access) {
    if (header == nullptr) return nullptr;
    RSKLISTWS* workspace = rss_list_workspace(con);
    if (workspace == nullptr) return nullptr;
    const RSKNAMEREC& name = header->name.name;
    qor_list_id list = 0;
    if (access != 0) {
        // An object in memory whose rights were never read was defined in this step: its
        // record is the defining user's, and an entry, if any, is older.
        if (header->rights.security.read == 0 && header->object != nullptr) header->rights.security.read = 1;
        if (header->rights.security.read == 0) {
            list = rss_new_list(workspace, "LOAD_OBJECT");
            if (list == 0) return nullptr;
            if (rssofil(con, header, list) != 0) {
                rss_free_list(list);
                return nullptr;
            }
            rsssecr(con, &header->rights.security, list);
        }
        if (rsssec(con, &header->rights, access, header->environment, name.text, name_length(&name), header->kind,
                   4) == 0) {
            char kind_text[41];
            int length = rss_kind_text(header->kind, kind_text);
            const char* verb = access == 4 ? "read" : (access == 2 ? "write" : "execute");
            xpmlog(598, 3804, length, kind_text, verb, name_length(&name), name.text);
            rss_free_list(list);
            return nullptr;
        }
    }
    if (header->object != nullptr) {
        rss_free_list(list);
        return header->object;
    }
    RSSREADER reader = rss_reader_of(header->kind);
    if (reader == nullptr) {
        xpmlog(598, 3100, header->kind);
        rss_free_list(list);
        return nullptr;
    }
    if (list == 0) {
        list = rss_new_list(workspace, "LOAD_OBJECT");
        if (list == 0) return nullptr;
        if (rssofil(con, header, list) != 0) {
            rss_free_list(list);
            return nullptr;
        }
    }
    const uint8_t loading = con->catalog_loading;
    con->catalog_loading = 1;
    int rc = reader(con, list, workspace, 0, 0, nullptr, header);
    con->catalog_loading = loading;
    if (rc != 0) {
        // A reader that failed half-way may have hung a partial object on the header: it goes,
        // so that the next load reads the entry again instead of answering with it.
        if (header->object != nullptr) rss_free_object(con, header->kind, header->object);
        header->object = nullptr;
        rss_free_list(list);
        return nullptr;
    }
    read_properties(con, header, slistp(list));
    if (header->rights.security.read == 0) rsssecr(con, &header->rights.security, list);
    rss_free_list(list);
    return header->object;
}

int rssofif(RSKCON* con, RSKCATOBJ* header) {
    if (header == nullptr) return 1;
    const RSKNAMEREC* name = &header->name.name;
    if (header->state == RSKCATOBJ_INHERITED) {
        xpmlog(598, 3102, name_length(name), name->text);
        return 1;
    }
    // Deleting changes the environment: the user needs the write right on it and on the object.
    if (rsssec(con, &header->rights, kWriteRight, header->environment, name->text, name_length(name),
               header->kind, 3) == 0) {
        report_no_write_right(header->kind, name);
        return 1;
    }
    RSKSYMTAB* table = rss_kind_table(con, header->kind);
    if (table == nullptr) {
        xpmlog(598, 3100, header->kind);
        return 1;
    }
    RSKENV* environment = header->environment;
    if (environment == nullptr) return 1;
    if (header->kind == RSKKIND_MODPARMS || header->kind == RSKKIND_MODSPEC) {
        not_yet_available("mdledel");
        return 1;
    }
    const RSKNAMEREC* member = rss_member_name(header);
    char type[9] = {};
    rssobex(header->kind, type);
    std::string_view catalog = rss_env_catalog(environment);
    if (rssoflf(con, environment->libref, catalog.data(), static_cast<int>(catalog.size()), member->text,
                name_length(member), type) != 0)
        return 1;
    // The entry is gone: so goes the object in memory.
    if (header->object != nullptr) rss_free_object(con, header->kind, header->object);
    header->object = nullptr;
    if (header->kind == RSKKIND_PARMATRIX) {
        // A parameter matrix has a variable of its name: it goes with the matrix.
        auto find = engine_routine<EngineSlot::rskvar>();
        RSKVARIABLE* variable = find ? find(con, name) : nullptr;
        if (variable != nullptr) engine_remove_variable(con, variable);
    }
    engine_rsksymf(con, table, name);
    rss_give_header(con, header);
    con->catalog_changed = 1;
    return 0;
}
