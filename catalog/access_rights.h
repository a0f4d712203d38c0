// Access rights of environments and catalog objects: the rights check with its cache, the
// "SECURITIES" sublist of stored lists, and the listing and changing of rights.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "host/lists.h"

constexpr uint32_t kRightsActive = 0x200;            // without it every access is granted
constexpr uint32_t kSeccodeMask = 0xFFFFB47Du;

constexpr int kEntryNameLimit = 84;                  // "libref.catalog.name.type"

// The entry name "LIBREF.CATALOG.NAME.TYPE" of an object of that kind in the environment's
// catalog, zero-terminated into `out` (kEntryNameLimit + 1 bytes): its length; 0 when the kind
// has no member type or the name is empty or too long.
int rss_entry_name(const RSKENV* environment, const char* name, int name_length, int32_t kind, char* out);

// The stored number of a rights code: (code * 4) XOR the mask, as the signed 32-bit value.
double seccode_of(uint32_t code);
// The rights code of a stored number: 0 and the code, or 1 when the number is not one this
// system writes (not finite, not whole, outside the 32-bit range).
int code_of_seccode(double stored, uint32_t* code);

// Slot 97: 1 when the access (mode 4 read, 2 write, 1 run) is granted, 0 when refused. Scope 1
// the environment's rights, 2 the object's, 3 environment then object, 4 object then
// environment; any other scope grants. A record not read yet is read from the entry `name` of
// `kind` in the environment's catalog first.
int rsssec(RSKCON* con, RSKRIGHTS* rights, int mode, RSKENV* environment, const char* name,
           int name_length, int32_t kind, int scope);
// Fills a record from the list's "SECURITIES" sublist and marks it read: 0; 1 when the sublist
// is damaged, which leaves a record that refuses every access.
int rsssecr(RSKCON* con, RSKSEC* security, qor_list_id list);
// Writes the "SECURITIES" sublist of a record that has an owner and active rights: 0; 1 when no
// sublist can be made (598/113).
int rsssecg(RSKCON* con, const RSKSEC* security, qor_list_id list);
// Slot 98: the rights of a record into the list when one is given (non-zero), else as eleven
// printed lines. 0.
int rssseca(RSKCON* con, RSKRIGHTS* rights, RSKENV* environment, const char* name, int name_length,
            int32_t kind, int scope, qor_list_id list);
// Slot 99: sets the rights from the list's nine "READ_SELF" .. "EXEC_ALL" items: 0; -1 when the
// user has neither the write right nor ownership (nothing changes).
int rsssecs(RSKCON* con, RSKRIGHTS* rights, RSKENV* environment, const char* name, int name_length,
            int32_t kind, int unused, qor_list_id list);
// Sets the rights code; a record without owner first takes the user's identity. 0.
int rsssecd(RSKCON* con, RSKSEC* security, uint32_t code);
// May the user write into the environment (its own rights, read from its "INHERIT" entry when
// needed)? 0 when granted; 1 after 598/3801 when refused.
int rssseck(RSKCON* con, RSKENV* environment);
