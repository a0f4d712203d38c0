// The environment's object tables: one symbol table per kind of environment object, in a fixed
// order that catalog storage and the define routines index by.
#pragma once
#include "engine/tables/control_structure.h"

enum : int {
    RSKTAB_ENVIRONMENTS = 0,
    RSKTAB_VARIABLES = 1,
    RSKTAB_PROJECTS = 2,
    RSKTAB_ANALYSES = 3,
    RSKTAB_CROSSCLASSES = 4,
    RSKTAB_MODELSPECS = 5,
    RSKTAB_MODELS = 6,
    RSKTAB_REPORT_INDEX = 7,
    RSKTAB_REPORTS = 8,
    RSKTAB_WEBREPORTS = 9,
    RSKTAB_OUTPUTS = 10,
    RSKTAB_FILTERS = 11,
    RSKTAB_INPUTDS = 12,
    RSKTAB_CALENDARS = 13,
    RSKTAB_STATLISTS = 14,
    RSKTAB_INSTTYPES = 15,
    RSKTAB_PRATESETS = 16,
    RSKTAB_PARMATRICES = 17,
    RSKTAB_TIMEGRIDS = 18,
    RSKTAB_CATEGORIES = 19,
    RSKTAB_UNUSED20 = 20,            // never created
    RSKTAB_PACKAGES = 21,
    RSKTAB_FUNDCLASSES = 22,
    RSKTAB_UNUSED23 = 23,            // not created by start-up
    RSKTAB_TFILES = 24,
    RSKTAB_TSOURCES = 25,
    RSKTAB_TDATA = 26,
    RSKTAB_GENTRANS = 27,
    RSKTAB_COUNT = 28,
};

struct RSKOBJTABLES {
    RSKSYMTAB tables[RSKTAB_COUNT];
};
