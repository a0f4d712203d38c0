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
int rskaryp(RSKCON* con, RSKVARIABLE* array) {
    auto fn = engine_routine<EngineSlot::rskaryp>();
    return fn != nullptr ? fn(con, array) : 1;
}
int rssenvp(RSKCON* con, int with_security) {
    auto fn = catalog_routine<CatalogSlot::rssenvp>();
    return fn != nullptr ? fn(con, with_security) : 1;
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
// The statement does not hand its name and text on yet: the definition is refused (1).
int rskwhrd(RSKCON* con) {
    auto fn = engine_routine<EngineSlot::rskwhrd>();
    return fn != nullptr ? fn(con, nullptr, nullptr, nullptr, nullptr) : 1;
}

}  // namespace zozu

// ---- Definition statements (DECLARE, ARRAY, RFCATEGORY, INSTRUMENT, data sets) ----
namespace zozu {

int rskcddt(RSKCON* con, int table, const char* text, int length) {
    auto fn = engine_routine<EngineSlot::rskcddt>();
    return fn != nullptr ? fn(con, table, text, length) : 999;
}
int rskcdva(RSKCON* con, int variable_class, const char* text, int length) {
    auto fn = engine_routine<EngineSlot::rskcdva>();
    return fn != nullptr ? fn(con, variable_class, text, length) : 999;
}
int rskcdac(RSKCON* con, const char* text, int length) {
    auto fn = engine_routine<EngineSlot::rskcdac>();
    return fn != nullptr ? fn(con, text, length) : 0;
}
int rskvard(RSKCON* con, RSKVARIABLE** out, const RSKVARDEF* request) {
    if (out != nullptr) *out = nullptr;
    auto fn = engine_routine<EngineSlot::rskvard>();
    return fn != nullptr ? fn(con, out, request) : 1;
}
int rskvara(RSKCON* con, RSKVARIABLE* variable, const char* first, int first_length,
            const char* second, int second_length) {
    auto fn = engine_routine<EngineSlot::rskvara>();
    return fn != nullptr ? fn(con, variable, first, first_length, second, second_length) : 1;
}
int rskvarb(RSKCON* con, RSKVARIABLE* variable, const char* name, int length) {
    auto fn = engine_routine<EngineSlot::rskvarb>();
    return fn != nullptr ? fn(con, variable, name, length) : 1;
}
int rskarya(RSKCON* con, RSKVARIABLE* array, const char* name, int length) {
    auto fn = engine_routine<EngineSlot::rskarya>();
    return fn != nullptr ? fn(con, array, name, length) : 1;
}
int rskcatd(RSKCON* con, const RSKNAMEREC* name, RSKCATEGORY** out) {
    auto fn = engine_routine<EngineSlot::rskcatd>();
    return fn != nullptr ? fn(con, name, out) : 1;
}
int rskclsd(RSKCON* con, RSKINSTTYPE** out, const char* name, int name_length, const char* label,
            int label_length, const char* description, int description_length, int cash_flows,
            int quadratic, RSKENV* environment) {
    *out = nullptr;
    auto fn = engine_routine<EngineSlot::rskclsd>();
    return fn != nullptr ? fn(con, out, name, name_length, label, label_length, description,
                              description_length, cash_flows, quadratic, environment)
                         : 1;
}
int rskclsv(RSKCON* con, RSKINSTTYPE* type, const char* name, int length) {
    auto fn = engine_routine<EngineSlot::rskclsv>();
    return fn != nullptr ? fn(con, type, name, length) : 1;
}
int rskdflt(RSKCON* con, RSKINSTTYPE* type, const char* name, int length, double number,
            const char* text, int text_length, int flag) {
    auto fn = engine_routine<EngineSlot::rskdflt>();
    return fn != nullptr ? fn(con, type, name, length, number, text, text_length, flag) : 1;
}
int rskactd(RSKCON* con, RSKINSTTYPE* type, int action, const char* method, int length) {
    auto fn = engine_routine<EngineSlot::rskactd>();
    return fn != nullptr ? fn(con, type, action, method, length) : 1;
}
int rskclsi(RSKCON* con, RSKINSTTYPE* type) {
    auto fn = engine_routine<EngineSlot::rskclsi>();
    return fn != nullptr ? fn(con, type) : 1;
}
int rskpthw(RSKCON* con, const char* spec, int length, const char* type, char* libref,
            member_name* member, char* physical, int report) {
    auto fn = engine_routine<EngineSlot::rskpthw>();
    return fn != nullptr ? fn(con, spec, length, type, libref, member, physical, report) : 1;
}
DatasetRoutine dataset_routine(int slot) {
    switch (slot) {
        case 295: return engine_routine<EngineSlot::rskvarr>();
        case 296: return engine_routine<EngineSlot::rskvarw>();
        case 215: return engine_routine<EngineSlot::rskrefr>();
        case 216: return engine_routine<EngineSlot::rskrefw>();
        case 37: return engine_routine<EngineSlot::rskcatr>();
        case 38: return engine_routine<EngineSlot::rskcatw>();
        case 19: return engine_routine<EngineSlot::rskaryr>();
        case 20: return engine_routine<EngineSlot::rskaryw>();
        case 101: return engine_routine<EngineSlot::rskclsr>();
        case 103: return engine_routine<EngineSlot::rskclsw>();
        default: return nullptr;
    }
}
int rssclsa(RSKCON* con, RSKINSTTYPE* type, int mode) {
    auto fn = catalog_routine<CatalogSlot::rssclsa>();
    return fn != nullptr ? fn(con, type, mode) : 1;
}

}  // namespace zozu

