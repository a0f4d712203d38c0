// Path items of the search path: splitting a SEARCH_PATH value or a library's list of
// directories into items, adding each after "!NAME" expansion, and quote stripping.
// Every length is bounded by the text it measures, so malformed values cannot run past it.
#include <cstring>

#include "engine/model/paths/environment_expansion.h"
#include "engine/model/paths/search_path.h"

namespace {

bool white(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool quote(char c) { return c == '\'' || c == '"'; }

int measured(const char* text, int length) {
    if (text == nullptr) return 0;
    return length < 0 ? static_cast<int>(std::strlen(text)) : length;
}

}  // namespace

int add_one_path(RSKCON* con, const char* text, int length) {
    RSKPATHNAME path;
    if (expand_path(text, length, &path) != 0 || path.name.length == 0) return 1;
    return rskpthd(con, path.buffer, path.name.length, 1, nullptr);
}

void path_list_bounds(const char* text, int length, const char** begin, const char** end) {
    int n = measured(text, length);
    const char* p = text;
    const char* e = text + n;
    if (n > 0 && p[0] == '(') {
        ++p;
        // The list ends at the last ")"; without one it runs to the end of the value.
        for (const char* c = e; c > p; --c) {
            if (c[-1] == ')') { e = c - 1; break; }
        }
    }
    *begin = p;
    *end = e;
}

int next_path_item(const char** cursor, const char* end, const char** item) {
    const char* p = *cursor;
    for (;;) {
        while (p < end && white(*p)) ++p;
        if (p >= end) {
            *cursor = p;
            return -1;
        }
        const char* start;
        const char* stop;
        if (quote(*p)) {
            char q = *p++;
            start = p;
            while (p < end && *p != q) ++p;
            stop = p;
            if (p < end) ++p;   // the closing quote
        } else {
            start = p;
            while (p < end && !white(*p)) ++p;
            stop = p;
        }
        if (stop > start) {
            *cursor = p;
            *item = start;
            return static_cast<int>(stop - start);
        }
    }
}

int process_search_path(RSKCON* con, const char* text, int length) {
    const char *p, *end, *item;
    path_list_bounds(text, length, &p, &end);
    for (int n; (n = next_path_item(&p, end, &item)) >= 0;) add_one_path(con, item, n);
    return 0;
}

int add_search_paths(RSKCON* con, const char* text, int length) {
    int n = measured(text, length);
    if (n == 0) return 0;
    if (text[0] != '(') {
        add_one_path(con, text, n);
        return 0;
    }
    const char* p = text + 1;
    const char* end = text + n;
    while (p < end) {
        while (p < end && !quote(*p)) ++p;
        if (p >= end) break;
        char q = *p++;
        const char* start = p;
        while (p < end && *p != q) ++p;
        if (p > start) add_one_path(con, start, static_cast<int>(p - start));
        if (p < end) ++p;
    }
    return 0;
}

int strip_path_quotes(const char* text, int length, const char** start) {
    int n = measured(text, length);
    const char* s = text;
    if (n > 0 && quote(s[n - 1])) --n;
    if (n > 0 && quote(s[0])) {
        ++s;
        --n;
    }
    *start = s;
    return n;
}
