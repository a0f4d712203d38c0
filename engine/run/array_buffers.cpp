// The cash-flow and delta-gamma buffers of a run's pricing program: each variable holds two
// copies (value and reference), sized for a number of flows or factors and regrown on demand,
// keeping the entries already held when asked.
#include <algorithm>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/variables/variable_record.h"
#include "engine/run/run_storage.h"

namespace {

size_t align8(size_t bytes) { return (bytes + 7) / 8 * 8; }

size_t cash_flow_bytes(size_t n) {
    return align8(sizeof(RSKCASHFLOWS)) + align8(3 * n) + 2 * sizeof(double) * n + align8(sizeof(int32_t) * n);
}

size_t triangle(size_t n) { return n * (n + 1) / 2 + n; }

size_t delta_gamma_bytes(size_t n) {
    return align8(sizeof(RSKQUADVALUE)) + sizeof(RSKQUADFACTOR) * n + 2 * sizeof(double) * n +
           sizeof(double) * triangle(n);
}

RSKCASHFLOWS* carve_cash_flows(void* block, int32_t n) {
    auto* base = static_cast<uint8_t*>(block);
    auto* flows = static_cast<RSKCASHFLOWS*>(block);
    const size_t count = static_cast<size_t>(n);
    size_t at = align8(sizeof(RSKCASHFLOWS));
    flows->capacity = n;
    flows->currencies = reinterpret_cast<char(*)[3]>(base + at);
    at += align8(3 * count);
    flows->dates = reinterpret_cast<double*>(base + at);
    at += sizeof(double) * count;
    flows->amounts = reinterpret_cast<double*>(base + at);
    at += sizeof(double) * count;
    flows->words = reinterpret_cast<int32_t*>(base + at);
    return flows;
}

RSKQUADVALUE* carve_delta_gamma(void* block, int32_t n) {
    auto* base = static_cast<uint8_t*>(block);
    auto* quad = static_cast<RSKQUADVALUE*>(block);
    const size_t count = static_cast<size_t>(n);
    size_t at = align8(sizeof(RSKQUADVALUE));
    quad->capacity = n;
    quad->factors = reinterpret_cast<RSKQUADFACTOR*>(base + at);
    at += sizeof(RSKQUADFACTOR) * count;
    quad->deltas = reinterpret_cast<double*>(base + at);
    at += sizeof(double) * count;
    quad->shifts = reinterpret_cast<double*>(base + at);
    at += sizeof(double) * count;
    quad->gammas = reinterpret_cast<double*>(base + at);
    return quad;
}

void copy_cash_flows(RSKCASHFLOWS* to, const RSKCASHFLOWS* from) {
    const int32_t n = std::min(from->count, to->capacity);
    const size_t count = static_cast<size_t>(std::max(n, 0));
    std::memcpy(to->currencies, from->currencies, 3 * count);
    std::memcpy(to->dates, from->dates, sizeof(double) * count);
    std::memcpy(to->amounts, from->amounts, sizeof(double) * count);
    std::memcpy(to->words, from->words, sizeof(int32_t) * count);
    to->count = n;
}

void copy_delta_gamma(RSKQUADVALUE* to, const RSKQUADVALUE* from) {
    const int32_t n = std::min(from->count, to->capacity);
    const size_t count = static_cast<size_t>(std::max(n, 0));
    std::memcpy(static_cast<void*>(to->factors), from->factors, sizeof(RSKQUADFACTOR) * count);
    std::memcpy(to->deltas, from->deltas, sizeof(double) * count);
    std::memcpy(to->shifts, from->shifts, sizeof(double) * count);
    std::memcpy(to->gammas, from->gammas, sizeof(double) * count * (count + 1) / 2);
    to->value = from->value;
    to->count = n;
}

void give_back(RSKCON* con, RSKVARIABLE* v) {
    for (void*& b : v->run.buffers) {
        if (b != nullptr && con->run_pool != nullptr) vmfree_handler(con->run_pool, b, v->run.buffer_bytes, QOR_FREE_SIZED);
        b = nullptr;
    }
}

void fail(RSKCON* con, RSKVARIABLE* v, size_t bytes, const char* label) {
    rskmem_no_memory(con, 2 * bytes, label);
    give_back(con, v);
    v->run.buffer_bytes = 0;
    v->run.capacity = 0;
    v->run.record_address = nullptr;
}

// Two fresh copies of `bytes`, zero-filled; null pair when either cannot be had.
bool take_pair(RSKCON* con, size_t bytes, void* pair[2]) {
    pair[0] = pair[1] = nullptr;
    if (con->run_pool == nullptr) return false;
    pair[0] = vmalcp_handler(con->run_pool, bytes, QOR_ALLOC_ZERO);
    if (pair[0] != nullptr) pair[1] = vmalcp_handler(con->run_pool, bytes, QOR_ALLOC_ZERO);
    if (pair[1] != nullptr) return true;
    if (pair[0] != nullptr) vmfree_handler(con->run_pool, pair[0], bytes, QOR_FREE_SIZED);
    pair[0] = nullptr;
    return false;
}

}  // namespace

