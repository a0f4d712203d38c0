// The engine's compiler driver: the compile handle's routines (open, push, enter actions, generate,
// run, run lists), the declaration hook and its symbol look-ups, the error hook, the method-program
// extension, and the catalog form of methods.
#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/compiler/compile_control.h"
#include "engine/tables/control_structure.h"
#include "host/compiler.h"

// ---- The compile handle (entry-table slots 72, 333-336, 375) --------------------------------
// Allocates the zeroed handle and installs the host methods compiler; a failed install is
// reported once and marks the handle so that every compile fails. Null without memory.
RSKCMPCON* rskxcmp();
// Opens a compilation: 0, or 1 after its message (598/2001, 3401, 3402, 3410, 3413, 2797).
int rskicmp(int echo, int echo_argument, RSKCON* con, int reopen);
// Ends the compilation and frees the handle and everything it owns; RSKCON::compile_handle
// becomes null. Always 0.
int rskecmp(RSKCON* con);
// With create set, wraps an existing program (libraries parsed); else opens a full compile with
// the declaration hook and adds the libraries: 0, 1 (598/3402) or 3 (special functions).
int rskcmp0(RSKCON* con, cmp_session* program, int create, int library_count, const cmp_library* libraries);
// A compiler option on the open compile (cmpopt2's answer; 1 without one).
int rskocmp(RSKCMPCON* handle, int option, int value);
// The program of an execution block: every block shares the one session of the compile.
cmp_session* rskcmpg(RSKCON* con, int block);
// The instance of an execution block once generated (null before, or for a block out of range).
cmp_instance* rskcmpi(RSKCON* con, int block);

// Pushes one statement: the compiler's answer (0 or negative accepted, positive refused).
// Mode 0 gives the compiler no log buffer; mode 2 reports a refusal (598/3433 and the texts).
int rskpush(RSKCMPCON* handle, const char* statement, int argument, int mode);
// Enters an action's block in the transformation list and pushes its entry label "_ACTn_BLOCK: ;".
// 1 when the list cannot grow or the push fails, else 0.
int rsksact(RSKCON* con, RSKACTION* action, int block);
// Completes the source and generates the program: 0, or 1 (state 255) after its message.
int rskgcmp(RSKCON* con);
// Runs the program once on an execution block's instance (record null: block 0 of the run):
// 0, or 2 when the run failed (reported through the error hook).
int rskrcmp(RSKCON* con, RSKPROGRECORD* record, int state);
// The instance rskrcmp is running on this thread (null outside a run): the error hook reads the
// running action's number from it.
cmp_instance* rsk_running_instance();
// Switches one action's block (or all actions with action null) on or off in execution block
// e's run list; switching on what is on, or off what is off, changes nothing.
void rskmact(RSKCON* con, RSKACTION* action, int block, int on, int e);
// The phase letter the error hook names ('I', 'J', 'P', 'R', 'T', 'V').
void rskrcmp_state(RSKCON* con, char phase);
// Bytes used by the compiled program plus the compile pool's count; 0 without a handle.
size_t rskmcmp(RSKCON* con);
// Reserves one reference entry per execution block: index of the first, or -1.
int rskaref(RSKCMPCON* handle);
// Ends the program's PUT capture and submits generated host code (zsubmitz): its answer.
int zsubmit(const char* text, int length, void* context, int last, int reserved1, int reserved2);

// Symbols of the main program by name (numeric only): lookup_sym gives the data address of
// instance 0 (null: none); lookup_array the element's address (1-based) of "name[element]" or
// of a variable; 0 found, 1 not.
int lookup_sym(RSKCON* con, const char* name, int length, const char* member, double** out);
int lookup_array(RSKCON* con, const char* reference, int length, double** out);

// ---- Declaration hook and symbol look-up ------------------------------------------------------
// The compiler's declaration hook: declares an environment variable that method source uses.
int rskcmpd(void* user, cmp_session* session, const char* name, int length);
// Row of CASTS that the text equals (ignoring case), or -1.
int castsuffix(const char* text, int length);
// Position of the last `character` in text (length -1: NUL-ended), or -1.
int lastpos(const char* text, int length, char character);
// Declares (or only collects, see RSKCMPCON::collecting) a symbol for an engine variable entry:
// the program symbol, 1 while collecting, or null after 598/3405.
cmp_symbol* rsklsym(RSKSYMENTRY* entry, int symbol_kind, int first, int second, void* data, RSKCON* con,
                    int collect);
