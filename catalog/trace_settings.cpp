// Run and static trace settings of the control structure as lists: the names of traced methods
// and variables as sublists, every other setting as a number.
#include <cmath>
#include <cstring>

#include "catalog/catalog_objects.h"
#include "catalog/catalog_settings.h"
#include "common/memory/pool_memory.h"
#include "host/print.h"

namespace {

// A stored number as a whole number: truncated toward zero; missing, infinite or beyond 64 bits
// gives 0 (the low bits are what the fields keep).
int64_t whole(double value) {
    if (!std::isfinite(value) || std::fabs(value) >= 9.2e18) return 0;
    return static_cast<int64_t>(std::trunc(value));
}

// Appends the zero-terminated names of a block as a sublist of unnamed character items.
int write_names(RSKCON* con, qor_list_id list, const char* item, const char* block, size_t size) {
    qor_list_id sub = rss_new_list(rss_list_workspace(con), "rsstrcg");
    if (sub == 0) return 1;
    int result = 0;
    for (size_t at = 0; block != nullptr && at < size;) {
        size_t length = strnlen(block + at, size - at);
        RSOCHAR name{length, length, block + at};
        if (rsoinsc(sub, &name, "", 0) != 0) result = 1;
        at += length + 1;
    }
    if (result == 0) result = rsoinsl(list, sub, item, -1);
    rss_free_list(sub);
    return result;
}

// Replaces a names block by the character items of the sublist, each followed by a zero byte.
// No sublist leaves the block; no memory leaves it too (598/500) and answers 1.
int read_names(RSKCON* con, const qor_list* list, const char* item, char** block, size_t* size) {
    qor_list* sub = nullptr;
    if (slgnl(list, item, &sub) != 0 || sub == nullptr) return 0;
    const int count = slcnt(sub);
    size_t needed = 0;
    for (int i = 1; i <= count; ++i) {
        std::string_view name;
        if (slitmc(sub, i, &name) == 0) needed += name.size() + 1;
    }
    char* names = nullptr;
    if (needed > 0) {
        names = static_cast<char*>(vmalcp_handler(con->general_pool, needed, QOR_ALLOC_PLAIN));
        if (names == nullptr) {
            xpmlog(598, 500);
            return 1;
        }
        size_t at = 0;
        for (int i = 1; i <= count; ++i) {
            std::string_view name;
            if (slitmc(sub, i, &name) != 0) continue;
            if (!name.empty()) std::memcpy(names + at, name.data(), name.size());
            at += name.size();
            names[at++] = '\0';
        }
    }
    if (*block != nullptr && *size > 0) vmfree_handler(con->general_pool, *block, *size, QOR_FREE_SIZED);
    *block = names;
    *size = needed;
    return 0;
}

// Reads a required number (a missing one is reported by the list layer); 1 when absent.
int read_number(qor_list_id list, const char* item, int64_t* out) {
    double value = 0;
    if (rsogetd(list, item, -1, &value) != 0) return 1;
    *out = whole(value);
    return 0;
}

struct StaticItem {
    const char* name;
    uint8_t RSKCON::StaticTrace::*field;
};
constexpr StaticItem kStaticItems[] = {
    {"RFS", &RSKCON::StaticTrace::factors},          {"DEPS", &RSKCON::StaticTrace::dependencies},
    {"ORDER", &RSKCON::StaticTrace::order},          {"TRANSM", &RSKCON::StaticTrace::transformations},
    {"PRICE", &RSKCON::StaticTrace::price},          {"INPUT", &RSKCON::StaticTrace::input},
    {"SUBMIT", &RSKCON::StaticTrace::submit},        {"SETVARS", &RSKCON::StaticTrace::set_variables},
};
constexpr uint8_t kListModelBit = 0x80;

}  // namespace

int rsstrcg(RSKCON* con, qor_list_id list) {
    const RSKCON::RunTrace& t = con->run_trace;
    int result = write_names(con, list, "EXECLST", t.methods, t.methods_size);
    int code = write_names(con, list, "VARLST", t.variables, t.variables_size);
    if (code > result) result = code;
    const struct {
        const char* name;
        double value;
    } numbers[] = {{"EXEC", static_cast<double>(t.execute)},          {"ELEVEL", static_cast<double>(t.level)},
                   {"ITERFROM", static_cast<double>(t.iteration_from)}, {"ITERTO", static_cast<double>(t.iteration_to)},
                   {"RUNONLY", static_cast<double>(t.run_only)},       {"THREADS", static_cast<double>(t.threads)},
                   {"THREADN", static_cast<double>(t.thread_number)}};
    for (const auto& n : numbers) {
        code = rsoinsd(list, n.value, n.name, -1);
        if (code > result) result = code;
    }
    return result;
}

int rsstrcs(RSKCON* con, qor_list_id list_id) {
    RSKCON::RunTrace& t = con->run_trace;
    const qor_list* list = slistp(list_id);
    int result = read_names(con, list, "EXECLST", &t.methods, &t.methods_size);
    int code = read_names(con, list, "VARLST", &t.variables, &t.variables_size);
    if (code > result) result = code;
    int64_t value = 0;
    auto keep = [&result](int c) {
        if (c > result) result = c;
        return c == 0;
    };
    if (keep(read_number(list_id, "EXEC", &value))) t.execute = static_cast<uint8_t>(value);
    if (keep(read_number(list_id, "ELEVEL", &value))) t.level = static_cast<uint8_t>(value);
    if (keep(read_number(list_id, "ITERFROM", &value))) t.iteration_from = static_cast<int32_t>(value);
    if (keep(read_number(list_id, "ITERTO", &value))) t.iteration_to = static_cast<int32_t>(value);
    if (keep(read_number(list_id, "RUNONLY", &value))) t.run_only = static_cast<uint8_t>(value);
    if (keep(read_number(list_id, "THREADS", &value))) t.threads = static_cast<uint8_t>(value);
    if (keep(read_number(list_id, "THREADN", &value))) t.thread_number = static_cast<int32_t>(value);
    return result;
}

int rsstrsg(RSKCON* con, qor_list_id list) {
    int result = 0;
    for (const StaticItem& item : kStaticItems) {
        int code = rsoinsd(list, con->static_trace.*item.field, item.name, -1);
        if (code > result) result = code;
    }
    int code = rsoinsd(list, (con->static_trace.flags & kListModelBit) ? 1.0 : 0.0, "LISTMODEL", -1);
    return code > result ? code : result;
}

int rsstrss(RSKCON* con, qor_list_id list) {
    int result = 0;
    int64_t value = 0;
    for (const StaticItem& item : kStaticItems) {
        int code = read_number(list, item.name, &value);
        if (code == 0) con->static_trace.*item.field = static_cast<uint8_t>(static_cast<uint16_t>(value));
        if (code > result) result = code;
    }
    int code = read_number(list, "LISTMODEL", &value);
    if (code == 0) {
        if (static_cast<int16_t>(static_cast<uint16_t>(value)) != 0)
            con->static_trace.flags |= kListModelBit;
        else
            con->static_trace.flags &= static_cast<uint8_t>(~kListModelBit);
    }
    return code > result ? code : result;
}
