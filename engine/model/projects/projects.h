// Projects: the named set of everything one run needs, with its own copy of the options; look-up,
// definition, items, the check before a run, clearing, release and listing.
#pragma once
#include <cstdint>
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/tables/catalog_records.h"

// A name list: head and tail of its name cells.
struct RSKNAMELIST {
    RSKNAMECELL* head;
    RSKNAMECELL* tail;
};

struct RSKPROJECT {
    RSKPROJECT* next;                // free-list link
    RSKOBJNAME name;                 // "NAME"
    RSKOBJNAME instrument_data;      // "TRANSFILE", item 1
    RSKNAMELIST pricing_sets;        // "PRSLIST", item 4
    RSKNAMELIST project_methods;     // "PRMLIST", item 15
    RSKNAMELIST post_valuation;      // "PVMLIST", item 20
    RSKNAMELIST post_pricing;        // "PPMLIST", item 21
    RSKNAMELIST analyses;            // "ANALYSIS", item 5
    RSKOBJNAME statistics;           // "STATISTICS", item 12
    RSKNAMELIST models;              // "MODELS", item 8
    char numeraire[4];               // "NUMERAIRE", item 7: 3 characters; first byte 0 when none
    uint8_t netset;                  // "NETSET", item 13
    uint8_t nettype;                 // "NETTYPE"
    uint8_t altype;                  // "ALTYPE", item 23
    RSKOBJNAME cross_class;          // "CROSSCLASS", item 6
    RSKOBJNAME output;               // "OUT", item 10
    RSKPATHNAME output_path;         // "OUTPATH", item 11
    char output_library[8];          // "OUTLIB", item 18: blank-padded
    RSKNAMELIST reports;             // "REPORTS", item 9
    RSKNAMELIST filters;             // "FILTERS", item 2
    RSKNAMELIST input_data;          // "INPUTDATA", item 3
    RSKOPTREC options;               // "OPTIONS": the options in force when the project was defined
    double default_date;             // "DFLTDATE", item 22
    double cf_distribution;          // "CFDIST": 0 prorate, 1 backward, 2 forward, 3 ratio
    int32_t cf_max_size;             // "CFMAXSIZE"
    RSKOBJNAME cf_bucket;            // "CFBUCKET", item 19
    uint8_t cf_bucket_by;            // "CFBUCKETBY"
    uint8_t cf_bucket_relative;      // "CFBUCKETTYPE": relative when set
    double cf_bucket_start;          // "CFBUCKETSTART"
};

// Item types of rskprja.
enum : int {
    RSKPRJ_INSTRUMENT_DATA = 1, RSKPRJ_FILTER = 2, RSKPRJ_INPUT_DATA = 3, RSKPRJ_PRICING_SET = 4,
    RSKPRJ_ANALYSIS = 5, RSKPRJ_CROSS_CLASS = 6, RSKPRJ_NUMERAIRE = 7, RSKPRJ_MODEL = 8, RSKPRJ_REPORT = 9,
    RSKPRJ_OUTPUT = 10, RSKPRJ_OUTPUT_PATH = 11, RSKPRJ_STATISTICS = 12, RSKPRJ_NETSET = 13,
    RSKPRJ_PROJECT_METHOD = 15, RSKPRJ_OUTPUT_LIBRARY = 18, RSKPRJ_CF_BUCKET = 19,
    RSKPRJ_POST_VALUATION = 20, RSKPRJ_POST_PRICING = 21,
    RSKPRJ_DEFAULT_DATE = 22,        // the date argument
    RSKPRJ_ALTYPE = 23,              // the flag byte; a non-empty name or a nonzero date sets it
};

// The project object (catalog object of kind 30) of that name, or null; rssofiq loads it.
RSKCATOBJ* rskprj(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines a project as rskanld does (kind 30); then copies the current options into
// it. 0, or 1 (no memory: 598/2797 once and the error flag; a catalog refusal).
int rskprjd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object);
// Adds one item. A named object that is not in the environment gives a warning and is stored all
// the same. 0; 1 for an unknown item type or no memory.
int rskprja(RSKCON* con, RSKPROJECT* project, int item, const RSKNAMEREC* name, double date);
// Checks before a run that every object the project names exists and loads. 0, or 1 after every
// missing object has been reported.
int rskprj0(RSKCON* con, RSKPROJECT* project);
// Gives the name lists back and zeroes the record. 0.
int rskprjc(RSKCON* con, RSKPROJECT* project);
// Clears the record and gives it back to the project free list. 0.
int rskprjf(RSKCON* con, RSKPROJECT* project);
// Lists the project. 0.
int rskprjp(RSKCON* con, RSKPROJECT* project);
// Removing a project from a run is not written: an internal-error line and 1.
int rskprjr(RSKCON* con, RSKPROJECT* project);