// An array named after the entry whose elements are numeric symbols named after the element
// variables, each bound to its variable's value: the array symbol or null.
cmp_symbol* link_qorarray(RSKSYMENTRY* entry, int count, RSKVARIABLE* const* elements, cmp_session* program);
// Instrument variables (members of "_INST_<type>") and reference variables: symbol or null.
cmp_symbol* rskpsym(RSKCON* con, RSKSYMENTRY* entry);
cmp_symbol* rskrsym(RSKCON* con, RSKSYMENTRY* entry);
// Binds the instrument and reference structures of instance `block` to a record of values.
int rskrpdv(RSKCON* con, int block, double* values);
// Aligns a character slot: its offset in the value buffer after `used` bytes.
int rskcpdv(int storage_class, int length, int used);

// ---- Error hook ---------------------------------------------------------------------------------
// The compiler's error hook: during a run of an action, the journal line names the method, the
// line within it and the phase word; otherwise the compiler's message.
void cmpErrCallback(void* user, const char* message, int line, const char* method);
// Where the error hook writes on the calling thread: a sink that keeps the lines (a pricing
// thread hands them to the calling thread), or the log again with sink null.
typedef void (*rsk_line_sink)(void* user, const char* line, int length);
void rsk_set_error_sink(rsk_line_sink sink, void* user);
// Phase word of a phase letter: "input", "project", "pricing", "postprice", "RFT", "postvar" or
// "unknown".
const char* rsk_phase_word(char phase);

// ---- Method-program extension -------------------------------------------------------------------
// Creates the extension (pool null: a pool of its own) and, with program null, a session; links
// both. 0; 672/3000 no pool, 672/3001 no memory, 672/3002 no session, 672/3003 init error.
int rskcompi(cmp_session** program, RSKCON* con, qor_pool* pool, RSKCMPEXT** out);
// Frees the extension's own pool and unlinks it (the session stays with its owner).
void rskcompe(RSKCMPEXT* extension);
// 1 when the compile defines a method of that name (and it ended), else 0.
int rskcompm(cmp_session* program, const char* name, int length);

// ---- Methods in the catalog ---------------------------------------------------------------------
// Kind letter of the METHOD statement's KIND option 1..8 ('N' for any other value), and back.
char rsk_kind_letter(int option);
int rsk_kind_option(char letter);
// Block type of a name (a CMPMB_NAMES row, ignoring case), or -1.
int rsk_block_type(const char* name, int length);
// Creates or finds a method record of the extension: null without memory (672/1010).
RSKMETHODREC* create_method(RSKCMPEXT* extension, const char* name, int length);
RSKMETHODREC* find_method(RSKCMPEXT* extension, const char* name, int length);
// Writes a method of the compile to the catalog entry library.catalog.<name>: 0 or the code.
int write_method(cmp_session* program, const RSKMETHODREC* method, const char* catalog, int length);
// Reads a method's catalog entry into the compile: 0, or 1 after its message.
int load_method(RSKCMPEXT* extension, RSKMETHODREC* method);
// The list component of the host's function manager for stored methods (created once).
int get_fmcomp(RSKCMPEXT* extension);
// 1 when the host does not know the library reference, else 0 with two words of its record.
int get_version(const char* libref, int length, uint32_t out[2]);

// ---- Provided by the other compiler areas ---------------------------------------------------
// Installs the special functions in their order (598/3410 at the first refusal): 0 or 1.
int install_special_functions(RSKCMPCON* handle);
// Clears the program data vector bookkeeping of the run-compile record (when present).
void rskcmpf(RSKCON* con);
// Gives a symbol entry its slot in a program data vector collection (RSKPDV_*); the entry's
// symbol is then the vector's element when the collection declared one.
void rskmcmp_addvar(RSKCON* con, RSKSYMENTRY* entry, int collection);
