// Forwarding routines of the engine to catalog storage: each calls its slot of vector 383.
// A vector that is not published answers as a failure (null for look-ups).
#include "engine/model/services/catalog.h"

#include <type_traits>

#include "engine/tables/catalog_table.h"

namespace {

// The catalog's routine in slot S; the forwarder declared here must have the slot's type.
template <CatalogSlot S, typename Fn>
catalog_slot_t<S> catalog_slot(Fn*) {
    static_assert(std::is_same_v<Fn*, catalog_slot_t<S>>, "forwarder and slot types differ");
    return catalog_routine<S>();
}

template <CatalogSlot S>
int call_con(RSKCON* con) {
    auto fn = catalog_routine<S>();
    return fn != nullptr ? fn(con) : 1;
}

}  // namespace

int rssofid(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            int32_t kind) {
    *out = nullptr;
    auto fn = catalog_slot<CatalogSlot::rssofid>(&rssofid);
    return fn != nullptr ? fn(con, out, name, description, kind) : 1;
}

void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access) {
    auto fn = catalog_slot<CatalogSlot::rssofiq>(&rssofiq);
    return fn != nullptr ? fn(con, header, access) : nullptr;
}

int rssofif(RSKCON* con, RSKCATOBJ* header) {
    auto fn = catalog_slot<CatalogSlot::rssofif>(&rssofif);
    return fn != nullptr ? fn(con, header) : 1;
}

int rssptyd(RSKCON* con, RSKPROPS* block, const RSKNAMEREC* description, const RSKPROPS* source) {
    auto fn = catalog_slot<CatalogSlot::rssptyd>(&rssptyd);
    return fn != nullptr ? fn(con, block, description, source) : 1;
}

int rsssec(RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name,
           int name_length, int32_t kind, int scope) {
    auto fn = catalog_slot<CatalogSlot::rsssec>(&rsssec);
    return fn != nullptr ? fn(con, rights, mode, environment, name, name_length, kind, scope) : 0;
}

int rssseca(RSKCON* con, RSKRIGHTS* rights, RSKENV* environment, const char* name, int name_length,
            int32_t kind, int scope, uint32_t list) {
    auto fn = catalog_slot<CatalogSlot::rssseca>(&rssseca);
    return fn != nullptr ? fn(con, rights, environment, name, name_length, kind, scope, list) : 1;
}

int rssobds(int32_t kind, char* text_out) {
    auto fn = catalog_slot<CatalogSlot::rssobds>(&rssobds);
    return fn != nullptr ? fn(kind, text_out) : -1;
}

int rssclsa(RSKCON* con, RSKINSTTYPE* type, int reserved) {
    auto fn = catalog_slot<CatalogSlot::rssclsa>(&rssclsa);
    return fn != nullptr ? fn(con, type, reserved) : 1;
}

void* rssrpt(RSKCON* con, const RSKNAMEREC* name) {
    auto fn = catalog_slot<CatalogSlot::rssrpt>(&rssrpt);
    return fn != nullptr ? fn(con, name) : nullptr;
}

int rssenvz(RSKCON* con, const char* directory, int directory_length, const char* name, int name_length,
            const char* outpath, int outpath_length, int report, int with_outpath) {
    auto fn = catalog_slot<CatalogSlot::rssenvz>(&rssenvz);
    return fn != nullptr
               ? fn(con, directory, directory_length, name, name_length, outpath, outpath_length, report, with_outpath)
               : 1;
}

int rssenla(RSKCON* con) { return call_con<CatalogSlot::rssenla>(con); }
int rssenlt(RSKCON* con) { return call_con<CatalogSlot::rssenlt>(con); }
int rssenva(RSKCON* con) { return call_con<CatalogSlot::rssenva>(con); }
int rssenvt(RSKCON* con) { return call_con<CatalogSlot::rssenvt>(con); }
int rssenvx(RSKCON* con) { return call_con<CatalogSlot::rssenvx>(con); }
int rssoutz(RSKCON* con) { return call_con<CatalogSlot::rssoutz>(con); }
int rsspthl(RSKCON* con) { return call_con<CatalogSlot::rsspthl>(con); }
