// The readers and writers of the catalog data sets of definitions, and the variables listing.
// Each takes the library reference, the member and the name used in messages ("LIBREF.MEMBER"
// when null) and returns 0, or 1 after its messages.
#pragma once
#include "engine/tables/control_structure.h"

int rskvarr(RSKCON* con, const char* libref, const char* member, const char* dsname);
int rskvarw(RSKCON* con, const char* libref, const char* member, const char* dsname);
int rskaryr(RSKCON* con, const char* libref, const char* member, const char* dsname);
int rskaryw(RSKCON* con, const char* libref, const char* member, const char* dsname);
int rskrefr(RSKCON* con, const char* libref, const char* member, const char* dsname);
int rskrefw(RSKCON* con, const char* libref, const char* member, const char* dsname);
int rskcatr(RSKCON* con, const char* libref, const char* member, const char* dsname);
int rskcatw(RSKCON* con, const char* libref, const char* member, const char* dsname);

// Lists one variable, or without one the groups of the selection (0 all, 1 system, 2 risk
// factors and arrays, 3 instrument, 6 reference, 7 output, 8 project, 9 states). 0.
int rskvarp(RSKCON* con, RSKVARIABLE* variable, int selection);
