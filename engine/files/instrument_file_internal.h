// What the instrument file's routines share among themselves: header I/O, the commit of both
// members, buffers, the duplicate-identifier table and the instrument-number system variables.
#pragma once
#include <cstdint>

#include "engine/files/instrument_file.h"

struct RSKVARIABLE;

constexpr char kNeutralPathText[] = "<System-specific pathname>";

// Writes the header of a member with the file's current counts: 0 or 2.
int write_headrec(RSKCON* con, RSKTRANFILE* file, qor_entry* member, char kind);
// Reads and checks a member's header: 0; 1 for another definition's file; 2 for a damaged one.
int read_headrec(RSKCON* con, RSKTRANFILE* file, qor_entry* member, RSKTRANHEAD* head);
// Commits both members of an output file, the information member last: 0 or 2.
int tran_commit(RSKCON* con, RSKTRANFILE* file);
// The physical path of the file's library, or the neutral text when paths are hidden; its length.
int tran_physical_path(RSKCON* con, const RSKTRANFILE* file, const char** path);

// Output set-up: type marks, value lists and the duplicate table: 0 or 1.
int tran_output_setup(RSKCON* con, RSKTRANFILE* file);
// Gives back the file's buffers and duplicate table.
void tran_release_buffers(RSKCON* con, RSKTRANFILE* file);
// Makes the file's buffer at least `bytes` long: 0, or 1 after 598/2797.
int tran_reserve(RSKCON* con, unsigned char** buffer, size_t* capacity, size_t bytes, const char* label);

// The instrument-number system variables.
enum : int { RSKTNUM_NUMBER = 0, RSKTNUM_TOTAL = 1 };
void tran_set_number(RSKCON* con, int which, double value);
double tran_get_number(RSKCON* con, int which);

// The duplicate-identifier table of an output file.
constexpr int kRskDuplicateEntries = 50000;
// Allocates the table: 0, or 1 after 598/2797 (the out-of-memory flag set).
int setup_duplicate_checks(RSKCON* con, RSKTRANFILE* file);
// Checks the identifier (256 bytes, blank-padded) of the instrument numbered `number`: 0 new,
// 1 a duplicate (598/1721 for the first 20, 598/1722 at the 21st).
int check_duplicates(RSKCON* con, RSKTRANFILE* file, const char* identifier, double number);
void free_duplicate_checks(RSKCON* con, RSKTRANFILE* file);

// Value lists of the variables while a file is written, and their reset.
int tran_lists_open(RSKCON* con, RSKTRANFILE* file);
// Adds the variable's current value (`key`, the list's width) to its list: 0, or 1 (no memory).
int tran_list_add(RSKCON* con, RSKVARIABLE* variable, const void* key);
// Adds every value the current instrument of the type contributes: 0 or 1.
int tran_lists_collect(RSKCON* con, RSKTRANFILE* file, RSKINSTTYPE* type);

// The instrument types that have instruments in the file (output) or that its information
// member names (input), in the order first met.
bool tran_type_used(const RSKTRANFILE* file, const RSKINSTTYPE* type);
// Adds the type to that list and counts it in types_used: 0, or 1 after 598/2797.
int tran_mark_type(RSKCON* con, RSKTRANFILE* file, RSKINSTTYPE* type);