// ---- Counterparty, mitigation, source and instrument data statements ----
namespace zozu {

namespace {

// Calls a slot that answers a record: null when the table is not published.
template <EngineSlot S, typename... A>
auto make_through(A... args) -> decltype(engine_routine<S>()(args...)) {
    auto fn = engine_routine<S>();
    return fn != nullptr ? fn(args...) : nullptr;
}

// Calls a slot that answers a code: 1 when the table is not published.
template <EngineSlot S, typename... A>
int code_through(A... args) {
    auto fn = engine_routine<S>();
    return fn != nullptr ? fn(args...) : 1;
}

}  // namespace

RSKCPTYCON* new_cpty_con(qor_pool* pool) { return make_through<EngineSlot::new_cpty_con>(pool); }
RSKCPTYVAR* new_cpty_var(qor_pool* pool, const char* name, const char* label, int32_t type, int32_t role,
                         int32_t offset, RSKVARIABLE* variable) {
    return make_through<EngineSlot::new_cpty_var>(pool, name, label, type, role, offset, variable);
}
RSKCPTYTYPE* new_cpty_type(qor_pool* pool, const char* name, const char* method, RSKCPTYMODEL* model,
                           const char* label, int size_hint) {
    return make_through<EngineSlot::new_cpty_type>(pool, name, method, model, label, size_hint);
}
RSKCPTYMODEL* new_cpty_model(qor_pool* pool, void* compiled, int model_length, const char* model,
                             int function_length, const char* function) {
    return make_through<EngineSlot::new_cpty_model>(pool, compiled, model_length, model, function_length, function);
}
RSKCPTYDS* new_cpty_ds(qor_pool* pool, const char* name, dataset* input, utilfile* output, int size_hint) {
    return make_through<EngineSlot::new_cpty_ds>(pool, name, input, output, size_hint);
}
int cpty_add_super(qor_pool* pool, RSKCPTYTYPE* super, RSKCPTYTYPE* type) {
    return code_through<EngineSlot::cpty_add_super>(pool, super, type);
}
int delete_cpty_type(qor_pool* pool, RSKCPTYTYPE* type) { return code_through<EngineSlot::delete_cpty_type>(pool, type); }
int delete_cpty_var(qor_pool* pool, RSKCPTYVAR* variable) {
    return code_through<EngineSlot::delete_cpty_var>(pool, variable);
}
RSKCATOBJ* new_cpty_catdesc(qor_pool* pool) { return make_through<EngineSlot::new_cpty_catdesc>(pool); }
RSKCATOBJ* new_mit_catdesc(qor_pool* pool) { return make_through<EngineSlot::new_mit_catdesc>(pool); }
RSKMITIGATIONCON* new_mit_con(qor_pool* pool) { return make_through<EngineSlot::new_mit_con>(pool); }
RSKCPTYVAR* new_mit_var(qor_pool* pool, const char* name, const char* label, int32_t type, int32_t role,
                        int32_t offset, RSKVARIABLE* variable) {
    return make_through<EngineSlot::new_mit_var>(pool, name, label, type, role, offset, variable);
}
RSKMITTYPE* new_mit_type(qor_pool* pool, const char* name, const char* method, const char* label, int size_hint) {
    return make_through<EngineSlot::new_mit_type>(pool, name, method, label, size_hint);
}
RSKMITDS* new_mit_ds(qor_pool* pool, const char* name, dataset* input, int size_hint) {
    return make_through<EngineSlot::new_mit_ds>(pool, name, input, size_hint);
}
int mit_add_super(qor_pool* pool, RSKMITTYPE* super, RSKMITTYPE* type) {
    return code_through<EngineSlot::mit_add_super>(pool, super, type);
}

hash_table* new_hash_table(qor_pool* pool, int hint) { return make_through<EngineSlot::new_hash_table>(pool, hint); }
hash_item* create_hash_item(qor_pool* pool, const char* key, void* value) {
    return make_through<EngineSlot::create_hash_item>(pool, key, value);
}
int hash_insert(hash_table* table, hash_item* item) { return code_through<EngineSlot::hash_insert>(table, item); }
hash_item* hash_query(const hash_table* table, const char* key) {
    return make_through<EngineSlot::hash_query>(table, key);
}
hash_item* hash_remove(hash_table* table, const char* key) { return make_through<EngineSlot::hash_remove>(table, key); }
hash_item* enumerate_table(const hash_table* table) { return make_through<EngineSlot::enumerate_table>(table); }
int del_hash_item(qor_pool* pool, hash_item* item) { return code_through<EngineSlot::del_hash_item>(pool, item); }
int del_hash_table(qor_pool* pool, hash_table* table) { return code_through<EngineSlot::del_hash_table>(pool, table); }

dataset* new_dataset(qor_pool* pool, const char* libref, const char* member, int mode) {
    return make_through<EngineSlot::new_dataset>(pool, libref, member, mode);
}
utilfile* new_utilfile(qor_pool* pool, const char* libref, const char* member, int mode) {
    return make_through<EngineSlot::new_utilfile>(pool, libref, member, mode);
}
int delete_dataset(qor_pool* pool, dataset* set) { return code_through<EngineSlot::delete_dataset>(pool, set); }
int delete_utilfile(qor_pool* pool, utilfile* file) { return code_through<EngineSlot::delete_utilfile>(pool, file); }

RSKCATOBJ* rskpos(RSKCON* con, const RSKNAMEREC* name) { return make_through<EngineSlot::rskpos>(con, name); }
int rskposd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, RSKCATOBJ* object) {
    return code_through<EngineSlot::rskposd>(con, out, name, object);
}
int rskpdsd(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* dataset_name) {
    return code_through<EngineSlot::rskpdsd>(con, object, dataset_name);
}
RSKCATOBJ* rskdat(RSKCON* con, const RSKNAMEREC* name) { return make_through<EngineSlot::rskdat>(con, name); }
int rskdatd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, uint32_t format, const RSKNAMEREC* type,
            const RSKNAMEREC* dataset_name, RSKCATOBJ* object) {
    return code_through<EngineSlot::rskdatd>(con, out, name, format, type, dataset_name, object);
}
int rskdata(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* variable, const RSKNAMEREC* column) {
    return code_through<EngineSlot::rskdata>(con, object, variable, column);
}

