// The four compile phases of a project run (N open, I input, T transformations, P pricing and
// what follows it), the generated glue around each action, argument binding and the listing.
#pragma once
#include "engine/compiler/compile_control.h"

struct RSKGENTRANS;

// Phase N: opens the compile session and defines the action-number cell _RSKACT_. 0 or 1.
int rskgen0(RSKCON* con);
// Defines _RSKACT_ in the open compile, bound to the extension's action-number cell. 0 or 1.
int define_action_cell(RSKCON* con);
// Phase I: the input actions of the instrument types. 0 or the largest failure.
int rskgen1(RSKCON* con);
// Phase T: the project actions, then the transformations in run order. 0 or the phase result.
int rskgen2(RSKCON* con);
// Phase P: scoring, mitigation, pricing, project, post-valuation and post-pricing actions with
// the program data vector collected around them. 0 or the largest failure.
int rskgen3(RSKCON* con);

// Generates one action: its method's source at first use, its entry label and its frame.
// type is the instrument type the action belongs to (null for run-level actions). 0 or positive.
int rskgact(RSKCON* con, RSKACTION* action, RSKINSTTYPE* type);
int generate_gentrans(RSKCON* con, RSKACTION* action, int* traced);
int generate_blocktrans(RSKCON* con, RSKACTION* action, int trace);
int generate_delta_gamma(RSKCON* con, RSKACTION* action);
int generate_linear_trans(RSKCON* con, RSKACTION* action);

// Walks one list of actions with rskgact; the largest result.
int generate_classmethods(RSKCON* con, int phase);
int generate_rftmethods(RSKCON* con);
int generate_projmethods(RSKCON* con);
int generate_postvarmethods(RSKCON* con);
int generate_postprcmethods(RSKCON* con);
// The run's scoring and mitigation methods (phase P generates them first); the counterparty
// area builds rskgencpty (engine/counterparty/counterparty_run.h).
int rskgencpty(RSKCON* con);
int rskgenmitigation(RSKCON* con);
// Walk of the instrument types' actions of phase 2 (active input actions) or 3 (active pricing
// actions); *type is the type of the action answered. Null at the end.
RSKACTION* rsk_first_type_action(RSKCON* con, int phase, RSKINSTTYPE** type);
RSKACTION* rsk_next_type_action(RSKCON* con, int phase, RSKINSTTYPE** type, RSKACTION* after);

// Declares every argument of the action's method to the compiler; the count that failed.
int link_arguments(RSKCON* con, RSKACTION* action);
// Pushes the array refreshes around a method call: before (-1) or after (1). The count failed.
int update_arrays(RSKCON* con, RSKACTION* action, int when);
int update_array(RSKCON* con, RSKSYMENTRY* argument, int when);

// The method listing of phase 2 (input) or 3 (pricing), and one action's lines in it.
int trace_methods(RSKCON* con, int phase);
void rskactp(RSKCON* con, RSKACTION* action, int select_log, int brief);

// Marks the variables that the exposure output depends on. 0 or 1.
int getOutVarDeps(RSKCON* con, RSKRUNCOMPILE* run);

// Helpers of the glue: one reference entry per execution block naming the action and an object
// (the first entry's number, or -1); whether an action's method is traced; whether a method or
// a variable is named in the run's trace settings; the "_value_" symbol of a delta-gamma action.
int rskact_reserve(RSKCON* con, RSKACTION* action, void* object, int32_t type_code);
bool rskact_traced(const RSKCON* con, const RSKACTION* action);
bool rsk_trace_named(const RSKCON* con, const RSKGENTRANS* method);
bool rsk_trace_variable(const RSKCON* con, const RSKVARIABLE* variable);
cmp_symbol* rskact_value_symbol(RSKCON* con, RSKVARIABLE* value);
// Whether an array was defined by reading an arrays data set (its elements are not variables).
bool rsk_array_from_data(const RSKVARIABLE* array);
