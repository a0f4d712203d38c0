// The "Simple" input format: one observation per instrument, its type named by the data set
// definition or read from the InstType column of each observation.
#include "engine/files/instrument_file.h"
#include "engine/files/instrument_read.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variables.h"
#include "host/dataset.h"
#include "host/print.h"

namespace {

int name_length(const RSKOBJNAME& name) { return static_cast<int>(name.name.length); }

int count_kind(RSKCON* con, uint32_t kind) {
    int n = 0;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) n += v->kind == kind;
    return n;
}

}  // namespace

int read_flat_dataset(RSKCON* con, RSKREADDS* ds) {
    return name_length(ds->definition->instrument_type) > 0 ? read_flat_one_type(con, ds)
                                                            : read_flat_many_types(con, ds);
}

int read_flat_one_type(RSKCON* con, RSKREADDS* ds) {
    const RSKOBJNAME& type_name = ds->definition->instrument_type;
    RSKINSTTYPE* type = rskcls(con, type_name.buffer, name_length(type_name));
    if (type == nullptr) {
        xpmlog(598, 1821, name_length(type_name), type_name.buffer, name_length(ds->definition->name),
               ds->definition->name.buffer);
        return 1;
    }
    if (!read_type_fits(con, type, RSKDSFORMAT_SIMPLE)) return 1;
    int rc = read_prepare_get(con, ds, type->resolved_count + count_kind(con, RSKVKIND_SYSTEM));
    if (rc != 0) return rc;
    RSKSYSVARS* sv = con->system_variables;
    rc = map_variable_names(con, ds, type);
    lookup_kind(con, ds, RSKVKIND_SYSTEM);
    lookup_variables(con, ds, type->resolved_head);
    if (sv->inst_type->read_found) {
        const RSKOBJNAME& t = sv->inst_type->name;
        xpmlog(598, 1818, name_length(t), t.buffer, static_cast<int>(ds->member_length), ds->member,
               name_length(ds->definition->name), ds->definition->name.buffer, name_length(t), t.buffer,
               name_length(type->name), type->name.buffer);
    }
    if (check_var(con, ds, sv->inst_id) != 0) rc = 1;
    if (read_finish_get(con, ds) != 0) rc = 1;
    if (rc != 0) return rc;
    rsktrai(con, type);
    RSKIDBUF id{};
    while (read_next(con, ds) == 0) {
        if (read_id_value(con, ds, &id) != 0) continue;
        write_transaction(con, ds, type, &id);
    }
    return 0;
}

int read_flat_many_types(RSKCON* con, RSKREADDS* ds) {
    int rc = read_prepare_get(con, ds, count_kind(con, RSKVKIND_INSTRUMENT) + count_kind(con, RSKVKIND_SYSTEM));
    if (rc != 0) return rc;
    if ((rc = map_variable_names(con, ds, nullptr)) != 0) return rc;
    RSKSYSVARS* sv = con->system_variables;
    lookup_kind(con, ds, RSKVKIND_SYSTEM);
    lookup_kind(con, ds, RSKVKIND_INSTRUMENT);
    rc = check_var(con, ds, sv->inst_type);
    if (check_var(con, ds, sv->inst_id) != 0) rc = 1;
    if (read_finish_get(con, ds) != 0) rc = 1;
    if (rc != 0) return rc;
    RSKIDBUF id{}, type_value{};
    while (read_next(con, ds) == 0) {
        RSKINSTTYPE* type = nullptr;
        if (read_id_value(con, ds, &id) == 0 && read_insttype_value(con, ds, &type_value, &id, &type) == 0 &&
            read_type_fits(con, type, RSKDSFORMAT_SIMPLE)) {
            // The blank instrument starts from the type's defaults; the columns then fill it.
            rsktrai(con, type);
            xyvget(ds->get, 0);
            write_transaction(con, ds, type, &id);
        }
        read_limit_notice(ds);
    }
    return 0;
}