int rssofis(RSKCON* con, RSKCATOBJ* header, uint32_t list) {
    auto fn = catalog_routine<CatalogSlot::rssofis>();
    return fn != nullptr ? fn(con, header, list) : 1;
}
void* rssofiq(RSKCON* con, RSKCATOBJ* header, int access) {
    auto fn = catalog_routine<CatalogSlot::rssofiq>();
    return fn != nullptr ? fn(con, header, access) : nullptr;
}
int rskidsd(RSKCON* con, RSKCATOBJ** out, const RSKNAMEREC* name, uint32_t type, const interval_spec* interval,
            const RSKNAMEREC* row_column, const RSKNAMEREC* dataset, RSKCATOBJ* object) {
    return code_through<EngineSlot::rskidsd>(con, out, name, type, interval, row_column, dataset, object);
}
int rskidsa(RSKCON* con, RSKCATOBJ* object, const RSKNAMEREC* risk_factor, const RSKNAMEREC* column) {
    return code_through<EngineSlot::rskidsa>(con, object, risk_factor, column);
}
RSKVARIABLE* rskvf(RSKCON* con, const RSKNAMEREC* name) {
    auto fn = engine_routine<EngineSlot::rskvf>();
    return fn != nullptr ? fn(con, name) : nullptr;
}

}  // namespace zozu
