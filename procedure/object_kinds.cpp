// The object kinds of DELETE and PRINT with their tables, their display words, and the look-up
// of an object by name in the current environment's tables.
#include "procedure/object_kinds.h"

#include <initializer_list>
#include <cctype>
#include <cstring>

#include "engine/tables/catalog_records.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/object_tables.h"
#include "procedure/engine_calls.h"
#include "procedure/zozu_fields.h"

namespace zozu {

const ObjectKind kObjectKinds[] = {
    {kObjInstData, RSKKIND_TFILE, RSKTAB_TFILES, -1},
    {kObjOutput, RSKKIND_OUTPUT, RSKTAB_OUTPUTS, -1},
    {kObjVariable, RSKKIND_VARIABLE, -1, -1},
    {kObjInstrument, RSKKIND_INSTTYPE, -1, -1},
    {kObjPortfolio, RSKKIND_TSOURCE, RSKTAB_TSOURCES, -1},
    {kObjProject, RSKKIND_PROJECT, RSKTAB_PROJECTS, -1},
    {kObjAnalysis, RSKKIND_ANALYSIS, RSKTAB_ANALYSES, -1},
    {kObjMarketData, RSKKIND_TDATA, RSKTAB_TDATA, -1},
    {kObjCrossClass, RSKKIND_CROSSCLASS, RSKTAB_CROSSCLASSES, -1},
    {kObjRfTrans, RSKKIND_PRATESET, RSKTAB_PRATESETS, -1},
    {kObjFilter, RSKKIND_FILTER, RSKTAB_FILTERS, -1},
    {kObjSources, RSKKIND_INPUTDS, RSKTAB_INPUTDS, -1},
    {kObjReport, RSKKIND_REPORT, RSKTAB_REPORTS, RSKTAB_WEBREPORTS},
    {kObjTimeGrid, RSKKIND_TIMEGRID, RSKTAB_TIMEGRIDS, -1},
    {kObjParameter, RSKKIND_PARMATRIX, RSKTAB_PARMATRICES, -1},
    {kObjStatistics, RSKKIND_TRANSTATS, RSKTAB_STATLISTS, -1},
    {kObjModel, RSKKIND_MODPARMS, RSKTAB_MODELS, -1},
    {kObjModelSpec, RSKKIND_MODSPEC, RSKTAB_MODELSPECS, -1},
};
const int kObjectKindCount = sizeof kObjectKinds / sizeof kObjectKinds[0];

int kind_word(int32_t kind, char* word) {
    auto fn = catalog_routine<CatalogSlot::rssobds>();
    int length = fn != nullptr ? fn(kind, word) : -1;
    // Under --msgids the word comes with its message number ("598/3705 project"): keep the word.
    int digits = 0;
    while (digits < length && (std::isdigit(static_cast<unsigned char>(word[digits])) || word[digits] == '/')) ++digits;
    if (digits > 0 && digits < length && word[digits] == ' ') {
        length -= digits + 1;
        std::memmove(word, word + digits + 1, static_cast<size_t>(length));
    }
    if (length <= 0) {
        std::strcpy(word, "object");
        length = 6;
    }
    return length;
}

void* find_object(RSKCON* con, const ObjectKind& kind, const char* name, int length) {
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    if (kind.kind == RSKKIND_VARIABLE) return rskvar(con, &key);
    if (kind.kind == RSKKIND_INSTTYPE) return rskcls(con, name, length);
    if (con->current_tables == nullptr) return nullptr;
    for (int table : {kind.table, kind.second_table}) {
        if (table < 0) continue;
        void* found = rsksym(con, &con->current_tables->tables[table], &key);
        if (found != nullptr) return found;
    }
    return nullptr;
}

}  // namespace zozu
