// The READ driver: position data sets read through their source into a new instrument utility
// file, the path every input format shares (binding, identifiers, types, writing) and the readers.
#pragma once
#include <cstdint>

#include "engine/tables/catalog_records.h"
#include "engine/tables/control_structure.h"

struct qor_dataset;
struct qor_getlist;
struct RSKINSTTYPE;
struct RSKTDATA;
struct RSKTSOURCE;
struct RSKVARIABLE;

// Problems of one data set that get their own message; the 41st and later are counted only.
constexpr int kRskReadProblemLimit = 40;
// Capacity of an identifier or instrument-type buffer.
constexpr int kRskIdCapacity = 256;

// An identifier (or instrument type) value as read: the text and its length without trailing
// blanks.
struct RSKIDBUF {
    char text[kRskIdCapacity];
    uint32_t length;
};

// One position data set while it is read: its definition, where it was found and how it is open.
struct RSKREADDS {
    RSKTDATA* definition;
    char libref[8];                  // blank-padded
    int16_t member_length;
    char member[32];
    char physical[1025];             // NUL-terminated path of the data set file
    qor_dataset* data;
    qor_getlist* get;
    int32_t problems;                // counted problems of this data set
    uint8_t limit_noticed;           // 598/1805 given
    int32_t bound_count;             // variables bound by get_var (and their list below)
    RSKVARIABLE** bound;
    int32_t bound_capacity;
};

// Reads the position data sets of `source` into the instrument file `output` (in `path`, or in
// the library `libref` when it names one). 0; positive after a message; -1 when no instrument was
// written (the file is removed); -2 when a data set failed but instruments were written.
int rskread(RSKCON* con, RSKCATOBJ* source, const RSKNAMEREC* output, const RSKNAMEREC* path,
            const RSKNAMEREC* filters, int filter_count, const char* libref);
// Reads each data set of the source; *count receives how many it names. The largest code.
int read_pos(RSKCON* con, RSKTSOURCE* source, int32_t* count);
// Opens the data set for input: 0, or 1 after 598/1810.
int open_position_dataset(RSKCON* con, RSKREADDS* ds);
// Resolves the input actions of every instrument type: the largest code.
int get_input_actions(RSKCON* con);

// ---- the path the format readers share ----
// Counts a problem of the data set: true while its message is still to be given (first 40).
bool read_problem(RSKREADDS* ds);
// After an observation (or a group): 598/1805 once, when more than 40 problems were counted.
void read_limit_notice(RSKREADDS* ds);
// Prepares the get list for `count` variables: 0, or 1 after 598/1811.
int read_prepare_get(RSKCON* con, RSKREADDS* ds, int count);
// Ends the binding of the get list: 0 or 1.
int read_finish_get(RSKCON* con, RSKREADDS* ds);
// Binds the data set's explicit column mappings (each variable in `type` unless null): 0 or 1.
int map_variable_names(RSKCON* con, RSKREADDS* ds, RSKINSTTYPE* type);
// Binds each input-readable variable of the list not yet bound (CounterpartyID also as
// "CPTYID"). Always 0.
int lookup_variables(RSKCON* con, RSKREADDS* ds, RSKVARLINK* variables);
// The same over the environment's variables of a kind (system variables, instrument
// variables, risk factors). Always 0.
int lookup_kind(RSKCON* con, RSKREADDS* ds, uint32_t kind);
// Binds one variable, by `alternative` first when given: 0 bound, 1 not bound.
int get_var(RSKCON* con, RSKREADDS* ds, RSKVARIABLE* variable, const char* alternative, int alternative_length);
// A variable the format requires: 0 bound, 1 after 598/1812.
int check_var(RSKCON* con, RSKREADDS* ds, RSKVARIABLE* variable);
// Reads the next observation and copies the bound values: 0, 1 at the end (or after a reported
// read failure).
int read_next(RSKCON* con, RSKREADDS* ds);
// Reads the next observation without copying its values, for the readers that group rows: the
// pending instrument is written with the values of its own rows before the next group's are
// copied (read_copy). 0, 1 at the end (or after a reported read failure).
int read_next_row(RSKCON* con, RSKREADDS* ds);
// Copies the bound values of the current observation: 0, or 1 when the host fails.
int read_copy(RSKREADDS* ds);
// The current observation's InstID: 0, or 1 after 598/1806.
int read_id_value(RSKCON* con, RSKREADDS* ds, RSKIDBUF* id);
// The current observation's InstType and its type: 0, or 1 after 598/1806 or 598/1807.
int read_insttype_value(RSKCON* con, RSKREADDS* ds, RSKIDBUF* type_value, const RSKIDBUF* id,
                        RSKINSTTYPE** type);
// Runs the type's input actions and writes the current instrument. Always 0.
int write_transaction(RSKCON* con, RSKREADDS* ds, RSKINSTTYPE* type, const RSKIDBUF* id);
// Whether the format can carry the type (598/1824 once per type when it cannot).
bool read_type_fits(RSKCON* con, RSKINSTTYPE* type, uint32_t format);
// The text of a character variable's value and its length without trailing blanks.
int read_stripped(const RSKVARIABLE* variable, const char** text);
// Sets a character variable's value, cut to its width and blank-filled.
void read_set_text(RSKVARIABLE* variable, const char* text, int length);

// ---- the format readers: the largest code of binding and of the problems that raise it ----
int read_flat_dataset(RSKCON* con, RSKREADDS* ds);
int read_flat_one_type(RSKCON* con, RSKREADDS* ds);
int read_flat_many_types(RSKCON* con, RSKREADDS* ds);
int read_sparse_dataset(RSKCON* con, RSKREADDS* ds);
int read_cashflows_dataset(RSKCON* con, RSKREADDS* ds);
int read_quad_value_dataset(RSKCON* con, RSKREADDS* ds);
