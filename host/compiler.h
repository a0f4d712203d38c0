// The methods compiler services: compile sessions fed one statement at a time, symbols, structures,
// arrays and matrices, special functions with checks, labels, data flow, instances and runs.
#pragma once
#include <cstddef>
#include <cstdint>

#include "host/export.h"
#include "host/print.h"

struct cmp_session;    // one compile: the program being built, then the generated program
struct cmp_instance;   // one execution block's data: frame, structure bases, run list
struct cmp_symbol;     // a name of the program
struct cmp_function;   // a method called as a function (cmpfnc)
struct qor_list;       // a typed list (host/lists.h)

// Answers of cmpprss.
enum : int {
    CMP_ACCEPTED = 0,        // statement taken
    CMP_OPEN_GROUP = -1,     // statement taken; a DO, SELECT, METHOD or BLOCK group is still open
    CMP_COMPLETE = -2,       // the end marker: the source is complete and error-free
    CMP_INCOMPLETE = -3,     // the end marker: a group is still open or an earlier statement failed
    CMP_ERROR = 1            // statement refused (texts in the log and error buffers)
};

// The end-of-source marker the engine pushes after its last statement.
#define CMP_END_MARKER ";_q_U_i_T_;"

// Argument node handed to a special function's compile-time check.
enum : char {
    CMP_ARG_LITERAL = 'l', CMP_ARG_VARIABLE = 'v', CMP_ARG_EXPRESSION = 't', CMP_ARG_ARRAY = 'a',
    CMP_ARG_OMITTED = 'o'
};
// Flags a check may set on an argument (flags[0]).
enum : uint8_t {
    CMP_ARGF_BY_REFERENCE = 0x40,    // the body writes the argument back: must be a variable
    CMP_ARGF_LITERAL_NAME = 0x20     // the literal text names something the body resolves
};

struct cmp_arg_node {
    char kind;               // CMP_ARG_*
    char type;               // 'n' numeric, 'c' character, 0 for an omitted argument
    const char* text;        // variable name or character literal (not NUL-terminated)
    int text_length;
    double number;           // numeric literal
    int dimension;           // arrays: element count
    uint8_t flags[4];        // set by the check, read by the compiler after it
};

struct cmp_call_node {
    const char* function;    // upper-case name, NUL-terminated
    int nargs;
    cmp_arg_node* args;
    int inside_routine;      // non-zero inside a METHOD body
    char method_kind;        // kind letter of the enclosing method ('N' none, 'I' .. 'M')
    int line;                // statement number
};

// Compile-time check: 0 accepts; non-zero refuses the statement, message (NUL-ended) says why.
typedef int (*cmp_check_fn)(void* context, cmp_call_node* call, char* message, int message_size);

// A run-time argument, reached by address. Index 0 of the list is the result.
struct cmp_arg_value {
    char kind;               // CMP_ARG_* ('o' omitted: no address)
    char type;               // 'n' or 'c'
    double* number;          // numeric value (write to it for out-arguments)
    qor_namerec* text;       // character value {capacity, length, text}
    double* const* elements; // arrays: address of each element
    int count;               // arrays: element count
    cmp_symbol* symbol;      // arrays and matrices: the symbol (cmpmtrxs resizes a matrix)
    int rows, columns;       // arrays and matrices: extents (columns 0: one dimension)
};

struct cmp_function_record {
    const char* name;
    void* context;           // the registration context
};

struct cmp_exec_context {
    int block;               // execution block number of the instance
    double state;            // the state number passed to cmpfrun
};

// Run-time body: CMP_BODY_OK, CMP_BODY_FAILED (the run stops and the error hook reports the
// line), or one of the two statuses that end the run early without an error: the rest of this
// run (this iteration) is skipped, or the caller is told to stop running the program altogether;
// cmpfrun then answers CMP_RUN_ITERATION_ENDED or CMP_RUN_STOPPED. Any other answer is a failure.
// hidden is this call site's per-instance record (hidden_size bytes, zeroed at creation).
enum : int { CMP_BODY_OK = 0, CMP_BODY_FAILED = 1, CMP_BODY_END_ITERATION = 2, CMP_BODY_STOP = 3 };
typedef int (*cmp_body_fn)(const cmp_function_record* fn, cmp_arg_value* args, int nargs,
                           const cmp_exec_context* exec, cmp_instance* instance, void* hidden);

