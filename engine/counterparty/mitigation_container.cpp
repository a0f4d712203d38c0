// Creation and freeing of the mitigation container and its records: variables (the counterparty
// variable record), types, input data sets, the catalog descriptor and super-types.
#include <cstring>

#include "common/files/dataset.h"
#include "common/memory/pool_memory.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/container_texts.h"

RSKCATOBJ* new_mit_catdesc(qor_pool* pool) { return rsk_container_catdesc(pool, "RSKMITIGATIONCON", RSKKIND_MITCON); }

RSKMITIGATIONCON* new_mit_con(qor_pool* pool) {
    if (pool == nullptr) return nullptr;
    auto* con = static_cast<RSKMITIGATIONCON*>(vmalcp_handler(pool, sizeof(RSKMITIGATIONCON), QOR_ALLOC_ZERO));
    if (con == nullptr) return nullptr;
    con->catalog = new_mit_catdesc(pool);
    if (con->catalog == nullptr) {
        vmfree_handler(pool, con, sizeof *con, QOR_FREE_SIZED);
        return nullptr;
    }
    return con;
}

RSKMITVAR* new_mit_var(qor_pool* pool, const char* name, const char* label, int32_t type, int32_t role,
                       int32_t offset, RSKVARIABLE* variable) {
    return new_cpty_var(pool, name, label, type, role, offset, variable);
}

RSKMITTYPE* new_mit_type(qor_pool* pool, const char* name, const char* method, const char* label, int size_hint) {
    if (pool == nullptr || name == nullptr) return nullptr;
    auto* t = static_cast<RSKMITTYPE*>(vmalcp_handler(pool, sizeof(RSKMITTYPE), QOR_ALLOC_ZERO));
    if (t == nullptr) return nullptr;
    t->name = rsk_text_copy(pool, name);
    t->method = method != nullptr ? rsk_text_copy(pool, method) : nullptr;
    t->label = label != nullptr ? rsk_text_copy(pool, label) : nullptr;
    t->variables = new_hash_table(pool, size_hint);
    if (t->name == nullptr || (method != nullptr && t->method == nullptr) ||
        (label != nullptr && t->label == nullptr) || t->variables == nullptr) {
        delete_mit_type(pool, t);
        return nullptr;
    }
    t->name_length = static_cast<int16_t>(std::strlen(t->name));
    return t;
}

int delete_mit_type(qor_pool* pool, RSKMITTYPE* t) {
    if (pool == nullptr) return 1;
    if (t == nullptr) return 0;
    if (t->variables != nullptr) del_hash_table(pool, t->variables);
    rsk_text_free(pool, t->name);
    rsk_text_free(pool, t->method);
    rsk_text_free(pool, t->label);
    vmfree_handler(pool, t, sizeof *t, QOR_FREE_SIZED);
    return 0;
}

int mit_add_super(qor_pool* pool, RSKMITTYPE* super, RSKMITTYPE* type) {
    if (type == nullptr) return 1;
    if (super == nullptr) return 0;
    if (type->method == nullptr && super->method != nullptr) {
        type->method = rsk_text_copy(pool, super->method);
        if (type->method == nullptr) return 1;
    }
    for (hash_item* item = enumerate_table(super->variables); item != nullptr; item = item->next) {
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

RSKMITDS* new_mit_ds(qor_pool* pool, const char* name, dataset* input, int size_hint) {
    if (pool == nullptr || name == nullptr || input == nullptr) return nullptr;
    auto* d = static_cast<RSKMITDS*>(vmalcp_handler(pool, sizeof(RSKMITDS), QOR_ALLOC_ZERO));
    if (d == nullptr) return nullptr;
    d->name = rsk_text_copy(pool, name);
    d->columns = new_hash_table(pool, size_hint);
    if (d->name == nullptr || d->columns == nullptr) {
        delete_mit_ds(pool, d);
        return nullptr;
    }
    d->name_length = static_cast<int16_t>(std::strlen(d->name));
    d->input = input;
    d->variable_count = size_hint;
    return d;
}

int delete_mit_ds(qor_pool* pool, RSKMITDS* d) {
    if (pool == nullptr) return 1;
    if (d == nullptr) return 0;
    for (hash_item* item = enumerate_table(d->columns); item != nullptr; item = item->next)
        delete_cpty_var(pool, static_cast<RSKMITVAR*>(item->value));
    if (d->columns != nullptr) del_hash_table(pool, d->columns);
    // A run's observation record may still hold the host's get list of the input.
    release_obs_binding(static_cast<dataset_obs*>(d->observation));
    if (d->input != nullptr) {
        // The data set record keeps its library reference and member as copies of this pool.
        rsk_text_free(pool, const_cast<char*>(d->input->libref));
        rsk_text_free(pool, const_cast<char*>(d->input->member));
        delete_dataset(pool, d->input);
    }
    rsk_text_free(pool, d->name);
    rsk_text_free(pool, d->weight);
    vmfree_handler(pool, d, sizeof *d, QOR_FREE_SIZED);
    return 0;
}

int delete_mit_con(qor_pool* pool, RSKMITIGATIONCON* con) {
    if (pool == nullptr || con == nullptr) return 1;
    for (hash_item* item = enumerate_table(con->variables); item != nullptr; item = item->next) {
        for (hash_item* t = enumerate_table(con->types); t != nullptr; t = t->next) {
            auto* type = static_cast<RSKMITTYPE*>(t->value);
            if (type == nullptr) continue;
            hash_item* held = hash_remove(type->variables, item->key);
            if (held != nullptr && del_hash_item(pool, held) != 0) return 1;
        }
        if (delete_cpty_var(pool, static_cast<RSKMITVAR*>(item->value)) != 0) return 1;
    }
    if (con->variables != nullptr) del_hash_table(pool, con->variables);
    if (con->system_variables != nullptr) del_hash_table(pool, con->system_variables);
    for (hash_item* t = enumerate_table(con->types); t != nullptr; t = t->next)
        if (delete_mit_type(pool, static_cast<RSKMITTYPE*>(t->value)) != 0) return 1;
    if (con->types != nullptr) del_hash_table(pool, con->types);
    for (hash_item* s = enumerate_table(con->sources); s != nullptr; s = s->next)
        delete_cpty_source(pool, static_cast<RSKCPTYSOURCE*>(s->value));
    if (con->sources != nullptr) del_hash_table(pool, con->sources);
    if (con->selected_datasets != nullptr) del_hash_table(pool, con->selected_datasets);
    for (hash_item* d = enumerate_table(con->datasets); d != nullptr; d = d->next)
        delete_mit_ds(pool, static_cast<RSKMITDS*>(d->value));
    if (con->datasets != nullptr) del_hash_table(pool, con->datasets);
    if (con->catalog != nullptr) vmfree_handler(pool, con->catalog, sizeof(RSKCATOBJ), QOR_FREE_SIZED);
    vmfree_handler(pool, con, sizeof *con, QOR_FREE_SIZED);
    return 0;
}
