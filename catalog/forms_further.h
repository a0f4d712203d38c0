// List forms of calendars, cross-classifications, instrument types, the displayed currencies,
// position sources, filters, reports, time grids, parameter matrices, statistics lists, web
// reports, transformation sets and instrument file definitions; the attribute list of a method;
// the report index and the report macro variables; packages and result library properties.
#pragma once
#include <cstdint>

#include "catalog/catalog_objects.h"

struct RSKINSTTYPE;
struct RSKCROSSCLASS;
struct RSKOPTREC;

// Writers (object to list): OBJTYPE, NAME and the kind's items; 0, or 1 after the list layer's
// message. Readers (list to object): define the object again through the engine, hand its
// header to *out when given; 0, or 1 whenever the whole object could not be rebuilt.
int rsscalg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rsscals(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rssccsg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rssccss(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rssposg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rssposs(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rsswhrg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rsswhrs(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rssrepg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rssreps(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rsstgdg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rsstgds(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rsspmxg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rsspmxs(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rsstsgg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rsstsgs(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rsswebg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rsswebs(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rssprsg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rssprss(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rsstdfg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rsstdfs(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);

// Instrument types: the writer, and the reader, which hands back the type itself and defines it
// in `environment` (the current one when null).
int rssclsg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rssclss(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKINSTTYPE** out, RSKENV* environment);
// LOAD_CLASS: reads one stored type of an environment's open catalog and defines it. 0 or 1.
int rssclsl(RSKCON* con, const RSKNAMEREC* name, const RSKNAMEREC* member, RSKENV* environment);
// SAVE_CLASS: stores a type in the current environment (the list given, else one made here). 0 or 1.
int rssclsa(RSKCON* con, RSKINSTTYPE* type, int list);

// The displayed currencies: stored as the current environment's list "CURRENCY"; read back
// from the nearest environment of the chain that has one. The reader answers the number of
// items that named no known currency.
int rsscuds(RSKCON* con);
int rsscudr(RSKCON* con);

// The attribute list of a method's variables; their count, or -1.
int rsstrna(void* method, RSKLISTWS* workspace, int label, int label_length, uint32_t list);

// The report index: the entry of a name (or null); building it from the environments' data
// sets with the report types of reports and web reports (0 or 1); clearing it (0).
void* rssrpt(RSKCON* con, const RSKNAMEREC* name);
int rssrptl(RSKCON* con);
int rssrptc(RSKCON* con);
// The report macro variables of a run's output: RESLIB1 (its result library, 8 characters),
// REPCURR (the reporting currency, 3 characters), and from the library's BY variables CCVAR1..n,
// CCVARS and CCNVAR. 0 or 1.
int rssrepi(RSKCON* con, const char* result_library, const char* currency);

// Packages and function declarations: headers by name (or null) and the listing.
RSKCATOBJ* rsspkg(RSKCON* con, const RSKNAMEREC* name);
RSKCATOBJ* rssfdc(RSKCON* con, const RSKNAMEREC* name);
RSKCATOBJ* rssfud(RSKCON* con, const RSKNAMEREC* name);
int rsspkgp(RSKCON* con);

// Result library properties in the catalog PROPERS of the library `libref` (8 characters).
int rssprpb(RSKCON* con, RSKCROSSCLASS* cross, const char* libref);
int rssprlb(RSKCON* con, const char* libref, uint32_t list);
int rssprpr(RSKCON* con, void* project, double effective_date, const char* currency, const RSKNAMEREC* output_name,
            const RSKNAMEREC* output_path, const RSKOPTREC* options, const RSKNAMEREC* ids_names, int ids_count,
            uint32_t mddb_list, const char* libref);
int rssprlp(RSKCON* con, const char* libref, uint32_t list);
int rssprlr(RSKCON* con, const char* libref, uint32_t list);
int rssprlg(RSKCON* con, const char* libref, uint32_t list);

// Counterparty and mitigation containers (kinds 26, 27): OBJTYPE and VALUE, the container as its
// XML document. The writers always write the control structure's container; the readers parse
// into it (2 for a list without VALUE, 1 when the document is refused) and point the header's
// object at it.
int rsscptyg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rssmitg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int);
int rsscptys(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
int rssmits(RSKCON* con, uint32_t list, RSKLISTWS* workspace, int, int, RSKCATOBJ** out, RSKCATOBJ* header);
