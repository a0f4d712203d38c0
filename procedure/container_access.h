// What the counterparty and mitigation statements share: one description of each container
// family (names, message numbers, tables), a view of a container's tables, upper-cased names.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"
#include "engine/tables/counterparty_records.h"

namespace zozu {

constexpr int kContainerNameLimit = 32;

// One family of container: counterparty or mitigation.
struct ContainerFamily {
    bool counterparty;
    const char* word;                // "counterparty" or "mitigation"
    const char* data_statement;      // the data statement's word in messages
    int data_type_table;             // of DECLARE's class
    int variable_class;
    int initial_variables;           // variable table size before the declared variables
    const char* const* inputs;       // input system variables (CHAR VAR)
    int input_count;
    const char* const* outputs;      // output system variables (NUM COMPUTED)
    int output_count;
    // Messages of table 598.
    int no_system_variables;         // system variables not defined
    int no_type_table;
    int no_type;                     // the type record cannot be made
    int no_super;                    // the base type cannot be linked
    int no_type_insert;              // the type cannot be entered
    int no_dataset;                  // the data set record cannot be made
};

extern const ContainerFamily kCounterpartyFamily;
extern const ContainerFamily kMitigationFamily;

// The tables and totals of a container, whichever family; all null when there is none.
struct ContainerView {
    void* container = nullptr;
    hash_table** variables = nullptr;
    hash_table** system_variables = nullptr;
    hash_table** types = nullptr;
    hash_table** datasets = nullptr;
    hash_table** sources = nullptr;
    int32_t* statelength = nullptr;      // output bytes of one state
    int32_t* output_total = nullptr;     // the second total of output bytes
    int32_t* variable_count = nullptr;
};

ContainerView container_view(RSKCON* con, const ContainerFamily& family);
// Whether the family's container is there and in its loaded state.
bool container_loaded(RSKCON* con, const ContainerFamily& family);
// The family's container if loaded; otherwise a message naming the statement and null.
ContainerView loaded_container(RSKCON* con, const ContainerFamily& family, const char* statement);

// An upper-cased copy of a name cut to 32 characters, NUL-terminated; its length.
int upper_name(const char* text, int length, char out[kContainerNameLimit + 1]);
// COUNTERPARTYID is always kept as CPTYID (in place, in a buffer of 33).
int counterparty_id_name(char name[kContainerNameLimit + 1], int length);

// A NUL-terminated copy in the environment's pool (freed by the engine with the record that keeps
// it); null when out of memory.
char* copy_text(RSKCON* con, const char* text);

// Creates the table when missing; false when it cannot be made.
bool ensure_table(RSKCON* con, hash_table** table, int hint);
// Inserts key -> value (the key must outlive the item): 0, 3 when the key is there, 1 on failure.
int insert_item(RSKCON* con, hash_table* table, const char* key, void* value);

}  // namespace zozu
