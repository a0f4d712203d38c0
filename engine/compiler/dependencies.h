// Action dependency resolution and change masks: which variables each action reads and writes,
// the order of the actions and their closed needs matrix, and per market state the list of actions
// to run and the mask of changed variables.
#pragma once
#include <cstdint>

#include "engine/compiler/compile_control.h"
#include "engine/model/variables/variable_record.h"

// An output link of an action: one variable that the action writes (24 bytes in the stored layout).
struct RSKACTLINK {
    RSKACTLINK* next;
    RSKVARIABLE* variable;
};

// A linear transformation: the variables it reads and those it computes from them.
struct RSKLINTRANS {
    RSKOBJNAME name;
    RSKVARIABLE** inputs;
    int32_t input_count;
    RSKVARIABLE** outputs;
    int32_t output_count;
    // ---- pricing built-ins (engine/builtins/linear_transformation.cpp): the parameter matrix
    // whose pattern rows hold each input's coefficients and whose mean and standard-deviation
    // vectors are the outputs' offsets and scales ----
    struct RSKPARMATRIX* matrix;
};

// Masks of the dependency matrix, least significant bit first: bit (i, j) of the matrix lives in
// byte i * row_bytes + j / 8 under RSKRSV_BITS[j % 8].
inline constexpr uint8_t RSKRSV_BITS[8] = {1, 2, 4, 8, 16, 32, 64, 128};

// Action states of the state list.
enum : uint8_t { RSKSTATE_OFF = 0, RSKSTATE_RUN = 1, RSKSTATE_SUPPRESSED = 2 };
// Dependency flags of an action.
enum : uint8_t { RSKACTF_NEEDED_BY_OTHER = 32, RSKACTF_NEEDS_OTHER = 64 };
// Resolution state of an action that reads no data input.
enum : uint8_t { RSKRES_INPUT_FREE = 2 };

// ---- Building the dependency information and the order (compile time) ----

// Links every action of the run to the variables it reads and writes and orders them (rskrsvl);
// prints factors and dependencies when TRACE asks. 0, 1 (reported) or 99 (bad action type).
int rskrsvd(RSKCON* con, int flag);
// Numbers the actions, closes the needs matrix and rejects loops: 0 or 1 (reported).
int rskrsvl(RSKCON* con);
// Marks the first writer of the variable, and recursively the first writers of its data inputs,
// as needed for price.
int rskrsvs(RSKCON* con, RSKVARIABLE* variable);
// Reports variables that are read (or used for price) but computed by no action; reports only.
int check_variables(RSKCON* con, int used_for_price);
// The factor listing (598/2214) and the matrix listing (598/2201 ...).
void print_factors(RSKCON* con);
void print_dependencies(RSKCON* con);

// ---- Drivers: the actions of a run ----

// The input actions of every instrument type (rskrsv1), their pricing actions (rskrsv3), the
// pricing action of one type (rskrsv4) and the check that every instrument variable its method
// uses is declared for the type (rskrsv5). 0, 1 (reported) or 99 (bad action type).
int rskrsv1(RSKCON* con);
int rskrsv3(RSKCON* con);
int rskrsv4(RSKCON* con, struct RSKINSTTYPE* type);
int rskrsv5(RSKCON* con, struct RSKINSTTYPE* type, RSKACTION* action);
// Fetches and compiles the methods that the instrument types' actions name (598/3128 for one
// that cannot be read); a type action naming QUAD_VALUE values the type's quadratic
// approximation instead. The largest code.
int rskrsv0(RSKCON* con);
// Compiles a method object unless it is compiled already: 0, or 1 after 598/3133.
int rskrsvt(RSKCON* con, RSKGENTRANS* method, int flag);

// The methods a project names enter the run as actions, each fetched and compiled once:
// the transformation sets (rskrsv2: their transformation methods and linear transformations,
// nested sets in order; `report` asks for the notes on members not defined yet), the methods
// that compute parameter matrices (rskrsv6: project methods), and the post-valuation (rskrsv7)
// and post-pricing (rskrsv8) methods. 0, or 1 after a message.
int rskrsv2(RSKCON* con, const struct RSKNAMELIST* sets, int report);
int rskrsv6(RSKCON* con, const struct RSKNAMELIST* methods);
int rskrsv7(RSKCON* con, const struct RSKNAMELIST* methods);
int rskrsv8(RSKCON* con, const struct RSKNAMELIST* methods);

