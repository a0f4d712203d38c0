// Loading parameter matrices for a run through the market data set service, and preparing a
// linear transformation: its rows and columns read from the data when the definition does not
// name them, and the risk factor each one names.
#include "common/files/dataset.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/services/catalog.h"
#include "engine/model/services/files.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"

namespace {

constexpr int kReadAccess = 4;

// Opens the matrix's market data set definition as LinTrans or Parameters. 0, or 1 after
// 598/1982 (no such definition) or 598/1983 (it cannot be opened).
int open_input(RSKCON* con, RSKPARMATRIX* matrix, mds* context) {
    const int type = matrix->linear_transformation ? RSKMDS_LINTRANS : RSKMDS_PARAMETERS;
    RSKNAMECELL name{nullptr, matrix->input_dataset};
    const int rc = own_engine_routine<EngineSlot::rskmdso>()(con, context, type, nullptr, &name, nullptr, nullptr);
    if (rc == 0) return 0;
    if (rc == 2 || context->definition == nullptr)
        xpmlog(598, 1982, RSK_NAME(matrix->name));
    else
        xpmlog(598, 1983, RSK_NAME(matrix->input_dataset), RSK_NAME(matrix->name));
    return 1;
}

void close_input(RSKCON* con, mds* context) { own_engine_routine<EngineSlot::rskmdsc>()(con, context); }

int load_parameter(RSKCON* con, RSKPARMATRIX* matrix) {
    mds context{};
    if (open_input(con, matrix, &context) != 0) return 1;
    const int rc = matrix->linear_transformation ? read_lintrans_data(con, matrix, &context)
                                                 : read_data(con, matrix, &context);
    close_input(con, &context);
    return rc;
}

// Pieces of an earlier run whose pool has gone are forgotten before this run uses the matrix.
void forget_stale_run(RSKCON* con, RSKPARMATRIX* matrix) {
    if (matrix->run_pool != nullptr && matrix->run_pool != con->run_pool) rskpmx_forget_run(matrix);
}

bool wanted(const RSKPARMATRIX* matrix, int run) {
    const RSKVARIABLE* v = matrix->variable;
    const uint8_t use = v != nullptr ? v->parameter_use : 0;
    return (use & RSKPMXUSE_ALWAYS) || matrix->prepared || (run && (use & RSKPMXUSE_RUN));
}

// The risk factor of each identifier of the map into `variables`; 1 when any is unknown.
int resolve(RSKCON* con, const RSKIDMAP& map, RSKVARIABLE** variables, const RSKPARMATRIX* matrix, int message) {
    int failed = 0;
    for (int i = 0; i < map.count; ++i) {
        const RSKIDENTRY& entry = map.entries[i];
        RSKNAMEREC name{static_cast<uint16_t>(entry.length), static_cast<uint16_t>(entry.length),
                        const_cast<char*>(entry.identifier)};
        variables[i] = entry.length > 0 ? static_cast<RSKVARIABLE*>(rsksym(con, &con->runtime_tables->variables, &name))
                                        : nullptr;
        if (variables[i] == nullptr) {
            xpmlog(598, message, static_cast<int>(entry.length), entry.identifier, RSK_NAME(matrix->name));
            failed = 1;
        }
    }
    return failed;
}

}  // namespace

int rskpmx1(RSKCON* con, int run) {
    if (con == nullptr || con->current_tables == nullptr) return 1;
    int result = 0;
    const RSKSYMTAB& table = con->current_tables->tables[RSKTAB_PARMATRICES];
    for (const RSKSYMBOL* symbol = table.list_head; symbol != nullptr; symbol = symbol->next_in_list) {
        auto* header = static_cast<RSKCATOBJ*>(symbol->object);
        auto* matrix = static_cast<RSKPARMATRIX*>(rssofiq(con, header, 0));
        if (matrix == nullptr) continue;
        forget_stale_run(con, matrix);
        if (!wanted(matrix, run)) continue;
        if (rssofiq(con, header, kReadAccess) == nullptr || load_parameter(con, matrix) != 0) result = 1;
    }
    return result;
}

int rskpmxi(RSKCON* con, RSKPARMATRIX* matrix) {
    if (con == nullptr || matrix == nullptr || con->runtime_tables == nullptr) return 1;
    forget_stale_run(con, matrix);
    if (matrix->prepared) return 0;
    if (!matrix->rows.known || !matrix->columns.known) {
        mds context{};
        if (open_input(con, matrix, &context) != 0) {
            xpmlog(598, 1986, RSK_NAME(matrix->name));
            return 1;
        }
        const int rc = get_row_column_from_data(con, matrix, &context);
        close_input(con, &context);
        if (rc != 0) {
            xpmlog(598, 1986, RSK_NAME(matrix->name));
            return 1;
        }
    }
    const size_t row_bytes = sizeof(RSKVARIABLE*) * static_cast<size_t>(matrix->rows.count > 0 ? matrix->rows.count : 1);
    const size_t column_bytes =
        sizeof(RSKVARIABLE*) * static_cast<size_t>(matrix->columns.count > 0 ? matrix->columns.count : 1);
    matrix->row_variables = static_cast<RSKVARIABLE**>(rskpmx_run_alloc(con, row_bytes));
    matrix->column_variables =
        matrix->row_variables != nullptr ? static_cast<RSKVARIABLE**>(rskpmx_run_alloc(con, column_bytes)) : nullptr;
    if (matrix->column_variables == nullptr) {
        matrix->row_variables = nullptr;
        rsknomem(con, row_bytes + column_bytes, "parameter matrix");
        return 1;
    }
    matrix->run_pool = con->run_pool;
    return resolve(con, matrix->rows, matrix->row_variables, matrix, 1988) +
           resolve(con, matrix->columns, matrix->column_variables, matrix, 1987);
}
