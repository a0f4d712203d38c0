// The risk-factor entries of an analysis definition (plain, perturbed, grid and grid pairs) and
// the definitions of the two kinds that store nothing but their kind: mark-to-market and current
// exposure.
#include <cstring>
#include <utility>

#include "engine/analyses/analysis_phases.h"
#include "common/strings/fields.h"
#include "engine/model/analyses/analyses.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "host/print.h"

namespace {

constexpr uint32_t kAbsolutePerturbation = 2;

// Names compare by length first, then without regard to case.
bool same_name(const RSKANLFACTOR* entry, const RSKNAMEREC* name) {
    return entry->name.name.length == name->length && wzbcup(entry->name.name.text, name->text, name->length) == 0;
}

// A zeroed entry named `name`, not yet linked; null after 598/2797.
RSKANLFACTOR* new_entry(RSKCON* con, const RSKNAMEREC* name) {
    RSKANLFACTOR* entry =
        rsk_take_record(con, con->free_lists->analysis_entries, kRskAnalysisEntryChunk, "analysis entries");
    if (entry == nullptr) return nullptr;
    rskname(con, &entry->name, name->text, name->length);
    return entry;
}

void append(RSKANALYSIS* analysis, RSKANLFACTOR* entry) {
    if (analysis->entries_tail == nullptr) analysis->entries_head = entry;
    else analysis->entries_tail->next = entry;
    analysis->entries_tail = entry;
}

// Links `entry` directly behind `after`; the tail follows when `after` was the tail.
void insert_behind(RSKANALYSIS* analysis, RSKANLFACTOR* after, RSKANLFACTOR* entry) {
    entry->next = after->next;
    after->next = entry;
    if (analysis->entries_tail == after) analysis->entries_tail = entry;
}

void set_grid(RSKANLFACTOR* entry, double minimum, double maximum, uint32_t points, uint32_t type) {
    entry->minimum = minimum;
    entry->value = maximum;
    entry->points = points;
    entry->perturbation_type = type == 0 ? kAbsolutePerturbation : type;
    entry->active = 1;
}

RSKANLFACTOR* find_name(RSKANALYSIS* analysis, const RSKNAMEREC* name, bool active_only) {
    for (RSKANLFACTOR* e = analysis->entries_head; e != nullptr; e = e->next)
        if ((!active_only || e->active) && same_name(e, name)) return e;
    return nullptr;
}

bool usable(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name) {
    return con != nullptr && analysis != nullptr && name != nullptr && name->text != nullptr;
}

}  // namespace

int rsamtma(RSKCON* con, RSKANALYSIS* analysis) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->kind = RSKANL_MTM;
    return 0;
}

int rsacexa(RSKCON* con, RSKANALYSIS* analysis) {
    if (con == nullptr || analysis == nullptr) return 1;
    analysis->kind = RSKANL_CUREXP;
    return 0;
}

int rsafaca(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name) {
    if (!usable(con, analysis, name)) return 1;
    if (find_name(analysis, name, false) != nullptr) return -1;
    RSKANLFACTOR* entry = new_entry(con, name);
    if (entry == nullptr) return 1;
    entry->active = 1;
    append(analysis, entry);
    ++analysis->entry_count;
    return 0;
}

int rsafacp(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name, double value, uint32_t type) {
    if (!usable(con, analysis, name)) return 1;
    if (type == 0) type = analysis->perturbation_type;
    if (type == 0) type = kAbsolutePerturbation;
    if (const RSKANLFACTOR* kept = find_name(analysis, name, false); kept != nullptr) {
        // The first definition holds; the user is told which value stays and which was dropped.
        const char* kept_type = nullptr;
        const char* new_type = nullptr;
        const int kept_length = rskcspt(con, static_cast<int>(kept->perturbation_type), &kept_type);
        const int new_length = rskcspt(con, static_cast<int>(type), &new_type);
        xpmlog(598, 1351, analysis->name.name.length, analysis->name.name.text, kept->name.name.length,
               kept->name.name.text, kept->value, kept_length, kept_type, name->length, name->text, value,
               new_length, new_type);
        return 0;
    }
    RSKANLFACTOR* entry = new_entry(con, name);
    if (entry == nullptr) return 1;
    entry->value = value;
    entry->perturbation_type = type;
    entry->active = 1;
    append(analysis, entry);
    ++analysis->entry_count;
    return 0;
}

int rsafacg(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name, double minimum, double maximum,
            uint32_t points, uint32_t type) {
    if (!usable(con, analysis, name)) return 1;
    RSKANLFACTOR* entry = new_entry(con, name);
    if (entry == nullptr) return 1;
    set_grid(entry, minimum, maximum, points, type);
    if (RSKANLFACTOR* old = find_name(analysis, name, true); old != nullptr) {
        old->active = 0;
        insert_behind(analysis, old, entry);
    } else {
        append(analysis, entry);
    }
    ++analysis->entry_count;
    return 0;
}

int rsafacs(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name1, double minimum1, double maximum1,
            uint32_t points1, uint32_t type1, const RSKNAMEREC* name2, double minimum2, double maximum2,
            uint32_t points2, uint32_t type2) {
    if (!usable(con, analysis, name1) || name2 == nullptr || name2->text == nullptr) return 1;
    RSKANLFACTOR* first = new_entry(con, name1);
    if (first == nullptr) return 1;
    RSKANLFACTOR* second = new_entry(con, name2);
    if (second == nullptr) {
        rsk_give_free(con->free_lists->analysis_entries, first);
        return 1;
    }
    set_grid(first, minimum1, maximum1, points1, type1);
    set_grid(second, minimum2, maximum2, points2, type2);

    // Pairs are added two entries at a time, so the list is walked in steps of two.
    RSKANLFACTOR* old_first = nullptr;
    for (RSKANLFACTOR* e = analysis->entries_head; e != nullptr && e->next != nullptr; e = e->next->next) {
        if (!e->active || !e->next->active) continue;
        const bool same_order = same_name(e, name1) && same_name(e->next, name2);
        const bool reversed = same_name(e, name2) && same_name(e->next, name1);
        if (same_order || reversed) {
            old_first = e;
            if (reversed) std::swap(first, second);   // the new pair keeps the old orientation
            break;
        }
    }
    first->next = second;
    if (old_first != nullptr) {
        RSKANLFACTOR* old_second = old_first->next;
        old_first->active = 0;
        old_second->active = 0;
        second->next = old_second->next;
        old_second->next = first;
        if (analysis->entries_tail == old_second) analysis->entries_tail = second;
    } else {
        append(analysis, first);
        analysis->entries_tail = second;
    }
    analysis->entry_count += 2;
    return 0;
}
