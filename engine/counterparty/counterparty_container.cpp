// Creation and freeing of the counterparty container and its records: variables, types, scoring
// models, input data sets, counterparties, sources, the catalog descriptor and super-types.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/compiler/dependencies.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/container_texts.h"

namespace {

constexpr int kNumericCell = 8;
constexpr int kCharacterCell = 100;

// Frees every item of a table (not their values) and the table itself.
int free_table(qor_pool* pool, hash_table* table) {
    return table != nullptr ? del_hash_table(pool, table) : 0;
}

}  // namespace

RSKCATOBJ* rsk_container_catdesc(qor_pool* pool, const char* entry, int32_t kind) {
    if (pool == nullptr) return nullptr;
    auto* header = static_cast<RSKCATOBJ*>(vmalcp_handler(pool, sizeof(RSKCATOBJ), QOR_ALLOC_ZERO));
    if (header == nullptr) return nullptr;
    const uint16_t length = static_cast<uint16_t>(std::strlen(entry));
    for (RSKOBJNAME* name : {&header->name, &header->member_name}) {
        std::memcpy(name->buffer, entry, length);
        name->name.capacity = kRskObjectNameCapacity;
        name->name.length = length;
        name->name.text = name->buffer;
    }
    header->kind = kind;
    return header;
}

RSKCATOBJ* new_cpty_catdesc(qor_pool* pool) { return rsk_container_catdesc(pool, "RSKCPTYCON", RSKKIND_CPTYCON); }

RSKCPTYCON* new_cpty_con(qor_pool* pool) {
    if (pool == nullptr) return nullptr;
    auto* con = static_cast<RSKCPTYCON*>(vmalcp_handler(pool, sizeof(RSKCPTYCON), QOR_ALLOC_ZERO));
    if (con == nullptr) return nullptr;
    con->catalog = new_cpty_catdesc(pool);
    con->numeric_cell = vmalcp_handler(pool, kNumericCell, QOR_ALLOC_ZERO);
    con->character_cell = vmalcp_handler(pool, kCharacterCell, QOR_ALLOC_ZERO);
    if (con->catalog == nullptr || con->numeric_cell == nullptr || con->character_cell == nullptr) {
        delete_cpty_con(pool, con);
        return nullptr;
    }
    return con;
}

RSKCPTYVAR* new_cpty_var(qor_pool* pool, const char* name, const char* label, int32_t type, int32_t role,
                         int32_t offset, RSKVARIABLE* variable) {
    if (pool == nullptr || name == nullptr) return nullptr;
    auto* v = static_cast<RSKCPTYVAR*>(vmalcp_handler(pool, sizeof(RSKCPTYVAR), QOR_ALLOC_ZERO));
    if (v == nullptr) return nullptr;
    v->name = rsk_text_copy(pool, name);
    v->alias = rsk_text_copy(pool, name);
    v->label = label != nullptr ? rsk_text_copy(pool, label) : nullptr;
    if (v->name == nullptr || v->alias == nullptr || (label != nullptr && v->label == nullptr)) {
        delete_cpty_var(pool, v);
        return nullptr;
    }
    v->name_length = static_cast<int16_t>(std::strlen(v->name));
    v->alias_length = v->name_length;
    v->type = type;
    v->role = role;
    v->offset = offset;
    v->variable = variable;
    return v;
}

int delete_cpty_var(qor_pool* pool, RSKCPTYVAR* v) {
    if (pool == nullptr) return 1;
    if (v == nullptr) return 0;
    rsk_text_free(pool, v->name);
    rsk_text_free(pool, v->alias);
    rsk_text_free(pool, v->label);
    vmfree_handler(pool, v, sizeof *v, QOR_FREE_SIZED);
    return 0;
}

RSKCPTYMODEL* new_cpty_model(qor_pool* pool, void* compiled, int model_length, const char* model,
                             int function_length, const char* function) {
    if (pool == nullptr) return nullptr;
    auto* m = static_cast<RSKCPTYMODEL*>(vmalcp_handler(pool, sizeof(RSKCPTYMODEL), QOR_ALLOC_ZERO));
    if (m == nullptr) return nullptr;
    m->compiled = compiled;
    if (model_length > 0) m->model = rsk_text_copy_n(pool, model, model_length);
    if (function_length > 0) m->function = rsk_text_copy_n(pool, function, function_length);
    if ((model_length > 0 && m->model == nullptr) || (function_length > 0 && m->function == nullptr)) {
        rsk_text_free(pool, m->model);
        rsk_text_free(pool, m->function);
        vmfree_handler(pool, m, sizeof *m, QOR_FREE_SIZED);
        return nullptr;
    }
    m->model_length = static_cast<int16_t>(model_length > 0 ? model_length : 0);
    m->function_length = static_cast<int16_t>(function_length > 0 ? function_length : 0);
    return m;
}

