// Host data set services: open, describe, read, write, update and delete observations of the
// data set members of a library, BY-group reading, member delete and rename, and views.
#pragma once
#include <cstddef>
#include <cstdint>
#include "host/export.h"

// An open data set (opaque); get and put lists bind variables to the caller's buffers.
struct qor_dataset;
struct qor_getlist;
struct qor_putlist;
struct qor_byreader;

// Results. Failures are negative (the high bit of the host's 32-bit codes); xprrlog knows
// their texts. End of data is the positive 2049 so that loops can test `rc == 0`.
enum : int {
    QOR_DS_END_OF_DATA = 2049,
    QOR_DS_NOT_FOUND = static_cast<int>(0x8001F82Du),      // no such variable or item
    QOR_DS_NO_MEMBER = static_cast<int>(0x8002D001u),      // the data set does not exist
    QOR_DS_DAMAGED = static_cast<int>(0x8002D002u),        // the file is not a sound data set
    QOR_DS_IO_ERROR = static_cast<int>(0x8002D003u),       // the system refused a read or write
    QOR_DS_WRONG_MODE = static_cast<int>(0x8002D004u),     // operation does not fit the open mode
    QOR_DS_NO_OBSERVATION = static_cast<int>(0x8002D005u), // observation number out of range
    QOR_DS_BAD_VARIABLE = static_cast<int>(0x8002D006u),   // invalid name, type, length or width
    QOR_DS_NO_VIEW_RUNNER = static_cast<int>(0x8002D007u), // views cannot be run in this build
    QOR_DS_NULL_ARGUMENT = static_cast<int>(0x8002D009u),  // a required argument was null
    QOR_DS_LAYOUT_FIXED = static_cast<int>(0x8002D00Au),   // variables cannot be added now
    QOR_DS_NOT_SORTED = static_cast<int>(0x8002D00Bu),     // BY variables out of order
    QOR_DS_MEMBER_EXISTS = static_cast<int>(0x8002D00Cu),  // rename target already exists
    QOR_DS_NO_CURRENT = static_cast<int>(0x8002D00Du),     // no observation is current
    QOR_DS_BAD_REQUEST = static_cast<int>(0x8002D00Eu),    // bad libref, member, type or mode
    QOR_DS_VIEW_FAILED = static_cast<int>(0x8002D00Fu),    // the view runner reported a failure
    QOR_DS_NO_LIBRARY = static_cast<int>(0x80003806u),     // library reference not assigned
    QOR_DS_NO_STORAGE = static_cast<int>(0x80000803u),     // out of memory
};

// Open modes: the low bits choose the access; higher bits that callers add (0x4000000,
// 0x2000000, 0x10000000) are accepted and carry no meaning here.
enum : int {
    QOR_OPEN_INPUT = 0x1,
    QOR_OPEN_OUTPUT = 0x2,
    QOR_OPEN_UPDATE = 0x8,
    QOR_OPEN_ACCESS_MASK = 0xF,
    QOR_OPEN_NO_REPLACE = 0x100,  // output: closing puts the member into place only when no
                                  // member of that name exists by then (else QOR_DS_MEMBER_EXISTS)
};

// Variable types and limits.
enum : int {
    QOR_VAR_NUMERIC = 1,
    QOR_VAR_CHARACTER = 2,
    QOR_VAR_NAME_MAX = 32,        // longer names are cut to 32 characters
    QOR_VAR_COUNT_MAX = 32767,    // variables of one data set
    QOR_VAR_LABEL_MAX = 256,
    QOR_NUMERIC_MIN_LENGTH = 3,   // numbers keep their most significant 3..8 bytes
    QOR_NUMERIC_MAX_LENGTH = 8,
    QOR_CHARACTER_MAX_LENGTH = 32767,
    QOR_DS_LABEL_MAX = 256,
    QOR_SORT_KEYS_MAX = 16,
};