int rskmecf(RSKCON* con, RSKVARIABLE* variable, int32_t count, int mode) {
    if (variable == nullptr || count < 0) return 1;
    const size_t bytes = cash_flow_bytes(static_cast<size_t>(count));
    void* fresh[2];
    if (!take_pair(con, bytes, fresh)) {
        fail(con, variable, bytes, "cash flow buffer");
        return 1;
    }
    con->run_block->memory[RSKMEM_CASH_FLOWS] += 2 * bytes;
    for (int k = 0; k < 2; ++k) {
        RSKCASHFLOWS* flows = carve_cash_flows(fresh[k], count);
        if (mode == RSKMEM_KEEP && variable->run.buffers[k] != nullptr)
            copy_cash_flows(flows, static_cast<const RSKCASHFLOWS*>(variable->run.buffers[k]));
    }
    if (mode != RSKMEM_FIRST) give_back(con, variable);
    variable->run.buffers[0] = fresh[0];
    variable->run.buffers[1] = fresh[1];
    variable->run.buffer_bytes = bytes;
    variable->run.capacity = count;
    variable->run.record_address = fresh[0];
    return 0;
}

int rskmedg(RSKCON* con, RSKVARIABLE* variable, int32_t count, int mode) {
    if (variable == nullptr || count < 0) return 1;
    RSKRUNBLOCK* run = con->run_block;
    const size_t bytes = delta_gamma_bytes(static_cast<size_t>(count));
    if (variable->run.buffers[0] != nullptr && variable->run.buffer_bytes >= bytes) return 0;
    void* fresh[2];
    if (!take_pair(con, bytes, fresh)) {
        fail(con, variable, bytes, "delta gamma buffer");
        return 1;
    }
    run->memory[RSKMEM_DELTA_GAMMA] += 2 * bytes;
    const size_t work_bytes = sizeof(double) * std::max<size_t>(static_cast<size_t>(count), 1);
    auto* work = static_cast<double*>(rskmem_alloc(con, work_bytes, "pricing work vector", RSKMEM_DELTA_GAMMA, 1));
    if (work == nullptr) {
        vmfree_handler(con->run_pool, fresh[0], bytes, QOR_FREE_SIZED);
        vmfree_handler(con->run_pool, fresh[1], bytes, QOR_FREE_SIZED);
        give_back(con, variable);
        variable->run.buffer_bytes = 0;
        variable->run.capacity = 0;
        variable->run.record_address = nullptr;
        return 1;
    }
    if (run->pricing_work != nullptr)
        vmfree_handler(con->run_pool, run->pricing_work,
                       sizeof(double) * static_cast<size_t>(std::max(run->pricing_work_count, 1)), QOR_FREE_SIZED);
    run->pricing_work = work;
    run->pricing_work_count = count;
    for (int k = 0; k < 2; ++k) {
        RSKQUADVALUE* quad = carve_delta_gamma(fresh[k], count);
        if (mode == RSKMEM_KEEP && variable->run.buffers[k] != nullptr)
            copy_delta_gamma(quad, static_cast<const RSKQUADVALUE*>(variable->run.buffers[k]));
    }
    give_back(con, variable);
    variable->run.buffers[0] = fresh[0];
    variable->run.buffers[1] = fresh[1];
    variable->run.buffer_bytes = bytes;
    variable->run.capacity = count;
    variable->run.record_address = fresh[0];
    return 0;
}
