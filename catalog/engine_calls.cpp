// Calls from catalog storage into the engine's entry table (vector 381). The modules never call
// one another directly; a missing table is a failure, not a crash.
#include "catalog/engine_calls.h"

#include "host/kernel.h"

namespace {

constexpr int kEngineVector = 381;

template <typename Fn>
Fn engine_routine(int slot) {
    return reinterpret_cast<Fn>(wivslot(kEngineVector, slot));
}

}  // namespace

void* engine_rsksym(RSKCON* con, const RSKSYMTAB* table, const RSKNAMEREC* name) {
    auto fn = engine_routine<void* (*)(RSKCON*, const RSKSYMTAB*, const RSKNAMEREC*)>(226);
    return fn != nullptr ? fn(con, table, name) : nullptr;
}

int engine_rsksymd(RSKCON* con, RSKSYMTAB* table, const RSKNAMEREC* name, void* object) {
    auto fn = engine_routine<int (*)(RSKCON*, RSKSYMTAB*, const RSKNAMEREC*, void*)>(227);
    return fn != nullptr ? fn(con, table, name, object) : 2;
}

int engine_rskname(RSKCON* con, RSKOBJNAME* rec, const char* text, int length) {
    auto fn = engine_routine<int (*)(RSKCON*, RSKOBJNAME*, const char*, int)>(156);
    return fn != nullptr ? fn(con, rec, text, length) : 1;
}

int engine_call(RSKCON* con, int slot) {
    auto fn = engine_routine<int (*)(RSKCON*)>(slot);
    return fn != nullptr ? fn(con) : 1;
}
