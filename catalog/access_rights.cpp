// Rights checks of environments and catalog objects: owner, group and others each hold read,
// write and run rights; a code without the active bit grants everything. Rights are advisory.
#include "catalog/access_rights.h"

#include <cmath>
#include <cstring>
#include <string>

#include "catalog/entry_table.h"
#include "catalog/name_scrambling.h"
#include "common/strings/fields.h"
#include "host/catalog.h"
#include "host/lists.h"
#include "host/print.h"

namespace {

constexpr int kEnvironmentKind = 11;
constexpr char kEnvironmentEntry[] = "INHERIT";
constexpr int kNameField = 32;
constexpr int kScrambledName = scrambled_length(kNameField);   // 48
constexpr int kListOptions = 84;

// Cache word: bits 0-2 decided modes, bits 3-5 granted modes, bits 8-31 the fingerprint of the
// user identity and record the decisions were made for.
constexpr uint32_t kCacheDecisions = 0x3Fu;

bool same_name(const char* a, uint32_t length_a, const char* b, uint32_t length_b) {
    return length_a == length_b && length_a <= static_cast<uint32_t>(kNameField) &&
           wzbcup(a, b, static_cast<int>(length_a)) == 0;
}

// The user owns a record only under a real name; a guest never does.
bool user_is_owner(const RSKCON* con, const RSKSEC& sec) {
    return con->guest == 0 && sec.owner_length > 0 &&
           same_name(con->user_name, con->user_name_length, sec.owner, sec.owner_length);
}

// 24 bits that change with the user identity and with the record, so that a cached decision is
// never reused for another user or for rights changed since.
uint32_t fingerprint(const RSKCON* con, const RSKSEC& sec) {
    uint32_t hash = 2166136261u;
    auto mix_byte = [&hash](uint8_t byte) { hash = (hash ^ byte) * 16777619u; };
    auto mix_name = [&](const char* text, uint32_t length) {
        uint32_t n = length > static_cast<uint32_t>(kNameField) ? kNameField : length;
        for (uint32_t i = 0; i < n; ++i) mix_byte(static_cast<uint8_t>(text[i] & ~0x20));
        mix_byte(static_cast<uint8_t>(length));
    };
    mix_name(con->user_name, con->user_name_length);
    mix_name(con->group_name, con->group_name_length);
    mix_byte(con->guest);
    mix_name(sec.owner, sec.owner_length);
    mix_name(sec.group, sec.group_length);
    for (int shift = 0; shift < 32; shift += 8) mix_byte(static_cast<uint8_t>(sec.rights >> shift));
    return (hash ^ (hash >> 24)) & 0xFFFFFFu;
}

// A record that refuses every access to everyone: what a damaged stored record becomes.
void deny_all(RSKSEC* sec) {
    std::memset(sec->owner, ' ', sizeof sec->owner);
    std::memset(sec->group, ' ', sizeof sec->group);
    sec->owner_length = 0;
    sec->group_length = 0;
    sec->rights = kRightsActive;
    sec->read = 1;
}

// Reads a record not read yet from its stored entry. An entry never stored (no entry, catalog
// or library) leaves the record in memory as it is; one that cannot be read refuses all.
void read_stored_record(RSKSEC* sec, RSKENV* environment, const char* name, int name_length, int32_t kind) {
    char entry[kEntryNameLimit + 1];
    int length = rss_entry_name(environment, name, name_length, kind, entry);
    if (length <= 0) return;
    qor_list* list = nullptr;
    if (slnewl(&list, nullptr, kListOptions) == 0) {
        deny_all(sec);   // cannot tell what is stored: refuse rather than grant
        return;
    }
    int code = slofile(list, std::string_view(entry, static_cast<size_t>(length)), 'R');
    if (code == 0) {
        rsssecr(nullptr, sec, slid(list));
    } else if (code != static_cast<int>(QOR_C_NOT_FOUND) && code != static_cast<int>(QOR_C_NO_LIBRARY)) {
        deny_all(sec);
    }
    sldel(list, 0);
}

// The check of one record for mode m: others, then group, then owner; a guest gets only the
// rights of others.
bool check_one(const RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name,
               int name_length, int32_t kind) {
    RSKSEC& sec = rights->security;
    if (sec.read == 0 && environment != nullptr) read_stored_record(&sec, environment, name, name_length, kind);
    if ((sec.rights & kRightsActive) == 0) return true;
    const uint32_t m = static_cast<uint32_t>(mode) & 7u;
    const uint32_t stamp = fingerprint(con, sec) << 8;
    if ((rights->cache & ~kCacheDecisions) != stamp) rights->cache = stamp;
    if ((rights->cache & m) == m && m != 0) return (rights->cache & (m << 3)) == (m << 3);
    uint32_t granted = m & (sec.rights & 7u);
    if (granted == 0 && con->guest == 0) {
        if (con->group_name_length > 0 && same_name(con->group_name, con->group_name_length, sec.group, sec.group_length))
            granted = m & ((sec.rights >> 3) & 7u);
        if (granted == 0 && user_is_owner(con, sec)) granted = m & ((sec.rights >> 6) & 7u);
    }
    rights->cache |= m;
    if (granted != 0) rights->cache |= m << 3;
    return granted != 0;
}

bool check_environment(const RSKCON* con, RSKENV* environment, int mode) {
    return environment == nullptr ||
           check_one(con, &environment->rights, mode, environment, kEnvironmentEntry,
                     static_cast<int>(sizeof kEnvironmentEntry - 1), kEnvironmentKind);
}

bool check_object(const RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name,
                  int name_length, int32_t kind) {
    return rights == nullptr || check_one(con, rights, mode, environment, name, name_length, kind);
}

// Unscrambles a stored 48-byte name into a 32-byte field: 0, or 1 when it cannot be read.
int read_name(const qor_list* list, const char* item, char* field, uint32_t* length) {
    std::string_view stored;
    if (slgnc(list, item, &stored) != 0) return 1;
    char plain[kNameField];
    int n = decrypt(stored.data(), static_cast<int>(stored.size()), plain, kNameField);
    if (n < 0) return 1;
    std::memcpy(field, plain, static_cast<size_t>(n));
    *length = static_cast<uint32_t>(wzstrip(field, kNameField));
    return 0;
}

int append_name(qor_list* list, const char* item, const char* field) {
    char scrambled[kScrambledName];
    int n = encrypt(field, kNameField, scrambled, sizeof scrambled);
    if (n < 0) return 1;
    return slinsc(list, std::string_view(scrambled, static_cast<size_t>(n)), QOR_SL_APPEND, item) != 0 ? 1 : 0;
}

void copy_identity(const RSKCON* con, RSKSEC* sec) {
    std::memcpy(sec->owner, con->user_name, sizeof sec->owner);
    sec->owner_length = con->user_name_length;
    std::memcpy(sec->group, con->group_name, sizeof sec->group);
    sec->group_length = con->group_name_length;
    sec->rights = con->default_rights;
    sec->read = con->identity_read;
}

const char* const kBitItems[9] = {"READ_SELF", "WRITE_SELF", "EXEC_SELF", "READ_GROUP", "WRITE_GROUP",
                                  "EXEC_GROUP", "READ_ALL", "WRITE_ALL", "EXEC_ALL"};

}  // namespace