struct cmp_special_def {
    const char* name;
    int nargs;               // 0 = any number (the check validates)
    const char* arg_types;   // nargs characters 'n', 'c' or '?' (any); null = any
    char result_type;        // 'n', 'c' or 0 (a routine used with CALL)
    int result_length;       // character results: capacity
    void* context;
    cmp_check_fn check;      // may be null
    cmp_body_fn body;
    uint16_t* option_word;   // may be null; receives the function's index
    int hidden_size;         // bytes of the hidden per-instance record of each call site
};

// Error hook: run-time errors (and compile errors) with the statement number.
typedef void (*cmp_error_fn)(void* user, const char* message, int line, const char* method);
// Declaration hook: called once for each undeclared name; it may declare the name with
// cmpsymd / cmpstri. Return 0 to continue (an undeclared name becomes a local variable).
typedef int (*cmp_declare_fn)(void* user, cmp_session* session, const char* name, int length);
// Print hook of PUT: one finished line.
typedef void (*cmp_print_fn)(void* user, const char* line, int length);

struct cmp_hooks {
    void* user;
    cmp_error_fn error;      // null: errors go to the log
    cmp_declare_fn declare;  // may be null
    cmp_print_fn print;      // null: PUT lines go to the log
};

// Structure member for cmpinss.
enum : char { CMP_MEMBER_NUMBER = 'n', CMP_MEMBER_POINTER = 'p', CMP_MEMBER_TEXT = 'c' };   // 'c': cmpinsc
struct cmp_member {
    const char* name;
    char kind;               // CMP_MEMBER_NUMBER: a double at base + offset;
                             // CMP_MEMBER_POINTER: a double* at base + offset (null reads missing)
    int offset;              // bytes
};

// Sessions.
QOR_HOST_API int cmpints(cmp_session** session, const cmp_hooks* hooks);        // start; 0 ok
QOR_HOST_API void cmpends(cmp_session* session);                                 // end, free all
QOR_HOST_API int cmpprss(cmp_session* session, const char* statement, int length, char* log,
                         int log_size, char* error, int error_size);           // push one text
// Option 2 traces each statement run, 3 also each value assigned (value 0: off); read when the
// program is generated, so a program generated without it carries no trace code.
// Option CMP_OPTION_BUDGET gives each run a budget of `value` instructions (0: unbounded, the
// default; negative refused): a run that spends it fails with a message (CMP_RUN_FAILED). It is
// read when the program is generated and counted only where code is run again: each pass of a
// loop and each GOTO spends the length of the code it goes back over, each method or block
// called its length; a program generated without a budget carries no counting code.
// Option CMP_OPTION_TIER chooses how runs execute, with the same results either way:
// CMP_TIER_AUTO (the default) runs a program on the interpreter until an instance has run it
// CMP_OPTION_TIER_THRESHOLD times, then as machine code; CMP_TIER_VM keeps the interpreter;
// CMP_TIER_NATIVE compiles before the first run. A program that cannot be compiled stays on the
// interpreter with a note. The environment variable QOR_METHODS_TIER ("auto", "vm", "native")
// sets a new session's default. Functions given to cmpfunc1/cmpfunc2 must not read or write the
// instance's frame or base vector (they receive numbers and answer a number).
enum : int { CMP_OPTION_BUDGET = 4, CMP_OPTION_TIER = 5, CMP_OPTION_TIER_THRESHOLD = 6 };
enum : int { CMP_TIER_AUTO = 0, CMP_TIER_VM = 1, CMP_TIER_NATIVE = 2 };
QOR_HOST_API int cmpopt2(cmp_session* session, int option, int value);
// The tier an instance's runs use now: CMP_TIER_VM or CMP_TIER_NATIVE (0 for a null instance).
QOR_HOST_API int cmptier(const cmp_instance* instance);
QOR_HOST_API int cmpinst(cmp_session* session, const cmp_special_def* def);     // special function
// Library functions of one or two numbers (the fast call path); the name is a function name.
QOR_HOST_API int cmpfunc1(cmp_session* session, const char* name, double (*fn)(double));
QOR_HOST_API int cmpfunc2(cmp_session* session, const char* name, double (*fn)(double, double));

