// Start-up of the engine's files: the work path, the search path from WORK, the current
// directory, SEARCH_PATH and RISKSAMP, and the standard libraries DEZERIVO and RISKSAMP.
#include <cstring>

#include "common/files/names.h"
#include "common/memory/pool_memory.h"
#include "engine/model/names/name_records.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/services/catalog.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr int kVariableBuffer = 1024;

// An environment variable's value: in `buffer`, or in a block of the general pool when it does
// not fit (the caller frees it with release_value).
struct EnvValue {
    char buffer[kVariableBuffer];
    char* text = nullptr;
    int length = 0;
    size_t allocated = 0;
};

// 0 when set, 1 when not set, 2 when out of memory (reported).
int read_variable(RSKCON* con, const char* name, EnvValue* value) {
    int rc = wzosvar(name, value->buffer, kVariableBuffer, &value->length);
    if (rc == 0) {
        value->text = value->buffer;
        return 0;
    }
    if (rc != QOR_ENV_TOO_SMALL) return 1;
    size_t bytes = static_cast<size_t>(value->length) + 1;
    auto* block = static_cast<char*>(vmalcp_handler(con->general_pool, bytes, QOR_ALLOC_PLAIN));
    if (block == nullptr) {
        con->no_memory_reported = 1;
        xpmlog(598, 93, static_cast<long>(bytes), "value of an environment variable");
        return 2;
    }
    int length = 0;
    if (wzosvar(name, block, static_cast<int>(bytes), &length) != 0) {
        vmfree_handler(con->general_pool, block, bytes, QOR_FREE_SIZED);
        return 1;   // changed or removed since the first read
    }
    value->text = block;
    value->length = length;
    value->allocated = bytes;
    return 0;
}

void release_value(RSKCON* con, EnvValue* value) {
    if (value->allocated != 0) vmfree_handler(con->general_pool, value->text, value->allocated, QOR_FREE_SIZED);
    value->allocated = 0;
    value->text = nullptr;
}

// Assigns a standard library; a failure is logged and reported but does not stop start-up.
void assign_standard(const char* libref, const char* directory, int length) {
    int rc = length > 0 ? xhlasn2(libref, directory, length, nullptr) : QOR_FILE_EMPTY_NAME;
    if (rc != 0) {
        xprrlog(1, rc);
        xpmlog(598, 1293, -1, libref, length, directory);
    }
}

// RISKSAMP from a value that lists directories in parentheses: the first that can be assigned.
void assign_sample_list(const char* text, int length) {
    const char *p, *end, *item;
    path_list_bounds(text, length, &p, &end);
    for (int n; (n = next_path_item(&p, end, &item)) >= 0;) {
        if (xhlasn2("RISKSAMP", item, n, nullptr) == 0) return;
    }
    xpmlog(598, 1293, -1, "RISKSAMP", length, text);
}

void set_up_samples(RSKCON* con) {
    EnvValue value;
    const char* start = nullptr;
    int rc = read_variable(con, "RISKSAMP", &value);
    if (rc == 0) {
        int n = strip_path_quotes(value.text, value.length, &start);
        if (n > 0 && start[0] == '(') {
            assign_sample_list(start, n);
            process_search_path(con, start, n);
        } else {
            assign_standard("RISKSAMP", start, n);
        }
        release_value(con, &value);
        return;
    }
    if (rc == 2) return;
    rc = read_variable(con, "QORROOT", &value);
    if (rc != 0) {
        if (rc == 1) xpmlog(598, 1295);
        return;
    }
    int n = strip_path_quotes(value.text, value.length, &start);
    char directory[QOR_PATH_MAX];
    int length = zlnknam(directory, start, n, "samples/risk", -1);
    if (length < 0) xpmlog(598, 1293, -1, "RISKSAMP", n, start);
    else assign_standard("RISKSAMP", directory, length);
    release_value(con, &value);
}

}  // namespace

int open_files(RSKCON* con) {
    const char* path = nullptr;
    int length = 0;
    if (zlib2ph("WORK", &path, &length) == 0) {
        add_search_paths(con, path, length);
        rskpnam(con, &con->work_path, path, length);
    } else {
        rskpnam(con, &con->work_path, "./", 2);
    }
    rskpthd(con, "./", -1, 1, nullptr);

    EnvValue value;
    if (read_variable(con, "SEARCH_PATH", &value) == 0) {
        if (value.length > 0) process_search_path(con, value.text, value.length);
        release_value(con, &value);
    }
    if (read_variable(con, "DEZERIVO", &value) == 0) {
        const char* start = nullptr;
        int n = strip_path_quotes(value.text, value.length, &start);
        assign_standard("DEZERIVO", start, n);
        release_value(con, &value);
    }
    set_up_samples(con);

    int result = rsspthl(con);
    if (zlib2ph("RISKSAMP", &path, &length) == 0) add_search_paths(con, path, length);
    return result;
}
