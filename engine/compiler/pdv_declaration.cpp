// Declaring the program data vector to the compiler: the three vectors when collection starts,
// their base-pointer slots when it ends, and binding an execution block's instance to a run.
#include <cstring>

#include "engine/compiler/program_data_vector.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"

namespace {

int name_length(const char* name) { return static_cast<int>(std::strlen(name)); }

// Defines one collection's vector: `size` bytes holding up to `count` elements.
int define_vector(cmp_session* session, RSKPDVCOLLECTION* coll, const char* name, int size, int count) {
    coll->vector = cmppdvd(session, name, name_length(name), size < 0 ? 0 : size, count < 1 ? 1 : count);
    if (coll->vector < 0) {
        xpmlog(598, 3435, name_length(name), name);
        return 1;
    }
    return 0;
}

constexpr char kRowVector[] = "ROWPDV";

// The instrument value variable: a pricing method's assignment to it is the price. When the run
// has laid out its pricing results row, the variable is a member of the row, so that each
// execution block writes the row it is bound to; otherwise it is bound to its own storage.
int define_value_variable(RSKCON* con, cmp_session* session) {
    RSKVARIABLE* variable = con->system_variables != nullptr ? con->system_variables->value : nullptr;
    RSKRUNCOMPILE* run = con->run_compile;
    run->row_vector = -1;
    if (variable == nullptr) return 0;
    if (run->row_size >= 8 && variable->run.row_offset >= 0) {
        run->row_vector = cmppdvd(session, kRowVector, name_length(kRowVector), run->row_size, run->row_size / 8);
        if (run->row_vector < 0) return 1;
        return cmppdve(session, run->row_vector, variable->name.name.text, variable->name.name.length,
                       CMP_MEMBER_NUMBER, variable->run.row_offset * 8) != nullptr
                   ? 0
                   : 1;
    }
    cmp_symbol* symbol = cmpsymd(session, variable->name.name.text, variable->name.name.length, 'v', 'n');
    if (symbol == nullptr) return 1;
    if (variable->value != nullptr) cmppdvb(session, symbol, static_cast<double*>(variable->value));
    return 0;
}

// Where an entry's slot lies in the record its collection is bound to: the pointer of a reference,
// or the variable's value storage within the market state or instrument record.
size_t member_offset(const RSKRUNCOMPILE* run, const RSKSYMENTRY* e, int collection) {
    if (collection == RSKPDV_REFERENCE) return static_cast<size_t>(e->slot) * sizeof(double*);
    const char* base = reinterpret_cast<const char*>(collection == RSKPDV_MARKET ? run->market_vector : run->value_vector);
    return static_cast<size_t>(static_cast<const char*>(e->variable->value) - base);
}

}  // namespace

int rskmcmp_init(RSKCON* con) {
    RSKCMPCON* handle = con->compile_handle;
    RSKRUNCOMPILE* run = con->run_compile;
    rskcmpf(con);
    handle->collecting = 1;
    cmp_session* session = handle->compilation.program;
    const int sizes[kRskPdvCollections] = {run->market_size, static_cast<int>(sizeof(double*)) * kRskReferenceSlots,
                                           run->value_size};
    const int counts[kRskPdvCollections] = {run->market_size / 8, kRskReferenceSlots, run->value_size / 8};
    int rc = 0;
    for (int c = 0; c < kRskPdvCollections && rc == 0; ++c) {
        rskmcmp_vecnum(con, "", 0, c);   // makes the collection's hash table
        rc = define_vector(session, &run->collections[c], RSKPDV_NAMES[c], sizes[c], counts[c]);
    }
    if (rc == 0) rc = define_value_variable(con, session);
    return rc;
}

int rskmcmp_final(RSKCON* con) {
    RSKCMPCON* handle = con->compile_handle;
    RSKRUNCOMPILE* run = con->run_compile;
    int32_t* slots[kRskPdvCollections] = {&handle->market_base_slot, &handle->reference_base_slot,
                                          &handle->value_base_slot};
    int rc = 0;
    for (int c = 0; c < kRskPdvCollections; ++c) {
        RSKPDVCOLLECTION* coll = &run->collections[c];
        *slots[c] = -1;
        if (coll->count == 0) continue;   // an empty collection is never bound
        const char* name = RSKPDV_NAMES[c];
        coll->base_slot = cmpbasei(handle->compilation.program, name, name_length(name));
        if (coll->base_slot < 0) {
            xpmlog(598, 3434, name_length(name), name);
            rc = 1;
        }
        *slots[c] = coll->base_slot;
    }
    handle->market_vector = run->collections[RSKPDV_MARKET].vector;
    handle->row_base_slot = -1;
    if (run->row_size >= 8 && run->row_vector >= 0) {
        handle->row_base_slot = cmpbasei(handle->compilation.program, kRowVector, name_length(kRowVector));
        if (handle->row_base_slot < 0) {
            xpmlog(598, 3434, name_length(kRowVector), kRowVector);
            rc = 1;
        }
    }
    handle->collecting = 0;
    return rc;
}

int rskmcmp_bind(RSKCON* con, cmp_instance* instance, void* market, void* references, void* values) {
    if (instance == nullptr) return 1;
    RSKRUNCOMPILE* run = con->run_compile;
    void* records[kRskPdvCollections] = {market, references, values};
    for (int c = 0; c < kRskPdvCollections; ++c) {
        const RSKPDVCOLLECTION* coll = &run->collections[c];
        if (coll->base_slot < 0 || records[c] == nullptr) continue;
        cmpbasev(instance)[coll->base_slot] = records[c];
        // A vector member is a matrix of its own, bound to the data its slot points at.
        for (const RSKSYMENTRY* e = coll->head; e != nullptr; e = e->list_link) {
            if (e->symbol == nullptr || cmpsymkind(e->symbol) != 'm') continue;
            size_t offset = member_offset(run, e, c);
            double* data = *reinterpret_cast<double**>(static_cast<char*>(records[c]) + offset);
            if (data != nullptr) cmpmtrxb(instance, e->symbol, data);
        }
    }
    return 0;
}