RSKCPTYTYPE* new_cpty_type(qor_pool* pool, const char* name, const char* method, RSKCPTYMODEL* model,
                           const char* label, int size_hint) {
    if (pool == nullptr || name == nullptr) return nullptr;
    auto* t = static_cast<RSKCPTYTYPE*>(vmalcp_handler(pool, sizeof(RSKCPTYTYPE), QOR_ALLOC_ZERO));
    if (t == nullptr) return nullptr;
    t->name = rsk_text_copy(pool, name);
    t->method = method != nullptr ? rsk_text_copy(pool, method) : nullptr;
    t->label = label != nullptr ? rsk_text_copy(pool, label) : nullptr;
    t->variables = new_hash_table(pool, size_hint);
    t->model = model;
    if (t->name == nullptr || (method != nullptr && t->method == nullptr) ||
        (label != nullptr && t->label == nullptr) || t->variables == nullptr) {
        t->model = nullptr;             // the caller still owns the model
        delete_cpty_type(pool, t);
        return nullptr;
    }
    t->name_length = static_cast<int16_t>(std::strlen(t->name));
    return t;
}

int delete_cpty_type(qor_pool* pool, RSKCPTYTYPE* t) {
    if (pool == nullptr) return 1;
    if (t == nullptr) return 0;
    // The type's table holds the container's variable records: only the items go.
    free_table(pool, t->variables);
    if (t->model != nullptr) {
        rsk_text_free(pool, t->model->model);
        rsk_text_free(pool, t->model->function);
        vmfree_handler(pool, t->model, sizeof *t->model, QOR_FREE_SIZED);
    }
    // The run's record of the type's method (the method object itself belongs to the environment).
    if (t->method_record != nullptr) vmfree_handler(pool, t->method_record, sizeof(RSKTYPEMETHOD), QOR_FREE_SIZED);
    rsk_text_free(pool, t->name);
    rsk_text_free(pool, t->method);
    rsk_text_free(pool, t->label);
    vmfree_handler(pool, t, sizeof *t, QOR_FREE_SIZED);
    return 0;
}

int cpty_add_super(qor_pool* pool, RSKCPTYTYPE* super, RSKCPTYTYPE* type) {
    if (type == nullptr) return 1;
    if (super == nullptr) return 0;
    if (type->method == nullptr && super->method != nullptr) {
        type->method = rsk_text_copy(pool, super->method);
        if (type->method == nullptr) return 1;
    }
    if (type->model == nullptr && super->model != nullptr) {
        const RSKCPTYMODEL* m = super->model;
        type->model = new_cpty_model(pool, m->compiled, m->model_length, m->model, m->function_length, m->function);
        if (type->model == nullptr) return 1;
    }
    for (hash_item* item = enumerate_table(super->variables); item != nullptr; item = item->next) {
        // Every variable of the super-type counts, whether the type had it or not.
        ++type->variable_count;
        if (hash_query(type->variables, item->key) != nullptr) continue;
        hash_item* copy = create_hash_item(pool, item->key, item->value);
        if (copy == nullptr || hash_insert(type->variables, copy) != HASH_INSERTED) {
            if (copy != nullptr) del_hash_item(pool, copy);
            return 1;
        }
    }
    type->super = super;
    return 0;
}

RSKCPTYDS* new_cpty_ds(qor_pool* pool, const char* name, dataset* input, utilfile* output, int size_hint) {
    if (pool == nullptr || name == nullptr || input == nullptr || output == nullptr) return nullptr;
    auto* d = static_cast<RSKCPTYDS*>(vmalcp_handler(pool, sizeof(RSKCPTYDS), QOR_ALLOC_ZERO));
    if (d == nullptr) return nullptr;
    d->name = rsk_text_copy(pool, name);
    d->columns = new_hash_table(pool, size_hint);
    if (d->name == nullptr || d->columns == nullptr) {
        d->input = nullptr;
        d->output = nullptr;
        delete_cpty_ds(pool, d);
        return nullptr;
    }
    d->name_length = static_cast<int16_t>(std::strlen(d->name));
    d->input = input;
    d->output = output;
    return d;
}

int delete_cpty_ds(qor_pool* pool, RSKCPTYDS* d) {
    if (pool == nullptr) return 1;
    if (d == nullptr) return 0;
    // The column table owns its variable records (copies made for the data set).
    for (hash_item* item = enumerate_table(d->columns); item != nullptr; item = item->next)
        delete_cpty_var(pool, static_cast<RSKCPTYVAR*>(item->value));
    free_table(pool, d->columns);
    if (d->input != nullptr) {
        // The data set record keeps its library reference and member as copies of this pool.
        rsk_text_free(pool, const_cast<char*>(d->input->libref));
        rsk_text_free(pool, const_cast<char*>(d->input->member));
        delete_dataset(pool, d->input);
    }
    if (d->output != nullptr) delete_utilfile(pool, d->output);
    rsk_text_free(pool, d->name);
    rsk_text_free(pool, d->weight);
    vmfree_handler(pool, d, sizeof *d, QOR_FREE_SIZED);
    return 0;
}

