// Library names, file names and file operations of the engine: library references for
// directories, member types and extensions, building and splitting paths, output specifications.
#pragma once
#include <cstdint>

#include "host/files.h"

// Lengths given as negative numbers mean a NUL-terminated argument. Library references, engine
// names and member types are 8-character blank-padded fields (a shorter NUL-terminated text is
// read as blank-padded). Path buffers hold QOR_PATH_MAX (1024) bytes.

enum : int {
    ZN_BAD_TYPE = QOR_FILE_BAD_TYPE,       // unknown, null, blank or "*" member type
    ZN_EMPTY_NAME = QOR_FILE_EMPTY_NAME,   // zxname without a name
    ZN_TOO_LONG = QOR_FILE_TOO_LONG,       // a path that does not fit a QOR_PATH_MAX buffer
};

// A member name as the engine keeps it: a 16-bit length and up to 32 characters.
struct member_name {
    int16_t length;
    char text[32];
};

// --- Library references (library_names.cpp, library_assign.cpp) ---
// A name of width characters derived from text and bias: first character, then letters and
// digits (or digits alone with digits_only); the same text and bias always give the same name.
void znammgl(char* out, int width, char first, const char* text, int length, int digits_only,
             uint32_t bias);
// Assign a library reference with a generated name to a directory, or find the one already
// assigned to it with the same engine. *new_assignment is 1 when the caller owns a new
// assignment (and deassigns it when done). path_out (QOR_PATH_MAX bytes) gets the directory
// NUL-terminated when both path_out and path_length are given. 0 or 1.
int zlibnam(const char* directory, int length, char* libref, char* path_out, int* path_length,
            int* new_assignment, const char* engine);
// As zlibnam, with a library reference made from the last component of the path.
int zlibnm2(const char* path, int length, char* libref, char* path_out, int* path_length,
            int* new_assignment, const char* engine);
// 1 and the other reference when another assigned library has the same path and engine as the
// one described by info; else 0.
int checkLibAssigned(const qor_library_info* info, char* other_libref);
// 0 and the directory of an assigned library (the text belongs to the host); 1 when not assigned.
int zlib2ph(const char* libref, const char** path, int* path_length);
// 0 and the 8-character engine of an assigned library; 1 when not assigned.
int zlibeng(const char* libref, char* engine);
// Whether a member of a type exists in a library (0 = exists); a "DATA..." type also accepts a
// view. A null type is an unknown type.
int zdfxst(const char* libref, const char* member, int length, const char* member_type);

// --- Member types and physical names (member_types.cpp) ---
// 0 and the 8-character extension of a member type; ZN_BAD_TYPE for an unknown type.
int zfilext(const char* member_type, char* extension);
// Replace or append the type's extension in a path buffer (QOR_PATH_MAX bytes, NUL-terminated on
// return); *length is updated: 0; 1 when the path has no name part; ZN_BAD_TYPE; ZN_TOO_LONG.
int zchfext(char* path, int* length, const char* member_type);
// directory + "/" + lower-case name + "." + extension, NUL-terminated, into out (QOR_PATH_MAX
// bytes): 0; ZN_BAD_TYPE; ZN_EMPTY_NAME; ZN_TOO_LONG. A null, blank or "*" type adds no
// extension; a negative directory length means NUL-terminated with trailing blanks dropped.
int zxname(char* out, int* out_length, const char* name, int name_length, const char* member_type,
           const char* directory, int directory_length);

// --- Paths (paths.cpp) ---
// directory, "/" unless it ends with one, name, NUL into out (QOR_PATH_MAX bytes); the length,
// or -1 (and an empty text) when it does not fit.
int zlnknam(char* out, const char* directory, int directory_length, const char* name,
            int name_length);
// Split a path into directory (through the last "/"), name and extension (after the first "."
// of the name); a path ending with "/" names its last component with no extension (null, 0).
// Every output may be null. Always 0.
int zchopst(const char* spec, int length, const char** directory, int* directory_length,
            const char** name, int* name_length, const char** extension, int* extension_length);
// 0 when the paths are equal after dropping one trailing "/" from each; 1 otherwise or for null.
int zfphcom(const char* a, int length_a, const char* b, int length_b);
// 0 when the path starts with "/" or holds a "/" before its last character; 1 for a bare name.
int zdhpth(const char* path, int length);
// 0 when n bytes are equal ignoring case (also for n below 1), else 1.
int zcomstr(const char* a, const char* b, int n);
// 0 when the name has 1 to 32 characters, each a letter, a digit or "_"; else 1.
int check_name(const char* name, int length);

// --- File operations (file_ops.cpp, directory_clear.cpp) ---
// 0 and the physical name of a file reference in buffer (QOR_PATH_MAX bytes); 1 and "" when none.
int zpname(const char* fileref, char* buffer);
// 0 and the full path of a name ("" means ".") in buffer (QOR_PATH_MAX bytes, not NUL-terminated);
// 1 when no path is known.
int zfulpth(const char* name, int length, char* buffer, int* out_length);
// 0 when the file or directory exists; 1 otherwise.
int zfexist(const char* name, int length);
// 0 when the name is a directory that can be opened; 1 otherwise.
int zisdir(const char* name, int length);
// 0 when the file was deleted; 1 otherwise.
int zfildel(const char* name, int length);
// Rename a file; a new name without a directory stays in the directory of the old one.
// 0 when renamed; 1 when the new name cannot be formed or the rename fails.
int zmvfile(const char* old_name, int old_length, const char* new_name, int new_length);
// Make a directory (a trailing "/" is ignored): the host's result (0 when made).
int zmkdir(const char* path, int length);
// Files cannot be given other permissions here: 0, nothing changes.
int zchmod();
// Delete the files of a directory, its subdirectories depth levels down, removing the emptied
// ones: 0 when all went; -1 when the directory does not exist; 1 on a failure.
int zdelfil(const char* directory, int length, int depth);
// Delete the files of a directory and of its subdirectories one level down (removing those):
// 0 when done or when it does not exist; 1 for an empty name or on a failure.
int zclrdir(const char* directory, int length);
// Delete a directory with its contents as zclrdir does: 0 when done or when it did not exist;
// 1 for an empty name or on a failure.
int zrmdir(const char* directory, int length);

// --- Output specifications (output_spec.cpp) ---
// Split an output specification into directory, member and libref (a "libref.member" form
// when the extension is not the type's own): 0; 1 with a message when it cannot be used.
int process_file_name(const char* spec, int length, const char** directory, int* directory_length,
                      const char** member, int* member_length, char* libref,
                      const char* member_type);
// Resolve an output specification for a member type to a libref (WORK when none is named; a new
// assignment for a directory), the member name and, when wanted, the physical name. 0 or 1.
int zoutfil(const char* spec, int length, const char* member_type, char* libref,
            member_name* member, char* physical, int* new_assignment, int report);
