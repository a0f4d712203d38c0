// Forwarding routines of the procedure: each fetches its slot from the published entry table and
// calls it. A table that is not published answers 1, so the caller sees a failure.
#include "procedure/engine_calls.h"

#include "host/kernel.h"

namespace zozu {

namespace {

constexpr int kEngineVector = 381;
constexpr int kCatalogVector = 383;

template <typename Fn>
Fn routine(int vector, int slot) {
    return reinterpret_cast<Fn>(wivslot(vector, slot));
}

int call_con(int vector, int slot, RSKCON* con) {
    auto fn = routine<int (*)(RSKCON*)>(vector, slot);
    return fn != nullptr ? fn(con) : 1;
}

}  // namespace

int rskinit(RSKCON** out, int client_kind, uint32_t function_manager, uint32_t manager) {
    *out = nullptr;
    auto fn = routine<int (*)(RSKCON**, int, uint32_t, uint32_t)>(kEngineVector, 2);
    return fn != nullptr ? fn(out, client_kind, function_manager, manager) : 1;
}

int rsk0(RSKCON* con) { return call_con(kEngineVector, 3, con); }
int rskterm(RSKCON* con) { return call_con(kEngineVector, 4, con); }
int rskadti(RSKCON* con) { return call_con(kEngineVector, 6, con); }

int rskadtp(RSKCON* con, int table, int number, int stamp_length, const char* stamp,
            int name_length, const char* name) {
    auto fn = routine<int (*)(RSKCON*, int, int, ...)>(kEngineVector, 7);
    return fn != nullptr ? fn(con, table, number, stamp_length, stamp, name_length, name) : 1;
}

int rskclbi(RSKCON* con) { return call_con(kEngineVector, 95, con); }
int rsktrn0(RSKCON* con) { return call_con(kEngineVector, 270, con); }

int unittest_stmt(RSKCON* con, statement_node* node) {
    auto fn = routine<int (*)(RSKCON*, statement_node*)>(kEngineVector, 376);
    return fn != nullptr ? fn(con, node) : 1;
}

int rssenvt(RSKCON* con) { return call_con(kCatalogVector, 25, con); }

}  // namespace zozu
