// Writers of the list forms of data set objects (kind 13) and ids objects (kind 38): each appends
// the object's items in their stored order, the variable mappings last, for SAVE_OBJECT to store.
#include <string_view>

#include "catalog/object_forms.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/tables/engine_table.h"

namespace {

constexpr char kUnknownText[] = "*unknown*";

int put_text(qor_list_id list, const char* name, std::string_view text) {
    RSOCHAR value{text.size(), text.size(), text.data()};
    return rsoinsc(list, &value, name, -1);
}

std::string_view text_of(const RSKNAMEREC& name) {
    return name.text != nullptr ? std::string_view(name.text, name.length) : std::string_view();
}

// "VARIABLES": one unnamed sublist per mapping, in the object's order, with "NAME" (the
// variable) and "VARNAME" (the data set column).
int put_mappings(RSKCON* con, qor_list_id list, RSKLISTWS* workspace, const RSKMAPLIST& mappings) {
    if (workspace == nullptr) workspace = rss_list_workspace(con);
    qor_list_id all = rss_new_list(workspace, "VARIABLES");
    if (all == 0) return 1;
    int rc = rsoinsl(list, all, "VARIABLES", -1);
    for (const RSKMAPCELL* cell = mappings.head; rc == 0 && cell != nullptr; cell = cell->next) {
        qor_list_id one = rss_new_list(workspace, "VARIABLES");
        if (one == 0) {
            rc = 1;
            break;
        }
        rc = put_text(one, "NAME", text_of(cell->variable.name));
        if (rc == 0)
            rc = put_text(one, "VARNAME", std::string_view(cell->column, static_cast<size_t>(cell->column_length)));
        if (rc == 0) rc = rsoinsl(all, one, "", 0);
        rss_free_list(one);   // the mappings list holds it
    }
    rss_free_list(all);
    return rc;
}

}  // namespace

int rssdatg(RSKCON* con, void* object, qor_list_id list, RSKLISTWS* workspace, int, int) {
    const auto* data = static_cast<const RSKTDATA*>(object);
    if (con == nullptr || data == nullptr || list == 0) return 1;
    const char* format = nullptr;
    int format_length = 0;
    if (rss_format_to_store(con, static_cast<int>(data->format), &data->name.name, &format, &format_length) != 0)
        return 1;
    int rc = put_text(list, "OBJTYPE", "TDATA");
    if (rc == 0) rc = put_text(list, "NAME", text_of(data->name.name));
    if (rc == 0) rc = put_text(list, "FORMAT", std::string_view(format, static_cast<size_t>(format_length)));
    if (rc == 0) rc = put_text(list, "CLASSNAME", text_of(data->instrument_type.name));
    if (rc == 0) rc = put_text(list, "MEMNAME", text_of(data->dataset.name));
    if (rc == 0) rc = put_mappings(con, list, workspace, data->mappings);
    return rc;
}

int rssidsg(RSKCON* con, void* object, qor_list_id list, RSKLISTWS* workspace, int, int) {
    const auto* ids = static_cast<const RSKINPUTDS*>(object);
    if (con == nullptr || ids == nullptr || list == 0) return 1;
    const char* type = kUnknownText;
    auto describe = engine_routine<EngineSlot::rskcsmd>();
    int type_length = describe != nullptr ? describe(con, static_cast<int>(ids->type), &type) : 0;
    if (type == nullptr || type_length <= 0) {
        type = kUnknownText;
        type_length = static_cast<int>(sizeof kUnknownText - 1);
    }
    // The "no interval" record (detected from the data when read) is stored as no interval name.
    const std::string_view interval =
        ids->interval.text_length > 0 ? std::string_view(ids->interval.text, static_cast<size_t>(ids->interval.text_length))
                                      : std::string_view();
    int rc = put_text(list, "OBJTYPE", "INPUTDS");
    if (rc == 0) rc = put_text(list, "NAME", text_of(ids->name.name));
    if (rc == 0) rc = put_text(list, "TYPE", std::string_view(type, static_cast<size_t>(type_length)));
    if (rc == 0) rc = put_text(list, "MEMNAME", text_of(ids->dataset.name));
    if (rc == 0) rc = put_text(list, "INTERVAL", interval);
    if (rc == 0)
        rc = put_text(list, "ROWNAME",
                      std::string_view(ids->row_column, static_cast<size_t>(ids->row_column_length > 0 ? ids->row_column_length : 0)));
    if (rc == 0) rc = put_mappings(con, list, workspace, ids->mappings);
    return rc;
}