// Front-end statements. A front end (e.g. a step language built on methods) claims statement
// keywords the language does not have; each statement that starts with a claimed keyword (at the
// start of a statement, after labels, or after THEN, ELSE, WHEN (...) and OTHERWISE; a keyword
// followed by '=', '[' or '(' stays an assignment) is handed to the keyword's lowering routine
// when it is pushed. The routine gets the statement's text from the keyword up to its ';' (not
// included) and writes the text of statements of the language that stand for it, each ended by
// ';' (none: the statement does nothing), into out and sets *out_length; a text longer than
// out_size bytes gets the routine called once more with room for *out_length bytes. The lowered
// text may use claimed keywords again (up to 16 levels); after THEN, ELSE, WHEN and OTHERWISE it
// is run as one DO group. It answers 0, or non-zero to refuse the statement with message
// (NUL-ended). The lowered statements are what the program and a stored method hold.
typedef int (*cmp_lower_fn)(void* context, cmp_session* session, const char* statement, int length, char* out,
                            int out_size, int* out_length, char* message, int message_size);
// cmpstkw claims keyword (a name; case ignored) for the session: 0; 1 bad call (not a name, no
// routine); 2 a statement keyword of the language or claimed already; 3 the source is complete;
// 5 no memory.
QOR_HOST_API int cmpstkw(cmp_session* session, const char* keyword, int length, cmp_lower_fn lower, void* context);

// Symbols.
QOR_HOST_API cmp_symbol* cmpsyms(cmp_session* session, const char* name, int length);
QOR_HOST_API cmp_symbol* cmpsymd(cmp_session* session, const char* name, int length, char kind,
                                 char type);
QOR_HOST_API cmp_symbol* cmplstv(cmp_session* session);                          // first symbol
QOR_HOST_API cmp_symbol* cmpsymnext(const cmp_symbol* symbol);                    // next in order
// The last symbol and the last array declared so far (null: none): a caller keeps them at a
// point of the source and walks cmpsymnext from there for the symbols declared since.
QOR_HOST_API cmp_symbol* cmplstt(cmp_session* session);
QOR_HOST_API cmp_symbol* cmparyt(cmp_session* session);
// A symbol by name, or by the two-level name name.member when member is given (mlength > 0);
// trailing blanks ignored; null when absent.
QOR_HOST_API cmp_symbol* cmpsymp(cmp_session* session, const char* name, int length, const char* member,
                                 int mlength);
QOR_HOST_API const char* cmpsymname(const cmp_symbol* symbol);                    // upper-case
QOR_HOST_API int cmpsymflags(const cmp_symbol* symbol);                           // CMP_SYM_*
enum : int { CMP_SYM_READ = 1, CMP_SYM_ASSIGNED = 2, CMP_SYM_IN_METHOD = 32 };
// Bind a symbol to engine storage: every instance reads and writes *address (a double).
QOR_HOST_API int cmppdvb(cmp_session* session, cmp_symbol* symbol, double* address);

// Arrays and matrices (indexed from 1 in the language, a[i] or m[i, j]; DIM and HBOUND give
// their extents). Nothing is copied: an element read or written in a run is the storage itself.
// cmparay: an array whose elements are the given numeric symbols, local variables or symbols
// bound to engine cells with cmppdvb (structure members are refused: their address moves with
// the structure's base). cmpmtrx: a matrix of `rows` values (columns 0: one dimension) or of
// rows x columns values stored row by row, on the engine's storage `data` shared by every
// instance, or, with data null, on storage of each instance's own (missing at the start);
// cmpmtrxb binds one instance's matrix to other storage of its present size (e.g. the values of
// the execution block's curve). Null or non-zero when refused (name used, bad element, size
// above 65535 elements, the program already generated).
QOR_HOST_API cmp_symbol* cmparay(cmp_session* session, const char* name, int length, cmp_symbol* const* elements,
                                 int count);
QOR_HOST_API cmp_symbol* cmpmtrx(cmp_session* session, const char* name, int length, int rows, int columns,
                                 double* data, int flags);
