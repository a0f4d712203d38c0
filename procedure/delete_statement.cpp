// The DELETE statement: removes the named objects kind by kind, in the fixed order of the kinds,
// and sets the rebuild flags that a removal makes stale.
#include "engine/model/variables/variable_record.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/object_tables.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/housekeeping.h"
#include "procedure/object_kinds.h"
#include "procedure/operand_reading.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

constexpr int kStatementWordLength = 6;
const char* const kStatementWord = "DELETE";

// Removes a variable unless it is one of the built-in names. 0 | code.
int delete_variable(RSKCON* con, RSKVARIABLE* variable, const char* name, int length) {
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    if (rsksym(con, &con->reserved_names, &key) != nullptr) {
        xpmlog(670, 1034, length, name);
        return 1;
    }
    int rc = rskvarf(con, variable);
    // Every rebuilt view may name the variable.
    con->variables_pending = con->types_pending = con->methods_pending = 1;
    return rc;
}

// Removes an instrument type: its entry in the current environment's catalog, then the type.
int delete_instrument_type(RSKCON* con, RSKINSTTYPE* type, const char* name, int length) {
    auto remove_entry = catalog_routine<CatalogSlot::rssoflf>();
    const RSKENV* environment = con->current_environment;
    int rc = 1;
    if (remove_entry != nullptr && environment != nullptr)
        rc = remove_entry(con, environment->libref, environment->name.name.text, environment->name.name.length, name,
                          length, "ZUVU1   ");
    int freed = rskclsf(con, type);
    con->types_pending = 1;
    return rc > freed ? rc : freed;
}

// Kinds whose removal routine is not part of this build name themselves and fail.
int delete_other(const char* word, int word_length, const char* name, int length) {
    xebug("delete_stmt: deleting the %*s %*s is not yet available.", word_length, word, length, name);
    return 1;
}

// The environment an object is only inherited from (not defined or redefined in the current
// one); null for an object of the current environment.
const RSKENV* inherited_from(int32_t kind, const void* object) {
    if (kind == RSKKIND_VARIABLE) {
        const auto* variable = static_cast<const RSKVARIABLE*>(object);
        return variable->origin == 2 ? variable->environment : nullptr;
    }
    // The type record is the engine's own and does not say here which environment defined it.
    if (kind == RSKKIND_INSTTYPE) return nullptr;
    const auto* header = static_cast<const RSKCATOBJ*>(object);
    return header->state == RSKCATOBJ_INHERITED ? header->environment : nullptr;
}

// 670/1031: an inherited object stays as it is (its path masked under GENERIC).
int refuse_inherited(const RSKCON* con, const RSKENV* environment, const char* word, int word_length,
                     const char* name, int length) {
    const bool neutral = con->generic || con->neutral_paths;
    const char* path = neutral ? "<System-specific pathname>" : environment->path.buffer;
    const int path_length = neutral ? 26 : environment->path.name.length;
    xpmlog(670, 1031, word_length, word, length, name, static_cast<int>(environment->name.name.length),
           environment->name.buffer, path_length, path);
    return 1;
}

// Removes a method object and its entry in the current environment's catalog. 0 | code.
int delete_method(RSKCON* con, const char* name, int length) {
    static const char kWord[] = "method";
    const int word_length = static_cast<int>(sizeof kWord - 1);
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    auto* header = con->current_tables != nullptr
                       ? static_cast<RSKCATOBJ*>(rsksym(con, &con->current_tables->tables[RSKTAB_GENTRANS], &key))
                       : nullptr;
    if (header == nullptr) {
        xpmlog(670, 1030, word_length, kWord, length, name, kStatementWordLength, kStatementWord);
        return 1;
    }
    if (const RSKENV* parent = inherited_from(RSKKIND_TRANSFORMATION, header))
        return refuse_inherited(con, parent, kWord, word_length, name, length);
    auto remove = catalog_routine<CatalogSlot::rssofif>();
    con->types_pending = con->methods_pending = 1;
    return remove != nullptr ? remove(con, header) : 1;
}

}  // namespace

int delete_stmt(RSKCON* con, statement_node* node) {
    int result = 0;
    auto keep_largest = [&](int rc) {
        if (rc > result) result = rc;
    };
    for_each_named_object(node, [&](const ObjectKind& kind, const char* name, int length, const char* word,
                                    int word_length) {
        void* object = find_object(con, kind, name, length);
        if (object == nullptr) {
            xpmlog(670, 1030, word_length, word, length, name, kStatementWordLength, kStatementWord);
            keep_largest(1);
            return;
        }
        if (const RSKENV* parent = inherited_from(kind.kind, object)) {
            keep_largest(refuse_inherited(con, parent, word, word_length, name, length));
            return;
        }
        if (kind.kind == RSKKIND_VARIABLE)
            keep_largest(delete_variable(con, static_cast<RSKVARIABLE*>(object), name, length));
        else if (kind.kind == RSKKIND_INSTTYPE)
            keep_largest(delete_instrument_type(con, static_cast<RSKINSTTYPE*>(object), name, length));
        else
            keep_largest(delete_other(word, word_length, name, length));
    });
    // A method goes with its catalog entry; instrument types that name it are checked again.
    for_each_name(node, kObjMethod, [&](const char* name, int length) {
        if (length == 0) return;
        keep_largest(delete_method(con, name, length));
    });
    for_each_name(node, kObjEnvironment, [&](const char* name, int length) {
        if (length == 0) return;
        auto remove_environment = catalog_routine<CatalogSlot::rssenvc>();
        keep_largest(remove_environment != nullptr ? remove_environment(con, name, length) : 1);
    });
    return result;
}

}  // namespace zozu