// xoinfo items.
enum : int {
    QOR_INFO_OBSERVATIONS = 2,    // int64_t: number of observations
    QOR_INFO_RECORD_ID_LENGTH = 9,// int32_t: bytes of a record identifier (24)
    QOR_INFO_LABEL = 14,          // char[QOR_DS_LABEL_MAX + 1]: the data set label, NUL-ended
    QOR_INFO_RECORD_LENGTH = 20,  // int32_t: bytes of one stored observation
    QOR_INFO_CREATED = 21,        // double: creation time, seconds since 1970
    QOR_INFO_MODIFIED = 22,       // double: last modification time, seconds since 1970
    QOR_INFO_SORT_KEYS = 30,      // qor_sort_keys
    QOR_INFO_VARIABLES = 95,      // int32_t: number of variables
    QOR_INFO_SERIAL = 96,         // int64_t: number of this open, never reused in the process
};

// Observation access kinds (xoget) and pointing operations (xopnt).
enum : int {
    QOR_GET_BY_NUMBER = 4,        // the request's observation number
    QOR_GET_NEXT = 11,            // the observation after the current one
    QOR_POINT_FIRST = 1,          // the next sequential read delivers observation 1
    QOR_POINT_RECORD = 2,         // the next sequential read delivers the request's record id
    QOR_POINT_BACK = 7,           // the next sequential read delivers the current one again
};

// A library member name: length and up to 32 characters (blank padding ignored).
struct qor_member_name {
    int16_t length;
    char text[32];
};

// What xoopen opens. The member type is "DATA"/"DATASET" (blank type means DATA) or
// "VIEW"/"DATAVIEW"; a view is opened for input only and is run by the view runner.
struct qor_open_request {
    char libref[8];               // blank-padded library reference
    qor_member_name member;
    char member_type[8];          // blank-padded; all blanks or NULs mean "DATA"
    int32_t mode;                 // QOR_OPEN_* plus ignored high bits
};

// Where an observation sits: enough for xopnt to come back to it while the data set is open.
struct qor_record_id {
    int64_t observation;          // 1-based observation number
    int64_t data_set_serial;      // the open data set it belongs to
    int64_t reserved;
};

// Observation request of xoget, xopnt, xonote, xoupd, xodel and xofprc.
struct qor_obs_request {
    qor_dataset* dataset;
    const qor_record_id* point_to;  // QOR_POINT_RECORD: where to point
    qor_record_id* note;            // xonote: filled with the current observation's id
    int64_t observation;            // QOR_GET_BY_NUMBER and xodel (0: the current observation)
};

// A variable's description (xvname fills it; xvnamei initialises one for xvputd).
// Texts are NUL-terminated and their lengths given; names keep their case.
struct qor_var_desc {
    int32_t number;               // 1-based position in the data set; 0 when not yet defined
    int16_t type;                 // QOR_VAR_NUMERIC or QOR_VAR_CHARACTER
    int32_t length;               // stored bytes: 3..8 numeric, 1..32767 character
    int16_t name_length;
    char name[QOR_VAR_NAME_MAX + 1];
    int16_t label_length;
    char label[QOR_VAR_LABEL_MAX + 1];
    int16_t format_length;        // format name, width and decimals (0 = not given)
    char format[QOR_VAR_NAME_MAX + 1];
    int16_t format_width;
    int16_t format_decimals;
    int16_t informat_length;
    char informat[QOR_VAR_NAME_MAX + 1];
    int16_t informat_width;
    int16_t informat_decimals;
};

// Sort keys recorded in a data set header: variable numbers, a negative one descending.
struct qor_sort_keys {
    int32_t count;
    int32_t numbers[QOR_SORT_KEYS_MAX];
};

// Opening and information ----------------------------------------------------------------

