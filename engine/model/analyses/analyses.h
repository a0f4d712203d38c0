// Analysis objects of the environment: look-up, definition on a catalog object of kind 34,
// clearing, release to the free list and listing.
#pragma once
#include "engine/model/analyses/analysis_record.h"
#include "engine/tables/catalog_records.h"

// The analysis object (catalog object of kind 34) of that name, or null; rssofiq loads it.
RSKCATOBJ* rskanl(RSKCON* con, const RSKNAMEREC* name);
// Defines or redefines an analysis. Without `object`, the object is found or created through
// catalog storage with `catalog_argument`. An analysis already on the object is cleared and
// renamed in place. *out receives the object (null on failure). 0, or 1 (no memory: 598/2797
// once and the error flag; a catalog refusal).
int rskanld(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object);
// Gives the entry list and the name lists back to their free lists and zeroes the record. 0.
int rskanlc(RSKCON* con, RSKANALYSIS* analysis);
// Clears the record and gives it back to the analysis free list. 0.
int rskanlf(RSKCON* con, RSKANALYSIS* analysis);
// Lists the analysis: name, kind and the settings of its kind. 0.
int rskanlp(RSKCON* con, RSKANALYSIS* analysis);

// Appends an entry named `text` to the analysis's entry list; null after 598/2797 when no entry
// can be had. The analysis definitions fill the rest.
RSKANLFACTOR* add_analysis_entry(RSKCON* con, RSKANALYSIS* analysis, const char* text, int length);
