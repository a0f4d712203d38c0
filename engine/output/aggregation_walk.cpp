// Walking the aggregation: the pages' cells handed to callbacks, sorting every page into key
// order, and the optimisation's sorted walk of the first base page.
#include <cstring>

#include "common/containers/ordering.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/output/aggregation.h"

namespace {

// Cells of one page being sorted.
struct SortArea {
    RSKCCCELL** cells;
    const RSKAGGCTL* control;
};

// Class-variable order, numbers with the missing-value order, characters as unsigned bytes.
int CompareCells(const RSKAGGCTL* control, const RSKCCCELL* a, const RSKCCCELL* b) {
    for (int i = 0; i < control->count; ++i) {
        if ((a->mask & (1u << i)) == 0) continue;
        const RSKCCVAR* e = control->variables[i];
        int rc;
        if (e->numeric) {
            double x, y;
            std::memcpy(&x, a->key + e->offset, 8);
            std::memcpy(&y, b->key + e->offset, 8);
            rc = zdblcom(x, y);
        } else {
            rc = std::memcmp(a->key + e->offset, b->key + e->offset, static_cast<size_t>(e->length));
        }
        if (rc != 0) return rc < 0 ? -1 : 1;
    }
    return 0;
}

int compare_at(void* context, int i, int j) {
    const auto* area = static_cast<SortArea*>(context);
    return CompareCells(area->control, area->cells[i], area->cells[j]);
}

void swap_at(void* context, int i, int j) {
    auto* area = static_cast<SortArea*>(context);
    RSKCCCELL* t = area->cells[i];
    area->cells[i] = area->cells[j];
    area->cells[j] = t;
}

int countCells(const RSKCCPAGE* page) {
    int n = 0;
    for (const RSKCCCELL* c = page->cells; c != nullptr; c = c->page_next) ++n;
    return n;
}

// Sorts a page's cells with the array given (room for every cell) and re-links them.
void sort_page(RSKCCPAGE* page, RSKCCCELL** array) {
    int n = 0;
    for (RSKCCCELL* c = page->cells; c != nullptr; c = c->page_next) array[n++] = c;
    if (n == 0) return;
    SortArea area{array, page->control};
    zqsort(&area, 0, n - 1, compare_at, swap_at);
    for (int i = 0; i + 1 < n; ++i) array[i]->page_next = array[i + 1];
    array[n - 1]->page_next = nullptr;
    page->cells = array[0];
}

int walk_page(RSKCON* con, RSKAGGCTL* control, RSKCCPAGE* page, RSKGRPCELL per_cell, RSKGRPPAGE before,
              RSKGRPPAGE after, int all_pages) {
    RSKAGGRUN* run = control->run;
    control->current_page = page;
    run->current_mask = page->mask;
    int rc = before != nullptr ? before(con) : 0;
    for (RSKCCCELL* c = page->cells; c != nullptr && rc == 0; c = c->page_next) {
        control->current_cell = c;
        if (all_pages) ++run->output_cells;
        std::memcpy(control->key, c->key, static_cast<size_t>(control->key_size));
        rc = per_cell(con, c->user_data);
        control->current_cell = nullptr;
    }
    if (rc == 0 && after != nullptr) rc = after(con);
    control->current_page = nullptr;
    return rc;
}

}  // namespace

int rskgrp1(RSKCON* con, RSKAGGCTL* control, RSKGRPCELL per_cell, RSKGRPPAGE before, RSKGRPPAGE after,
            int all_pages) {
    const int pages = all_pages ? control->page_count : control->base_count;
    for (int i = 0; i < pages; ++i) {
        RSKCCPAGE* page = all_pages ? control->pages[i] : control->base_pages[i];
        const int rc = walk_page(con, control, page, per_cell, before, after, all_pages);
        if (rc != 0) return rc;
    }
    return 0;
}

int rskgrp2(RSKCON* con, RSKAGGCTL* control) {
    if (control->cell_count > 0) {
        const size_t bytes = sizeof(RSKCCCELL*) * static_cast<size_t>(control->cell_count);
        auto* array = static_cast<RSKCCCELL**>(rskgrp_alloc(con, bytes, "sorting array", 0));
        if (array == nullptr) return 1;
        for (int i = 0; i < control->page_count; ++i) sort_page(control->pages[i], array);
        rskgrp_free(con, array, bytes);
    }
    control->sorted = 1;
    return 0;
}

int rskgrp6(RSKCON* con, RSKAGGCTL* control, void* argument, RSKGRPSORTED per_cell, RSKGRPBEGIN begin) {
    if (control->base_count == 0) return 0;
    RSKCCPAGE* page = control->base_pages[0];
    const int n = countCells(page);
    RSKCCCELL** array = nullptr;
    const size_t bytes = sizeof(RSKCCCELL*) * static_cast<size_t>(n > 0 ? n : 1);
    array = static_cast<RSKCCCELL**>(rskgrp_alloc(con, bytes, "sorting array", 0));
    if (array == nullptr) return 1;
    sort_page(page, array);
    int rc = begin != nullptr ? begin(con, argument, n, control->key_size) : 0;
    int index = 0;
    for (RSKCCCELL* c = page->cells; c != nullptr && rc == 0; c = c->page_next, ++index)
        rc = per_cell(con, argument, c->user_data, index, c->key);
    rskgrp_free(con, array, bytes);
    return rc;
}