// Opens a data set member. Output creates a new data set in a temporary file that replaces
// the member when it is closed; update works on a copy that replaces the member on close. An
// input request for a data set that only a view of that name has opens the view.
// 0 and *out set, or a negative failure (*out null).
QOR_HOST_API int xoopen(qor_dataset** out, const qor_open_request* request);
// Closes a data set. flags 0 keeps what was written (output and update replace the member);
// any other flags abandon it (the member stays as it was). A failed replace is reported and
// the member stays as it was. 0, or a negative failure; the handle is freed in every case.
QOR_HOST_API int xoclose(qor_dataset* dataset, int flags);
// Changes the access of an open data set: output or update to update (observations written
// so far stay, and can be read back and rewritten), input to input. 0 or a failure.
QOR_HOST_API int xoreopn(qor_dataset* dataset, int mode);
// One item of the data set's header into out (QOR_INFO_*). 0 or a failure.
QOR_HOST_API int xoinfo(qor_dataset* dataset, int item, void* out);
// Sets the data set label (output and update): 0 or a failure.
QOR_HOST_API int xolabel(qor_dataset* dataset, const char* label, int length);
// Records the sort keys of an output or update data set: 0 or a failure.
QOR_HOST_API int xosortk(qor_dataset* dataset, const qor_sort_keys* keys);

// Variables ------------------------------------------------------------------------------

// Finds a variable by name (case ignored, trailing blanks dropped, cut to 32 characters):
// 0 and *number set (1-based); QOR_DS_NOT_FOUND and *number = 0 when absent. flags unused.
QOR_HOST_API int xvfind(qor_dataset* dataset, const char* name, int name_length, int* number,
                        int flags);
// Describes variable `number` (1-based) into desc. 0 or a failure.
QOR_HOST_API int xvname(qor_dataset* dataset, int number, qor_var_desc* desc);
// Initialises a description for xvputd: numeric, length 8, no name, label or formats.
QOR_HOST_API int xvnamei(qor_var_desc* desc);
// Ends the choice of variables: new variables can no longer be defined in the data set.
QOR_HOST_API int xvsele(qor_dataset* dataset);

// Get lists: copying values of the current observation into the caller's buffers ---------

// A get list for up to `count` variables. 0 or a failure.
QOR_HOST_API int xvgeti(qor_dataset* dataset, int count, qor_getlist** out);
// Binds variable `number` to a destination: a numeric variable needs width 8 and receives a
// double; a character variable receives `width` bytes, cut or blank-padded. 0 or a failure.
QOR_HOST_API int xvgetd(qor_getlist* list, int number, void* destination, int width);
// Ends the binding. 0 or a failure.
QOR_HOST_API int xvgete(qor_getlist* list);
// Copies the current observation's values into the bound destinations. 0 or a failure
// (QOR_DS_NO_CURRENT when no observation has been read).
QOR_HOST_API int xyvget(qor_getlist* list, int flags);
// Frees a get list (null allowed): 0.
QOR_HOST_API int xvgett(qor_getlist* list);
// One character value of the current observation: up to width bytes, blank-padded; *length
// (may be null) receives the value's length without trailing blanks. 0 or a failure.
QOR_HOST_API int xvget1c(qor_dataset* dataset, int number, char* destination, int width,
                         int* length);
// One numeric value of the current observation. 0 or a failure.
QOR_HOST_API int xvget1f(qor_dataset* dataset, int number, double* destination);

// Put lists: defining variables and taking the next observation's values ------------------

// A put list for up to `count` variables (output and update). 0 or a failure.
QOR_HOST_API int xvputi(qor_dataset* dataset, int count, qor_putlist** out);
// Binds a source buffer to a variable: an existing variable of the description's name is used
// (its type must match); otherwise the variable is defined from the description, which only
// an output data set without observations and before xvsele allows. A numeric source is a
// double (width 8); a character source gives `width` bytes, cut or blank-padded. *number
// (may be null) receives the variable's number. 0 or a failure.
QOR_HOST_API int xvputd(qor_putlist* list, const qor_var_desc* desc, const void* source,
                        int width, int* number);
// Ends the binding. 0 or a failure.
QOR_HOST_API int xvpute(qor_putlist* list);
// Moves the bound sources into the data set's observation buffer. 0 or a failure.
QOR_HOST_API int xyvput(qor_putlist* list, int flags);
// Frees a put list (null allowed): 0.
QOR_HOST_API int xvputt(qor_putlist* list);

// Observations ---------------------------------------------------------------------------