enum : int {
    CMP_MTX_RESIZABLE = 0x20,   // extents set per instance at run time (cmpmtrxs, DYNAMIC_ARRAY)
    CMP_MTX_RESULT = 0x22       // resizable, and written by the special functions it is passed to
};
QOR_HOST_API int cmpmtrxb(cmp_instance* instance, cmp_symbol* symbol, double* data);
// cmpmtrxr binds one instance's matrix, at its present size, to storage shared by every
// instance that the instance may read but never change (a curve's values, a row of a parameter
// matrix). When the program never changes the matrix (no element store, never handed whole to
// a special function), the instance reads the storage in place; otherwise the values are copied
// into the instance's own storage at the binding, so its stores change its copy only.
// 0; 1 bad call (not a matrix, null data); 4 no memory (the binding is unchanged).
QOR_HOST_API int cmpmtrxr(cmp_instance* instance, cmp_symbol* symbol, const double* data);
// Run time, from the instance's own thread (special-function bodies): cmpmtrxs gives a
// resizable matrix new extents on the instance's own storage (values kept at the same row and
// column, new ones missing); cmpmtrxe gives the extents and answers the element count (-1 for
// no matrix); cmpmtrxa gives the element addresses, valid until the next resize.
QOR_HOST_API int cmpmtrxs(cmp_instance* instance, cmp_symbol* symbol, int rows, int columns);
QOR_HOST_API int cmpmtrxe(const cmp_instance* instance, const cmp_symbol* symbol, int* rows, int* columns);
QOR_HOST_API double* const* cmpmtrxa(cmp_instance* instance, cmp_symbol* symbol);
// cmpa2m: a numeric array of local variables (ARRAY statement) becomes a matrix with the same
// extents on contiguous storage of each instance; its element names stay names of its elements.
// Refused for character arrays, arrays with an element that is a DO loop variable or belongs to
// another array. 0 or non-zero.
QOR_HOST_API int cmpa2m(cmp_session* session, cmp_symbol* symbol);
// The host's own routines, installed like special functions: cmpdyna installs
// DYNAMIC_ARRAY(m, rows [, columns]) that gives a resizable matrix new extents; cmpfrna installs
// CALLSUBR(name [, block]) that runs the method (or its block) named by a character value and
// returns after it. 0 or non-zero (already installed, program generated).
QOR_HOST_API int cmpdyna(cmp_session* session);
QOR_HOST_API int cmpfrna(cmp_session* session);
// Kind of a symbol: 'v' variable, 'a' array, 'm' matrix.
QOR_HOST_API char cmpsymkind(const cmp_symbol* symbol);

// Structures: declare a layout, then a named instance (members visible by bare name when
// bare_names is non-zero, always as instance.member). Returns 0 or an error code.
QOR_HOST_API int cmpinss(cmp_session* session, const char* name, int length, const cmp_member* members,
                         int count, int size);
// A character member of a declared structure (before its instances are made): `length`
// characters (1 to 32767) at base + offset, blank padded, read and written in place.
QOR_HOST_API int cmpinsc(cmp_session* session, const char* structure, int slength, const char* member, int mlength,
                         int offset, int length);
QOR_HOST_API int cmpstri(cmp_session* session, const char* structure, int slength, const char* instance,
                         int ilength, int bare_names);
// Program data vectors: an engine record of `size` bytes built element by element. cmppdvd
// defines one named `name` that will hold up to `count` elements and answers its handle (>= 0;
// -1 refused, -2 the name is used). The vector is bound like a structure instance of that name
// (cmpbase, cmpbasei). cmppdve adds an element: a double (CMP_MEMBER_NUMBER) or a double*
// (CMP_MEMBER_POINTER) at `offset` (a multiple of 8 within size), read and written by its bare
// name and as vector.name (an element name may be two names joined by a point, as X.LAGS); it
// answers the bare-name symbol (null: refused, name used, vector full). cmppdvx moves a structure member symbol onto the vector: it is then read at the same
// offset from the vector's base (0; 1 bad call; 2 not a numeric member; 3 beyond the vector).
QOR_HOST_API int cmppdvd(cmp_session* session, const char* name, int length, int size, int count);
QOR_HOST_API cmp_symbol* cmppdve(cmp_session* session, int vector, const char* name, int length, char kind,
                                 int offset);
QOR_HOST_API int cmppdvx(cmp_session* session, cmp_symbol* symbol, int vector);

