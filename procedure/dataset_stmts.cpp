// READVARS ... WRITETYPES: resolve the data set of the statement, then let the engine read the
// definitions from it or write them to it. Read forms mark what they may change for rebuild.
#include <cstring>

#include "common/files/names.h"
#include "host/files.h"
#include "host/print.h"
#include "procedure/definition_handlers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/zozu_dispatch.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

// What one statement of the family does.
struct DatasetStatement {
    bool read;
    bool variables_flag, types_flag, methods_flag;
    const char* object_word;
    int slot;                    // engine reader or writer
};

int run_dataset_statement(RSKCON* con, statement_node* node, const DatasetStatement& s) {
    if (s.read) {
        if (s.slot == 101) con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
        if (s.variables_flag) con->variables_pending = 1;
        if (s.types_flag) con->types_pending = 1;
        if (s.methods_flag) con->methods_pending = 1;
    }
    const OperandText name = operand_text(node, kDataSetField);
    const int word_length = static_cast<int>(std::strlen(s.object_word));
    char libref[9];
    std::memset(libref, ' ', 8);
    libref[8] = '\0';
    member_name member{};
    char path[QOR_PATH_MAX] = {};
    int rc;
    if (s.read) {
        char spec[QOR_PATH_MAX] = {};
        const int n = name.length < QOR_PATH_MAX - 1 ? name.length : QOR_PATH_MAX - 1;
        std::memcpy(spec, name.text, static_cast<size_t>(n));
        RSKNAMEREC rec{static_cast<uint16_t>(QOR_PATH_MAX), static_cast<uint16_t>(n), spec};
        rc = rskpthg(con, &rec, "DATASET ", 1, libref, &member, path, 1);
        if (rc != 0) {
            xpmlog(670, 1010, word_length, s.object_word, static_cast<int>(strnlen(path, sizeof path)), path);
            return rc;
        }
    } else {
        rc = rskpthw(con, name.text, name.length, "DATASET ", libref, &member, nullptr, 1);
        if (rc != 0) {
            xpmlog(670, 1012, word_length, s.object_word, name.length, name.text);
            return rc;
        }
    }
    char member_text[33] = {};
    const int member_length = member.length > 0 && member.length <= 32 ? member.length : 0;
    std::memcpy(member_text, member.text, static_cast<size_t>(member_length));
    char dataset_name[QOR_PATH_MAX] = {};
    std::memcpy(dataset_name, name.text, static_cast<size_t>(name.length < QOR_PATH_MAX - 1 ? name.length : QOR_PATH_MAX - 1));

    DatasetRoutine routine = dataset_routine(s.slot);
    rc = routine != nullptr ? routine(con, libref, member_text, dataset_name) : 1;
    if (rc != 0) xpmlog(670, s.read ? 1011 : 2011, word_length, s.object_word);
    return rc;
}

constexpr DatasetStatement kReadVars{true, true, true, true, "variable", 295};
constexpr DatasetStatement kWriteVars{false, false, false, false, "variable", 296};
constexpr DatasetStatement kReadRefs{true, true, true, true, "reference map", 215};
constexpr DatasetStatement kWriteRefs{false, false, false, false, "reference map", 216};
constexpr DatasetStatement kReadCategories{true, true, true, true, "categories", 37};
constexpr DatasetStatement kWriteCategories{false, false, false, false, "categories", 38};
constexpr DatasetStatement kReadArrays{true, true, true, true, "array", 19};
constexpr DatasetStatement kWriteArrays{false, false, false, false, "array", 20};
constexpr DatasetStatement kReadTypes{true, false, true, false, "instrument", 101};
constexpr DatasetStatement kWriteTypes{false, false, false, false, "instrument", 103};

}  // namespace

int readvars_stmt(RSKCON* con, statement_node* node) { return run_dataset_statement(con, node, kReadVars); }
int writevars_stmt(RSKCON* con, statement_node* node) { return run_dataset_statement(con, node, kWriteVars); }
int readrefs_stmt(RSKCON* con, statement_node* node) { return run_dataset_statement(con, node, kReadRefs); }
int writerefs_stmt(RSKCON* con, statement_node* node) { return run_dataset_statement(con, node, kWriteRefs); }
int readcategories_stmt(RSKCON* con, statement_node* node) {
    return run_dataset_statement(con, node, kReadCategories);
}
int writecategories_stmt(RSKCON* con, statement_node* node) {
    return run_dataset_statement(con, node, kWriteCategories);
}
int readarrays_stmt(RSKCON* con, statement_node* node) { return run_dataset_statement(con, node, kReadArrays); }
int writearrays_stmt(RSKCON* con, statement_node* node) { return run_dataset_statement(con, node, kWriteArrays); }
int readtypes_stmt(RSKCON* con, statement_node* node) { return run_dataset_statement(con, node, kReadTypes); }
int writetypes_stmt(RSKCON* con, statement_node* node) { return run_dataset_statement(con, node, kWriteTypes); }

}  // namespace zozu
