// Analysis objects: look-up in the analysis table, definition on a catalog object of kind 34,
// clearing, release to the free list and the entries that the analysis definitions append.
#include <cstring>

#include "engine/model/analyses/analyses.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/analyses/analysis_settings.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"

namespace {

constexpr int kAnalysisChunk = 20;
constexpr int kEntryChunk = 10;

// Gives a chain of entries back to the analysis-entry free list.
void give_entries(RSKCON* con, RSKANLFACTOR* head) {
    while (head != nullptr) {
        RSKANLFACTOR* entry = head;
        head = entry->next;
        rsk_give_free(con->free_lists->analysis_entries, entry);
    }
}

// Gives a name list back cell by cell: the tail word is not trusted to close the chain.
void give_names(RSKCON* con, RSKNAMECELL*& head, RSKNAMECELL*& tail) {
    RSKNAMECELL* last = head;
    while (last != nullptr && last->next != nullptr) last = last->next;
    rsklstf(con, &head, &last);
    head = tail = nullptr;
}

}  // namespace

RSKCATOBJ* rskanl(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_ANALYSES], name));
}

int rskanld(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || name == nullptr) return 1;
    // The name may be the analysis's own: copy it before the record is cleared.
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);

    // A new record is taken before the object is made, so that no memory leaves no empty object.
    RSKCATOBJ* existing = object != nullptr ? object : rskanl(con, name);
    RSKANALYSIS* fresh = nullptr;
    if (existing == nullptr || existing->object == nullptr) {
        fresh = rsk_take_record(con, con->free_lists->analyses, kAnalysisChunk, "analysis structure");
        if (fresh == nullptr) {
            con->error = 1;
            return 1;
        }
    }
    RSKCATOBJ* header = object;
    if (header == nullptr &&
        (rssofid(con, &header, name, catalog_argument, RSKKIND_ANALYSIS) != 0 || header == nullptr)) {
        if (fresh != nullptr) rsk_give_free(con->free_lists->analyses, fresh);
        return 1;
    }
    auto* analysis = static_cast<RSKANALYSIS*>(header->object);
    if (analysis != nullptr) {
        rskanlc(con, analysis);
        if (fresh != nullptr) rsk_give_free(con->free_lists->analyses, fresh);
    } else {
        if (fresh == nullptr)
            fresh = rsk_take_record(con, con->free_lists->analyses, kAnalysisChunk, "analysis structure");
        if (fresh == nullptr) {
            con->error = 1;
            return 1;
        }
        analysis = fresh;
        header->object = analysis;
    }
    rskname(con, &analysis->name, new_name.buffer, new_name.name.length);
    if (out != nullptr) *out = header;
    return 0;
}

int rskanlc(RSKCON* con, RSKANALYSIS* analysis) {
    if (con == nullptr || analysis == nullptr) return 0;
    give_entries(con, analysis->entries_head);
    give_names(con, analysis->names_head, analysis->names_tail);
    // Our record keeps the category lists in words of their own, so they are returned whatever
    // the kind: a record redefined as another kind cannot keep cells of the old one.
    give_names(con, analysis->conditional_head, analysis->conditional_tail);
    give_names(con, analysis->marginal_head, analysis->marginal_tail);
    rskanl_free_settings(con, analysis);
    std::memset(static_cast<void*>(analysis), 0, sizeof *analysis);
    return 0;
}

int rskanlf(RSKCON* con, RSKANALYSIS* analysis) {
    if (con == nullptr || analysis == nullptr) return 0;
    rskanlc(con, analysis);
    rsk_give_free(con->free_lists->analyses, analysis);
    return 0;
}

RSKANLFACTOR* add_analysis_entry(RSKCON* con, RSKANALYSIS* analysis, const char* text, int length) {
    if (con == nullptr || analysis == nullptr) return nullptr;
    RSKANLFACTOR* entry =
        rsk_take_record(con, con->free_lists->analysis_entries, kEntryChunk, "analysis entries");
    if (entry == nullptr) return nullptr;
    rskname(con, &entry->name, text, length);
    entry->active = 1;
    if (analysis->entries_tail == nullptr) analysis->entries_head = entry;
    else analysis->entries_tail->next = entry;
    analysis->entries_tail = entry;
    ++analysis->entry_count;
    return entry;
}
