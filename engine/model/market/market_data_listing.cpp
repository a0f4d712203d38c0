// Listing of a market data set definition: name, type, interval, data set and the column of
// each risk factor.
#include <cstring>

#include "engine/model/market/market_data_sets.h"
#include "engine/model/registries/code_registries.h"
#include "host/print.h"

namespace {

constexpr char kNoInterval[] = "(detected from the data)";
constexpr char kEmptyInterval[] = "(none)";

}  // namespace

int rskidsp(RSKCON* con, const RSKINPUTDS* definition) {
    if (definition == nullptr) return 0;
    xpmout(598, 2251, static_cast<int>(definition->name.name.length), definition->name.buffer);
    const char* type = nullptr;
    int type_length = rskcsmd(con, static_cast<int>(definition->type), &type);
    xpmout(598, 2252, type_length, type);
    const char* interval = kEmptyInterval;
    int interval_length = static_cast<int>(sizeof kEmptyInterval - 1);
    if (rsk_is_no_interval(&definition->interval)) {
        interval = kNoInterval;
        interval_length = static_cast<int>(sizeof kNoInterval - 1);
    } else if (definition->interval.kind != 0 && definition->interval.text_length > 0) {
        interval = definition->interval.text;
        interval_length = definition->interval.text_length;
    }
    xpmout(598, 2253, interval_length, interval);
    xpmout(598, 2254, static_cast<int>(definition->dataset.name.length), definition->dataset.buffer);
    xpmout(598, 2255, static_cast<int>(definition->row_column_length), definition->row_column);
    int ordinal = 0;
    for (const RSKMAPCELL* cell = definition->mappings.head; cell != nullptr; cell = cell->next)
        xpmout(598, 2256, ++ordinal, static_cast<int>(cell->variable.name.length), cell->variable.buffer,
               static_cast<int>(cell->column_length), cell->column);
    xpoflsh(0);
    return 0;
}
