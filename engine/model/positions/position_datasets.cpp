// Position data set definitions: look-up in the data set object table, definition on a catalog
// object of kind 13, the column mappings to input variables, emptying and release.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/object_tables.h"
#include "host/files.h"
#include "host/print.h"

namespace {

constexpr int kTDataChunk = 10;

int length_of(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

bool given(const RSKNAMEREC* name) { return name != nullptr && name->text != nullptr && name->length > 0; }

// The instrument type of a definition; an unknown one is reported against the definition.
RSKINSTTYPE* known_type(RSKCON* con, const RSKOBJNAME& type, const RSKOBJNAME& definition) {
    RSKINSTTYPE* found = rskcls(con, type.buffer, length_of(type));
    if (found == nullptr)
        xpmlog(598, 1010, length_of(type), type.buffer, length_of(definition), definition.buffer);
    return found;
}

bool is_inst_id(RSKCON* con, const RSKVARIABLE* variable) {
    return con->system_variables != nullptr && variable == con->system_variables->inst_id;
}

}  // namespace

RSKCATOBJ* rskdat(RSKCON* con, const RSKNAMEREC* name) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    return static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_TDATA], name));
}

int rskdatd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, uint32_t format, const RSKNAMEREC* type_name,
            const RSKNAMEREC* dataset, RSKCATOBJ* object) {
    if (out != nullptr) *out = nullptr;
    if (!given(name)) return 1;
    // The caller may pass the definition's own fields: copy them before it is emptied.
    RSKOBJNAME new_name{};
    rskname(con, &new_name, name->text, name->length);
    RSKPATHNAME new_dataset{};
    if (given(dataset))
        rskpnam(con, &new_dataset, dataset->text, dataset->length);
    else
        rskpnam(con, &new_dataset, new_name.buffer, length_of(new_name));
    RSKOBJNAME new_type{};
    if (given(type_name)) rskname(con, &new_type, type_name->text, type_name->length);

    RSKCATOBJ* header = object;
    if (header == nullptr && (rssofid(con, &header, name, nullptr, RSKKIND_TDATA) != 0 || header == nullptr))
        return 1;
    auto* definition = static_cast<RSKTDATA*>(header->object);
    if (definition != nullptr) {
        rskdatc(con, definition);
    } else {
        definition = rsk_take_record(con, con->free_lists->position_datasets, kTDataChunk,
                                     "position data set definitions");
        if (definition == nullptr) return 1;
        header->object = definition;
    }
    rskname(con, &definition->name, new_name.buffer, length_of(new_name));
    definition->format = format;
    rskpnam(con, &definition->dataset, new_dataset.buffer, new_dataset.name.length);
    if (!con->catalog_loading) {
        char libref[8];
        member_name member{};
        char path[QOR_PATH_MAX];
        if (rskpthg(con, &definition->dataset.name, "DATASET ", 1, libref, &member, path, 0) != 0)
            xpmlog(598, 1015, static_cast<int>(definition->dataset.name.length), definition->dataset.buffer,
                   length_of(definition->name), definition->name.buffer);
    }
    // Only Simple data sets name an instrument type: others carry the type per row.
    if (length_of(new_type) > 0 && !con->catalog_loading) {
        known_type(con, new_type, definition->name);
        if (format != RSKDSFORMAT_SIMPLE) {
            const char* format_text = nullptr;
            int format_length = rskcspd(con, static_cast<int>(format), &format_text);
            xpmlog(598, 1018, length_of(definition->name), definition->name.buffer, format_length, format_text,
                   length_of(new_type), new_type.buffer);
            new_type.name.length = 0;
        }
    }
    if (length_of(new_type) > 0)
        rskname(con, &definition->instrument_type, new_type.buffer, length_of(new_type));
    else
        definition->instrument_type = RSKOBJNAME{};
    if (out != nullptr) *out = header;
    return 0;
}

int rskdata(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* variable_name, const RSKNAMEREC* column) {
    if (object == nullptr || object->object == nullptr || !given(variable_name) || column == nullptr) return 1;
    auto* definition = static_cast<RSKTDATA*>(object->object);
    RSKINSTTYPE* type = nullptr;
    if (length_of(definition->instrument_type) > 0) {
        type = known_type(con, definition->instrument_type, definition->name);
        if (type == nullptr) return 1;
    }
    if (!con->converting) {
        const int name_length = static_cast<int>(variable_name->length);
        RSKVARIABLE* variable = rskvar(con, variable_name);
        if (variable == nullptr) {
            xpmlog(598, 1016, name_length, variable_name->text, length_of(definition->name), definition->name.buffer);
            return 1;
        }
        if ((variable->role_flags & RSKROLEF_POSITION_DATA) == 0) {
            xpmlog(598, 1017, name_length, variable_name->text, length_of(definition->name), definition->name.buffer);
            return 1;
        }
        if (type != nullptr && !is_inst_id(con, variable) && rskvc(con, type, variable_name) == nullptr) {
            xpmlog(598, 1011, name_length, variable_name->text, length_of(definition->instrument_type),
                   definition->instrument_type.buffer);
            return 1;
        }
        if (variable->data_type == RSKDTYPE_ARRAY) {
            xpmlog(598, 1019, name_length, variable_name->text, length_of(definition->name), definition->name.buffer);
            return 1;
        }
    }
    return rsk_map_append(con, &definition->mappings, variable_name, column);
}

int rskdatr(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* variable_name) {
    if (object == nullptr || object->object == nullptr || variable_name == nullptr) return 1;
    return rsk_map_remove(con, &static_cast<RSKTDATA*>(object->object)->mappings, variable_name);
}

int rskdatc(RSKCON* con, RSKTDATA* definition) {
    if (definition == nullptr) return 0;
    rsk_map_clear(con, &definition->mappings);
    return 0;
}

int rskdatf(RSKCON* con, RSKTDATA* definition) {
    if (definition == nullptr) return 0;
    rskdatc(con, definition);
    std::memset(static_cast<void*>(definition), 0, sizeof *definition);
    rsk_give_free(con->free_lists->position_datasets, definition);
    return 0;
}
