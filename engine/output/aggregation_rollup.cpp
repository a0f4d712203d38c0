// Feeding observations into the base pages and rolling the base pages up, depth first, into
// every coarser crossing, with the A/L and special-variable roll-ups and the weighted passes.
#include <cstring>

#include "engine/model/categories/categories.h"
#include "engine/model/variables/variables.h"
#include "engine/output/aggregation.h"
#include "host/missing.h"

namespace {

// Everything one roll-up needs besides the page.
struct Rollup {
    RSKCON* con;
    RSKAGGCTL* control;
    RSKGRPROLLUP update;
    RSKGRPWEIGHTED weighted;
    RSKGRPCELL page_entry;
    int al_index;                    // bit of ALtype when A/L roll-ups apply, else -1
};

bool special_value_present(const RSKCCVAR* special) {
    const char* slot = special->key_slot;
    if (special->variable->storage_type == RSKSTORE_DOUBLE) {
        double value;
        std::memcpy(&value, slot, 8);
        return !qor::is_missing(value);
    }
    if (special->variable->storage_type == RSKSTORE_CHAR) {
        for (int i = 0; i < special->length; ++i)
            if (slot[i] != ' ') return true;
    }
    return false;
}

// Every cell of the page, after a failure too; the largest result.
int weighted_update(const Rollup& r, RSKCCPAGE* page, int phase) {
    if (r.weighted == nullptr) return 0;
    int largest = 0;
    for (RSKCCCELL* c = page->cells; c != nullptr; c = c->page_next) {
        const int rc = r.weighted(r.con, c->user_data, phase);
        if (rc > largest) largest = rc;
    }
    return largest;
}

// Rolls P into Q through the visited flags of Q's cells (kind 1 A/L, kind 2 special).
int SpecialUpdate(const Rollup& r, RSKCCPAGE* p, RSKCCPAGE* q, int kind) {
    for (RSKCCCELL* c = p->cells; c != nullptr; c = c->page_next) {
        RSKCCCELL* d = Access(r.con, q, c->key);
        if (d == nullptr) {
            r.control->run->error = 1;
            return 1;
        }
        const int seen = d->visited != 0 ? 1 : 0;
        d->visited = 1;
        const int rc = r.update(r.con, d->user_data, c->user_data, kind, seen);
        if (rc != 0) return rc;
    }
    return 0;
}

int SummarizePage(const Rollup& r, RSKCCPAGE* p) {
    RSKAGGCTL* control = r.control;
    RSKAGGRUN* run = control->run;
    const uint8_t entry_special = run->special_present;
    const int32_t entry_processing = run->value_processing;
    int al_marker = 0;

    if (run->page_entry != 0 && r.page_entry != nullptr) {
        for (RSKCCCELL* c = p->cells; c != nullptr; c = c->page_next) {
            std::memcpy(control->key, c->key, static_cast<size_t>(control->key_size));
            const int rc = r.page_entry(r.con, c->user_data);
            if (rc != 0) return rc;
        }
        run->page_entry = 0;
    }

    for (int bit = control->count - 1; bit >= 0; --bit) {
        const uint32_t b = 1u << bit;
        if ((p->mask & b) == 0) continue;
        RSKCCPAGE* q = rskgrpp(control, p->mask & ~b);
        if (q == nullptr) continue;
        if (!q->summarised) {
            const bool al_step = r.al_index >= 0 && bit == r.al_index;
            run->value_processing = al_step ? 1 : 0;
            if (al_step) al_marker = 1;
            for (RSKCCCELL* c = p->cells; c != nullptr; c = c->page_next) {
                RSKCCCELL* d = Access(r.con, q, c->key);
                if (d == nullptr) {
                    run->error = 1;
                    run->value_processing = entry_processing;
                    return 1;
                }
                if (control->special_bit != 0 && (d->mask & control->special_bit) != 0) run->special_present = 1;
                const int rc = r.update(r.con, d->user_data, c->user_data, 0, 0);
                run->special_present = entry_special;
                if (rc != 0) {
                    run->value_processing = entry_processing;
                    return rc;
                }
            }
            run->value_processing = entry_processing;
            q->summarised = 1;
            if (control->special_bit != 0 && (q->mask & control->special_bit) != 0) {
                run->page_entry = 1 << al_marker;
                al_marker = 0;
            }
            const int rc = SummarizePage(r, q);
            if (rc != 0) return rc;
            continue;
        }
        if (run->cross != nullptr && run->cross->special_as_class != 0 && b == control->special_bit) {
            int rc = SpecialUpdate(r, p, q, 2);
            if (rc == 0 && entry_processing > 1) rc = weighted_update(r, q, 1);
            if (rc != 0) return rc;
        }
        if (r.al_index >= 0 && bit == r.al_index) {
            const int rc = SpecialUpdate(r, p, q, 1);
            if (rc != 0) return rc;
        }
    }

    const bool weigh = r.al_index >= 0 ? (p->mask & (1u << r.al_index)) != 0 : entry_processing != 0;
    return weigh ? weighted_update(r, p, 0) : 0;
}

}  // namespace

int rskgrp0(RSKCON* con, RSKAGGCTL* control, RSKGRPFEED update, void* argument, int32_t* sequence) {
    RSKAGGRUN* run = control->run;
    std::memset(control->key, 0, static_cast<size_t>(control->key_size));
    for (int i = 0; i < control->count; ++i) {
        const RSKCCVAR* e = control->variables[i];
        if (e->value_source != nullptr) std::memcpy(e->key_slot, e->value_source, static_cast<size_t>(e->length));
    }
    if (run->cross != nullptr && run->cross->special_as_class != 0)
        control->special_bit = 1u << (run->cross->special_as_class - 1);

    for (int i = 0; i < control->base_count; ++i) {
        RSKCCPAGE* page = control->base_pages[i];
        run->special_present = 0;
        if (control->special != nullptr && (page->mask & control->special_bit) != 0)
            run->special_present = special_value_present(control->special) ? 1 : 0;
        RSKCCCELL* cell = Access(con, page, control->key);
        if (cell == nullptr) {
            run->error = 1;
            return 1;
        }
        run->last_sequence = cell->sequence;
        if (sequence != nullptr) *sequence = cell->sequence;
        const int rc = update(con, argument, cell->user_data);
        if (rc != 0) return rc;
    }
    return 0;
}

int rskgrps(RSKCON* con, RSKAGGCTL* control, RSKGRPROLLUP update, RSKGRPWEIGHTED weighted, RSKGRPCELL page_entry) {
    RSKAGGRUN* run = control->run;
    for (int i = 0; i < control->page_count; ++i) control->pages[i]->summarised = 0;
    Rollup r{con, control, update, weighted, page_entry, -1};
    if (run->cashflow_by_al != 0 && run->value_processing != 0 && con->system_variables != nullptr) {
        for (int i = 0; i < control->count; ++i)
            if (control->variables[i]->variable == con->system_variables->al_type) r.al_index = i;
    }
    for (int i = 0; i < control->base_count; ++i) {
        run->page_entry = 1;
        const int rc = SummarizePage(r, control->base_pages[i]);
        if (rc != 0) return rc;
    }
    return 0;
}
