// Indexing: every member of an environment's catalog becomes the header of its object (kinds
// with headers), or goes to its kind's own indexer (instrument types, variables); then the
// environment chain is indexed ancestors first and what depends on the objects is rebuilt.
#include <cstring>
#include <algorithm>
#include <string_view>

#include "catalog/engine_calls.h"
#include "catalog/entry_table.h"
#include "catalog/forms_further.h"
#include "catalog/object_forms.h"
#include "catalog/object_frame.h"
#include "common/strings/fields.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/object_tables.h"
#include "host/catalog.h"
#include "host/print.h"

namespace {

constexpr int kIndexChunk = 20;

bool has_header_table(int32_t kind) {
    switch (kind) {
    case 2: case 4: case 6: case 9: case 10: case 13: case 17: case 18: case 21: case 22: case 23:
    case 24: case 25: case 30: case 32: case 33: case 34: case 35: case 36: case 37: case 38: case 39:
        return true;
    default:
        return false;
    }
}

bool taken_when_looking_up(int32_t kind) {
    return kind == 8 || kind == 12 || kind == 18 || kind == 21 || kind == 24;
}

RSKNAMEREC record_of(std::string_view text) {
    return RSKNAMEREC{0, static_cast<uint16_t>(text.size()), const_cast<char*>(text.data())};
}

// One object of the environment: its header found again (state 3 in the current environment,
// 2 in an ancestor) or made (state 1 or 2).
int index_object(RSKCON* con, RSKENV* environment, int32_t kind, const RSKNAMEREC& name, const RSKNAMEREC& member,
                 const RSKNAMEREC* description) {
    RSKSYMTAB* table = rss_kind_table(con, kind);
    if (table == nullptr) return 0;   // the engine keeps no table of this kind
    const bool current = environment == con->current_environment;
    auto* header = static_cast<RSKCATOBJ*>(engine_rsksym(con, table, &name));
    if (header != nullptr) {
        engine_rskname(con, &header->member_name, member.text, member.length);
        header->environment = environment;
        header->kind = kind;
        header->state = current ? RSKCATOBJ_OVERRIDDEN : RSKCATOBJ_INHERITED;
    } else {
        header = rss_take_header(con, kIndexChunk);
        if (header == nullptr) return 1;
        if (engine_rskname(con, &header->name, name.text, name.length) != 0 && header->name.name.length == 0) {
            rss_give_header(con, header);
            return 0;   // no usable name: the member is skipped (the engine said why)
        }
        engine_rskname(con, &header->member_name, member.text, member.length);
        if (engine_rsksymd(con, table, &header->name.name, header) == 2) {
            rss_give_header(con, header);
            return 1;
        }
        header->environment = environment;
        header->kind = kind;
        header->state = current ? RSKCATOBJ_OWN : RSKCATOBJ_INHERITED;
    }
    if (description != nullptr && description->length > 0) {
        RSKPROPS stamp{};
        stamp.state = 2;
        rssptyd(con, &header->properties, description, &stamp);
    }
    return 0;
}

// Calls a kind's own indexer (slot of this module's table) for one member.
template <CatalogSlot S>
int index_through(RSKCON* con, const RSKNAMEREC& name, const RSKNAMEREC& member, RSKENV* environment) {
    auto indexer = reinterpret_cast<catalog_slot_t<S>>(rskctbl[static_cast<int>(S)]);
    return indexer(con, &name, &member, environment);
}

int index_member(RSKCON* con, RSKENV* environment, const qor_member_info& info) {
    char type[8];
    std::memset(type, ' ', sizeof type);
    std::memcpy(type, info.type.data(), std::min<size_t>(info.type.size(), sizeof type));
    const int32_t kind = rssobfx(type);
    if (kind < 0) return 0;
    if (con->look_up_only && !taken_when_looking_up(kind)) return 0;
    const std::string_view member_text = std::string_view(info.name).substr(0, kRskObjectNameCapacity);
    RSKNAMEREC member = record_of(member_text);
    // From kind 8 on (packages aside) the member's description holds the object's name, which
    // the member name cannot always hold; the others keep a description there.
    const bool name_in_description = kind >= 8 && kind != RSKKIND_PACKAGE;
    const std::string_view stored_name = std::string_view(info.description).substr(0, kRskDescriptionLimit);
    RSKNAMEREC name = record_of(name_in_description && !stored_name.empty() ? stored_name : member_text);
    if (kind == RSKKIND_INSTTYPE) return index_through<CatalogSlot::rssclsl>(con, name, member, environment);
    if (kind == RSKKIND_VARIABLE) return index_through<CatalogSlot::rssvarl>(con, name, member, environment);
    if (!has_header_table(kind)) return 0;
    RSKNAMEREC description = record_of(stored_name);
    return index_object(con, environment, kind, name, member, name_in_description ? nullptr : &description);
}

}  // namespace

int rssoflo(RSKCON* con, RSKENV* environment) {
    if (environment == nullptr) return 1;
    qor_catalog* catalog = nullptr;
    if (xlopen(rss_env_libref(environment), rss_env_catalog(environment), QOR_CO_INPUT, &catalog) != 0) return 1;
    qor_member_dir* directory = nullptr;
    if (xldopen(catalog, "", &directory) != 0) {
        xlclose(catalog, 0);
        return 1;
    }
    environment->open_catalog = catalog;
    int rc = 0;
    qor_member_info info;
    for (;;) {
        const int read = xldread(directory, &info);
        if (read == static_cast<int>(QOR_C_END)) break;
        if (read != 0) {
            xprrlog(2, read);   // the directory could not be read to its end
            rc = 1;
            break;
        }
        rc = index_member(con, environment, info);
        if (rc != 0) break;
    }
    xldclos(directory);
    environment->open_catalog = nullptr;
    xlclose(catalog, 0);
    return rc;
}

int rssofli(RSKCON* con) {
    const uint8_t was_indexing = con->indexing;
    con->indexing = 1;
    int total = 0;
    if (!con->look_up_only) {
        // Options come first; a failure to read them is reported and leaves the current ones.
        auto read_options = reinterpret_cast<catalog_slot_t<CatalogSlot::rssoptr>>(
            rskctbl[static_cast<int>(CatalogSlot::rssoptr)]);
        read_options(con);
    }
    RSKENV* chain[kRssChainLimit];
    const int count = rss_environment_chain(con, chain, kRssChainLimit);
    int largest = 0;
    for (int i = 0; i < count; ++i) {
        int rc = rssoflo(con, chain[i]);
        if (rc != 0) {
            const RSKNAMEREC& name = chain[i]->name.name;
            xpmlog(598, 3101, name.text ? static_cast<int>(name.length) : 0, name.text);
            largest = std::max(largest, rc);
        }
    }
    total += largest;
    if (!con->look_up_only) total += rssrptl(con);
    if (!con->look_up_only && !con->importing) total += rssoutv(con) + rsscudr(con);
    total += engine_rebuild_after_index(con);
    con->indexing = was_indexing;
    return total;
}
