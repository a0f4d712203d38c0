// INSTDATA: a position data set definition (the data set, its layout format, the instrument type
// of a Simple data set and the columns that feed instrument variables), stored in the catalog.
#include <strings.h>

#include <cstring>

#include "common/hash/hash_table.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "host/print.h"
#include "procedure/container_access.h"
#include "procedure/counterparty_containers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

constexpr int kNameField = 1, kFileField = 4, kTypeField = 5, kFormatField = 6, kVariablesField = 7;
constexpr int kLastFormat = 5;

// Whether the name is a data set of the loaded counterparty container.
bool counterparty_dataset(RSKCON* con, const OperandText& name) {
    if (!container_loaded(con, kCounterpartyFamily) || con->cpty_container->datasets == nullptr) return false;
    char key[kContainerNameLimit + 1];
    upper_name(name.text, name.length, key);
    return zozu::hash_query(con->cpty_container->datasets, key) != nullptr;
}

RSKNAMEREC name_record(const OperandText& text) {
    return RSKNAMEREC{static_cast<uint16_t>(text.length), static_cast<uint16_t>(text.length),
                      const_cast<char*>(text.text)};
}

}  // namespace

int instdata_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kNameField);
    if (name.length == 0) {
        xpmlog(670, 1094, 8, "INSTDATA");
        return 1;
    }
    if (counterparty_dataset(con, name)) {
        xpmlog(598, 7753, name.length, name.text);
        return 1;
    }
    const double format = operand_number(node, kFormatField, 0);
    if (qor::is_missing(format) || format == 0) {
        xpmlog(670, 1044, name.length, name.text);
        return 1;
    }
    if (format < 0 || format > kLastFormat || format != static_cast<int>(format)) {
        xebug("instdata_stmt: invalid format type %g", format);
        return 1;
    }
    const OperandText type = operand_text(node, kTypeField);
    if (type.length > 0 && rskcls(con, type.text, type.length) == nullptr) {
        xpmlog(670, 1045, type.length, type.text, name.length, name.text);
        return 1;
    }
    const OperandText file = operand_text(node, kFileField);
    const RSKNAMEREC key = name_record(name), type_key = name_record(type), file_key = name_record(file);
    RSKCATOBJ* object = nullptr;
    if (rskdatd(con, &object, &key, static_cast<uint32_t>(format), type.length > 0 ? &type_key : nullptr,
                file.length > 0 ? &file_key : nullptr, nullptr) != 0 ||
        object == nullptr) {
        xpmlog(670, 1046, name.length, name.text);
        return 1;
    }
    int result = 0;
    NameCursor items(node, kVariablesField);
    for (OperandText item; items.next(&item);) {
        if (item.length == 0) continue;
        // The counterparty's identifier is an instrument variable under its long name.
        const OperandText looked_up = item.length == 6 && strncasecmp(item.text, "CPTYID", 6) == 0
                                          ? OperandText{"COUNTERPARTYID", 14}
                                          : item;
        RSKNAMEREC variable = name_record(looked_up), column = name_record(item);
        if (rskvar(con, &variable) == nullptr) {
            xpmlog(670, 1047, looked_up.length, looked_up.text, name.length, name.text);
            result = 1;
            continue;
        }
        if (rskdata(con, object, &variable, &column) != 0) {
            xpmlog(670, 1049, item.length, item.text, name.length, name.text);
            result = 1;
        }
    }
    // A definition with a column missing is kept in memory but not stored.
    if (result != 0) return result;
    if (rssofis(con, object, 0) != 0) {
        xpmlog(670, 1050, name.length, name.text);
        return 1;
    }
    return 0;
}

}  // namespace zozu