// Reads an observation: QOR_GET_NEXT the one after the current one (the first after opening
// or pointing), QOR_GET_BY_NUMBER the request's number. It becomes current. 0; 2049 when there
// is no such observation (end of data); a negative failure.
QOR_HOST_API int xoget(qor_obs_request* request, int kind);
// Points the sequential reader (QOR_POINT_*). 0 or a failure.
QOR_HOST_API int xopnt(qor_obs_request* request, int operation);
// Notes the current observation's record id into request->note. 0 or a failure.
QOR_HOST_API int xonote(qor_obs_request* request);
// Appends the observation buffer as a new last observation (output and update); it becomes
// current and the buffer starts again from missing values and blanks. 0 or a failure.
QOR_HOST_API int xoadd(qor_obs_request* request);
// Rewrites the current observation from the observation buffer (update). 0 or a failure.
QOR_HOST_API int xoupd(qor_obs_request* request);
// Deletes the request's observation number, or the current observation when that number is 0
// (update); later observations move down by one and nothing is current afterwards.
// 0 or a failure.
QOR_HOST_API int xodel(qor_obs_request* request);
// Reports the result of an observation operation: failures are logged with the data set's
// name, 0 and end of data pass silently. Returns the result unchanged.
QOR_HOST_API int xofprc(const qor_obs_request* request, int result);

// BY groups ------------------------------------------------------------------------------

// A BY-group reader over variables (1-based numbers; descending[i] may be null for all
// ascending). The data set must be sorted by them. 0 or a failure.
QOR_HOST_API int xvbyi(qor_dataset* dataset, int count, const int* numbers,
                       const bool* descending, qor_byreader** out);
// Reads the next observation (it becomes current) and sets first[i] and last[i] (first. and
// last. of BY variable i). 0; 2049 at the end; QOR_DS_NOT_SORTED when the observation is out
// of order (logged); another failure.
QOR_HOST_API int xybyget(qor_byreader* reader, bool* first, bool* last);
// Consecutive mode (non-zero) or sorted mode (0, the default): in consecutive mode a group is a
// run of neighbouring observations with equal BY values, in any order, and xybyget never
// reports QOR_DS_NOT_SORTED. 0 or a failure.
QOR_HOST_API int xvbycon(qor_byreader* reader, int consecutive);
// Rewinds to the first observation of the current group: the next xybyget reads it again with
// its first. flags set. 0; QOR_DS_NO_CURRENT before the first observation; another failure.
QOR_HOST_API int xvbyrew(qor_byreader* reader);
// Frees a BY-group reader (null allowed): 0.
QOR_HOST_API int xvbyt(qor_byreader* reader);

// Members --------------------------------------------------------------------------------

// Deletes a member of the type ("DATA" or "VIEW"). 0, or QOR_DS_NO_MEMBER or a failure.
QOR_HOST_API int xomdel(const char* libref, const char* member, const char* member_type);
// Renames a member within its library; an existing target is refused. 0 or a failure.
QOR_HOST_API int xomren(const char* libref, const char* member, const char* new_member,
                        const char* member_type);

// Views ----------------------------------------------------------------------------------

// Materialises a view: given its library, member and stored program, it creates a data set
// and names it in out_libref (8 bytes, blank-padded) and out_member. 0 or a failure. A WORK
// member whose name starts with QOR_VIEW_RESULT_PREFIX belongs to that one open: it is
// removed as soon as it is open (the open keeps reading it).
#define QOR_VIEW_RESULT_PREFIX "_QORVIEW_"
using qor_view_runner = int (*)(const char* libref, const char* member, const char* program,
                                size_t program_length, char out_libref[8],
                                qor_member_name* out_member);
// Registers the view runner (null removes it); returns the previous one.
QOR_HOST_API qor_view_runner qor_set_view_runner(qor_view_runner runner);
// Stores a view member holding its program text (replacing an existing view). 0 or a failure.
QOR_HOST_API int xovwrit(const char* libref, const char* member, const char* program,
                         size_t length);
// Reads a view's program text into a buffer of `size` bytes (NUL-ended); *length receives the
// full length. 0, or QOR_DS_NO_MEMBER, QOR_DS_DAMAGED, QOR_DS_BAD_REQUEST when it does not fit.
QOR_HOST_API int xovread(const char* libref, const char* member, char* program, size_t size,
                         size_t* length);
