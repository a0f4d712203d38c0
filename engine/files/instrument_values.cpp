// Value records and composite values of instruments in the stored layout: slot placement and
// the layout checksum, and the packing of quadratic approximations and cash-flow tables.
#include "engine/files/instrument_values.h"

#include <cstring>

#include "engine/files/instrument_file_layout.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_storage.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

constexpr uint32_t kModulus = 1664407u, kMultiplier = 1289u;
constexpr uint32_t kQuadraticFlag = 1013u, kCashFlowsFlag = 1019u;
// Roles whose variables have a place in the value record but no bytes: the instrument's value
// and computed outputs live in the pricing results row.
constexpr uint32_t kRoleInstValue = 40, kRoleComputed = 204;

size_t doubles(size_t n) { return n * sizeof(double); }

// Calls fn(variable, offset, bytes) for every place of the type's value record in order.
template <typename Fn>
uint32_t for_each_slot(RSKCON* con, const RSKINSTTYPE* type, Fn fn) {
    int offset = 0;
    for (const RSKVARLINK* link = type->resolved_head; link != nullptr; link = link->next) {
        const RSKVARIABLE* v = link->variable;
        if (v == nullptr) continue;
        offset = rskalgn(con, offset, RSKSTYPE{v->storage_type, v->storage_flags});
        const uint32_t bytes = tran_slot_bytes(v);
        fn(const_cast<RSKVARIABLE*>(v), static_cast<uint32_t>(offset), bytes);
        offset += static_cast<int>(bytes);
    }
    return static_cast<uint32_t>(offset);
}

bool address_slot(const RSKVARIABLE* v) {
    return v->storage_type == RSKSTORE_POINTER || v->storage_type == RSKSTORE_REF_STR;
}

// Makes the composite value hold `n` entries, growing its storage from the run's pool when
// needed (the old storage stays with its pool): 0, or 1 after 598/2797.
int reserve(RSKCON* con, RSKVARIABLE* v, uint32_t n, size_t bytes, const char* label) {
    if (v->value != nullptr && v->element_count >= n) return 0;
    qor_pool* pool = con->run_pool != nullptr ? con->run_pool : con->general_pool;
    void* grown = pool != nullptr ? xmalloc_labelled(pool, bytes, QOR_ALLOC_ZERO, label) : nullptr;
    if (grown == nullptr) {
        xpmlog(598, 2797, static_cast<long>(bytes), label);
        con->error = 1;
        return 1;
    }
    v->value = grown;
    v->element_count = n;
    if (pool == con->run_pool) v->pool_value = 1;
    return 0;
}

}  // namespace

uint32_t tran_slot_bytes(const RSKVARIABLE* v) {
    if (v->kind == RSKVKIND_REFERENCE || v->role == kRoleInstValue || v->role == kRoleComputed) return 0;
    return address_slot(v) ? 4u : v->storage_size;
}

bool tran_placed(const RSKVARIABLE* v) { return !address_slot(v) && tran_slot_bytes(v) > 0; }

uint32_t tran_type_slots(RSKCON* con, const RSKINSTTYPE* type, RSKSLOTVISIT visit, void* context) {
    return for_each_slot(con, type, [visit, context](RSKVARIABLE* v, uint32_t offset, uint32_t bytes) {
        if (visit == nullptr) return;
        const RSKTYPESLOT slot{v, offset, bytes};
        visit(context, &slot);
    });
}

void tran_type_layout(RSKCON* con, const RSKINSTTYPE* type, uint32_t* size, uint32_t* checksum) {
    uint32_t c = 0;
    *size = for_each_slot(con, type, [&c](RSKVARIABLE* v, uint32_t offset, uint32_t bytes) {
        if (bytes > 0) c = (kMultiplier * c + v->data_type + offset + bytes) % kModulus;
    });
    if (type->quadratic) c = (kMultiplier * c + kQuadraticFlag) % kModulus;
    if (type->cash_flows) c = (kMultiplier * c + kCashFlowsFlag) % kModulus;
    *checksum = c;
}

void tran_values_out(RSKCON* con, const RSKINSTTYPE* type, unsigned char* record, uint32_t size) {
    std::memset(record, 0, size);
    for_each_slot(con, type, [record, size](RSKVARIABLE* v, uint32_t offset, uint32_t bytes) {
        if (bytes == 0 || v->value == nullptr || address_slot(v) || offset + bytes > size) return;
        std::memcpy(record + offset, v->value, bytes);
    });
}

void tran_values_in(RSKCON* con, const RSKINSTTYPE* type, const unsigned char* record, uint32_t size) {
    for_each_slot(con, type, [record, size](RSKVARIABLE* v, uint32_t offset, uint32_t bytes) {
        if (bytes == 0 || v->value == nullptr || address_slot(v) || offset + bytes > size) return;
        std::memcpy(v->value, record + offset, bytes);
    });
}

size_t tran_quad_storage(uint32_t n) {
    return kRskCompositeHeader + kQuadFactorBytes * n + doubles(n) + doubles(1) + doubles(n) +
           doubles(static_cast<size_t>(n) * (n + 1) / 2);
}

size_t tran_cash_storage(uint32_t m) { return kRskCompositeHeader + 3 * static_cast<size_t>(m) + doubles(2 * static_cast<size_t>(m)); }

