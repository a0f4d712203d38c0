// Forwarding routines of the engine to catalog storage: each calls its slot of vector 383.
// A vector that is not published answers as a failure (null for look-ups).
#include "engine/model/services/catalog.h"
#include "host/kernel.h"

namespace {

constexpr int kCatalogVector = 383;

template <typename Fn>
Fn catalog_routine(int slot) {
    return reinterpret_cast<Fn>(wivslot(kCatalogVector, slot));
}

int call_con(int slot, RSKCON* con) {
    auto fn = catalog_routine<int (*)(RSKCON*)>(slot);
    return fn != nullptr ? fn(con) : 1;
}

}  // namespace

int rssofid(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* description,
            int32_t kind) {
    *out = nullptr;
    auto fn = catalog_routine<decltype(&rssofid)>(RSS_SLOT_RSSOFID);
    return fn != nullptr ? fn(con, out, name, description, kind) : 1;
}

void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access) {
    auto fn = catalog_routine<decltype(&rssofiq)>(RSS_SLOT_RSSOFIQ);
    return fn != nullptr ? fn(con, header, access) : nullptr;
}

int rssptyd(RSKCON* con, RSKPROPS* block, const RSKNAMEREC* description, const RSKPROPS* source) {
    auto fn = catalog_routine<decltype(&rssptyd)>(RSS_SLOT_RSSPTYD);
    return fn != nullptr ? fn(con, block, description, source) : 1;
}

int rsssec(RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name,
           int name_length, int32_t kind, int scope) {
    auto fn = catalog_routine<decltype(&rsssec)>(RSS_SLOT_RSSSEC);
    return fn != nullptr ? fn(con, rights, mode, environment, name, name_length, kind, scope) : 0;
}

int rssseca(RSKCON* con, RSKRIGHTS* rights, RSKENV* environment, const char* name, int name_length,
            int32_t kind, int scope, void* change_request) {
    auto fn = catalog_routine<decltype(&rssseca)>(RSS_SLOT_RSSSECA);
    return fn != nullptr ? fn(con, rights, environment, name, name_length, kind, scope, change_request) : 1;
}

int rssobds(int32_t kind, char* text_out) {
    auto fn = catalog_routine<decltype(&rssobds)>(RSS_SLOT_RSSOBDS);
    return fn != nullptr ? fn(kind, text_out) : -1;
}

int rssclsa(RSKCON* con, RSKINSTTYPE* type, int reserved) {
    auto fn = catalog_routine<decltype(&rssclsa)>(RSS_SLOT_RSSCLSA);
    return fn != nullptr ? fn(con, type, reserved) : 1;
}

void* rssrpt(RSKCON* con, const RSKNAMEREC* name) {
    auto fn = catalog_routine<decltype(&rssrpt)>(RSS_SLOT_RSSRPT);
    return fn != nullptr ? fn(con, name) : nullptr;
}

int rssenvz(RSKCON* con, const char* name, int name_length, const char* path, int path_length,
            const char* label, int reserved, int mode) {
    auto fn = catalog_routine<decltype(&rssenvz)>(RSS_SLOT_RSSENVZ);
    return fn != nullptr ? fn(con, name, name_length, path, path_length, label, reserved, mode) : 1;
}

int rssenla(RSKCON* con) { return call_con(RSS_SLOT_RSSENLA, con); }
int rssenlt(RSKCON* con) { return call_con(RSS_SLOT_RSSENLT, con); }
int rssenva(RSKCON* con) { return call_con(RSS_SLOT_RSSENVA, con); }
int rssenvt(RSKCON* con) { return call_con(RSS_SLOT_RSSENVT, con); }
int rssenvx(RSKCON* con) { return call_con(RSS_SLOT_RSSENVX, con); }
int rssoutz(RSKCON* con) { return call_con(RSS_SLOT_RSSOUTZ, con); }
int rsspthl(RSKCON* con) { return call_con(RSS_SLOT_RSSPTHL, con); }