int rss_entry_name(const RSKENV* environment, const char* name, int name_length, int32_t kind, char* out) {
    char type[8];
    if (environment == nullptr || rssobex(kind, type) != 0 || name == nullptr || name_length <= 0) return 0;
    const RSKNAMEREC& catalog = environment->name.name;
    std::string entry(environment->libref, static_cast<size_t>(wzstrip(environment->libref, 8)));
    entry += '.';
    entry.append(catalog.text, catalog.length);
    entry += '.';
    entry.append(name, static_cast<size_t>(name_length));
    entry += '.';
    entry.append(type, static_cast<size_t>(wzstrip(type, 8)));
    if (entry.size() > static_cast<size_t>(kEntryNameLimit)) return 0;
    std::memcpy(out, entry.data(), entry.size());
    out[entry.size()] = '\0';
    return static_cast<int>(entry.size());
}

double seccode_of(uint32_t code) {
    return static_cast<double>(static_cast<int32_t>((code * 4u) ^ kSeccodeMask));
}

int code_of_seccode(double stored, uint32_t* code) {
    *code = 0;
    // Both signs load: older writers stored the word unsigned.
    if (!std::isfinite(stored) || stored != std::trunc(stored) || stored < -2147483648.0 || stored > 4294967295.0)
        return 1;
    uint32_t word = static_cast<uint32_t>(static_cast<int64_t>(stored)) ^ kSeccodeMask;
    *code = static_cast<uint32_t>(static_cast<int32_t>(word) >> 2);
    return 0;
}

