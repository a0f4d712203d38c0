// Published vectors: the appendages' entry tables and the host modules' service tables,
// indexed by vector number in the global control block, each with its busy byte.
#include <mutex>

#include "host/kernel.h"
#include "host/print.h"
#include "runtime/core/anchor_internal.h"
#include "runtime/core/service_guard.h"

namespace {

constexpr int kVectorCount = 1024;
qor_vector* g_vectors[kVectorCount];
qor_vector g_records[kVectorCount];
uint8_t g_busy[kVectorCount];
std::mutex g_lock;

}  // namespace

namespace qor::runtime {

void init_vectors(qor_gcb* gcb) {
    gcb->vectors = g_vectors;
    gcb->vector_busy = g_busy;
    gcb->vector_count = kVectorCount;
}

}  // namespace qor::runtime

int hiexprt(int code, void* const* slots, int slot_count, qor_pidb*) try {
    int number = qor_vector_of(code);
    if (number <= 0 || number >= kVectorCount || !slots || slot_count < 1) return 1;
    std::lock_guard<std::mutex> guard(g_lock);
    if (g_vectors[number]) return g_vectors[number]->slots == slots ? 0 : 2;
    qor_vector& v = g_records[number];
    v.number = number;
    v.slot_count = slot_count;
    v.slots = slots;
    v.owner = nullptr;
    g_vectors[number] = &v;
    g_busy[number] = 0;
    return 0;
}
QOR_SERVICE_CATCH(1)

int wideprt(int code) try {
    int number = qor_vector_of(code);
    if (number <= 0 || number >= kVectorCount) return 1;
    std::lock_guard<std::mutex> guard(g_lock);
    if (!g_vectors[number]) return 1;
    g_vectors[number] = nullptr;
    return 0;
}
QOR_SERVICE_CATCH(1)

const qor_vector* wivget(int vector) {
    if (vector <= 0 || vector >= kVectorCount) return nullptr;
    return g_vectors[vector];
}

void* wivslot(int vector, int slot) {
    const qor_vector* v = wivget(vector);
    if (!v || slot <= 0 || slot >= v->slot_count) return nullptr;
    g_busy[vector] = 0;
    return v->slots[slot];
}
