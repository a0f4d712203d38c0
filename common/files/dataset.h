// The data set wrapper: record-at-a-time access to one host data set by observation number,
// through a chain of variable records that each point to the caller's value buffer.
#pragma once
#include <cstdint>

#include "host/dataset.h"
#include "host/pool.h"

// Wrapper modes (the record's mode): read, write (a new data set), update.
enum : int {
    DATASET_READ = 0,
    DATASET_WRITE = 1,
    DATASET_UPDATE = 3,
};

// Variable types of a dataset_var: 0 and 1 are numeric, 2..17 character; a type outside
// 0..17 is stored as 3; DATASET_TYPE_FROM_DATA takes the type from the data set.
enum : int {
    DATASET_TYPE_NUMERIC = 1,
    DATASET_TYPE_CHARACTER = 2,
    DATASET_TYPE_FROM_DATA = -1,
    DATASET_TYPE_MAX = 17,
};

// One variable the caller wants, bound to the caller's value buffer.
struct dataset_var {
    dataset_var* next;
    const char* name;             // NUL-terminated; not owned
    void* value;                  // the caller's buffer: a double for numeric variables
    int16_t type;
    int32_t length;               // bytes of the buffer (8 for numeric values)
    int32_t number;               // the data set's variable number, once found or defined
    int32_t owns_buffers;         // 1: name and value were allocated with the record and are
                                  // freed with it (get_obs_from_dataset)
};

// One observation: its variables and its number (from 1).
struct dataset_obs {
    dataset_var* first;
    int64_t number;
    int32_t bound;                // 1 while a get list binds the buffers for reading
    qor_getlist* get;             // that get list
    int64_t bound_serial;         // the open of the data set the get list belongs to
};

// One data set of a library.
struct dataset {
    const char* libref;           // library reference: up to 8 characters, blank-padded or NUL-ended
    const char* member;           // NUL-terminated member name
    int64_t observations;         // kept up to date by writes and removals
    int32_t open;                 // 1 while open
    int32_t mode;                 // DATASET_READ, DATASET_WRITE or DATASET_UPDATE
    qor_dataset* handle;          // the host's open data set, null when closed
    int64_t serial;               // the host's number of this open (never reused)
};

// A closed data set record; null for a mode other than 0, 1 or 3, a null pool or no memory.
dataset* new_dataset(qor_pool* pool, const char* libref, const char* member, int mode);
// 0; 1 for a null record or a mode other than 0, 1 or 3 (nothing changes).
int set_mode(dataset* ds, int mode);
// 0 when opened; 1 when already open; 2 for a null record or member or a host refusal.
int open_dataset(dataset* ds);
// 0 (also when not open); 1 for null; 2 when the host could not store what was written.
int close_dataset(dataset* ds);
// An observation record; null for a number below 1, a null pool or no memory.
dataset_obs* new_dataset_obs(qor_pool* pool, dataset_var* first, int64_t number);
// A variable record linked after previous (when given); null for a null pool, name or buffer,
// a length below 1, or no memory.
dataset_var* new_dataset_var(qor_pool* pool, const char* name, void* value, int32_t length,
                             int type, dataset_var* previous);
// An observation record (number 1) with one variable per variable of the open data set, in
// its order: zero-filled buffers (8 bytes for numeric, the length for character), names
// copied, types 1 numeric and 2 character; delete_dataset_obs frees the buffers with it. Null
// when not open, no variables, or a failure.
dataset_obs* get_obs_from_dataset(qor_pool* pool, dataset* ds);
// Reads observation obs->number into the buffers: 0; 1 beyond the last observation; 2 for
// bad arguments, a data set opened for writing, or a host failure.
int read_obs(dataset* ds, dataset_obs* obs);
// Gives the host back the get list an observation record was bound with (the record binds
// again on its next read): for a record whose data set is closed or deleted.
void release_obs_binding(dataset_obs* obs);
// Writes the buffers as observation obs->number (rewriting it, or adding it when it is one
// beyond the last): 0; 1 when more than one beyond the last; 2 for bad arguments, a data set
// opened for reading, or a host failure.
int write_obs(dataset* ds, dataset_obs* obs);
// Removes observation obs->number (update mode); later observations move down by one and the
// buffers are left holding the last observation as it was. 0; 1 for bad arguments, a number
// out of range or another mode; 2 on a host failure (the data set is then unchanged).
int remove_obs(dataset* ds, dataset_obs* obs);
// Binds one variable to a put list: 0, or 2 when the host refuses.
int ds_add_variable(dataset* ds, qor_putlist* put, dataset_var* var);
// Frees the record (closing it first when the caller has not): 0; 1 for a null pool or record.
int delete_dataset(qor_pool* pool, dataset* ds);
// Frees the observation and its variables (never the buffers or names): 0; 1 for null.
int delete_dataset_obs(qor_pool* pool, dataset_obs* obs);
// Frees the variable and all after it: 0; 1 for a null pool or record.
int delete_dataset_var(qor_pool* pool, dataset_var* var);