int rsssec(RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name, int name_length,
           int32_t kind, int scope) {
    switch (scope) {
    case 1: return check_environment(con, environment, mode) ? 1 : 0;
    case 2: return check_object(con, rights, mode, environment, name, name_length, kind) ? 1 : 0;
    case 3:
        return check_environment(con, environment, mode) &&
                       check_object(con, rights, mode, environment, name, name_length, kind)
                   ? 1
                   : 0;
    case 4:
        return check_object(con, rights, mode, environment, name, name_length, kind) &&
                       check_environment(con, environment, mode)
                   ? 1
                   : 0;
    default: return 1;
    }
}

int rsssecr(RSKCON*, RSKSEC* security, qor_list_id list_id) {
    const qor_list* list = slistp(list_id);
    std::memset(security, 0, sizeof *security);
    std::memset(security->owner, ' ', sizeof security->owner);
    std::memset(security->group, ' ', sizeof security->group);
    security->read = 1;
    if (list == nullptr || slsrchn(list, "SECURITIES") == 0) return 0;   // stored without rights
    // Written only for an owner with active rights, always with all three items: a sublist
    // that lacks one, or holds one that does not read back, is damaged and refuses all.
    qor_list* sub = nullptr;
    double stored = 0;
    uint32_t code = 0;
    if (slgnl(list, "SECURITIES", &sub) != 0 || read_name(sub, "OWNER", security->owner, &security->owner_length) != 0 ||
        read_name(sub, "GROUP", security->group, &security->group_length) != 0 ||
        slgnd(sub, "SECCODE", &stored) != 0 || code_of_seccode(stored, &code) != 0 ||
        (code & kRightsActive) == 0 || security->owner_length == 0) {
        deny_all(security);
        return 1;
    }
    security->rights = code;
    return 0;
}

int rsssecg(RSKCON*, const RSKSEC* security, qor_list_id list_id) {
    if (security->owner_length == 0 || (security->rights & kRightsActive) == 0) return 0;
    qor_list* list = slistp(list_id);
    if (list == nullptr) return 1;
    qor_list* sub = nullptr;
    bool reused = slgnl(list, "SECURITIES", &sub) == 0 && sub != nullptr;
    if (reused) {
        slclear(sub);
    } else if (slnewl(&sub, nullptr, kListOptions) == 0) {
        xpmlog(598, 113, 10, "SECURITIES");
        return 1;
    }
    int code = append_name(sub, "OWNER", security->owner);
    if (code == 0) code = append_name(sub, "GROUP", security->group);
    if (code == 0 && slinsd(sub, seccode_of(security->rights), QOR_SL_APPEND, "SECCODE") != 0) code = 1;
    // A "SECURITIES" item of another type is replaced by the sublist.
    if (!reused && code == 0 && slsnl(list, "SECURITIES", slid(sub)) != 0) code = 1;
    if (!reused) sldel(sub, 0);
    return code;
}

