// Rights checks of catalog objects and environments: owner, group and others each hold read,
// write and run rights; a code without the active bit grants everything.
#include "catalog/entry_table.h"
#include "common/strings/fields.h"

namespace {

constexpr uint32_t kSecurityActive = 0x200;

bool same_name_ignoring_case(const char* a, uint32_t length_a, const char* b, uint32_t length_b) {
    return length_a == length_b && wzbcup(a, b, static_cast<int>(length_a)) == 0;
}

// The check of one record for mode m, answered from and recorded in the holder's cache. A record
// never filled from a stored entry keeps the code it was given (an empty catalog holds none).
bool check_one(const RSKCON* con, RSKRIGHTS* rights, int mode) {
    const RSKSEC& sec = rights->security;
    if ((sec.rights & kSecurityActive) == 0) return true;
    const uint32_t m = static_cast<uint32_t>(mode) & 7u;
    if (rights->cache & m) return (rights->cache & (m << 3)) != 0;
    uint32_t granted = m & (sec.rights & 7u);
    if (granted == 0 && con->guest == 0) {
        if (con->group_name_length > 0 &&
            same_name_ignoring_case(con->group_name, con->group_name_length, sec.group, sec.group_length))
            granted = m & ((sec.rights >> 3) & 7u);
        if (granted == 0 &&
            same_name_ignoring_case(con->user_name, con->user_name_length, sec.owner, sec.owner_length))
            granted = m & ((sec.rights >> 6) & 7u);
    }
    rights->cache |= m;
    if (granted != 0) rights->cache |= m << 3;
    return granted != 0;
}

bool check_environment(const RSKCON* con, RSKENV* environment, int mode) {
    return environment == nullptr || check_one(con, &environment->rights, mode);
}

bool check_object(const RSKCON* con, RSKRIGHTS* rights, int mode) {
    return rights == nullptr || check_one(con, rights, mode);
}

}  // namespace

int rsssec(RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char*, int, int32_t,
           int scope) {
    switch (scope) {
    case 1: return check_environment(con, environment, mode) ? 1 : 0;
    case 2: return check_object(con, rights, mode) ? 1 : 0;
    case 3: return check_environment(con, environment, mode) && check_object(con, rights, mode) ? 1 : 0;
    case 4: return check_object(con, rights, mode) && check_environment(con, environment, mode) ? 1 : 0;
    default: return 1;
    }
}
