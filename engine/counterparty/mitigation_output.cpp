// The mitigation output data set (ALLMITIGATION): one observation per exposure-mitigant pair and
// state, six fixed columns and the run's computed variables.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/counterparty/container_texts.h"
#include "engine/counterparty/mitigation_run.h"
#include "engine/model/variables/variable_record.h"
#include "host/print.h"

namespace {

constexpr int32_t kShortestId = 8;
constexpr int32_t kLongestId = 256;
constexpr uint32_t kComputedRole = 204;

// A run variable the output carries: computed, used by the run, not left out of the output,
// not an array.
bool carried(const RSKVARIABLE* v) {
    return v->role == kComputedRole && v->run_used != 0 && v->exclusion1 == 0 && v->use_mask != 0 &&
           v->exclusion2 == 0 && v->exclusion3 == 0 && v->data_type != RSKDTYPE_ARRAY && v->value != nullptr;
}

constexpr int kFixedColumns = 6;

// The observation with the name copies of the computed columns (those after the fixed six).
void give_back_observation(qor_pool* pool, RSKMITOUTDS* out) {
    if (out->observation == nullptr) return;
    int k = 0;
    for (dataset_var* v = out->observation->first; v != nullptr; v = v->next)
        if (k++ >= kFixedColumns) rsk_text_free(pool, const_cast<char*>(v->name));
    delete_dataset_obs(pool, out->observation);
    out->observation = nullptr;
}

void give_back_ids(qor_pool* pool, RSKMITOUTDS* out) {
    const auto bytes = static_cast<size_t>(out->id_length);
    if (out->exposure_id != nullptr) vmfree_handler(pool, out->exposure_id, bytes, QOR_FREE_SIZED);
    if (out->mitigant_id != nullptr) vmfree_handler(pool, out->mitigant_id, bytes, QOR_FREE_SIZED);
    out->exposure_id = out->mitigant_id = nullptr;
    out->id_length = 0;
}

}  // namespace

RSKMITOUTDS* new_mit_out_ds(qor_pool* pool, dataset* data) {
    if (pool == nullptr || data == nullptr) return nullptr;
    auto* out = static_cast<RSKMITOUTDS*>(vmalcp_handler(pool, sizeof(RSKMITOUTDS), QOR_ALLOC_ZERO));
    if (out != nullptr) out->data = data;
    return out;
}

int delete_mit_out_ds(qor_pool* pool, RSKMITOUTDS* out) {
    if (pool == nullptr) return 1;
    if (out == nullptr) return 0;
    if (out->data != nullptr) close_dataset(out->data);
    give_back_observation(pool, out);
    give_back_ids(pool, out);
    if (out->data != nullptr) delete_dataset(pool, out->data);
    vmfree_handler(pool, out, sizeof *out, QOR_FREE_SIZED);
    return 0;
}

dataset_obs* build_output_obs(RSKCON* con, RSKMITOUTDS* out, RSKVARIABLE* variables, int32_t id_length) {
    qor_pool* pool = con != nullptr ? con->current_pool : nullptr;
    if (pool == nullptr || out == nullptr) return nullptr;
    give_back_observation(pool, out);
    give_back_ids(pool, out);
    const int32_t length = id_length < kShortestId ? kShortestId : (id_length > kLongestId ? kLongestId : id_length);
    out->exposure_id = static_cast<char*>(vmalcp_handler(pool, static_cast<size_t>(length), QOR_ALLOC_PLAIN));
    out->mitigant_id = static_cast<char*>(vmalcp_handler(pool, static_cast<size_t>(length), QOR_ALLOC_PLAIN));
    if (out->exposure_id == nullptr || out->mitigant_id == nullptr) {
        if (out->exposure_id != nullptr) vmfree_handler(pool, out->exposure_id, static_cast<size_t>(length), QOR_FREE_SIZED);
        if (out->mitigant_id != nullptr) vmfree_handler(pool, out->mitigant_id, static_cast<size_t>(length), QOR_FREE_SIZED);
        out->exposure_id = out->mitigant_id = nullptr;
        xpmlog(598, 7718, 10, "EXPOSUREID");
        return nullptr;
    }
    out->id_length = length;
    std::memset(out->exposure_id, ' ', static_cast<size_t>(length));
    std::memset(out->mitigant_id, ' ', static_cast<size_t>(length));

    struct Fixed {
        const char* name;
        void* value;
        int32_t length;
        int type;
    };
    const Fixed fixed[] = {
        {"EXPOSUREID", out->exposure_id, length, DATASET_TYPE_CHARACTER},
        {"MITIGANTID", out->mitigant_id, length, DATASET_TYPE_CHARACTER},
        {"EXPOSURE", &out->exposure, 8, DATASET_TYPE_NUMERIC},
        {"ADJEXPOSURE", &out->adjusted_exposure, 8, DATASET_TYPE_NUMERIC},
        {"MITIGANT_VAL", &out->mitigant_value, 8, DATASET_TYPE_NUMERIC},
        {"MITIGANT_ADJVAL", &out->mitigant_adjusted, 8, DATASET_TYPE_NUMERIC},
    };
    dataset_var* first = nullptr;
    dataset_var* last = nullptr;
    auto fail = [&](const char* name, int name_length) -> dataset_obs* {
        xpmlog(598, 7718, name_length, name);
        int k = 0;
        for (dataset_var* v = first; v != nullptr; v = v->next)
            if (k++ >= kFixedColumns) rsk_text_free(pool, const_cast<char*>(v->name));
        if (first != nullptr) delete_dataset_var(pool, first);
        return nullptr;
    };
    for (const Fixed& f : fixed) {
        dataset_var* v = new_dataset_var(pool, f.name, f.value, f.length, f.type, last);
        if (v == nullptr) return fail(f.name, static_cast<int>(std::strlen(f.name)));
        if (first == nullptr) first = v;
        last = v;
    }
    for (RSKVARIABLE* v = variables; v != nullptr; v = v->next) {
        if (!carried(v)) continue;
        const bool numeric = v->data_type == 1;
        const int32_t bytes = numeric ? 8 : static_cast<int32_t>(v->length);
        const int name_length = static_cast<int>(v->name.name.length);
        char* name = rsk_text_copy_n(pool, v->name.name.text, name_length);
        dataset_var* column = name == nullptr ? nullptr
                                              : new_dataset_var(pool, name, v->value, bytes,
                                                                numeric ? DATASET_TYPE_NUMERIC : DATASET_TYPE_CHARACTER, last);
        if (column == nullptr) {
            rsk_text_free(pool, name);
            return fail(v->name.name.text, name_length);
        }
        last = column;
    }
    out->observation = new_dataset_obs(pool, first, 1);
    if (out->observation == nullptr) return fail("ALLMITIGATION", 13);
    return out->observation;
}

int open_mit_out_dataset(RSKMITOUTDS* out) {
    if (out == nullptr || out->data == nullptr) return 2;
    if (open_dataset(out->data) != 0) return 2;
    out->current = 0;
    out->observations = out->data->observations;
    return 0;
}

int close_mit_out_dataset(RSKMITOUTDS* out) {
    if (out == nullptr || out->data == nullptr) return 2;
    return close_dataset(out->data) == 0 ? 0 : 2;
}
