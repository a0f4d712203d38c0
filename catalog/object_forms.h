// List forms of data set objects (kind 13), ids objects (kind 38) and outputs (kind 39): their
// readers and writers, the data set format names, and the upkeep of outputs (library reference, the check
// after indexing, unregistering those under the work directory).
#pragma once
#include <cstdint>
#include <string_view>

#include "catalog/catalog_objects.h"

// Slots 14, 38, 66: rebuild the object from its list through the engine (header to *out when
// given); 0, or 1 after the list layer's or the engine's message.
int rssdats(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rssidss(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rssouts(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);

// Slots 15, 39: append the object's items (OBJTYPE, NAME, ... VARIABLES) to `list`; 0, or 1 after
// the list layer's message (a data set object of a format without a name: 598/3192).
int rssdatg(RSKCON* con, void* object, qor_list_id list, RSKLISTWS* workspace, int, int);
int rssidsg(RSKCON* con, void* object, qor_list_id list, RSKLISTWS* workspace, int, int);
// Slot 64: the same for an output (its run identity, directories, library, then "DATASET" and
// "MDDB" with one item per listed file); 0, or 1 after the list layer's message.
int rssoutg(RSKCON* con, void* object, qor_list_id list, RSKLISTWS* workspace, int, int);

// The name of a data set format code into *text ("*unknown*" for a code without one); its length.
int rssdtgs(RSKCON* con, int code, const char** text);
// The name under which a data set object's format is stored: 0 and the name; 1 after 598/3192
// for a code without a name, which is never stored (it would load again as another format).
int rss_format_to_store(RSKCON* con, int code, const RSKNAMEREC* object, const char** text, int* length);
// The code of the data set format of that name (any case); 1 when no format has it.
int rssdtgt(RSKCON* con, const char* name, int length);

// Slot 65: makes the output's result library reference usable; 0 or 1.
int rssoutl(RSKCON* con, RSKCATOBJ* header);
// Checks every output of the environment after indexing; outputs that cannot be loaded leave
// the index. 0.
int rssoutv(RSKCON* con);
// Slot 67: unregisters the result databases of the outputs stored under the work directory. 0.
int rssoutz(RSKCON* con);

// True when `path` is `directory` or lies below it, comparing whole path components (so
// "/data/out2" does not lie under "/data/out"); repeated and trailing separators are ignored.
bool rss_path_under(std::string_view path, std::string_view directory);

// The environments of the current chain, ancestors first and the current one last, into
// `chain` (at most `limit`); their count.
constexpr int kRssChainLimit = 256;
int rss_environment_chain(RSKCON* con, RSKENV** chain, int limit);