// The method of a counterparty or mitigation type, filled before it is resolved.
struct RSKTYPEMETHOD {
    RSKOBJNAME name;                 // the method's name
    int32_t kind;                    // 11 counterparty, 12 mitigation
    int32_t mode;                    // compile mode: 3 once fetched
    RSKGENTRANS* method;             // the fetched method object
    RSKACTION action;                // its action in the run
};
// Resolves the method of the current counterparty or mitigation type (`type_name` in messages):
// fetches and compiles it and enters its action in the run's list. 0, or 1 after a message.
int rskrsvm(RSKCON* con, RSKTYPEMETHOD* record, const RSKNAMEREC* type_name);

// ---- Per market state ----

// Builds the action state list of the current state and the change mask: 0 or 1 (no memory).
int rskrsvx(RSKCON* con, int all, int trace);
// The base case: every variable supplied by data counts as changed; the alternate list is built.
int rskrsvb(RSKCON* con);
// 1 when one of the (up to 4) variables changed; then sets bit `position` of the change mask.
int rskrsvf(RSKCON* con, RSKVARIABLE* const* variables, int count, int position);
// 1 when the two masks share a set bit (always 1 while the run runs everything).
int rskrsvc(RSKCON* con, const uint8_t* a, const uint8_t* b, int word_count);
// 1 when the variable changed in the current state: a non-zero change value or a writer that runs.
int rskrsvv(RSKCON* con, RSKVARIABLE* variable);
// Every variable's change value and second change word to 0.
void rskrsvz(RSKCON* con);
// Change masks of simulation states: `value` answers a variable's value in a state (the
// market-state buffer of the run).
using rsk_state_value_fn = double (*)(void* context, RSKVARIABLE* variable, int32_t state);
int set_rep_changemask(RSKCON* con, int32_t state_a, int32_t state_b, rsk_state_value_fn value, void* context);
int set_uncond_changemask(RSKCON* con, int32_t state_a, int32_t state_b, rsk_state_value_fn value, void* context);

// ---- Helpers shared by the files of dependency resolution ----

// The run-compile record of the control structure, or null.
RSKRUNCOMPILE* dependency_run(RSKCON* con);
// Appends an action to the run's action list unless it is there already.
void append_action(RSKRUNCOMPILE* run, RSKACTION* action);
// Bytes of a change mask of `positions` bits: whole 32-bit words, so that masks compare by words.
int32_t change_mask_bytes(int32_t positions);
// Allocates the change mask of the run (zeroed, padding included) for `positions` bits: 0 or 1.
int allocate_change_mask(RSKCON* con, int32_t positions);
// The change mask from the variables of the current state.
void setup_changemask(RSKCON* con);
// Elements of an array variable (null entries skipped by callers), and their count.
int32_t array_element_count(const RSKVARIABLE* variable);
// 1 for an array variable whose elements dependency resolution looks into.
int is_open_array(const RSKVARIABLE* variable);
int is_array(const RSKVARIABLE* variable);
// 1 when the use entry is a data input: read, and not of kind 4 or 5, of codes 221, 223, 228 or
// of a constant variable.
int is_data_input(const RSKUSEENTRY* use);
// The first use entry of the action's method, or null.
RSKUSEENTRY* action_uses(const RSKACTION* action);
// The first argument entry of the action's method, or null.
RSKSYMENTRY* action_arguments(const RSKACTION* action);
// Prints an action: ends the current listing line with its kind and name, or (to_log) writes an
// indented line to the log under the message before it.
void print_dependency_action(RSKCON* con, const RSKACTION* action, int to_log);
// Out of memory in dependency resolution: 598/2797 once per run, the compile-error flag set.
void dependency_no_memory(RSKCON* con, size_t bytes, const char* label);
// A zeroed block from the run's pool, or null after dependency_no_memory.
void* dependency_alloc(RSKCON* con, size_t bytes, const char* label);
