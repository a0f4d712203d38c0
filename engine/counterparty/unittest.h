// The UNITTEST statement's self-tests of the engine's own containers (hash table, data set
// wrapper, counterparty container): the list of results, the tests and the report.
#pragma once
#include <cstdint>

#include "engine/tables/control_structure.h"

struct statement_node;

// Outcome of one test.
enum : int32_t { RSKTEST_SUCCESS = 0, RSKTEST_MINOR = 1, RSKTEST_SERIOUS = 2 };

struct RSKTESTRESULT {
    RSKTESTRESULT* next;
    char* name;                      // NUL-terminated, from the list's pool
    char* note;                      // null until a note is attached
    int32_t status;                  // RSKTEST_*
};

struct RSKTESTLIST {
    RSKTESTRESULT* first;
    RSKTESTRESULT* last;
    int32_t total;
    int32_t failures;
    int32_t minor_failures;
    int32_t serious_failures;
    qor_pool* pool;                  // holds the list, its results and their texts
};

// The list, or null when out of memory; free_test_list gives back it and its results.
RSKTESTLIST* new_test_list(qor_pool* pool);
void free_test_list(RSKTESTLIST* list);
// A result named `name` (status success), or null when out of memory.
RSKTESTRESULT* new_test_result(RSKTESTLIST* list, const char* name);
// Appends the result and counts it by its status.
void add_unit_test(RSKTESTLIST* list, RSKTESTRESULT* result);
void MINOR_FAILURE(RSKTESTRESULT* result);
void SERIOUS_FAILURE(RSKTESTRESULT* result);
// Attaches the note (a copy); a note that cannot be copied leaves the result without one.
void add_notes(RSKTESTLIST* list, RSKTESTRESULT* result, const char* note);

// The tests: each records its result with its note and answers 0 (success) or 1. The data-set
// test works in the library "tlib".
int test_hashtable(RSKCON* con, RSKTESTLIST* list, int size_hint);
int test_dataset(RSKCON* con, RSKTESTLIST* list);
int test_cpty(RSKCON* con, RSKTESTLIST* list);

// The report, one NOTE line at a time, to the log.
void print_unit_tests(const RSKTESTLIST* list);

// UNITTEST (vector 381, slot 376): every test on "tlib" pointed at a fresh directory in WORK
// (a user's own tlib is restored after), then the report. 0; 1 when a test failed seriously
// or the tests could not be set up.
int unittest_stmt(RSKCON* con, statement_node* node);
