// Start-up's currency table: the currency data set "currencies" of library "risksamp" when it
// yields currencies (columns CODE and DESCRIPTION), else the built-in ISO 4217 table.
#include <cstring>

#include "common/files/dataset.h"
#include "common/memory/pool_memory.h"
#include "engine/model/currencies/currency_table.h"
#include "host/print.h"

namespace {

enum { COLUMN_OTHER, COLUMN_CODE, COLUMN_DESCRIPTION };

int column_kind(const dataset_var* var) {
    char name[QOR_VAR_NAME_MAX + 1] = {};
    std::strncpy(name, var->name, QOR_VAR_NAME_MAX);
    for (char* p = name; *p != '\0'; ++p)
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
    // Only character columns can hold codes and names.
    if (var->type != DATASET_TYPE_CHARACTER) return COLUMN_OTHER;
    if (std::strcmp(name, "CODE") == 0) return COLUMN_CODE;
    if (std::strcmp(name, "DESCRIPTION") == 0) return COLUMN_DESCRIPTION;
    return COLUMN_OTHER;
}

int trimmed_length(const char* text, int length) {
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return length;
}

// Builds one row from the observation's columns; true when it names a code.
bool take_row(const dataset_obs* obs, RSKCURRENCY* row) {
    std::memset(row, 0, sizeof *row);
    row->hidden = 1;
    bool has_code = false;
    for (const dataset_var* var = obs->first; var != nullptr; var = var->next) {
        const char* text = static_cast<const char*>(var->value);
        int kind = column_kind(var);
        if (kind == COLUMN_CODE) {
            // Leading blanks carry no meaning in a code.
            int start = 0, length = trimmed_length(text, var->length);
            while (start < length && text[start] == ' ') ++start;
            int n = length - start > 3 ? 3 : length - start;
            if (n <= 0) continue;
            std::memset(row->code, ' ', sizeof row->code);
            for (int k = 0; k < n; ++k) {
                char c = text[start + k];
                row->code[k] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
            }
            row->key = rskcur_key(row->code);
            has_code = true;
        } else if (kind == COLUMN_DESCRIPTION) {
            int length = trimmed_length(text, var->length);
            if (length > kRskCurrencyNameCapacity) length = kRskCurrencyNameCapacity;
            std::memcpy(row->name, text, static_cast<size_t>(length));
            row->name_length = static_cast<uint16_t>(length);
        }
    }
    return has_code;
}

// Reads the data set's currencies into the table: 0 (possibly none); 1 when a read failed.
int read_currencies(RSKCON* con, RSKCURTABLE* table, dataset* ds) {
    dataset_obs* obs = get_obs_from_dataset(con->general_pool, ds);
    if (obs == nullptr || ds->observations <= 0) {
        delete_dataset_obs(con->general_pool, obs);
        return 0;
    }
    for (const dataset_var* var = obs->first; var != nullptr; var = var->next)
        if (column_kind(var) == COLUMN_OTHER)
            xpslog("%1zUnrecognized column in currency codes data set %s.", var->name);
    const int64_t n = ds->observations > 32767 ? 32767 : ds->observations;
    if (rskcur_allocate(con, table, static_cast<int>(n)) != 0) {
        delete_dataset_obs(con->general_pool, obs);
        return 1;
    }
    int result = 0;
    for (int64_t number = 1; number <= n; ++number) {
        obs->number = number;
        int rc = read_obs(ds, obs);
        if (rc != 0) {
            xpslog("%1zObservation %lli of the currency codes data set could not be read.",
                   static_cast<long long>(number));
            result = 1;
            break;
        }
        RSKCURRENCY* row = &table->currencies[table->count];
        if (!take_row(obs, row)) continue;
        if (rskcur(con, row->code) != nullptr) {
            // A second row would give the code a second matrix row that no look-up reaches.
            xpslog("%2zCurrency %*s appears again in observation %lli of the currency codes data "
                   "set and is ignored.", 3, row->code, static_cast<long long>(number));
            continue;
        }
        row->index = table->count;
        row->hidden = 0;
        rskcur_enter(table, row);
        ++table->count;
        ++table->shown;
    }
    delete_dataset_obs(con->general_pool, obs);
    return result;
}

// Frees the arrays of the table (sized as allocated) and empties it.
void release_arrays(RSKCON* con, RSKCURTABLE* table) {
    const size_t n = static_cast<size_t>(table->capacity);
    if (table->currencies != nullptr)
        vmfree_handler(con->general_pool, table->currencies, sizeof(RSKCURRENCY) * n, QOR_FREE_SIZED);
    if (table->matrix != nullptr)
        vmfree_handler(con->general_pool, table->matrix, sizeof(RSKFXENTRY*) * n * n, QOR_FREE_SIZED);
    std::memset(table, 0, sizeof *table);
}

}  // namespace

int fill_currency_table(RSKCON* con) {
    if (con == nullptr || con->runtime_tables == nullptr) {
        xebug("fill_currency_table: no run-time table block.");
        return 1;
    }
    // A new environment fills the table again: the arrays of the last one are given back.
    RSKCURTABLE* table = &con->runtime_tables->currency_table;
    release_arrays(con, table);
    int result = 0;
    dataset* ds = new_dataset(con->general_pool, "risksamp", "currencies", DATASET_READ);
    if (ds != nullptr && open_dataset(ds) == 0) {
        result = read_currencies(con, table, ds);
        close_dataset(ds);
        if (table->count == 0) release_arrays(con, table);
    }
    delete_dataset(con->general_pool, ds);
    if (table->count > 0) return result;

    if (rskcur_allocate(con, table, kRskBuiltinCurrencies) != 0) return 1;
    rskcur0(con);
    return result;
}
