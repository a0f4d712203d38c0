// Environments while catalog storage holds nothing: no stored environments, profile or reports,
// and a temporary environment kept in memory in the WORK library.
#include <cstring>

#include "catalog/engine_calls.h"
#include "catalog/entry_table.h"
#include "common/files/names.h"
#include "common/memory/pool_memory.h"
#include "host/kernel.h"

namespace {

void set_text(RSKNAMEREC* rec, char* buffer, int capacity, const char* text, int length) {
    if (length > capacity) length = capacity;
    if (length < 0) length = 0;
    std::memcpy(buffer, text, static_cast<size_t>(length));
    rec->capacity = static_cast<uint16_t>(capacity);
    rec->length = static_cast<uint16_t>(length);
    rec->text = buffer;
}

}  // namespace

int rssenla(RSKCON*) {
    return 0;   // no stored environment to offer
}

int rssenvt(RSKCON* con) {
    auto* environment = static_cast<RSKENV*>(vmalcp_handler(con->current_pool, sizeof(RSKENV), QOR_ALLOC_ZERO));
    if (environment == nullptr) {
        xpmlog(598, 3049);
        xexit(1012);
    }
    set_text(&environment->name.name, environment->name.buffer, kRskObjectNameCapacity, "TEMP___", 7);
    std::memcpy(environment->libref, "WORK    ", 8);
    const char* work = nullptr;
    int work_length = 0;
    if (zlib2ph("WORK", &work, &work_length) == 0 && work != nullptr)
        set_text(&environment->path.name, environment->path.buffer, kRskPathCapacity, work, work_length);
    else
        set_text(&environment->path.name, environment->path.buffer, kRskPathCapacity, "", 0);
    static const char kDescription[] = "Temporary environment";
    RSKNAMEREC description{0, static_cast<uint16_t>(sizeof kDescription - 1), const_cast<char*>(kDescription)};
    rssptyd(con, &environment->properties, &description, nullptr);
    RSKSEC& security = environment->rights.security;
    std::memcpy(security.owner, con->user_name, sizeof security.owner);
    security.owner_length = con->user_name_length;
    std::memcpy(security.group, con->group_name, sizeof security.group);
    security.group_length = con->group_name_length;
    security.rights = con->default_rights;
    security.read = con->identity_read;

    if (con->current_environment != nullptr) rssenvx(con);
    con->current_environment = environment;
    uint32_t changed = con->environment_changed;
    engine_rskvar1(con);
    con->environment_changed = changed;
    con->temporary_environment = 1;
    engine_rskvar0(con);
    return 0;
}

int rssenvx(RSKCON* con) {
    RSKENV* environment = con->current_environment;
    if (environment == nullptr) return 0;
    RSKPROPS& properties = environment->properties;
    if (properties.description != nullptr)
        vmfree_handler(con->current_pool, properties.description, properties.description_capacity,
                       QOR_FREE_SIZED);
    vmfree_handler(con->current_pool, environment, sizeof *environment, QOR_FREE_SIZED);
    con->current_environment = nullptr;
    con->temporary_environment = 0;
    return 0;
}

void* rssrpt(RSKCON*, const RSKNAMEREC*) {
    return nullptr;   // no host-product reports are indexed
}
