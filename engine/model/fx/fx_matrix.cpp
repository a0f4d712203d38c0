// The exchange-rate matrix: pair entries by (from, to) currency index, the cross-rate search over
// at most four direct legs, the current value of a rate, and the entries' return to their list.
#include "engine/model/fx/fx_matrix.h"

#include <cstring>

#include "engine/model/control/out_of_memory.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/free_lists.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int kPairChunk = 100;
constexpr int kDeepestSearch = 2;   // depth 0 to 2: at most four legs

RSKCURTABLE* table_of(RSKCON* con) {
    return con != nullptr && con->runtime_tables != nullptr && con->runtime_tables->currency_table.matrix != nullptr
               ? &con->runtime_tables->currency_table
               : nullptr;
}

RSKFXENTRY*& cell(RSKCURTABLE* table, int from, int to) {
    return table->matrix[static_cast<size_t>(from) * static_cast<size_t>(table->count) + static_cast<size_t>(to)];
}

// The pair from `from` to `to` when a spot variable quotes it directly.
RSKFXENTRY* direct(RSKCURTABLE* table, int from, int to) {
    RSKFXENTRY* entry = cell(table, from, to);
    return entry != nullptr && entry->state == RSKFX_DIRECT && entry->slots[0] != nullptr ? entry : nullptr;
}

// The legs of the path being searched.
struct Path {
    RSKFXENTRY* legs[kRskFxLegs];
    uint8_t inverted[kRskFxLegs];
    int count;
};

struct Search {
    RSKCURTABLE* table;
    int target;
    Path path;
};

bool push(Search& s, RSKFXENTRY* leg, bool inverted) {
    if (leg == nullptr || leg->visited || s.path.count >= kRskFxLegs) return false;
    leg->visited = 1;
    s.path.legs[s.path.count] = leg;
    s.path.inverted[s.path.count] = inverted ? 1 : 0;
    ++s.path.count;
    return true;
}

void pop(Search& s) {
    --s.path.count;
    s.path.legs[s.path.count]->visited = 0;
}

bool search_from(Search& s, int from, int depth);

// After a first leg that reached k: a direct (k, A), the inverted (A, k), or a deeper search.
bool continue_from(Search& s, int k, int depth) {
    if (push(s, direct(s.table, k, s.target), false)) return true;
    if (push(s, direct(s.table, s.target, k), true)) return true;
    return depth < kDeepestSearch && search_from(s, k, depth + 1);
}

bool search_from(Search& s, int from, int depth) {
    for (int k = 0; k < s.table->count; ++k) {
        if (k == s.target || k == from) continue;
        if (push(s, direct(s.table, from, k), false)) {
            if (continue_from(s, k, depth)) return true;
            pop(s);
        }
        if (push(s, direct(s.table, k, from), true)) {
            if (continue_from(s, k, depth)) return true;
            pop(s);
        }
    }
    return false;
}

void clear_slots(RSKFXENTRY* entry) {
    std::memset(entry->slots, 0, sizeof entry->slots);
    std::memset(entry->inverted, 0, sizeof entry->inverted);
}

// The entry of the pair from `from` to `to`, created when missing; null when no memory.
RSKFXENTRY* entry_for(RSKCON* con, RSKCURTABLE* table, RSKCURRENCY* to, RSKCURRENCY* from) {
    RSKFXENTRY* entry = cell(table, from->index, to->index);
    if (entry == nullptr && rskfxa(con, to, from, &entry) != 0) return nullptr;
    return entry;
}

#define NAME_ARG(rec) static_cast<int>((rec).name.length), (rec).name.text

}  // namespace

RSKFXENTRY* rskfx(RSKCON* con, const char* currency, const char* from) {
    RSKCURTABLE* table = table_of(con);
    if (table == nullptr || currency == nullptr || from == nullptr) return nullptr;
    RSKCURRENCY* to_row = rskcur(con, currency);
    RSKCURRENCY* from_row = rskcur(con, from);
    if (to_row == nullptr || from_row == nullptr) return nullptr;
    return cell(table, from_row->index, to_row->index);
}

int rskfxa(RSKCON* con, RSKCURRENCY* currency, RSKCURRENCY* from, RSKFXENTRY** out) {
    if (out != nullptr) *out = nullptr;
    RSKCURTABLE* table = table_of(con);
    if (table == nullptr || currency == nullptr || from == nullptr) return 1;
    RSKFXENTRY* entry = rsk_take_record(con, con->free_lists->pair_entries, kPairChunk, "exchange-rate pair");
    if (entry == nullptr) return 1;
    entry->from_index = from->index;
    entry->currency_index = currency->index;
    char name[8];
    std::memcpy(name, from->code, 3);
    std::memcpy(name + 3, "->", 2);
    std::memcpy(name + 5, currency->code, 3);
    std::memcpy(entry->name.buffer, name, sizeof name);
    entry->name.name = RSKNAMEREC{8, 8, entry->name.buffer};
    cell(table, from->index, currency->index) = entry;
    if (table->pairs_tail == nullptr) table->pairs_head = entry;
    else table->pairs_tail->next = entry;
    table->pairs_tail = entry;
    ++table->pair_count;
    if (out != nullptr) *out = entry;
    return 0;
}

