// Settings that catalog storage keeps as lists: option sets, run and static trace settings, the
// search paths of the user profile, and the property blocks of stored objects.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "host/lists.h"

struct RSKOPTREC;

// The option sets of a value block.
enum : int { RSKOPTSET_ANALYSIS = 1, RSKOPTSET_OUTPUT = 2, RSKOPTSET_SYSTEM = 3 };

// Slot 61: appends "ANALYSIS", "OUTPUT" and "SYSTEM" sublists filled from the value block; the
// largest code met, 1 when a sublist cannot be made.
int rssoptg(RSKCON* con, qor_list_id list, const RSKOPTREC* block);
// Slot 63: sets the value block from the list's three sublists (a missing one: 598/106, that set
// is skipped); the largest code met.
int rssopts(RSKCON* con, qor_list_id list, RSKOPTREC* block);
// Slots 58 and 59: one set (1 analysis, 2 output, 3 system; any other does nothing) into a list
// and back. Reading absent items leaves those options as they are; reading returns 0.
int rssopsg(RSKCON* con, qor_list_id list, const RSKOPTREC* block, int set);
int rssopss(RSKCON* con, qor_list_id list, RSKOPTREC* block, int set);
// Slot 60: stores the environment's options as its "OPTIONS" list: 0; 1 after its message (no
// list 598/113, no write right 598/3801, the entry cannot be written 598/3060).
int rssopta(RSKCON* con);
// Slot 62: reads the current environment's "OPTIONS" list into the environment's options; an
// absent or empty list changes nothing. 0, or the failing code.
int rssoptr(RSKCON* con);

// Slots 104 and 105: the run trace settings into a list and back. Reading: the largest code; a
// names block that cannot be allocated gives 598/500 and 1, leaving the old names.
int rsstrcg(RSKCON* con, qor_list_id list);
int rsstrcs(RSKCON* con, qor_list_id list);
// Slots 110 and 111: the static trace settings into a list and back; the largest code.
int rsstrsg(RSKCON* con, qor_list_id list);
int rsstrss(RSKCON* con, qor_list_id list);

// The search paths into a list, one character item per path named by its library reference. 0.
int rsspthg(RSKCON* con, qor_list_id list);
// Slot 85: saves the search paths as the profile list QORUSER.PROFILE.RISKPATH.SLIST: 0; 1 when
// the write fails, -1 when no list can be made.
int rsspths(RSKCON* con);
// Slot 84: loads the search paths from the profile: 0; 1 when the profile cannot be read or a
// path cannot be defined (the others still are), -1 when no list can be made.
int rsspthl(RSKCON* con);

// Slot 87: sets a property block's description (at most 256 bytes), and its state and time from
// `source` when given (else state 1).
int rssptyd(RSKCON* con, RSKPROPS* block, const RSKNAMEREC* description, const RSKPROPS* source);
// Slot 88: appends "DESC" and "MODIFIED" of a block to a list; non-zero when an insert fails.
int rssptyg(RSKCON* con, const RSKPROPS* block, qor_list_id list);
// Slot 86: takes a block's properties from an entry's list (nothing for a block taken from the
// catalog already). 0.
int rssptya(RSKCON* con, RSKPROPS* block, qor_list_id list);
// Slot 89: rewrites the "PROPERTIES" and "SECURITIES" sublists of an object's stored entry from
// its property block and security record: 0; 1 when the entry cannot be read or written.
int rssptys(RSKCON* con, RSKENV* environment, const RSKNAMEREC* name, int32_t kind, const RSKPROPS* block,
            const RSKSEC* security);
