// The displayed currencies: the codes of the shown currencies stored as the environment list
// "CURRENCY", and read back from the nearest environment of the chain that has such a list.
#include "catalog/environment.h"
#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "catalog/object_forms.h"
#include "engine/model/currencies/currency_table.h"
#include "host/catalog.h"

using namespace form_items;

namespace {

constexpr char kCurrencyList[] = "CURRENCY";

// 0 when the environment's catalog holds the list, 1 when it does not, 2 when the catalog
// cannot be read.
int holds_currency_list(const RSKENV* environment) {
    qor_catalog* catalog = nullptr;
    if (xlopen(libref_of(environment), name_of(environment), QOR_CO_INPUT, &catalog) != 0) return 1;
    const int found = xlmfind(catalog, kCurrencyList, kEnvListType);
    xlclose(catalog, 0);
    if (found == 0) return 0;
    return found == static_cast<int>(QOR_C_NOT_FOUND) ? 1 : 2;
}

}  // namespace

int rsscuds(RSKCON* con) {
    if (con->current_environment == nullptr || con->runtime_tables == nullptr) return 1;
    qor_list_id list = rss_new_list(rss_list_workspace(con), "SAVE_CURRENCY_DISPLAY");
    if (list == 0) return 1;
    const RSKCURTABLE& table = con->runtime_tables->currency_table;
    int rc = 0;
    for (int i = 0; rc == 0 && i < table.count; ++i) {
        const RSKCURRENCY& currency = table.currencies[i];
        if (!currency.hidden) rc = put_text(list, "", std::string_view(currency.code, 3));
    }
    if (rc == 0) rc = rsseops(con, con->current_environment, kCurrencyList, slistp(list));
    rss_free_list(list);
    return rc != 0 ? 1 : 0;
}

int rsscudr(RSKCON* con) {
    RSKENV* chain[kRssChainLimit];
    const int count = rss_environment_chain(con, chain, kRssChainLimit);
    for (int i = count - 1; i >= 0; --i) {   // nearest first
        const int held = holds_currency_list(chain[i]);
        if (held == 1) continue;
        if (held == 2) return 1;
        qor_list* list = nullptr;
        if (rsseopg(con, chain[i], kCurrencyList, &list) != 0) return 1;
        auto mark = engine_routine<EngineSlot::rskcurm>();
        if (mark == nullptr) {
            if (list != nullptr) sldel(list, 0);
            return 1;
        }
        mark(con, nullptr, -2);   // hide all, then show the stored ones
        int unknown = 0;
        const int n = slcnt(list);   // an empty list (no list handed back) shows none
        for (int item = 1; item <= n; ++item) {
            std::string_view code;
            if (slitmc(list, item, &code) != 0) {
                ++unknown;
                continue;
            }
            char padded[4] = {' ', ' ', ' ', '\0'};
            for (size_t c = 0; c < 3 && c < code.size(); ++c) padded[c] = code[c];
            if (mark(con, padded, RSKCUR_SHOW) != 0) ++unknown;
        }
        if (list != nullptr) sldel(list, 0);
        return unknown;
    }
    return 0;   // no environment of the chain stores the list: the marks stay as they are
}