// Setting a session up before its statements: cmpinit takes the init record's error hook (when
// set; user is its first argument) and flags; it sets status and answers it (non-zero: the
// session is already complete or generated). cmpamin answers 0 while special functions may still
// be installed (source not complete, nothing generated), non-zero otherwise.
struct cmp_init_record {
    int status;              // out: 0 ready
    int out[2];              // out: reserved, set to 0
    int flags;               // CMP_INIT_*
    void* user;              // first argument of the error hook
    cmp_error_fn error;      // null: keep the session's hook
};
enum : int { CMP_INIT_TRACE = 1 };
QOR_HOST_API int cmpinit(cmp_init_record* record, cmp_session* session);
QOR_HOST_API int cmpamin(cmp_session* session);
// Several options to one value (as cmpopt2 each): 0, the 1-based position of the first unknown
// option (nothing set then), -1 for a bad call.
QOR_HOST_API int cmpopts(cmp_session* session, const int* options, int count, int value);
// The libraries searched in order, each in the method catalog (cmpmcat), for a method that
// RUNMETHOD calls and the source does not define. An entry may name a catalog of its own as
// "library.catalog" (an environment and those it inherits keep catalogs of different names).
// Answers the count taken, 0 when refused (a library empty, longer than 8 or not a name, a
// catalog empty, longer than 32 or not a name; the source already complete): the list is unchanged.
struct cmp_library {
    const char* name;
    int length;
};
QOR_HOST_API int rsxlib(const cmp_library* libraries, int count, cmp_session* session);
// The same with a catalog of its own for each library (an environment and those it inherits keep
// their methods in catalogs of different names), and, when type is given, the member type of the
// entries (GENTRANS unless set; the engine's environment catalogs use RODI24). Answers the count
// taken, 0 when refused (a library not a name of up to 8 characters, a catalog not a name of up
// to 32, a type not a name of up to 8; the source already complete): nothing is changed then.
struct cmp_method_catalog {
    const char* library;
    int library_length;
    const char* catalog;
    int catalog_length;
};
QOR_HOST_API int rsxcat(const cmp_method_catalog* catalogs, int count, const char* type, int tlength,
                        cmp_session* session);

// Generation, in steps a caller may take one by one. cmppdv lays out the data and generates
// the code (the source must be complete: 3 otherwise; 4 after an error reported through the
// error hook; 2 when done already). cmpexi brings an instance (block >= 0) or all (-1) back to
// the initial state: locals missing or blank, matrices the instance owns missing, hidden
// records zeroed, the missing-generated count 0; bindings, extents and the run list stay (also
// between runs, e.g. at each replication's start). cmpruni makes nblocks instances and ends the
// compile (3 without cmppdv, 2 when done already; cmpexi 5 when there is no memory to hold the
// values of symbols kept by cmpsymr). cmpgen is cmppdv (unless done), cmpexi and
// cmpruni. All answer 0 when done.
QOR_HOST_API int cmppdv(cmp_session* session);
QOR_HOST_API int cmpexi(cmp_session* session, int block);
// What cmpexi brings back of a symbol: CMP_RESET_VALUE (every symbol's default) resets a local
// variable, each local element of an array and the storage of a matrix the instance owns;
// CMP_RESET_NONE keeps what the last run left (a retained variable). Any time before or after
// generation. 0; 1 bad call (unknown mask); 2 a symbol cmpexi never resets (a structure member,
// a bound cell, a matrix on engine storage); 5 no memory.
enum : int { CMP_RESET_NONE = 0, CMP_RESET_VALUE = 1 };
QOR_HOST_API int cmpsymr(cmp_session* session, cmp_symbol* symbol, int mask);
QOR_HOST_API int cmpruni(cmp_session* session, int nblocks);
QOR_HOST_API int cmpgen(cmp_session* session, int nblocks);
// Run-list entry of a label (entry >= 0), or -1 when the label does not exist.
QOR_HOST_API int cmpgetl(cmp_session* session, const char* label, int length);

