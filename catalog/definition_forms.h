// List forms of analyses (kind 34) and projects (kind 30): their writers, readers and the
// interval item that analysis readers share.
#pragma once
#include <cstdint>
#include <string_view>

#include "catalog/catalog_objects.h"

struct interval_spec;

// Slot 2: appends OBJTYPE, NAME, DETAILS (the kind's own items) and TYPE; 0, or 1 after the
// list layer's message or the internal error for a kind without a form.
int rssanlg(RSKCON* con, void* analysis, qor_list_id list, RSKLISTWS* workspace, int, int);
// Slot 3: defines the analysis again from such a list through the engine's definitions; the
// header goes to *out as soon as the analysis is defined. 0, or 1 when anything was not rebuilt.
int rssanls(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
// Slot 76: appends the project's items in their stored order; 0, or 1 at the first failure.
int rssprjg(RSKCON* con, void* project, qor_list_id list, RSKLISTWS* workspace, int, int);
// Slot 77: defines the project again from such a list; 0, or 1 when anything was not rebuilt.
int rssprjs(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);

// The interval of an "INTERVAL" text: absent, empty or "NONE" (any case) give the empty interval;
// a name the interval parser refuses gives an internal-error line and the interval as the
// parser left it.
void get_interval(std::string_view text, interval_spec* interval);