int rssseca(RSKCON* con, RSKRIGHTS* rights, RSKENV* environment, const char* name, int name_length, int32_t kind,
            int scope, qor_list_id list_id) {
    const int read = rsssec(con, rights, 4, environment, name, name_length, kind, scope);
    const int write = rsssec(con, rights, 2, environment, name, name_length, kind, scope);
    const int run = rsssec(con, rights, 1, environment, name, name_length, kind, scope);
    RSKSEC empty{};
    const RSKSEC& sec = rights != nullptr ? rights->security : empty;
    const uint32_t shown = (sec.rights & kRightsActive) ? sec.rights : 0x1FFu;
    const int owner_length = static_cast<int>(sec.owner_length > 32 ? 32 : sec.owner_length);
    const int group_length = static_cast<int>(sec.group_length > 32 ? 32 : sec.group_length);
    if (list_id != 0) {
        qor_list* list = slistp(list_id);
        if (list == nullptr) return 1;
        slinsc(list, std::string_view(sec.owner, static_cast<size_t>(owner_length)), QOR_SL_APPEND, "OWNER");
        slinsc(list, std::string_view(sec.group, static_cast<size_t>(group_length)), QOR_SL_APPEND, "GROUP");
        for (int bit = 8; bit >= 0; --bit)
            slinsd(list, (shown >> bit) & 1u, QOR_SL_APPEND, kBitItems[8 - bit]);
        slinsd(list, read, QOR_SL_APPEND, "READ");
        slinsd(list, write, QOR_SL_APPEND, "WRITE");
        slinsd(list, run, QOR_SL_APPEND, "EXEC");
        slinsd(list, write != 0 || user_is_owner(con, sec) ? 1 : 0, QOR_SL_APPEND, "CHANGE_SEC");
        return 0;
    }
    auto yes = [shown](int bit) { return (shown >> bit) & 1u ? "Yes" : "No"; };
    xpsout("%tOwner         : %*s", owner_length, sec.owner);
    xpsout("%tGroup         : %*s", group_length, sec.group);
    xpsout("%tRead by self  : %s", yes(8));
    xpsout("%tWrite by self : %s", yes(7));
    xpsout("%tRun by self   : %s", yes(6));
    xpsout("%tRead by group : %s", yes(5));
    xpsout("%tWrite by group: %s", yes(4));
    xpsout("%tRun by group  : %s", yes(3));
    xpsout("%tRead by all   : %s", yes(2));
    xpsout("%tWrite by all  : %s", yes(1));
    xpsout("%tRun by all    : %s", yes(0));
    return 0;
}

int rsssecs(RSKCON* con, RSKRIGHTS* rights, RSKENV* environment, const char* name, int name_length, int32_t kind,
            int, qor_list_id list_id) {
    const qor_list* list = slistp(list_id);
    if (rights == nullptr) return -1;
    RSKSEC& sec = rights->security;
    if (rsssec(con, rights, 2, environment, name, name_length, kind, 2) == 0 && !user_is_owner(con, sec)) return -1;
    uint32_t code = kRightsActive;
    for (int bit = 8; bit >= 0; --bit) {
        double value = 1;
        slgnd(list, kBitItems[8 - bit], &value, 1.0);   // absent (or unreadable) counts as set
        if (value != 0) code |= 1u << bit;
    }
    if (sec.owner_length == 0) copy_identity(con, &sec);
    sec.rights = code;
    sec.read = 1;
    rights->cache = 0;
    return 0;
}

int rsssecd(RSKCON* con, RSKSEC* security, uint32_t code) {
    if (security->owner_length == 0) copy_identity(con, security);
    security->rights = code;
    return 0;
}

int rssseck(RSKCON* con, RSKENV* environment) {
    if (rsssec(con, nullptr, 2, environment, kEnvironmentEntry, static_cast<int>(sizeof kEnvironmentEntry - 1),
               kEnvironmentKind, 1) != 0)
        return 0;
    xpmlog(598, 3801);
    return 1;
}
