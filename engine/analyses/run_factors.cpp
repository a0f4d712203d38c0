// The risk factors of an analysis in a run: the listed factors of its definition, every factor
// the run uses (in table or market-data order), factors of results read back, and the note of
// listed factors that no instrument of the run uses.
#include <cstring>

#include "engine/analyses/analysis_phases.h"
#include "common/strings/fields.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/names/name_records.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

// The variable is used by the run's instruments; an array when any of its elements is.
bool is_used(const RSKVARIABLE* variable) {
    if (variable->run_used) return true;
    if (variable->data_type != RSKDTYPE_ARRAY || variable->elements == nullptr) return false;
    const double stored = variable->element_count;
    int count = stored > 0 && stored < 2147483647.0 ? static_cast<int>(stored) : 0;
    if (count > static_cast<int>(variable->elements_allocated)) count = static_cast<int>(variable->elements_allocated);
    for (int i = 0; i < count; ++i)
        if (variable->elements[i] != nullptr && variable->elements[i]->run_used) return true;
    return false;
}

const RSKVARLINK* run_variables(RSKCON* con) {
    return con->runtime_tables != nullptr ? con->runtime_tables->factor_list.head : nullptr;
}

// The variable's position among the variables the run uses, from 0; -1 when not among them.
int32_t factor_index(RSKCON* con, const RSKVARIABLE* variable) {
    int32_t index = 0;
    for (const RSKVARLINK* link = run_variables(con); link != nullptr; link = link->next) {
        if (link->variable == nullptr || !is_used(link->variable)) continue;
        if (link->variable == variable) return index;
        ++index;
    }
    return -1;
}

const RSKVARLINK* table_entry(RSKCON* con, const RSKVARIABLE* variable) {
    for (const RSKVARLINK* link = run_variables(con); link != nullptr; link = link->next)
        if (link->variable == variable) return link;
    return nullptr;
}

// A run factor record from the run's free list (refilled from the run pool); null after
// 598/2797 (given once per run).
RSKRUNFACTOR* take_run_factor(RSKCON* con) {
    RSKRUNBLOCK* block = con->run_block;
    if (block == nullptr) return nullptr;
    size_t bytes = 0;
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->current_pool;
    RSKRUNFACTOR* factor = rsk_take_free(block->free_run_factors, pool, kRskRunFactorChunk, &bytes);
    if (factor == nullptr) rsknomem(con, bytes, "run factor list");
    return factor;
}

// Fills and appends a factor of `variable` with its index and the copied words of its entry.
void add_factor(RSKANLPROC* run, RSKRUNFACTOR* factor, RSKVARIABLE* variable, int32_t index,
                const RSKVARLINK* entry) {
    factor->next = nullptr;
    factor->variable = variable;
    factor->index = index;
    if (entry != nullptr) {
        factor->words[0] = entry->words[0];
        factor->words[1] = entry->words[1];
        factor->word = entry->words[2];
    }
    if (run->run_factors_tail == nullptr) run->run_factors_head = factor;
    else run->run_factors_tail->next = factor;
    run->run_factors_tail = factor;
    ++run->run_factor_count;
}

// Empties the analysis' run factor list. Records go to the run's free list, which lives as long
// as the run pool they may have come from.
void clear_list(RSKCON* con, RSKANLPROC* run) {
    RSKRUNFACTOR* factor = run->run_factors_head;
    while (factor != nullptr) {
        RSKRUNFACTOR* next = factor->next;
        if (con->run_block != nullptr) rsk_give_free(con->run_block->free_run_factors, factor);
        else rsk_give_free(con->free_lists->run_factors, factor);
        factor = next;
    }
    run->run_factors_head = run->run_factors_tail = nullptr;
    run->run_factor_count = 0;
}

const RSKNAMEREC& analysis_name(const RSKANLPROC* run) {
    static const RSKNAMEREC none{0, 0, const_cast<char*>("")};
    return run->analysis != nullptr ? run->analysis->name.name : none;
}

const RSKNAMEREC& project_name(const RSKANLPROC* run) {
    static const RSKNAMEREC none{0, 0, const_cast<char*>("")};
    return run->project != nullptr ? run->project->name.name : none;
}

bool qualifies(const RSKVARIABLE* variable, int mode) {
    if (!is_used(variable)) return false;
    if (mode == 1) return variable->market_found != 0;
    if (mode == 2) return variable->model_mark == 1 || variable->model_mark == 3;
    return true;
}

