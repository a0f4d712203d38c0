// Data set wrapper records: making and freeing data set, observation and variable records,
// and an observation template that describes every variable of an open data set.
#include <cstring>

#include "common/files/dataset.h"
#include "common/memory/pool_memory.h"

namespace {

bool mode_ok(int mode) { return mode == DATASET_READ || mode == DATASET_WRITE || mode == DATASET_UPDATE; }

template <typename T> T* take(qor_pool* pool) {
    return static_cast<T*>(vmalcp_handler(pool, sizeof(T), QOR_ALLOC_ZERO));
}

}  // namespace

dataset* new_dataset(qor_pool* pool, const char* libref, const char* member, int mode) {
    if (!mode_ok(mode)) return nullptr;
    dataset* ds = take<dataset>(pool);
    if (ds == nullptr) return nullptr;
    ds->libref = libref;
    ds->member = member;
    ds->mode = mode;
    return ds;
}

int set_mode(dataset* ds, int mode) {
    if (ds == nullptr || !mode_ok(mode)) return 1;
    ds->mode = mode;
    return 0;
}

dataset_obs* new_dataset_obs(qor_pool* pool, dataset_var* first, int64_t number) {
    if (number < 1) return nullptr;
    dataset_obs* obs = take<dataset_obs>(pool);
    if (obs == nullptr) return nullptr;
    obs->first = first;
    obs->number = number;
    return obs;
}

dataset_var* new_dataset_var(qor_pool* pool, const char* name, void* value, int32_t length,
                             int type, dataset_var* previous) {
    if (name == nullptr || value == nullptr || length < 1) return nullptr;
    dataset_var* var = take<dataset_var>(pool);
    if (var == nullptr) return nullptr;
    var->name = name;
    var->value = value;
    var->length = length;
    bool known = type == DATASET_TYPE_FROM_DATA || (type >= 0 && type <= DATASET_TYPE_MAX);
    var->type = static_cast<int16_t>(known ? type : 3);
    if (previous != nullptr) {
        var->next = previous->next;
        previous->next = var;
    }
    return var;
}

int delete_dataset_var(qor_pool* pool, dataset_var* var) {
    if (pool == nullptr || var == nullptr) return 1;
    while (var != nullptr) {
        dataset_var* next = var->next;
        if (var->owns_buffers) {
            vmfree_handler(pool, const_cast<char*>(var->name), std::strlen(var->name) + 1, QOR_FREE_SIZED);
            vmfree_handler(pool, var->value, static_cast<size_t>(var->length), QOR_FREE_SIZED);
        }
        vmfree_handler(pool, var, sizeof(dataset_var), QOR_FREE_SIZED);
        var = next;
    }
    return 0;
}

int delete_dataset_obs(qor_pool* pool, dataset_obs* obs) {
    if (pool == nullptr || obs == nullptr) return 1;
    if (obs->bound) xvgett(obs->get);
    if (obs->first != nullptr) delete_dataset_var(pool, obs->first);
    vmfree_handler(pool, obs, sizeof(dataset_obs), QOR_FREE_SIZED);
    return 0;
}

int delete_dataset(qor_pool* pool, dataset* ds) {
    if (pool == nullptr || ds == nullptr) return 1;
    // A record freed while open would leak the host's handle and its temporary file.
    if (ds->open) close_dataset(ds);
    vmfree_handler(pool, ds, sizeof(dataset), QOR_FREE_SIZED);
    return 0;
}

dataset_obs* get_obs_from_dataset(qor_pool* pool, dataset* ds) {
    if (pool == nullptr || ds == nullptr || !ds->open) return nullptr;
    int32_t count = 0;
    if (xoinfo(ds->handle, QOR_INFO_VARIABLES, &count) != 0 || count < 1) return nullptr;
    dataset_obs* obs = new_dataset_obs(pool, nullptr, 1);
    if (obs == nullptr) return nullptr;
    dataset_var* last = nullptr;
    for (int number = 1; number <= count; ++number) {
        qor_var_desc desc;
        if (xvname(ds->handle, number, &desc) != 0) break;
        bool numeric = desc.type == QOR_VAR_NUMERIC;
        int32_t length = numeric ? 8 : desc.length;
        char* name = static_cast<char*>(vmalcp_handler(pool, static_cast<size_t>(desc.name_length) + 1, QOR_ALLOC_ZERO));
        void* value = vmalcp_handler(pool, static_cast<size_t>(length), QOR_ALLOC_ZERO);
        dataset_var* var = nullptr;
        if (name != nullptr && value != nullptr) {
            std::memcpy(name, desc.name, static_cast<size_t>(desc.name_length));
            var = new_dataset_var(pool, name, value, length,
                                  numeric ? DATASET_TYPE_NUMERIC : DATASET_TYPE_CHARACTER, last);
        }
        if (var == nullptr) {
            if (name != nullptr) vmfree_handler(pool, name, static_cast<size_t>(desc.name_length) + 1, QOR_FREE_SIZED);
            if (value != nullptr) vmfree_handler(pool, value, static_cast<size_t>(length), QOR_FREE_SIZED);
            break;
        }
        var->number = number;
        var->owns_buffers = 1;
        if (obs->first == nullptr) obs->first = var;
        last = var;
        if (number == count) return obs;
    }
    // Something could not be described or allocated: give back what was taken (the variables
    // made so far own their buffers).
    delete_dataset_obs(pool, obs);
    return nullptr;
}
