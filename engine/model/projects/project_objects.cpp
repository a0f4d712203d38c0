// Project objects: look-up in the project table, definition on a catalog object of kind 30 with
// a copy of the options in force, clearing and release to the free list.
#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/projects/projects.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kProjectChunk = 10;

RSKPROJECT* take_project(RSKCON* con) {
    RSKPROJECT* project = rsk_take_record(con, con->free_lists->projects, kProjectChunk, "project structure");
    if (project == nullptr) con->error = 1;
    return project;
}

}  // namespace

RSKCATOBJ* rskprj(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_PROJECTS], name));
}

int rskprjd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, const RSKNAMEREC* catalog_argument,
            RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || name == nullptr) return 1;
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);

    // A new record is taken before the object is made, so that no memory leaves no empty object.
    RSKCATOBJ* existing = object != nullptr ? object : rskprj(con, name);
    RSKPROJECT* fresh = nullptr;
    if (existing == nullptr || existing->object == nullptr) {
        fresh = take_project(con);
        if (fresh == nullptr) return 1;
    }
    RSKCATOBJ* header = object;
    if (header == nullptr &&
        (rssofid(con, &header, name, catalog_argument, RSKKIND_PROJECT) != 0 || header == nullptr)) {
        if (fresh != nullptr) rsk_give_free(con->free_lists->projects, fresh);
        return 1;
    }
    auto* project = static_cast<RSKPROJECT*>(header->object);
    if (project != nullptr) {
        rskprjc(con, project);
        if (fresh != nullptr) rsk_give_free(con->free_lists->projects, fresh);
    } else {
        if (fresh == nullptr) fresh = take_project(con);
        if (fresh == nullptr) return 1;
        project = fresh;
        header->object = project;
    }
    rskname(con, &project->name, new_name.buffer, new_name.name.length);
    // The project keeps the options of this moment: later changes of the current record do not
    // reach it, since the copy's names point at its own buffers.
    if (con->current_options != nullptr) copy_options(&project->options, con->current_options);
    if (out != nullptr) *out = header;
    return 0;
}

int rskprjc(RSKCON* con, RSKPROJECT* project) {
    if (con == nullptr || project == nullptr) return 0;
    RSKNAMELIST* lists[] = {&project->pricing_sets, &project->project_methods, &project->post_valuation,
                            &project->post_pricing,  &project->analyses,        &project->models,
                            &project->reports,       &project->filters,         &project->input_data};
    for (RSKNAMELIST* list : lists) {
        // The cells are given back by walking them: the tail word is not trusted to end the chain.
        RSKNAMECELL* last = list->head;
        while (last != nullptr && last->next != nullptr) last = last->next;
        rsklstf(con, &list->head, &last);
        list->tail = nullptr;
    }
    std::memset(static_cast<void*>(project), 0, sizeof *project);
    return 0;
}

int rskprjf(RSKCON* con, RSKPROJECT* project) {
    if (con == nullptr || project == nullptr) return 0;
    rskprjc(con, project);
    rsk_give_free(con->free_lists->projects, project);
    return 0;
}

int rskprjr(RSKCON*, RSKPROJECT*) {
    xebug("rskprjr: project remove function not written yet.");
    return 1;
}
