// Building the aggregation engine from a cross-classification: the class variables and the key
// layout, the admitted crossings (pages) in page order, the base pages and the hash table.
#include <climits>
#include <cstring>

#include "engine/model/categories/categories.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/variables/variables.h"
#include "engine/output/aggregation.h"
#include "engine/run/run_block.h"
#include "host/print.h"

namespace {

int name_length(const RSKNAMEREC& name) { return name.length; }

bool debug_notes(const RSKCON* con) {
    return con->debug_detail != 0 && (con->debug_categories & RSKDEBUG_GROUPS) != 0;
}

// The run state of the engine: the run block's, or a record of its own outside a run.
RSKAGGRUN* run_state(RSKCON* con) {
    if (con->run_block != nullptr) return &con->run_block->aggregation;
    return static_cast<RSKAGGRUN*>(rskgrp_alloc(con, sizeof(RSKAGGRUN), "aggregation control", 1));
}

// A class-variable list being collected before the table is made.
struct VariableList {
    RSKCCVAR* head = nullptr;
    RSKCCVAR* tail = nullptr;
    int count = 0;
};

int index_of(const VariableList& list, const RSKVARIABLE* variable) {
    int i = 0;
    for (const RSKCCVAR* e = list.head; e != nullptr; e = e->next, ++i)
        if (e->variable == variable) return i;
    return -1;
}

// Appends an entry: its 0-based index, or -1 when out of memory.
int append_variable(RSKCON* con, VariableList* list, RSKVARIABLE* variable) {
    auto* entry = static_cast<RSKCCVAR*>(rskgrp_alloc(con, sizeof(RSKCCVAR), "aggregation control", 1));
    if (entry == nullptr) return -1;
    entry->variable = variable;
    if (list->tail != nullptr) list->tail->next = entry;
    else list->head = entry;
    list->tail = entry;
    return list->count++;
}

// Resolves every member to a variable and collects the class variables, then ALtype and the
// special variable. 0; 1 out of memory or too many; 2 a member that names no variable.
int CreateVars(RSKCON* con, RSKAGGCTL* control, RSKCROSSCLASS* cross, RSKVARIABLE* special, VariableList* list) {
    for (RSKHIERARCHY* h = cross->head; h != nullptr; h = h->next) {
        for (RSKHIERCELL* m = h->head; m != nullptr; m = m->next) {
            RSKVARIABLE* variable = rskvar(con, &m->name.name);
            m->variable = variable;
            if (variable == nullptr) {
                xpslog("%1zThe class variable %*s of cross-classification %*s is not a defined variable.",
                       name_length(m->name.name), m->name.name.text, name_length(cross->name.name),
                       cross->name.name.text);
                return 2;
            }
            if (index_of(*list, variable) < 0 && append_variable(con, list, variable) < 0) return 1;
        }
    }
    if (cross->al_request != 0) {
        RSKVARIABLE* al_type = con->system_variables != nullptr ? con->system_variables->al_type : nullptr;
        int at = al_type != nullptr ? index_of(*list, al_type) : -1;
        if (al_type != nullptr && at < 0) at = append_variable(con, list, al_type);
        if (al_type != nullptr && at < 0) return 1;
        cross->al_request = at + 1;   // 0 when the environment has no ALtype
    }
    if (special != nullptr) {
        int at = index_of(*list, special);
        const bool known = at >= 0;
        if (!known && (at = append_variable(con, list, special)) < 0) return 1;
        // Past the limit no bit is made; the build is refused below.
        const uint32_t bit = at <= kAggMaxClassVariables ? 1u << at : 0u;
        if (known) {
            control->special_bit = bit;
            cross->special_as_class = 0;
        } else if (cross->special_as_class == 0) {
            control->special_bit = bit;
        } else {
            cross->special_as_class = at + 1;
        }
        RSKCCVAR* e = list->head;
        for (int i = 0; i < at; ++i) e = e->next;
        control->special = e;
    }
    if (list->count > kAggMaxClassVariables) {
        xpslog("%1zCross-classification %*s has more than %i class variables; it cannot be aggregated.",
               name_length(cross->name.name), cross->name.name.text, kAggMaxClassVariables);
        return 1;
    }
    return 0;
}

// Lays out the key: each value at the running offset aligned by the storage rule.
int CalcKeySize(RSKCON* con, const VariableList& list) {
    int offset = 0;
    for (RSKCCVAR* e = list.head; e != nullptr; e = e->next) {
        const RSKVARIABLE* v = e->variable;
        e->numeric = v->storage_type == RSKSTORE_DOUBLE;
        e->length = e->numeric ? 8 : static_cast<int32_t>(v->length);
        offset = rskalgn(con, offset, RSKSTYPE{v->storage_type, 0});
        e->offset = offset;
        offset += e->length;
    }
    return offset;
}

int bit_count(uint32_t mask) {
    int n = 0;
    for (; mask != 0; mask &= mask - 1) ++n;
    return n;
}

int add_page(RSKCON* con, RSKAGGCTL* control, uint32_t mask) {
    if (rskgrpp(control, mask) != nullptr) return 0;
    if (control->page_count >= control->page_capacity) return 0;   // cannot happen: capacity is an upper bound
    auto* page = static_cast<RSKCCPAGE*>(rskgrp_alloc(con, sizeof(RSKCCPAGE), "aggregation control", 1));
    if (page == nullptr) return 1;
    page->control = control;
    page->mask = mask;
    page->variable_count = bit_count(mask);
    control->pages[control->page_count++] = page;
    return 0;
}

// The crossing of subset s of a hierarchy: its members' bits, then ALtype's, then the special
// variable's (which therefore joins only crossings that hold ALtype when both are present).
uint32_t MapCrossing(const RSKAGGCTL* control, const RSKCROSSCLASS* cross, const RSKHIERARCHY* h, uint32_t s,
                     int al_index, int special_index) {
    uint32_t mask = 0;
    for (const RSKHIERCELL* m = h->head; m != nullptr; m = m->next) {
        if (s & 1u) {
            for (int i = 0; i < control->count; ++i)
                if (control->variables[i]->variable == m->variable) mask |= 1u << i;
        }
        s >>= 1;
    }
    if ((s & 1u) && al_index >= 0) {
        mask |= 1u << al_index;
        s >>= 1;
    }
    if ((s & 1u) && cross->special_as_class != 0 && special_index >= 0) mask |= 1u << special_index;
    return mask;
}

// A nested member may appear only with the member before it, unless it is crossed.
bool admitted(const RSKHIERARCHY* h, uint32_t s) {
    for (const RSKHIERCELL* m = h->head; m != nullptr && m->next != nullptr; m = m->next, s >>= 1) {
        const bool here = (s & 1u) != 0, next = (s & 2u) != 0;
        if (!here && next && m->next->marker == 0) return false;
    }
    return true;
}

int CreatePages(RSKCON* con, RSKAGGCTL* control, RSKCROSSCLASS* cross) {
    const int n = control->count;
    const bool special_last = control->special != nullptr && control->special_bit == 1u << (n - 1);
    const int al_index = cross->al_request > 0 ? cross->al_request - 1 : -1;
    const int special_index = cross->special_as_class > 0 ? cross->special_as_class - 1 : -1;
    const int extra = (al_index >= 0 ? 1 : 0) + (special_index >= 0 ? 1 : 0);
    // The subsets walked are those of the first m class-variable bits; a special variable
    // appended at the end stays out of them.
    const int m = special_last ? n - 1 : n;
    // Only the bits a hierarchy reads take part; higher bits of the full enumeration would map
    // to crossings already made, in the same order.
    auto bits_of = [&](const RSKHIERARCHY* h) {
        const int used = static_cast<int>(h->count) + extra;
        return used < m ? used : m;
    };
    int64_t capacity = special_last ? 1 : 0;
    for (RSKHIERARCHY* h = cross->head; h != nullptr; h = h->next) {
        const int bits = bits_of(h);
        if (bits > kAggMaxHierarchyBits) {
            xpslog("%1zA hierarchy of cross-classification %*s has more than %i levels; it cannot be aggregated.",
                   name_length(cross->name.name), cross->name.name.text, kAggMaxHierarchyBits);
            return 1;
        }
        capacity += int64_t{1} << bits;
    }
    if (capacity == 0) capacity = 1;
    control->page_capacity = static_cast<int32_t>(capacity);
    control->pages = static_cast<RSKCCPAGE**>(
        rskgrp_alloc(con, sizeof(RSKCCPAGE*) * static_cast<size_t>(capacity), "crossclassification pages", 1));
    if (control->pages == nullptr) return 1;

    for (RSKHIERARCHY* h = cross->head; h != nullptr; h = h->next) {
        const uint32_t subsets = 1u << bits_of(h);
        for (uint32_t s = 0; s < subsets; ++s) {
            if (!admitted(h, s)) continue;
            if (add_page(con, control, MapCrossing(control, cross, h, s, al_index, special_index)) != 0) return 1;
        }
    }
    if (special_last) {
        const uint32_t all = n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1u;
        if (add_page(con, control, all) != 0) return 1;
    }
    // Most variables first, by the exchange rule the page order is defined with.
    RSKCCPAGE** pages = control->pages;
    for (int i = 0; i + 1 < control->page_count; ++i) {
        for (int j = i + 1; j < control->page_count; ++j) {
            if (pages[j]->variable_count > pages[i]->variable_count) {
                RSKCCPAGE* t = pages[i];
                pages[i] = pages[j];
                pages[j] = t;
            }
        }
    }
    return 0;
}

// Pages not contained in another page, in page order.
int CreateBasePages(RSKCON* con, RSKAGGCTL* control) {
    const size_t slots = static_cast<size_t>(control->page_count);
    control->base_masks = static_cast<uint32_t*>(
        rskgrp_alloc(con, sizeof(uint32_t) * slots, "crossclassification pages", 1));
    control->base_pages = static_cast<RSKCCPAGE**>(
        rskgrp_alloc(con, sizeof(RSKCCPAGE*) * slots, "crossclassification pages", 1));
    if (control->base_masks == nullptr || control->base_pages == nullptr) return 1;
    for (int i = 0; i < control->page_count; ++i) {
        const uint32_t mask = control->pages[i]->mask;
        bool contained = false;
        for (int j = 0; j < control->page_count && !contained; ++j) {
            const uint32_t other = control->pages[j]->mask;
            contained = other != mask && (mask & other) == mask;
        }
        if (contained) continue;
        control->base_masks[control->base_count] = mask;
        control->base_pages[control->base_count++] = control->pages[i];
    }
    return 0;
}

int CreateHashTable(RSKCON* con, RSKAGGCTL* control) {
    int64_t weight = 0;
    for (int i = 0; i < control->page_count; ++i) {
        int64_t term = 1;
        for (int k = 0; k < control->pages[i]->variable_count && term <= INT32_MAX; ++k) term *= 5;
        weight += term;
        if (weight > INT32_MAX) weight = INT32_MAX;
    }
    control->page_weight = static_cast<int32_t>(weight);
    control->hash_size = CalcHashTableSize(weight);
    control->buckets = static_cast<RSKCCCELL**>(
        rskgrp_alloc(con, sizeof(RSKCCCELL*) * control->hash_size, "aggregation hash table", 1));
    if (control->buckets == nullptr) return 1;
    control->cell_count = 0;
    control->table_builds = 1;
    return 0;
}

}  // namespace

