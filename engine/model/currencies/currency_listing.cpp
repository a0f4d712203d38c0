// The currency listing: all currencies, or the shown ones, in table order on the print file.
#include "engine/model/currencies/currency_table.h"
#include "host/print.h"

int rskcurp(RSKCON* con, int all) {
    if (con == nullptr || con->runtime_tables == nullptr) return 0;
    const RSKCURTABLE& table = con->runtime_tables->currency_table;
    if (all != 0) xpmout(598, 2300, static_cast<int>(table.count));
    else xpmout(598, 2301, static_cast<int>(table.shown));
    for (int i = 0; i < table.count; ++i) {
        const RSKCURRENCY& c = table.currencies[i];
        if (all == 0 && c.hidden != 0) continue;
        xpmout(598, 2310, i + 1, 3, c.code, static_cast<int>(c.name_length), c.name);
    }
    xpskip(1);
    return 0;
}
