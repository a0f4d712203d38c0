// Value cells: taken from the value free list (refilled 100 at a time from the current pool),
// filled with a number or a text of at most 40 bytes, printed and stored into a variable.
#include "engine/model/variables/value_cells.h"

#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/tables/free_lists.h"
#include "engine/model/control/out_of_memory.h"

namespace {

constexpr int kValueChunk = 100;

// A zeroed value cell from the control structure's free list; null after reporting no memory.
RSKVALUECELL* take_value_cell(RSKCON* con) {
    RSKVALUECELL* cell = rsk_take_record(con, con->free_lists->value_cells, kValueChunk, "add elements to a list");
    return cell;
}

}  // namespace

int new_value(RSKCON* con, RSKVARIABLE* variable, RSKVALUECELL** out) {
    RSKVALUECELL* cell = take_value_cell(con);
    if (cell == nullptr) return 1;
    cell->variable = variable;
    *out = cell;
    return 0;
}

int rskvaln(RSKCON* con, RSKVALUECELL** out, RSKVARIABLE* variable, double number) {
    RSKVALUECELL* cell = nullptr;
    if (new_value(con, variable, &cell) != 0) return 1;
    cell->type = RSKVALUE_NUMERIC_TYPE;
    cell->kind = RSKVALUE_NUMERIC_KIND;
    cell->size = sizeof(double);
    cell->value.number = number;
    *out = cell;
    return 0;
}

int rskvalc(RSKCON* con, RSKVALUECELL** out, RSKVARIABLE* variable, const char* text, int length) {
    if (text == nullptr) length = 0;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    if (length > kRskCharValueCapacity) {
        xpmlog(598, 97, length, text, length, kRskCharValueCapacity);
        return 1;
    }
    RSKVALUECELL* cell = nullptr;
    if (new_value(con, variable, &cell) != 0) return 1;
    cell->type = RSKVALUE_CHARACTER_TYPE;
    cell->kind = RSKVALUE_CHARACTER_KIND;
    RSKCHARVALUE& value = cell->value.text;
    value.name.capacity = kRskCharValueCapacity;
    value.name.text = value.buffer;
    if (length > 0) std::memcpy(value.buffer, text, static_cast<size_t>(length));
    value.name.length = static_cast<uint16_t>(length);
    cell->size = static_cast<uint16_t>(length);
    *out = cell;
    return 0;
}

void rskvalf(RSKCON* con, RSKVALUECELL* cell) {
    if (cell == nullptr) return;
    cell->next = con->free_lists->value_cells;
    con->free_lists->value_cells = cell;
}

int rskvalp(const RSKVALUECELL* cell) {
    const RSKVARIABLE* variable = cell->variable;
    if (cell->type == RSKVALUE_NUMERIC_TYPE) {
        if (variable != nullptr && variable->format_width > 0)
            xps("%*.*f", static_cast<int>(variable->format_width),
                static_cast<int>(variable->format_decimals), cell->value.number);
        else
            xps("%g", cell->value.number);
    } else if (cell->type == RSKVALUE_CHARACTER_TYPE) {
        xps("\"%*s\"", static_cast<int>(cell->value.text.name.length), cell->value.text.name.text);
    } else {
        xps("*unknown value type*");
    }
    xpoflsh(0);
    return 0;
}

int rskvalx(RSKCON*, const RSKVALUECELL* cell) {
    RSKVARIABLE* variable = cell->variable;
    if (variable == nullptr || variable->value == nullptr) return 0;
    if (cell->type == RSKVALUE_NUMERIC_TYPE) {
        std::memcpy(variable->value, &cell->value.number, sizeof(double));
    } else if (cell->type == RSKVALUE_CHARACTER_TYPE) {
        auto* storage = static_cast<char*>(variable->value);
        std::memset(storage, ' ', variable->length);
        size_t copied = cell->value.text.name.length < variable->length ? cell->value.text.name.length
                                                                         : variable->length;
        std::memcpy(storage, cell->value.text.name.text, copied);
    } else {
        xebug("rskvalx: unknown type code %i for %*s.", static_cast<int>(cell->type),
              static_cast<int>(variable->name.name.length), variable->name.name.text);
    }
    return 0;
}
