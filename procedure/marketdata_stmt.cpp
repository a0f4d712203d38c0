// MARKETDATA: a market data set definition (its data set, type, interval, row-name column and the
// risk factors whose columns it holds), stored in the catalog.
#include <cstring>

#include "common/intervals/interval_spec.h"
#include "host/missing.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/marketdata_stmt.h"
#include "procedure/operand_lists.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

constexpr int kNameField = 1, kFileField = 4, kTypeField = 5, kVariablesField = 7, kIntervalField = 9,
              kRowNameField = 11;

// The statement's TYPE keywords in grammar order (codes 1 to 8) and the definition types they
// stand for: TimeSeries 1, Current 3, Volatility 4, Covariance 5, Scenarios 6, Changes 7,
// Parameters 9, Correlation 10. Code 0 (no TYPE) names no type.
constexpr uint32_t kDefinitionType[] = {0, 1, 3, 4, 5, 6, 7, 9, 10};
constexpr int kLastKeyword = 8;
constexpr int kLastCode = 10;

RSKNAMEREC name_record(const OperandText& text) {
    return RSKNAMEREC{static_cast<uint16_t>(text.length), static_cast<uint16_t>(text.length),
                      const_cast<char*>(text.text)};
}

// The definition type of the TYPE keyword: 0 after its message when it names none.
uint32_t definition_type(const statement_node* node, const OperandText& name) {
    const double code = operand_number(node, kTypeField, 0);
    if (qor::is_missing(code) || code < 0 || code > kLastCode || code != static_cast<int>(code)) {
        xebug("marketdata_stmt: invalid type %g", code);
        return 0;
    }
    const int keyword = static_cast<int>(code);
    if (keyword > kLastKeyword) {
        xebug("bad type code %i for MARKETDATA stmt.", keyword);
        return 0;
    }
    if (kDefinitionType[keyword] == 0) xpmlog(670, 1051, name.length, name.text);
    return kDefinitionType[keyword];
}

}  // namespace

int marketdata_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kNameField);
    if (name.length == 0) {
        xpmlog(670, 1094, 10, "MARKETDATA");
        return 1;
    }
    const uint32_t type = definition_type(node, name);
    if (type == 0) return 1;
    interval_spec interval{};
    const OperandText interval_text = operand_text(node, kIntervalField);
    if (interval_text.length > 0 && zintstr(interval_text.text, interval_text.length, &interval) != 0) {
        xpmlog(670, 1052, name.length, name.text);
        return 1;
    }
    const OperandText file = operand_text(node, kFileField);
    const OperandText row_name = operand_text(node, kRowNameField);
    const RSKNAMEREC key = name_record(name), file_key = name_record(file), row_key = name_record(row_name);
    RSKCATOBJ* object = nullptr;
    if (rskidsd(con, &object, &key, type, interval_text.length > 0 ? &interval : nullptr,
                row_name.length > 0 ? &row_key : nullptr, file.length > 0 ? &file_key : nullptr, nullptr) != 0 ||
        object == nullptr) {
        xpmlog(670, 1052, name.length, name.text);
        return 1;
    }
    int result = 0;
    NameCursor items(node, kVariablesField);
    for (OperandText item; items.next(&item);) {
        if (item.length == 0) continue;
        const RSKNAMEREC factor = name_record(item);
        if (rskvf(con, &factor) == nullptr) {
            xpmlog(670, 1053, item.length, item.text, name.length, name.text);
            result = 1;
            continue;
        }
        if (rskidsa(con, object, &factor, &factor) != 0) {
            xpmlog(670, 1054, item.length, item.text, name.length, name.text);
            result = 1;
        }
    }
    if (rssofis(con, object, 0) != 0) {
        xpmlog(670, 1055, name.length, name.text);
        return 1;
    }
    return result;
}

}  // namespace zozu