RSKFXENTRY* find_fx(RSKCON* con, RSKCURRENCY* a, RSKCURRENCY* b) {
    RSKCURTABLE* table = table_of(con);
    if (table == nullptr || a == nullptr || b == nullptr) return nullptr;
    RSKFXENTRY* entry = cell(table, b->index, a->index);
    if (entry != nullptr && entry->state != RSKFX_UNRESOLVED) return entry;
    entry = entry_for(con, table, a, b);
    if (entry == nullptr) return nullptr;
    clear_slots(entry);
    if (a == b) {
        entry->state = RSKFX_SAME;
        return entry;
    }
    if (RSKFXENTRY* reverse = direct(table, a->index, b->index)) {
        entry->state = RSKFX_CROSS;
        entry->slots[0] = reverse->slots[0];
        entry->inverted[0] = 1;
        return entry;
    }
    Search s{table, a->index, {}};
    if (!search_from(s, b->index, 0)) {
        entry->state = RSKFX_NO_RATE;
        return entry;
    }
    for (int i = 0; i < s.path.count; ++i) {
        entry->slots[i] = s.path.legs[i]->slots[0];
        entry->inverted[i] = s.path.inverted[i];
        s.path.legs[i]->visited = 0;
    }
    entry->state = RSKFX_CROSS;
    return entry;
}

RSKFXENTRY* rskfx2(RSKCON* con, const char* a, const char* b) {
    if (a == nullptr || b == nullptr) return nullptr;
    RSKCURRENCY* row_a = rskcur(con, a);
    RSKCURRENCY* row_b = rskcur(con, b);
    if (row_a == nullptr || row_b == nullptr) return nullptr;
    RSKFXENTRY* entry = find_fx(con, row_a, row_b);
    if (entry == nullptr) return nullptr;
    for (RSKVARIABLE* v : entry->slots) {
        if (v == nullptr) continue;
        v->needed_spot = 1;
        v->needed_forward = 1;
    }
    return entry;
}

int rskfxv(const RSKFXENTRY* entry, double* out) {
    *out = qor::missing();
    if (entry == nullptr) {
        xebug("rskfxv: no exchange-rate entry.");
        return 1;
    }
    if (entry->state == RSKFX_SAME) {
        *out = 1.0;
        return 0;
    }
    if (entry->state != RSKFX_DIRECT && entry->state != RSKFX_CROSS) return 0;
    double rate = 1.0;
    for (int i = 0; i < kRskFxLegs; ++i) {
        const RSKVARIABLE* v = entry->slots[i];
        if (v == nullptr) continue;
        if (v->value == nullptr) return 0;
        double value;
        std::memcpy(&value, v->value, sizeof value);
        if (qor::is_missing(value) || value == 0) return 0;
        rate = entry->inverted[i] ? rate / value : rate * value;
    }
    *out = rate;
    return 0;
}

void rskfx_clear(RSKCON* con) {
    RSKCURTABLE* table = table_of(con);
    if (table == nullptr) return;
    // The old entries go back to their free list: a rebuild per statement must not leak them.
    if (table->pairs_head != nullptr && table->pairs_tail != nullptr) {
        table->pairs_tail->next = con->free_lists->pair_entries;
        con->free_lists->pair_entries = table->pairs_head;
    }
    table->pairs_head = table->pairs_tail = nullptr;
    table->pair_count = 0;
    table->spot_pairs = 0;
    std::memset(table->matrix, 0, sizeof(RSKFXENTRY*) * static_cast<size_t>(table->count) * static_cast<size_t>(table->count));
}

int print_fx(RSKCON*, const RSKFXENTRY* entry, int ordinal) {
    if (entry == nullptr) return 1;
    const char* name = entry->name.buffer;   // "FRM->CUR"
    xpmout(598, 2322, ordinal, 3, name + 5, 3, name);
    switch (entry->state) {
    case RSKFX_DIRECT:
        xpmout(598, 2323, NAME_ARG(entry->slots[0]->name));
        break;
    case RSKFX_SAME:
        xpmout(598, 2323, 0, "");
        break;
    case RSKFX_CROSS: {
        xpm(598, 2327);
        bool first = true;
        for (int i = 0; i < kRskFxLegs; ++i) {
            const RSKVARIABLE* v = entry->slots[i];
            if (v == nullptr) continue;
            if (!first) xps("* ");
            first = false;
            xps(entry->inverted[i] ? "1/%*s " : "%*s ", NAME_ARG(v->name));
        }
        xpsout("");
        break;
    }
    default:
        break;
    }
    xpskip(1);
    return 0;
}

int rskfxp(RSKCON* con) {
    RSKCURTABLE* table = table_of(con);
    if (table == nullptr || table->pair_count == 0) {
        xpmout(598, 2320);
        return 0;
    }
    xpmout(598, 2321, static_cast<int>(table->pair_count));
    int ordinal = 0;
    for (const RSKFXENTRY* entry = table->pairs_head; entry != nullptr; entry = entry->next)
        print_fx(con, entry, ++ordinal);
    return 0;
}

int rskfxp1(RSKCON* con, const char* currency, const char* from) {
    RSKFXENTRY* entry = rskfx(con, currency, from);
    if (entry == nullptr) return 1;
    return print_fx(con, entry, 1);
}
