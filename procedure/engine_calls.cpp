// Forwarding routines of the procedure: each fetches its slot from the published entry table and
// calls it. A table that is not published answers 1, so the caller sees a failure.
#include "procedure/engine_calls.h"

#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"

namespace zozu {

namespace {

// Calls a slot that takes only the control structure.
template <typename Fn>
int call_con(Fn fn, RSKCON* con) {
    return fn != nullptr ? fn(con) : 1;
}

}  // namespace

int rskinit(RSKCON** out, int client_kind, uint32_t function_manager, uint32_t manager) {
    *out = nullptr;
    auto fn = engine_routine<EngineSlot::rskinit>();
    return fn != nullptr ? fn(out, client_kind, function_manager, manager) : 1;
}

int rsk0(RSKCON* con) { return call_con(engine_routine<EngineSlot::rsk0>(), con); }
int rskterm(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskterm>(), con); }
int rskadti(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskadti>(), con); }

int rskadtp(RSKCON* con, int table, int number, int stamp_length, const char* stamp,
            int name_length, const char* name) {
    auto fn = engine_routine<EngineSlot::rskadtp>();
    return fn != nullptr ? fn(con, table, number, stamp_length, stamp, name_length, name) : 1;
}

int rskclbi(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskclbi>(), con); }
int rsktrn0(RSKCON* con) { return call_con(engine_routine<EngineSlot::rsktrn0>(), con); }

int unittest_stmt(RSKCON* con, statement_node* node) {
    auto fn = engine_routine<EngineSlot::unittest_stmt>();
    return fn != nullptr ? fn(con, node) : 1;
}

int rssenvt(RSKCON* con) { return call_con(catalog_routine<CatalogSlot::rssenvt>(), con); }

// ---- Housekeeping statements (DEBUG ... DELETE) ----
int rskcdoc(RSKCON* con, const char* name, int length) {
    auto fn = engine_routine<EngineSlot::rskcdoc>();
    return fn != nullptr ? fn(con, name, length) : 9;
}
int rskopts(RSKCON* con, int code, RSKOPTREC* record, int int_value, double value, const char* text, int length) {
    auto fn = engine_routine<EngineSlot::rskopts>();
    return fn != nullptr ? fn(con, code, record, int_value, value, text, length) : 1;
}
int rskoptp(RSKCON* con, const RSKOPTREC* record, int group) {
    auto fn = engine_routine<EngineSlot::rskoptp>();
    return fn != nullptr ? fn(con, record, group) : 1;
}
int rskcurm(RSKCON* con, const char* code, int mode) {
    auto fn = engine_routine<EngineSlot::rskcurm>();
    return fn != nullptr ? fn(con, code, mode) : 1;
}
int rskcurp(RSKCON* con, int all) {
    auto fn = engine_routine<EngineSlot::rskcurp>();
    return fn != nullptr ? fn(con, all) : 1;
}
int rskpthd(RSKCON* con, const char* path, int length, int append, const char* libref) {
    auto fn = engine_routine<EngineSlot::rskpthd>();
    return fn != nullptr ? fn(con, path, length, append, libref) : 1;
}
int rskpthr(RSKCON* con, const char* path, int length) {
    auto fn = engine_routine<EngineSlot::rskpthr>();
    return fn != nullptr ? fn(con, path, length) : 1;
}
int rskpthp(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskpthp>(), con); }
int rskpthg(RSKCON* con, const RSKNAMEREC* spec, const char* member_type, int for_read, char* library,
            member_name* member, char* path, int report) {
    auto fn = engine_routine<EngineSlot::rskpthg>();
    return fn != nullptr ? fn(con, spec, member_type, for_read, library, member, path, report) : 1;
}
RSKVARIABLE* rskvar(RSKCON* con, const RSKNAMEREC* name) {
    auto fn = engine_routine<EngineSlot::rskvar>();
    return fn != nullptr ? fn(con, name) : nullptr;
}
int rskvarm(RSKCON* con, RSKVARIABLE* variable) {
    auto fn = engine_routine<EngineSlot::rskvarm>();
    return fn != nullptr ? fn(con, variable) : 1;
}
int rskvarf(RSKCON* con, RSKVARIABLE* variable) {
    auto fn = engine_routine<EngineSlot::rskvarf>();
    return fn != nullptr ? fn(con, variable) : 1;
}
int rskvarp(RSKCON* con, RSKVARIABLE* variable, int selection) {
    auto fn = engine_routine<EngineSlot::rskvarp>();
    return fn != nullptr ? fn(con, variable, selection) : 1;
}
void* rsksym(RSKCON* con, const RSKSYMTAB* table, const RSKNAMEREC* name) {
    auto fn = engine_routine<EngineSlot::rsksym>();
    return fn != nullptr ? fn(con, table, name) : nullptr;
}
RSKINSTTYPE* rskcls(RSKCON* con, const char* name, int length) {
    auto fn = engine_routine<EngineSlot::rskcls>();
    return fn != nullptr ? fn(con, name, length) : nullptr;
}
int rskclsf(RSKCON* con, RSKINSTTYPE* type) {
    auto fn = engine_routine<EngineSlot::rskclsf>();
    return fn != nullptr ? fn(con, type) : 1;
}
int rskclbp(RSKCON* con, int security) {
    auto fn = engine_routine<EngineSlot::rskclbp>();
    return fn != nullptr ? fn(con, security) : 1;
}
int rskcdpt(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskcdpt>(), con); }
int rskcdpr(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskcdpr>(), con); }
int rskcatp(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskcatp>(), con); }
int rskfxp(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskfxp>(), con); }
int rskmodp(RSKCON* con, uint32_t kind) {
    auto fn = engine_routine<EngineSlot::rskmodp>();
    return fn != nullptr ? fn(con, kind) : 1;
}
int rssopta(RSKCON* con) { return call_con(catalog_routine<CatalogSlot::rssopta>(), con); }
int rsscuds(RSKCON* con) { return call_con(catalog_routine<CatalogSlot::rsscuds>(), con); }
int rsspths(RSKCON* con) { return call_con(catalog_routine<CatalogSlot::rsspths>(), con); }
int rskwhrd(RSKCON* con) { return call_con(engine_routine<EngineSlot::rskwhrd>(), con); }

}  // namespace zozu