// Instances (one per execution block, made by cmpgen).
QOR_HOST_API cmp_instance* cmpinsb(cmp_session* session, int block);
QOR_HOST_API int cmpbase(cmp_instance* instance, const char* structure_instance, int length, void* base);
// Pointer slot of a structure instance, and an instance's vector of base pointers: rebinding
// an instance to the next record is one store, cmpbasev(instance)[slot] = record.
QOR_HOST_API int cmpbasei(cmp_session* session, const char* structure_instance, int length);
QOR_HOST_API void** cmpbasev(cmp_instance* instance);
// cmpinsd copies the data of one instance into another instance of the same program: every
// local (numeric and character, with temporaries) and every matrix `from` keeps in its own
// storage, with its extents (`to` then reads its own copy). Bindings (structure bases, bound
// cells, matrices on other storage), run lists, special functions' hidden records and PUT
// destinations stay as they are in `to`. No allocation when `to` already holds matrices of
// those sizes. 0; 1 bad call (null, the same instance, another program); 4 no memory.
QOR_HOST_API int cmpinsd(cmp_instance* to, const cmp_instance* from);
// Text of a character variable (trailing blanks removed, NUL-ended); its length or -1.
QOR_HOST_API int cmptext(cmp_instance* instance, cmp_symbol* symbol, char* out, int size);
QOR_HOST_API double* cmppdva(cmp_instance* instance, cmp_symbol* symbol);       // numeric local
// The value record of a character local of the instance (written in place; null otherwise).
QOR_HOST_API qor_namerec* cmppdvp(cmp_instance* instance, const cmp_symbol* symbol);
// Element (row, column) from 1 of an array or matrix in the instance at its present extents
// (one dimension: column 0 or 1); null out of range or for a character array.
QOR_HOST_API double* cmpmatn(cmp_instance* instance, const cmp_symbol* symbol, int row, int column);
// After a body wrote an argument: arguments are the variables' own storage, so there is nothing
// to copy back; 0, or 1 for an argument that cannot have been written (omitted, no storage).
QOR_HOST_API int cmppdvs(cmp_instance* instance, const cmp_arg_value* argument);
QOR_HOST_API int cmpmact(cmp_instance* instance, int entry, int on);            // run-list switch
// One run of the program (the switched-on run-list entries in program order, or the whole
// program). Answers CMP_RUN_OK, CMP_RUN_FAILED (a run-time error, reported through the error
// hook), CMP_RUN_UNBOUND (a structure instance or bound cell the code reads has no address: the
// run does not start; reported likewise), CMP_RUN_ITERATION_ENDED or CMP_RUN_STOPPED (a special
// function's body ended the run early), 1 for a null instance.
enum : int {
    CMP_RUN_OK = 0, CMP_RUN_FAILED = 2, CMP_RUN_UNBOUND = 3, CMP_RUN_ITERATION_ENDED = 4, CMP_RUN_STOPPED = 5
};
QOR_HOST_API int cmpfrun(cmp_instance* instance, double state);
QOR_HOST_API long cmpmissn(const cmp_instance* instance);                       // missing generated

// Stored methods. A method is stored as a typed list of its statement texts, kind, description
// and blocks, with a format version (docs/methods-language.md, "Stored methods"); reading it
// compiles the statements again, so a stored method outlives changes of the generated code.
//
// cmposl: the stored form of a method defined in the session's source, appended to `list`
// when list is non-null and written to the catalog entry "library.catalog.entry" of type
// GENTRANS (with the method's description) when entry is non-null. 0 or the failing code.
QOR_HOST_API int cmposl(cmp_session* session, const char* method, int mlength, const char* entry,
                        int elength, qor_list* list);
// cmpisl: a stored method read from `list`, or from the catalog entry "library.catalog.entry"
// (type GENTRANS) when list is null, pushed into the session as if its statements stood in the
// source. 0 accepted; otherwise refused with a message (a damaged form adds nothing).
QOR_HOST_API int cmpisl(cmp_session* session, const char* entry, int elength, const qor_list* list);
// cmpmdef: 1 when the source defines a method of that name (its ENDMETHOD was taken, or it was
// read from the catalog), else 0; length -1: NUL-ended.
QOR_HOST_API int cmpmdef(cmp_session* session, const char* name, int length);
// Where RUNMETHOD finds a method that the source calls and does not define: at the end marker
// it is read with cmpisl from "library.catalog.<method>" (WORK.METHODS unless set here).
QOR_HOST_API int cmpmcat(cmp_session* session, const char* library, int llength, const char* catalog,
                         int clength);

