// Listings of position data set definitions and position sources: the definition with its
// mappings, a source's list of names, and every definition a source names.
#include "engine/model/positions/position_definitions.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "host/print.h"

namespace {

constexpr int kReadRight = 4;

int length_of(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

}  // namespace

int rskdatp(RSKCON* con, const RSKTDATA* definition) {
    if (definition == nullptr) return 0;
    xpmout(598, 2231, length_of(definition->name), definition->name.buffer);
    const char* format = nullptr;
    int format_length = rskcspd(con, static_cast<int>(definition->format), &format);
    xpmout(598, 2232, format_length, format);
    if (length_of(definition->instrument_type) > 0)
        xpmout(598, 2233, length_of(definition->instrument_type), definition->instrument_type.buffer);
    xpmout(598, 2234, static_cast<int>(definition->dataset.name.length), definition->dataset.buffer);
    int ordinal = 0;
    for (const RSKMAPCELL* cell = definition->mappings.head; cell != nullptr; cell = cell->next)
        xpmout(598, 2236, ++ordinal, length_of(cell->variable), cell->variable.buffer,
               static_cast<int>(cell->column_length), cell->column);
    xpoflsh(0);
    return 0;
}

int rskposp(RSKCON*, const RSKTSOURCE* source) {
    if (source == nullptr) return 0;
    xpmout(598, 62, static_cast<int>(source->count), length_of(source->name), source->name.buffer);
    int ordinal = 0;
    for (const RSKNAMECELL* cell = source->head; cell != nullptr; cell = cell->next)
        xpsout("      %3i. %*s", ++ordinal, length_of(cell->name), cell->name.buffer);
    xpoflsh(0);
    return 0;
}

int rskpdsp(RSKCON* con, const RSKTSOURCE* source) {
    if (source == nullptr) return 0;
    xpmout(598, 63, length_of(source->name), source->name.buffer);
    for (const RSKNAMECELL* cell = source->head; cell != nullptr; cell = cell->next) {
        RSKCATOBJ* object = rskdat(con, &cell->name.name);
        auto* definition = static_cast<RSKTDATA*>(object != nullptr ? rssofiq(con, object, kReadRight) : nullptr);
        if (definition != nullptr) rskdatp(con, definition);
    }
    return 0;
}
