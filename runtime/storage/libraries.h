// The library registry: library references assigned to directories (WORK is a per-run
// temporary directory), and the physical file of a library member by its member type.
#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "host/export.h"

namespace qor::runtime {

// File extension of a member type ("DATA", "DATASET", "CATALOG", "UTILITY", "PUTILITY", "INDEX",
// "MDDB", "VIEW"/"DATAVIEW"; blanks and case ignored); empty for an unknown type.
QOR_HOST_API std::string member_extension(std::string_view member_type);

// Assign a library reference (at most 8 characters: a letter or '_' then letters, digits, '_')
// to an existing directory (kept as an absolute path) with an engine ("V9" default, "V612",
// "DISK"). 0 on success; 1 bad name, 2 directory missing or not a directory, 3 unknown engine.
QOR_HOST_API int assign_library(std::string_view libref, std::string_view directory,
                                std::string_view engine);
// Clear an assignment; 0 when it was assigned. WORK cannot be cleared (1).
QOR_HOST_API int clear_library(std::string_view libref);
// Directory of an assigned library (case and trailing blanks of the name ignored); empty when
// not assigned. WORK is created on first use; QORUSER is assigned on first use (host/save_support.h).
QOR_HOST_API std::string library_directory(std::string_view libref);
// Give an assigned library the read-only attribute or take it away: 0; 1 when not assigned (WORK
// never is read-only).
QOR_HOST_API int set_library_read_only(std::string_view libref, bool read_only);
// Whether an assigned library is read-only: given the attribute, or its directory may not be
// written by this process. false for a library that is not assigned.
QOR_HOST_API bool library_read_only(std::string_view libref);
// Engine name of an assigned library; empty when not assigned.
QOR_HOST_API std::string library_engine(std::string_view libref);
// <directory>/<lower-case member>.<extension> (for a concatenation the first directory that
// holds the member, else the first directory); empty when the library is not assigned, the
// member name is empty or not a valid name, or the type is unknown.
QOR_HOST_API std::string member_file(std::string_view libref, std::string_view member,
                                     std::string_view member_type);
// The file a new member of the library is written to: in the library's (first) directory.
QOR_HOST_API std::string member_output_file(std::string_view libref, std::string_view member,
                                            std::string_view member_type);
// The directories of a library in reading order: one, or those of a concatenation.
QOR_HOST_API std::vector<std::string> library_directories(std::string_view libref);
// Assigns a concatenation of assigned libraries ("LIBNAME ref (a b);"): members are read from
// the first library that holds them and written to the first. 0; 1 bad name; 2 a part is not
// assigned.
QOR_HOST_API int assign_concatenated_library(std::string_view libref, const std::vector<std::string>& parts);
// One assigned library as list_libraries reports it.
struct LibraryEntry {
    std::string libref;      // upper case
    std::string directory;   // absolute, no trailing '/'
    std::string engine;
};
// Every assigned library in name order, WORK included (made on first use).
QOR_HOST_API std::vector<LibraryEntry> list_libraries();
// Remove the WORK directory and everything in it (at exit; also safe to call twice).
QOR_HOST_API void remove_work_library();

}  // namespace qor::runtime
