// COUNTERPARTY/CPTY and MITIGATION/MIT: define a type of the container with its method, scoring
// model, base type and variables, replacing a type of the same name.
#include <cstring>
#include <string>

#include "common/hash/hash_table.h"
#include "host/print.h"
#include "procedure/container_access.h"
#include "procedure/counterparty_containers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"

namespace zozu {

namespace {

// Operand fields of both statements.
constexpr int kNameField = 1, kLabelField = 2, kDescriptionField = 3, kBaseField = 4, kModelField = 5,
              kFunctionField = 6, kMethodField = 7, kVariablesField = 8;
constexpr int kTypeTableSize = 1000;

int length_of(const char* text) { return static_cast<int>(std::strlen(text)); }

// The type being built, whichever family.
struct TypeUnderway {
    RSKCPTYTYPE* cpty = nullptr;
    RSKMITTYPE* mit = nullptr;
    hash_table* variables() const { return cpty != nullptr ? cpty->variables : mit->variables; }
    int32_t& count() const { return cpty != nullptr ? cpty->variable_count : mit->variable_count; }
};

// The name of a listed variable as the container keys it: upper-cased, the two spellings of the
// counterparty's identifier and type taken as the container's own system variables.
int container_key(const ContainerFamily& family, const OperandText& item, char key[kContainerNameLimit + 1]) {
    int length = upper_name(item.text, item.length, key);
    if (family.counterparty) {
        length = counterparty_id_name(key, length);
        if (std::strcmp(key, "COUNTERPARTYTYPE") == 0) {
            std::memcpy(key, "CPTYTYPE", 9);
            length = 8;
        }
    }
    return length;
}

// Adds a container variable to the type's table: 0, 3 already there, 1 when it cannot be added.
int add_to_type(RSKCON* con, TypeUnderway& type, RSKCPTYVAR* variable) {
    int rc = insert_item(con, type.variables(), variable->name, variable);
    if (rc == 0) ++type.count();
    return rc;
}

int type_stmt(RSKCON* con, statement_node* node, const ContainerFamily& family, const char* statement) {
    ContainerView view = loaded_container(con, family, statement);
    if (view.container == nullptr) return 1;
    if (!ensure_table(con, view.types, kTypeTableSize)) {
        xpmlog(598, family.no_type_table, length_of(family.word), family.word);
        return 1;
    }
    char name[kContainerNameLimit + 1], base[kContainerNameLimit + 1], method[kContainerNameLimit + 1];
    const OperandText name_text = operand_text(node, kNameField);
    const int name_length = upper_name(name_text.text, name_text.length, name);
    if (name_length == 0) {
        const std::string word = std::string(family.word) + " type";
        xpmlog(670, 1089, length_of(word.c_str()), word.c_str(), 0, "");
        return 1;
    }
    const OperandText base_text = operand_text(node, kBaseField);
    const int base_length = upper_name(base_text.text, base_text.length, base);
    const OperandText method_text = operand_text(node, kMethodField);
    upper_name(method_text.text, method_text.length, method);
    OperandText label_text = operand_text(node, kLabelField);
    if (label_text.length == 0) label_text = operand_text(node, kDescriptionField);
    const std::string label(label_text.text, static_cast<size_t>(label_text.length));
    const char* label_arg = label.empty() ? nullptr : label.c_str();
    const char* method_arg = method[0] != '\0' ? method : nullptr;
    int listed = 0;
    NameCursor counter(node, kVariablesField);
    for (OperandText item; counter.next(&item);) ++listed;
    const int hint = listed + (*view.variable_count > 0 ? *view.variable_count : 0);

    TypeUnderway type;
    if (family.counterparty) {
        RSKCPTYMODEL* model = nullptr;
        const OperandText model_text = operand_text(node, kModelField);
        const OperandText function_text = operand_text(node, kFunctionField);
        if (model_text.length > 0 || function_text.length > 0) {
            char model_name[kContainerNameLimit + 1], function_name[kContainerNameLimit + 1];
            const int model_length = upper_name(model_text.text, model_text.length, model_name);
            const int function_length = upper_name(function_text.text, function_text.length, function_name);
            model = new_cpty_model(con->current_pool, nullptr, model_length, model_name, function_length,
                                   function_name);
            if (model == nullptr) {
                xpmlog(598, 7728, name_length, name);
                return 1;
            }
        }
        type.cpty = new_cpty_type(con->current_pool, name, method_arg, model, label_arg, hint);
    } else {
        type.mit = new_mit_type(con->current_pool, name, method_arg, label_arg, hint);
    }
    if (type.cpty == nullptr && type.mit == nullptr) {
        xpmlog(598, family.no_type, length_of(family.word), family.word, name_length, name);
        return 1;
    }
    // A type that is not entered goes back (a mitigation type stays in the pool: no freeing entry).
    auto discard = [&]() {
        if (type.cpty != nullptr) delete_cpty_type(con->current_pool, type.cpty);
    };

    if (base_length > 0) {
        hash_item* found = zozu::hash_query(*view.types, base);
        if (found == nullptr || found->value == nullptr) {
            xpmlog(598, 7731, base_length, base, length_of(family.word), family.word, name_length, name);
            discard();
            return 1;
        }
        const int rc = family.counterparty
                           ? cpty_add_super(con->current_pool, static_cast<RSKCPTYTYPE*>(found->value), type.cpty)
                           : mit_add_super(con->current_pool, static_cast<RSKMITTYPE*>(found->value), type.mit);
        if (rc != 0) {
            xpmlog(598, family.no_super, base_length, base, name_length, name);
            discard();
            return 1;
        }
    }

    int result = 0;
    NameCursor items(node, kVariablesField);
    OperandText item;
    while (items.next(&item)) {
        if (item.length == 0) continue;
        char key[kContainerNameLimit + 1];
        const int key_length = container_key(family, item, key);
        hash_item* held = zozu::hash_query(*view.variables, key);
        if (held == nullptr || held->value == nullptr) {
            xpmlog(598, 7732, key_length, key, length_of(family.word), family.word);
            result = 1;
            continue;
        }
        if (add_to_type(con, type, static_cast<RSKCPTYVAR*>(held->value)) == 1) {
            xpmlog(598, 7733, key_length, key, name_length, name);
            result = 1;
        }
    }
    // Without a base type the type takes every container variable it does not hold yet.
    if (base_length == 0) {
        for (hash_item* v = zozu::enumerate_table(*view.variables); v != nullptr; v = v->next) {
            if (add_to_type(con, type, static_cast<RSKCPTYVAR*>(v->value)) == 1) {
                xpmlog(598, 7733, length_of(v->key), v->key, name_length, name);
                result = 1;
            }
        }
    }
    const int rc = family.counterparty ? con_add_cpty_type(con, type.cpty) : con_add_mit_type(con, type.mit);
    if (rc != 0) {
        xpmlog(598, family.no_type_insert, name_length, name, length_of(family.word), family.word);
        discard();
        return 1;
    }
    return result;
}

}  // namespace

int cpty_stmt(RSKCON* con, statement_node* node) { return type_stmt(con, node, kCounterpartyFamily, "COUNTERPARTY"); }
int mit_stmt(RSKCON* con, statement_node* node) { return type_stmt(con, node, kMitigationFamily, "MITIGATION"); }

}  // namespace zozu