// Walks the run's variables for rsafacb and rsafacd; `sorted` keeps market-data order.
int all_used_factors(RSKCON* con, RSKANLPROC* run, int mode, bool sorted) {
    clear_list(con, run);
    int32_t index = 0;
    for (const RSKVARLINK* link = run_variables(con); link != nullptr; link = link->next) {
        RSKVARIABLE* variable = link->variable;
        if (variable == nullptr || !qualifies(variable, mode)) continue;
        const int32_t this_index = index++;
        if (variable->data_type == RSKDTYPE_ARRAY || variable->kind == RSKVKIND_STATE) continue;
        RSKRUNFACTOR* factor = take_run_factor(con);
        if (factor == nullptr) return 1;
        if (!sorted) {
            add_factor(run, factor, variable, this_index, link);
            continue;
        }
        // Ascending market-data order; an equal key goes behind the keys already there.
        add_factor(run, factor, variable, this_index, link);
        RSKRUNFACTOR** place = &run->run_factors_head;
        while (*place != factor && (*place)->variable->market_order <= variable->market_order)
            place = &(*place)->next;
        if (*place != factor) {
            // Unlink from the tail and put it in its place.
            RSKRUNFACTOR* before_tail = run->run_factors_head;
            while (before_tail->next != factor) before_tail = before_tail->next;
            before_tail->next = nullptr;
            run->run_factors_tail = before_tail;
            factor->next = *place;
            *place = factor;
        }
    }
    if (run->run_factor_count == 0) {
        xpmlog(598, 2613, analysis_name(run).length, analysis_name(run).text, project_name(run).length,
               project_name(run).text);
        run->failed = 1;
    }
    return 0;
}

}  // namespace

void rsafac_clear_marks(RSKCON* con) {
    if (con == nullptr) return;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) v->not_used_mark = RSKUNUSED_NONE;
    for (const RSKVARLINK* link = run_variables(con); link != nullptr; link = link->next)
        if (link->variable != nullptr) link->variable->not_used_mark = RSKUNUSED_NONE;
}

int rsafacx(RSKCON* con, RSKANLPROC* run, const RSKANLFACTOR* first, int32_t count) {
    if (con == nullptr || run == nullptr) return 1;
    clear_list(con, run);
    int result = 0;
    int32_t found = 0, unused = 0, to_note = 0;
    const RSKANLFACTOR* entry = first;
    for (int32_t i = 0; i < count && entry != nullptr; ++i, entry = entry->next) {
        // A grid superseded by a later definition of the same factor is not run again.
        if (!entry->active) continue;
        RSKVARIABLE* variable = rskvf(con, &entry->name.name);
        if (variable == nullptr) {
            xpmlog(598, 1350, entry->name.name.length, entry->name.name.text);
            result = 1;
            continue;
        }
        RSKRUNFACTOR* factor = take_run_factor(con);
        if (factor == nullptr) return 1;
        add_factor(run, factor, variable, factor_index(con, variable), table_entry(con, variable));
        ++found;
        if (is_used(variable)) continue;
        ++unused;
        if (variable->not_used_mark == RSKUNUSED_NONE) {
            variable->not_used_mark = RSKUNUSED_COUNTED;
            ++to_note;
        }
    }
    if (to_note > 0) warn_not_used(con, run, to_note);
    const bool exempt = con->run_block != nullptr && con->run_block->factor_use_exempt;
    if (found > 0 && unused == found && !exempt) {
        xpmlog(598, 2612, found, analysis_name(run).length, analysis_name(run).text, project_name(run).length,
               project_name(run).text);
        run->failed = 1;
    }
    return result;
}

int rsafacb(RSKCON* con, RSKANLPROC* run, int mode) {
    if (con == nullptr || run == nullptr) return 1;
    if (con->run_block == nullptr || !con->run_block->own_states) return 0;
    return all_used_factors(con, run, mode, false);
}

int rsafacd(RSKCON* con, RSKANLPROC* run, int mode) {
    if (con == nullptr || run == nullptr) return 1;
    return all_used_factors(con, run, mode == 0 ? 0 : 1, true);
}

int rsaface(RSKCON* con, RSKANLPROC* run, const RSKNAMEREC* name, int32_t index) {
    if (con == nullptr || run == nullptr || name == nullptr) return 1;
    for (const RSKRUNFACTOR* f = run->run_factors_head; f != nullptr; f = f->next) {
        const RSKNAMEREC& held = f->variable->name.name;
        if (held.length == name->length && wzbcup(held.text, name->text, name->length) == 0) return -1;
    }
    size_t bytes = 0;
    RSKRUNFACTOR* factor =
        rsk_take_free(con->free_lists->run_factors, con->current_pool, kRskRunFactorChunk, &bytes);
    if (factor == nullptr) {
        rsknomem(con, bytes, "run factor list");
        return 1;
    }
    RSKVARIABLE* variable = rskvar(con, name);
    if (variable == nullptr) {
        rsk_give_free(con->free_lists->run_factors, factor);
        return 1;
    }
    add_factor(run, factor, variable, index, nullptr);
    // The variable takes the spelling the results were stored with.
    rskname(con, &variable->name, name->text, name->length);
    return 0;
}

void warn_not_used(RSKCON* con, RSKANLPROC* run, int32_t unused) {
    if (con == nullptr || run == nullptr) return;
    const int saved = xpselec(0, 1);
    xpmlog(598, 2611, analysis_name(run).length, analysis_name(run).text, unused, project_name(run).length,
           project_name(run).text);
    xpm(598, 2610, unused);
    for (const RSKRUNFACTOR* f = run->run_factors_head; f != nullptr; f = f->next) {
        RSKVARIABLE* variable = f->variable;
        if (variable == nullptr || variable->not_used_mark == RSKUNUSED_LISTED || is_used(variable)) continue;
        xps(" %*s", variable->name.name.length, variable->name.name.text);
        variable->not_used_mark = RSKUNUSED_LISTED;
    }
    xpsout(".");
    xpselec(0, saved);
}
