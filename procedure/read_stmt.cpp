// READ: reads the position data sets of a portfolio source into an instrument file (OUT=),
// through its filters, in a path or library; notes the counterparty data sets it selects.
#include <cstring>

#include "common/hash/hash_table.h"
#include "engine/tables/counterparty_records.h"
#include "engine/tables/engine_table.h"
#include "host/print.h"
#include "procedure/container_access.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/read_input_sources.h"
#include "procedure/read_stmt.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

constexpr int kSourceField = 1, kDatasetsField = 4, kFiltersField = 5, kOutField = 19, kOutlibField = 20,
              kPathField = 21;
constexpr int kSelectedTableSize = 100;
constexpr int kMostFilters = 64;

RSKNAMEREC name_record(const OperandText& text) {
    return RSKNAMEREC{static_cast<uint16_t>(text.length), static_cast<uint16_t>(text.length),
                      const_cast<char*>(text.text)};
}

// Records each named data set of the loaded counterparty container as selected by this READ.
int select_counterparty_datasets(RSKCON* con, statement_node* node) {
    if (!container_loaded(con, kCounterpartyFamily)) return 0;
    RSKCPTYCON* container = con->cpty_container;
    if (container->datasets == nullptr) return 0;
    NameCursor names(node, kDatasetsField);
    for (OperandText item; names.next(&item);) {
        char key[kContainerNameLimit + 1];
        upper_name(item.text, item.length, key);
        hash_item* dataset = zozu::hash_query(container->datasets, key);
        if (dataset == nullptr) continue;
        if (!ensure_table(con, &container->selected_datasets, kSelectedTableSize)) {
            xpmlog(598, 7724, item.length, item.text);
            return 1;
        }
        const int rc = insert_item(con, container->selected_datasets, dataset->key, dataset->value);
        if (rc == 1) {
            xpmlog(598, 7724, item.length, item.text);
            return 1;
        }
    }
    return 0;
}

// The filter definitions named by FILTER=, each looked up (670/1136 for one that is missing).
int read_filters(RSKCON* con, statement_node* node, RSKNAMEREC* filters, int* count) {
    *count = 0;
    NameCursor names(node, kFiltersField);
    for (OperandText item; names.next(&item);) {
        if (item.length == 0) continue;
        RSKNAMEREC key = name_record(item);
        auto find_filter = engine_routine<EngineSlot::rskwhr>();
        if (find_filter == nullptr || find_filter(con, &key) == nullptr) {
            xpmlog(670, 1136, item.length, item.text);
            continue;
        }
        if (*count == kMostFilters) return 99;
        filters[(*count)++] = key;
    }
    return 0;
}

}  // namespace

int read_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    int rc = select_counterparty_datasets(con, node);
    const OperandText source_name = operand_text(node, kSourceField);
    RSKNAMEREC source_key = name_record(source_name);
    RSKCATOBJ* source = source_name.length > 0 ? rskpos(con, &source_key) : nullptr;
    if (source == nullptr || rssofiq(con, source, 0) == nullptr) {
        xpmlog(670, 1133, source_name.length, source_name.text);
        return 1;
    }
    RSKNAMEREC filters[kMostFilters];
    int filter_count = 0;
    if (read_filters(con, node, filters, &filter_count) != 0) rc = 99;

    // OUT= names the instrument file; without it the file takes the source's name.
    OperandText out = operand_text(node, kOutField);
    if (out.length == 0) out = source_name;
    const char* dot = static_cast<const char*>(std::memchr(out.text, '.', static_cast<size_t>(out.length)));
    if (dot != nullptr) out = OperandText{dot + 1, out.length - static_cast<int>(dot + 1 - out.text)};
    const RSKNAMEREC output = name_record(out);
    const RSKNAMEREC path = name_record(operand_text(node, kPathField));
    char libref[8];
    std::memset(libref, ' ', sizeof libref);
    const OperandText outlib = operand_text(node, kOutlibField);
    std::memcpy(libref, outlib.text, static_cast<size_t>(outlib.length < 8 ? outlib.length : 8));

    auto read_driver = engine_routine<EngineSlot::rskread>();
    if (read_driver == nullptr) return 1;
    const int read = read_driver(con, source, &output, &path, filters, filter_count, libref);
    // -1: nothing was written because the data sets held nothing; -2: a data set failed.
    if (read == -2 && rc == 0) rc = 1;
    // The counterparty and mitigation runs of a project over this file find their data sets here.
    if (read != -2 && record_input_sources(con, out, source_name) != 0 && rc == 0) rc = 1;
    if (read > rc) rc = read;
    return rc;
}

}  // namespace zozu
