// Typed lists: ordered, named items holding numbers (doubles, missing codes kept bit for bit),
// binary-safe character values or sublists; saved to and loaded from catalog entries.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "host/export.h"
#include "host/missing.h"

struct qor_list;       // a list (the handle used for item operations)
struct qor_pool;
struct qor_entry;
using qor_list_id = uint32_t;   // the list's identifier: 0 is none

// Item types.
enum : char { QOR_SL_NUMBER = 'N', QOR_SL_CHAR = 'C', QOR_SL_LIST = 'L' };

// Result codes. 0 success; QOR_SL_ABSENT (positive) when a get by name finds no such item, which
// is not an error; every failure is negative when read as an int.
enum : int32_t {
    QOR_SL_ABSENT = 1,
    QOR_SL_NULL = static_cast<int32_t>(0x8001F840),       // null list or out-argument
    QOR_SL_POSITION = static_cast<int32_t>(0x8001F841),   // position outside the list
    QOR_SL_WRONG_TYPE = static_cast<int32_t>(0x8001F842), // the item holds another type
    QOR_SL_BAD_NAME = static_cast<int32_t>(0x8001F843),   // item name longer than QOR_SL_NAME_MAX
    QOR_SL_CYCLE = static_cast<int32_t>(0x8001F844),      // the sublist contains the list itself
    QOR_SL_RANGE = static_cast<int32_t>(0x8001F845),      // number missing or outside the integer type
    QOR_SL_FORMAT = static_cast<int32_t>(0x8001F846),     // stored list damaged or truncated
    QOR_SL_VERSION = static_cast<int32_t>(0x8001F847),    // stored list of a newer format version
    QOR_SL_NO_MEMORY = static_cast<int32_t>(0x80000803),
    QOR_SL_TOO_DEEP = static_cast<int32_t>(0x8001F848),   // nesting beyond QOR_SL_DEPTH_MAX (copy, print)
};

constexpr size_t QOR_SL_NAME_MAX = 1024;   // bytes of an item name
constexpr int QOR_SL_DEPTH_MAX = 256;      // nesting that copy follows
constexpr int QOR_SL_APPEND = -1;          // insert position: at the end

// Ownership: slnewl gives the caller a list. Inserting it as a sublist (slinsl, slsnl) adds a
// reference; a list lives while any parent holds it, and the last parent to let go frees it.
// slfree/sldel free a list that no parent holds (with every sublist no other list holds); for a
// list that is still a sublist they only give up the caller's claim. Names are compared without
// regard to ASCII case; the first item of a name wins. Positions are 1-based. Character values
// handed out point into the list and stay valid until that item changes. Lists are not
// thread-safe: one thread uses a list at a time (identifiers may be resolved from any thread).

// New empty list (options such as 84 are accepted and kept for the caller); stores the handle
// in *out and returns its identifier, 0 (and null) with a message when memory is exhausted.
QOR_HOST_API qor_list_id slnewl(qor_list** out, qor_pool* pool, int options);
// The list of an identifier, null when none (freed or never made).
QOR_HOST_API qor_list* slistp(qor_list_id id, qor_pool* pool = nullptr);
// The identifier of a list (0 for null).
QOR_HOST_API qor_list_id slid(const qor_list* list);
// Free by identifier / by handle (see ownership above). Options are accepted and ignored.
QOR_HOST_API int slfree(qor_list_id id, int options, qor_pool* pool = nullptr);
QOR_HOST_API int sldel(qor_list* list, int flags);
// Remove every item (sublists released).
QOR_HOST_API int slclear(qor_list* list, int options = 0, qor_pool* pool = nullptr);
// Append deep copies of the items of `from` to `to` (sharing inside `from` is kept in the copy);
// returns the identifier of `to`, 0 on failure (`to` then unchanged; the reason is logged: out
// of memory, or nesting deeper than QOR_SL_DEPTH_MAX).
QOR_HOST_API qor_list_id slcopy(const qor_list* from, qor_list* to);

// Item count (0 for a null list).
QOR_HOST_API int slcnt(const qor_list* list);
// Name and type of the item at a position.
QOR_HOST_API int slni(const qor_list* list, int position, std::string_view* name);
QOR_HOST_API int slityp(const qor_list* list, int position, char* type);
// Position of the first item of a name / of the first character item equal to a value; 0 if none.
QOR_HOST_API int slsrchn(const qor_list* list, std::string_view name);
QOR_HOST_API int slsrchc(const qor_list* list, std::string_view value);

