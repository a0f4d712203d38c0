// The UNITTEST statement: the list of test results, the report in the log, and the statement
// that runs every self-test with the library "tlib" in a directory of its own in WORK.
#include <cstring>
#include <string>

#include "common/memory/pool_memory.h"
#include "engine/counterparty/unittest.h"
#include "host/files.h"
#include "host/print.h"

namespace {

const char kTestLibrary[] = "TLIB    ";
const char kWorkLibrary[] = "WORK    ";
const char kTestDirectory[] = "unittest";
const int kHashSizes[] = {1, 9, 5000, 10000, 100000, 1000000};

char* copy_text(qor_pool* pool, const char* text) {
    const size_t length = std::strlen(text);
    auto* copy = static_cast<char*>(vmalcp_handler(pool, length + 1, QOR_ALLOC_ZERO));
    if (copy != nullptr) std::memcpy(copy, text, length);
    return copy;
}

void free_text(qor_pool* pool, char* text) {
    if (text != nullptr) vmfree_handler(pool, text, std::strlen(text) + 1, QOR_FREE_SIZED);
}

// What "tlib" was before the statement, to be put back after it.
struct SavedLibrary {
    bool assigned = false;
    std::string path;
    char engine[9] = {};
};

// Points "tlib" at a new directory in WORK. 0, or 1 after a message.
int assign_test_library(SavedLibrary* saved) {
    qor_library_info info{};
    if (xhlinf2(kTestLibrary, &info) == 0) {
        saved->assigned = true;
        saved->path.assign(info.path, static_cast<size_t>(info.path_length));
        std::memcpy(saved->engine, info.engine, 8);
    }
    qor_library_info work{};
    char directory[QOR_PATH_MAX];
    int length = 0;
    if (xhlinf2(kWorkLibrary, &work) != 0 ||
        xxname(work.path, work.path_length, kTestDirectory, static_cast<int>(sizeof kTestDirectory - 1), directory,
               static_cast<int>(sizeof directory), &length) != 0) {
        xpslog("%1zUNITTEST: the WORK library cannot hold the test library.");
        return 1;
    }
    const int made = xxmkdir(directory, length, nullptr);
    if ((made != 0 && made != QOR_FILE_EXISTS) || xhlasn2(kTestLibrary, directory, length, nullptr) != 0) {
        xpslog("%1zUNITTEST: the test library could not be assigned in WORK.");
        return 1;
    }
    return 0;
}

void restore_test_library(const SavedLibrary& saved) {
    if (saved.assigned)
        xhlasn2(kTestLibrary, saved.path.c_str(), static_cast<int>(saved.path.size()), saved.engine);
    else
        xhldas2(kTestLibrary);
}

}  // namespace

RSKTESTLIST* new_test_list(qor_pool* pool) {
    if (pool == nullptr) return nullptr;
    auto* list = static_cast<RSKTESTLIST*>(vmalcp_handler(pool, sizeof(RSKTESTLIST), QOR_ALLOC_ZERO));
    if (list != nullptr) list->pool = pool;
    return list;
}

void free_test_list(RSKTESTLIST* list) {
    if (list == nullptr) return;
    qor_pool* pool = list->pool;
    for (RSKTESTRESULT* result = list->first; result != nullptr;) {
        RSKTESTRESULT* next = result->next;
        free_text(pool, result->name);
        free_text(pool, result->note);
        vmfree_handler(pool, result, sizeof *result, QOR_FREE_SIZED);
        result = next;
    }
    vmfree_handler(pool, list, sizeof *list, QOR_FREE_SIZED);
}

RSKTESTRESULT* new_test_result(RSKTESTLIST* list, const char* name) {
    auto* result = static_cast<RSKTESTRESULT*>(vmalcp_handler(list->pool, sizeof(RSKTESTRESULT), QOR_ALLOC_ZERO));
    if (result == nullptr) return nullptr;
    result->name = copy_text(list->pool, name);
    if (result->name == nullptr) {
        vmfree_handler(list->pool, result, sizeof *result, QOR_FREE_SIZED);
        return nullptr;
    }
    return result;
}

void add_unit_test(RSKTESTLIST* list, RSKTESTRESULT* result) {
    result->next = nullptr;
    if (list->last != nullptr)
        list->last->next = result;
    else
        list->first = result;
    list->last = result;
    ++list->total;
    if (result->status == RSKTEST_MINOR) {
        ++list->failures;
        ++list->minor_failures;
    } else if (result->status == RSKTEST_SERIOUS) {
        ++list->failures;
        ++list->serious_failures;
    }
}

void MINOR_FAILURE(RSKTESTRESULT* result) { result->status = RSKTEST_MINOR; }
void SERIOUS_FAILURE(RSKTESTRESULT* result) { result->status = RSKTEST_SERIOUS; }

void add_notes(RSKTESTLIST* list, RSKTESTRESULT* result, const char* note) {
    free_text(list->pool, result->note);
    result->note = copy_text(list->pool, note);
}

void print_unit_tests(const RSKTESTLIST* list) {
    xpslog("NOTE:  UNIT TEST RESULTS FOR ZOZU");
    xpslog("NOTE:  TOTAL TESTS: %d", list->total);
    xpslog("NOTE:  TOTAL FAILURES: %d", list->failures);
    xpslog("NOTE:  TOTAL TEST_MINOR FAILURES: %d", list->minor_failures);
    xpslog("NOTE:  TOTAL SERIOUS FAILURES: %d", list->serious_failures);
    xpslog("NOTE:  INDIVIDUAL TESTS");
    for (const RSKTESTRESULT* result = list->first; result != nullptr; result = result->next) {
        xpslog("NOTE:  =====================");
        xpslog("NOTE:  TEST NAME %s", result->name);
        switch (result->status) {
            case RSKTEST_SUCCESS: xpslog("NOTE:  TEST %s WAS A SUCCESS", result->name); break;
            case RSKTEST_MINOR: xpslog("NOTE:  TEST %s HAD A MINOR FAILURE", result->name); break;
            case RSKTEST_SERIOUS: xpslog("NOTE:  TEST %s HAD A SERIOUS FAILURE", result->name); break;
            default: xpslog("NOTE:  TEST %s HAD AN UNRECOGNIZED FAILURE", result->name); break;
        }
        xpslog("NOTE:   %s", result->note != nullptr ? result->note : "");
    }
    xpslog("NOTE:  =====================");
}

int unittest_stmt(RSKCON* con, statement_node*) {
    qor_pool* pool = xmpoolc(1 << 16, 1 << 16, 0);
    RSKTESTLIST* list = new_test_list(pool);
    if (list == nullptr) {
        xpslog("%1zUNITTEST: no memory for the test results.");
        if (pool != nullptr) xmpoold(pool);
        return 1;
    }
    SavedLibrary saved;
    if (assign_test_library(&saved) != 0) {
        free_test_list(list);
        xmpoold(pool);
        return 1;
    }
    for (int size : kHashSizes) test_hashtable(con, list, size);
    test_dataset(con, list);
    test_cpty(con, list);
    restore_test_library(saved);
    print_unit_tests(list);
    // A serious failure fails the statement, so that a program checking an installation stops.
    const int rc = list->serious_failures > 0 ? 1 : 0;
    free_test_list(list);
    xmpoold(pool);
    return rc;
}