void* rskgrp_alloc(RSKCON* con, size_t bytes, const char* label, int zero) {
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->general_pool;
    void* block = xmalloc_labelled(pool, bytes, zero ? QOR_ALLOC_ZERO : QOR_ALLOC_PLAIN, label);
    if (block == nullptr) {
        rsknomem(con, bytes, label);
        return nullptr;
    }
    if (pool == con->run_pool && con->run_block != nullptr) con->run_block->run_pool_bytes += bytes;
    return block;
}

void rskgrp_free(RSKCON* con, void* block, size_t bytes) {
    if (block == nullptr) return;
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->general_pool;
    pool->release(pool, block, bytes, QOR_FREE_SIZED);
}

int rskgrpd(RSKCON* con, RSKCROSSCLASS* cross, RSKVARIABLE* special, RSKAGGCTL** out, int32_t user_size) {
    if (out != nullptr) *out = nullptr;
    if (cross == nullptr) {
        if (debug_notes(con)) xebug("rskgrpc.c: No cross-classification structure");
        return 1;
    }
    auto* control = static_cast<RSKAGGCTL*>(rskgrp_alloc(con, sizeof(RSKAGGCTL), "aggregation control", 1));
    if (control == nullptr) return 1;
    if (out != nullptr) *out = control;
    control->run = run_state(con);
    if (control->run == nullptr) return 1;
    RSKAGGRUN* run = control->run;
    run->cross = cross;
    run->control = control;

    VariableList list;
    int rc = CreateVars(con, control, cross, special, &list);
    if (rc != 0) return rc;
    control->count = list.count;
    if (list.count == 0) {
        if (debug_notes(con)) xebug("rskgrpc.c: No variables defined");
        return 2;
    }
    control->variables = static_cast<RSKCCVAR**>(
        rskgrp_alloc(con, sizeof(RSKCCVAR*) * static_cast<size_t>(list.count), "crossclassification variables", 1));
    if (control->variables == nullptr) return 1;
    int i = 0;
    for (RSKCCVAR* e = list.head; e != nullptr; e = e->next) control->variables[i++] = e;
    control->key_size = CalcKeySize(con, list);
    control->key = static_cast<char*>(
        rskgrp_alloc(con, static_cast<size_t>(control->key_size), "variable key", 1));
    if (control->key == nullptr) return 1;
    if (control->key_size > kAggStackKeyBytes) {
        control->long_scratch = static_cast<char*>(
            rskgrp_alloc(con, static_cast<size_t>(control->key_size), "key", 0));
        if (control->long_scratch == nullptr) return 1;
    }
    for (RSKCCVAR* e = list.head; e != nullptr; e = e->next) {
        e->key_slot = control->key + e->offset;
        e->value_source = e->variable->value;
    }
    control->user_size = user_size;

    if (CreatePages(con, control, cross) != 0) return 1;
    if (CreateBasePages(con, control) != 0) return 1;
    if (CreateHashTable(con, control) != 0) return 1;
    run->first_variable = list.head;
    run->variable_count = list.count;
    return 0;
}

int rskgrpf(RSKCON*, RSKAGGCTL*) { return 0; }

int rskgrp3(RSKCON*, RSKAGGCTL* control) { return control != nullptr ? control->cell_count : 0; }

int rskgrp4(RSKCON*, RSKAGGCTL* control) {
    return control != nullptr ? control->key_size + control->user_size + kAggCellHeadBytes : 0;
}

int rskgrp5(RSKCON*, RSKAGGCTL* control) { return control != nullptr ? control->page_weight : 0; }

RSKCCVAR* rskgrpz(RSKCON*, RSKAGGCTL* control) {
    return control != nullptr && control->count > 0 ? control->variables[0] : nullptr;
}
