// The names a parameter matrix reader shows in its messages, taken from the open market data
// set: the definition's name, the data set's and the row identifier column's.
#include "engine/model/market/market_data_sets.h"
#include "engine/model/parameters/parameter_reading.h"
#include "engine/model/services/files.h"

PmxNames pmx_names(mds* context) {
    PmxNames names{};
    names.dataset_length = context->member_length;
    names.dataset = context->member;
    names.definition = "";
    names.row_column_length = 6;
    names.row_column = "_NAME_";
    const RSKINPUTDS* definition = context->definition;
    if (definition == nullptr) return names;
    names.definition_length = static_cast<int>(definition->name.name.length);
    names.definition = definition->name.name.text != nullptr ? definition->name.name.text : "";
    if (definition->row_column_length > 0) {
        names.row_column_length = definition->row_column_length;
        names.row_column = definition->row_column;
    }
    return names;
}
