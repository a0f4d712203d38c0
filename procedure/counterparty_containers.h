// The counterparty and mitigation containers as the definition statements fill them: building a
// container with its system variables, adding variables and types, the reserved system names,
// loading a container from the environment's catalog, and the statements that define them.
#pragma once
#include <cstdint>

#include "engine/tables/counterparty_records.h"
#include "engine/tables/control_structure.h"
#include "host/parser.h"

namespace zozu {

// Builds (or widens for `count` more variables) the counterparty container with its system
// variables and marks it loaded. 0, or 1 after a message (a container it created is dropped).
int initialize_cpty_con(RSKCON* con, int count);
int initialize_mit_con(RSKCON* con, int count);

// Adds a defined variable to the container: 0 (also when the name is there already, 598/7755),
// 1 without a pool or a variable or when it cannot be added.
int con_add_cpty_var(RSKCON* con, const char* name, int name_length, const char* label, int label_length,
                     const char* role, int role_length, int data_type, RSKVARIABLE* variable);
int con_add_mit_var(RSKCON* con, const char* name, int name_length, const char* label, int label_length,
                    const char* role, int role_length, int data_type, RSKVARIABLE* variable);

// Inserts a type in the container's type table, replacing (and freeing) one of the same name.
int con_add_cpty_type(RSKCON* con, RSKCPTYTYPE* type);
int con_add_mit_type(RSKCON* con, RSKMITTYPE* type);

// Defines the system variables of a name table the container does not hold yet: input ones as
// CHAR VAR, output ones as NUM COMPUTED, each in the data-type table and class given.
int con_add_in_sys_vars(RSKCON* con, int data_type_table, int variable_class, const char* const* names, int count);
int con_add_out_sys_vars(RSKCON* con, int data_type_table, int variable_class, const char* const* names,
                         int count);

// Whether a name (cut to 32 characters, case ignored) is reserved for the system variables.
bool cpty_system_variable(const char* name, int length);
bool mit_system_variable(const char* name, int length);

// Loads a container stored in one environment's catalog, or the first one found along the
// environment and the environments it inherits from. 0 loaded or nothing stored, 1 on failure.
int cpty_load_environment(RSKCON* con, RSKENV* environment);
int mit_load_environment(RSKCON* con, RSKENV* environment);
int cpty_load_env_tree(RSKCON* con);
int mit_load_env_tree(RSKCON* con);

// The statements.
int cpty_stmt(RSKCON* con, statement_node* node);
int mit_stmt(RSKCON* con, statement_node* node);
int cptydata_stmt(RSKCON* con, statement_node* node);
int mitdata_stmt(RSKCON* con, statement_node* node);
int sources_stmt(RSKCON* con, statement_node* node);
int instdata_stmt(RSKCON* con, statement_node* node);

// The three parts of SOURCES over the listed names: the counterparty and mitigation data sets
// go to their containers' source tables, every other name must be a position data set.
int counterparty_sources(RSKCON* con, const char* source, const statement_node* node);
int mitigation_sources(RSKCON* con, const char* source, const statement_node* node);
int positions_sources(RSKCON* con, RSKCATOBJ* object, const statement_node* node);

}  // namespace zozu