RSKCPTY* new_cpty(qor_pool* pool, const char* id, RSKCPTYTYPE* type, int32_t observation, RSKCPTYDS* set) {
    if (pool == nullptr || id == nullptr || type == nullptr || set == nullptr) return nullptr;
    auto* c = static_cast<RSKCPTY*>(vmalcp_handler(pool, sizeof(RSKCPTY), QOR_ALLOC_ZERO));
    if (c == nullptr) return nullptr;
    c->id = rsk_text_copy(pool, id);
    if (c->id == nullptr) {
        vmfree_handler(pool, c, sizeof *c, QOR_FREE_SIZED);
        return nullptr;
    }
    c->id_length = static_cast<int16_t>(std::strlen(c->id));
    c->type = type;
    c->observation = observation;
    c->dataset = set;
    return c;
}

int delete_cpty(qor_pool* pool, RSKCPTY* c) {
    if (pool == nullptr) return 1;
    if (c == nullptr) return 0;
    rsk_text_free(pool, c->id);
    vmfree_handler(pool, c, sizeof *c, QOR_FREE_SIZED);
    return 0;
}

RSKCPTYSOURCE* new_cpty_source(qor_pool* pool, const char* name, int size_hint) {
    if (pool == nullptr || name == nullptr) return nullptr;
    auto* s = static_cast<RSKCPTYSOURCE*>(vmalcp_handler(pool, sizeof(RSKCPTYSOURCE), QOR_ALLOC_ZERO));
    if (s == nullptr) return nullptr;
    s->name = rsk_text_copy(pool, name);
    s->datasets = new_hash_table(pool, size_hint);
    if (s->name == nullptr || s->datasets == nullptr) {
        delete_cpty_source(pool, s);
        return nullptr;
    }
    return s;
}

int delete_cpty_source(qor_pool* pool, RSKCPTYSOURCE* s) {
    if (pool == nullptr) return 1;
    if (s == nullptr) return 0;
    free_table(pool, s->datasets);      // its values are the container's data sets
    rsk_text_free(pool, s->name);
    vmfree_handler(pool, s, sizeof *s, QOR_FREE_SIZED);
    return 0;
}

int delete_cpty_con(qor_pool* pool, RSKCPTYCON* con) {
    if (pool == nullptr || con == nullptr) return 1;
    // A variable leaves every type's table before its record goes.
    for (hash_item* item = enumerate_table(con->variables); item != nullptr; item = item->next) {
        for (hash_item* t = enumerate_table(con->types); t != nullptr; t = t->next) {
            auto* type = static_cast<RSKCPTYTYPE*>(t->value);
            if (type == nullptr) continue;
            hash_item* held = hash_remove(type->variables, item->key);
            if (held != nullptr && del_hash_item(pool, held) != 0) return 1;
        }
        if (delete_cpty_var(pool, static_cast<RSKCPTYVAR*>(item->value)) != 0) return 1;
    }
    free_table(pool, con->variables);
    free_table(pool, con->system_variables);   // its values are variables freed above
    for (hash_item* t = enumerate_table(con->types); t != nullptr; t = t->next)
        if (delete_cpty_type(pool, static_cast<RSKCPTYTYPE*>(t->value)) != 0) return 1;
    free_table(pool, con->types);
    for (hash_item* s = enumerate_table(con->sources); s != nullptr; s = s->next)
        delete_cpty_source(pool, static_cast<RSKCPTYSOURCE*>(s->value));
    free_table(pool, con->sources);
    // Input sources share their source's data-set table; only their own texts go with them.
    for (hash_item* s = enumerate_table(con->input_sources); s != nullptr; s = s->next) {
        auto* input = static_cast<RSKCPTYINSRC*>(s->value);
        if (input == nullptr) continue;
        rsk_text_free(pool, input->name);
        rsk_text_free(pool, input->source);
        vmfree_handler(pool, input, sizeof *input, QOR_FREE_SIZED);
    }
    free_table(pool, con->input_sources);
    free_table(pool, con->selected_datasets);
    for (hash_item* d = enumerate_table(con->datasets); d != nullptr; d = d->next)
        delete_cpty_ds(pool, static_cast<RSKCPTYDS*>(d->value));
    free_table(pool, con->datasets);
    if (con->catalog != nullptr) vmfree_handler(pool, con->catalog, sizeof(RSKCATOBJ), QOR_FREE_SIZED);
    if (con->numeric_cell != nullptr) vmfree_handler(pool, con->numeric_cell, kNumericCell, QOR_FREE_SIZED);
    if (con->character_cell != nullptr) vmfree_handler(pool, con->character_cell, kCharacterCell, QOR_FREE_SIZED);
    vmfree_handler(pool, con, sizeof *con, QOR_FREE_SIZED);
    return 0;
}