uint32_t tran_entries(const RSKVARIABLE* v) {
    if (v == nullptr || v->value == nullptr) return 0;
    uint32_t n = 0;
    std::memcpy(&n, v->value, sizeof n);
    const double capacity = v->element_count;
    return capacity >= 0 && n <= capacity ? n : 0;
}

void tran_quad_pack(const RSKVARIABLE* v, unsigned char* block) {
    const uint32_t n = tran_entries(v);
    const auto* at = static_cast<const unsigned char*>(v->value) + kRskCompositeHeader;
    tran_put_u32(block, n);
    unsigned char* out = block + 4;
    for (uint32_t i = 0; i < n; ++i, out += kQuadFactorBytes, at += kQuadFactorBytes) {
        std::memcpy(out, at, kRskFactorNameBytes);
        std::memset(out + kRskFactorNameBytes, 0, kQuadFactorBytes - kRskFactorNameBytes);   // the binding is per run
    }
    // Centres, base value and first derivatives follow as they are held.
    const size_t firsts = doubles(2 * static_cast<size_t>(n) + 1);
    std::memcpy(out, at, firsts);
    out += firsts;
    at += firsts;
    // The stored second-derivative part leads with n values that readers ignore.
    std::memset(out, 0, doubles(n));
    out += doubles(n);
    std::memcpy(out, at, doubles(static_cast<size_t>(n) * (n + 1) / 2));
}

void tran_cash_pack(const RSKVARIABLE* v, unsigned char* block) {
    const uint32_t m = tran_entries(v);
    tran_put_u32(block, m);
    std::memcpy(block + 4, static_cast<const unsigned char*>(v->value) + kRskCompositeHeader,
                3 * static_cast<size_t>(m) + doubles(2 * static_cast<size_t>(m)));
}

int tran_quad_unpack(RSKCON* con, RSKVARIABLE* v, const unsigned char* block, uint32_t n) {
    if (reserve(con, v, n, tran_quad_storage(n), "delta gamma buffer") != 0) return 1;
    auto* at = static_cast<unsigned char*>(v->value);
    std::memcpy(at, &n, sizeof n);
    at += kRskCompositeHeader;
    const unsigned char* in = block + 4;
    for (uint32_t i = 0; i < n; ++i, in += kQuadFactorBytes, at += kQuadFactorBytes) {
        std::memcpy(at, in, kRskFactorNameBytes);
        std::memset(at + kRskFactorNameBytes, 0, kQuadFactorBytes - kRskFactorNameBytes);
    }
    const size_t firsts = doubles(2 * static_cast<size_t>(n) + 1);
    std::memcpy(at, in, firsts);
    at += firsts;
    in += firsts + doubles(n);
    std::memcpy(at, in, doubles(static_cast<size_t>(n) * (n + 1) / 2));
    return 0;
}

int tran_cash_unpack(RSKCON* con, RSKVARIABLE* v, const unsigned char* block, uint32_t m) {
    if (reserve(con, v, m, tran_cash_storage(m), "cash flow buffer") != 0) return 1;
    auto* at = static_cast<unsigned char*>(v->value);
    std::memcpy(at, &m, sizeof m);
    std::memcpy(at + kRskCompositeHeader, block + 4, 3 * static_cast<size_t>(m) + doubles(2 * static_cast<size_t>(m)));
    return 0;
}

int tran_cash_fill(RSKCON* con, RSKVARIABLE* v, const char (*codes)[3], const double* dates, const double* amounts,
                   uint32_t m) {
    if (reserve(con, v, m, tran_cash_storage(m), "cash flow buffer") != 0) return 1;
    auto* at = static_cast<unsigned char*>(v->value);
    std::memcpy(at, &m, sizeof m);
    at += kRskCompositeHeader;
    std::memcpy(at, codes, 3 * static_cast<size_t>(m));
    at += 3 * static_cast<size_t>(m);
    std::memcpy(at, dates, doubles(m));
    std::memcpy(at + doubles(m), amounts, doubles(m));
    return 0;
}

int tran_quad_fill(RSKCON* con, RSKVARIABLE* v, const RSKQUADVALUE* quad) {
    const auto n = static_cast<uint32_t>(quad->count > 0 ? quad->count : 0);
    if (reserve(con, v, n, tran_quad_storage(n), "delta gamma buffer") != 0) return 1;
    auto* at = static_cast<unsigned char*>(v->value);
    std::memcpy(at, &n, sizeof n);
    at += kRskCompositeHeader;
    for (uint32_t i = 0; i < n; ++i, at += kQuadFactorBytes) {
        std::memset(at, ' ', kRskFactorNameBytes);
        const int length = quad->factors[i].name_length;
        std::memcpy(at, quad->factors[i].name, static_cast<size_t>(length > 0 && length <= 32 ? length : 0));
        std::memset(at + kRskFactorNameBytes, 0, kQuadFactorBytes - kRskFactorNameBytes);
    }
    std::memcpy(at, quad->shifts, doubles(n));
    at += doubles(n);
    std::memcpy(at, &quad->value, sizeof quad->value);
    at += sizeof quad->value;
    std::memcpy(at, quad->deltas, doubles(n));
    at += doubles(n);
    std::memcpy(at, quad->gammas, doubles(static_cast<size_t>(n) * (n + 1) / 2));
    return 0;
}
