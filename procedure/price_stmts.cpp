// PRICE and GETRATES: gather the statement's lists and output options and run the mark-to-market
// or rates driver. A driver that failed (or valued no position) fails the statement.
#include <cstring>
#include <initializer_list>

#include "engine/model/projects/projects.h"
#include "host/missing.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/price_stmts.h"
#include "procedure/run_lists.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

constexpr int kPortfolioField = 4, kFilterField = 5, kRftransField = 6, kMethodsField = 7;
constexpr int kCurrencyField = 12, kDataField = 16, kOutField = 19, kOutlibField = 20, kOutpathField = 21;

// The output options of a statement: name, path and the blank-padded library reference.
struct OutputOptions {
    RSKNAMEREC name;
    RSKNAMEREC path;
    char library[8];
};

OutputOptions output_options(const statement_node* node) {
    OutputOptions o{};
    const OperandText out = operand_text(node, kOutField);
    const OperandText path = operand_text(node, kOutpathField);
    const OperandText library = operand_text(node, kOutlibField);
    o.name = RSKNAMEREC{0, static_cast<uint16_t>(out.length), const_cast<char*>(out.text)};
    o.path = RSKNAMEREC{0, static_cast<uint16_t>(path.length), const_cast<char*>(path.text)};
    std::memset(o.library, ' ', sizeof o.library);
    std::memcpy(o.library, library.text, static_cast<size_t>(library.length < 8 ? library.length : 8));
    return o;
}

// The statement's result from the driver's: a positive code, or no position valued, fails it.
int statement_result(int driver) { return driver > 0 ? driver : (driver < 0 ? 1 : 0); }

}  // namespace

int price_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText portfolio = operand_text(node, kPortfolioField);
    if (portfolio.length == 0) {
        xpmlog(670, 1131);
        return 1;
    }
    const RSKNAMEREC name{0, static_cast<uint16_t>(portfolio.length), const_cast<char*>(portfolio.text)};
    if (rsktdf(con, &name) == nullptr) {
        xpmlog(670, 1130, portfolio.length, portfolio.text);
        return 1;
    }
    RSKNAMELIST sets{}, methods{}, sources{}, filters{};
    get_rftrans(con, qor_operand(node, kRftransField), &sets.head, &sets.tail);
    get_prmlist(con, qor_operand(node, kMethodsField), &methods.head, &methods.tail, "PRICE", kProjectMethods);
    get_idslist(con, qor_operand(node, kDataField), &sources.head, &sources.tail, "PRICE");
    get_filters(con, qor_operand(node, kFilterField), &filters.head, &filters.tail);
    const OutputOptions out = output_options(node);
    const OperandText currency = operand_text(node, kCurrencyField);
    const char* code = nullptr;
    if (currency.length == 3) {
        code = currency.text;
    } else if (currency.length > 0) {
        xpslog("ERROR: Invalid currency code used %*s.", currency.length, currency.text);
    }
    const int driver = rskmtm(con, &name, &filters, &sets, &methods, &sources, qor::missing(), code, &out.name,
                              &out.path, out.library);
    for (RSKNAMELIST* list : {&sets, &methods, &sources, &filters}) free_name_list(con, &list->head, &list->tail);
    return statement_result(driver);
}

int getrates_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    RSKNAMELIST sets{}, methods{}, sources{};
    get_rftrans(con, qor_operand(node, kRftransField), &sets.head, &sets.tail);
    get_prmlist(con, qor_operand(node, kMethodsField), &methods.head, &methods.tail, "GETRATES", kProjectMethods);
    const OutputOptions out = output_options(node);
    get_idslist(con, qor_operand(node, kDataField), &sources.head, &sources.tail, "GETRATES");
    const int driver = rskrate(con, &sets, &methods, &sources, qor::missing(), &out.name, &out.path, out.library);
    for (RSKNAMELIST* list : {&sets, &methods, &sources}) free_name_list(con, &list->head, &list->tail);
    return statement_result(driver);
}

}  // namespace zozu