// Get by name: 0, or QOR_SL_ABSENT with the default in *out. Integers are numbers that fit
// (fractions cut toward zero). On any failure *out holds the default too.
QOR_HOST_API int slgnd(const qor_list* list, std::string_view name, double* out,
                       double if_absent = qor::missing());
QOR_HOST_API int slgni(const qor_list* list, std::string_view name, int32_t* out, int32_t if_absent = 0);
QOR_HOST_API int slgns(const qor_list* list, std::string_view name, int16_t* out, int16_t if_absent = 0);
QOR_HOST_API int slgnc(const qor_list* list, std::string_view name, std::string_view* out,
                       std::string_view if_absent = {});
QOR_HOST_API int slgnl(const qor_list* list, std::string_view name, qor_list** out);

// Get by position: QOR_SL_POSITION outside 1..count, QOR_SL_WRONG_TYPE for another type.
QOR_HOST_API int slitmd(const qor_list* list, int position, double* out);
QOR_HOST_API int slitmi(const qor_list* list, int position, int32_t* out);
QOR_HOST_API int slitmc(const qor_list* list, int position, std::string_view* out);
QOR_HOST_API int slitml(const qor_list* list, int position, qor_list** out);
// Text of the item at a position: a character value as it is, a number as the shortest text
// that reads back to it ("." "._" ".A".. for missing values); a sublist is QOR_SL_WRONG_TYPE.
QOR_HOST_API int slstrng(const qor_list* list, int position, std::string* out);

// Insert at a position (1..count+1, or QOR_SL_APPEND); the name may be empty.
QOR_HOST_API int slinsd(qor_list* list, double value, int position, std::string_view name);
QOR_HOST_API int slinsi(qor_list* list, int32_t value, int position, std::string_view name);
QOR_HOST_API int slinsc(qor_list* list, std::string_view value, int position, std::string_view name);
QOR_HOST_API int slinsl(qor_list* list, qor_list_id sublist, int position, std::string_view name);

// Set by name: the first item of the name takes the value (and type); appended when absent.
QOR_HOST_API int slsnd(qor_list* list, std::string_view name, double value);
QOR_HOST_API int slsni(qor_list* list, std::string_view name, int32_t value);
QOR_HOST_API int slsns(qor_list* list, std::string_view name, int16_t value);
QOR_HOST_API int slsnc(qor_list* list, std::string_view name, std::string_view value);
QOR_HOST_API int slsnl(qor_list* list, std::string_view name, qor_list_id sublist);
// Set by position (the item takes the value and its type).
QOR_HOST_API int slsitmd(qor_list* list, int position, double value);
QOR_HOST_API int slsitmc(qor_list* list, int position, std::string_view value);
// Delete the item at a position.
QOR_HOST_API int slditm(qor_list* list, int position);

// Print a list to the log under a heading: one line per item, sublists indented.
QOR_HOST_API int slput(const qor_list* list, std::string_view heading, int option);

// Lists in catalog entries --------------------------------------------------------------------

// Write the list's stored form at the entry's position (the entry must be open for output or
// update). Sublists shared inside the list are stored once.
QOR_HOST_API int afwrlst(qor_entry* entry, const qor_list* list);
// Read a stored list from the entry's position to its end; on success it replaces the items of
// `list`, on failure `list` is unchanged and the reason is logged.
QOR_HOST_API int afrdlst(qor_entry* entry, qor_list* list);
// Read ('R', 82) or write ('W', 87) a list as the catalog entry "libref.catalog.entry" of the
// given type, or "libref.catalog.entry.type" (then `type` may be empty). Names up to 84
// characters; blanks around parts are ignored. The description is stored on write.
QOR_HOST_API int slfile(qor_list* list, std::string_view entry_name, int operation,
                        std::string_view type, std::string_view description = {});
// The same with a four-level name.
QOR_HOST_API int slofile(qor_list* list, std::string_view entry_name, int operation,
                         std::string_view description = {});

// The stored form itself (tests and tools): encode into bytes; decode bytes into a list (same
// replace-on-success rule as afrdlst). `why` (may be null) receives the reason of a failure.
QOR_HOST_API int qor_list_encode(const qor_list* list, std::string* out);
QOR_HOST_API int qor_list_decode(const void* data, size_t size, qor_list* list, std::string* why);
// Number of lists alive (leak checks in tests).
QOR_HOST_API size_t qor_list_live_count();