// Compiled functions (scoring models): a model is a stored method. cmpvtql reads the chain of
// catalog entries "library.catalog.entry" (lengths null: NUL-ended) with cmpisl before the end
// marker; it answers the count read, 0 when an entry is refused (those before it stay). After
// generation cmpfnc finds a method by name (its MAIN block when it has blocks; null: none, or
// blocks without MAIN); the answer lives as long as the session (find the functions before
// the runs start: cmpfnc is not for concurrent use). cmpfncn calls it on an instance, from the
// instance's thread: each argument names a numeric symbol of the program; CMP_FNC_IN values are stored
// into it before the call and CMP_FNC_OUT values read from it after; answers 0, non-zero when
// an argument has no storage or the run failed (reported through the error hook).
enum : int { CMP_FNC_IN = 1, CMP_FNC_OUT = 2 };
struct cmp_fnc_arg {
    cmp_symbol* symbol;
    double* value;
    int direction;           // CMP_FNC_IN, CMP_FNC_OUT or both
};
QOR_HOST_API int cmpvtql(cmp_session* session, const char* const* entries, const int* lengths, int count);
QOR_HOST_API const cmp_function* cmpfnc(cmp_session* session, const char* name, int length);
QOR_HOST_API int cmpfncn(cmp_instance* instance, const cmp_function* function, const cmp_fnc_arg* args, int nargs);

// Data flow. cmpdfla analyses the statements pushed so far (0; 1 when statements were refused:
// then there is no information); the next push drops the analysis, cmpdfre frees it.
// Analysis rules: an assignment anywhere in the program counts, whatever the order of the
// statements; an assigned symbol depends on the symbols its value is computed from, on the
// conditions and loop bounds around the assignment (also those around the RUNMETHOD calls of
// its method or block), and on the conditions of any GOTO, RETURN, LEAVE or CONTINUE of the same
// method, block or main program. An array stands for all its elements; the arguments a special
// function's check marks as written back depend on all arguments of the call. Two names of one
// storage (instance.member and the bare member) are one symbol. CALLSUBR with literal names counts
// as RUNMETHOD.
QOR_HOST_API int cmpdfla(cmp_session* session);
QOR_HOST_API void cmpdfre(cmp_session* session);
// Walk of the symbols on which `symbol` depends, directly or through others, in declaration
// order, without the symbol itself: cmpdeps gives the first (null: none or no analysis),
// cmpndep the next one (null at the end).
QOR_HOST_API cmp_symbol* cmpdeps(cmp_session* session, cmp_symbol* symbol);
QOR_HOST_API cmp_symbol* cmpndep(cmp_session* session);
// Symbols read (which CMP_DF_READ), written (CMP_DF_WRITE) or either by the statement of one
// push (its number, from 1), or by a method (block -1: all its statements; 0..4 one block) with
// the methods it runs. Up to `size` symbols go to out in declaration order; the answer is the
// full count, or -1 without an analysis or for an unknown method or block.
enum : int { CMP_DF_READ = 1, CMP_DF_WRITE = 2 };
QOR_HOST_API int cmpdfuse(cmp_session* session, int statement, int which, cmp_symbol** out, int size);
QOR_HOST_API int cmpdfmth(cmp_session* session, const char* method, int length, int block, int which,
                          cmp_symbol** out, int size);

// Output. cmplsrc lists every statement pushed with cmpprss (not those read from the catalog),
// numbered from 1 (a refused one marked '*'), through print (null: the log); answers the count. cmpdest gives an instance a PUT destination
// of its own (null: back to the session's), e.g. one per pricing thread. cmpwpdi starts holding
// the PUT lines of all instances without a destination of their own, in the order written (2
// when already holding); cmpwpde ends it and delivers the held lines to the print hook (or the
// log), answering their count (-1 when nothing was started).
QOR_HOST_API int cmplsrc(cmp_session* session, cmp_print_fn print, void* user);
QOR_HOST_API int cmpdest(cmp_instance* instance, cmp_print_fn print, void* user);
QOR_HOST_API int cmpwpdi(cmp_session* session);
QOR_HOST_API int cmpwpde(cmp_session* session);

// Memory use: bytes of code, constants, frame, symbols (4 counters used of 17).
QOR_HOST_API int cmpmuse(cmp_session* session, size_t counters[17]);
