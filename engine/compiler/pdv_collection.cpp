// Collecting the variables that method source uses into the market, reference and value
// collections: slots by name (case ignored), the hash tables, and each new entry's declaration.
#include <cctype>
#include <cstring>

#include "common/hash/hash_table.h"
#include "engine/compiler/program_data_vector.h"
#include "engine/model/variables/variable_record.h"
#include "host/kernel.h"

const char* const RSKPDV_NAMES[kRskPdvCollections] = {"RFPDV", "REFPDV", "VALPDV"};

namespace {

constexpr int kNameBuffer = 256;
constexpr uint32_t kLagVectorCode = 232;   // a lag vector held by address

// The upper-cased copy of a name in a work buffer; its length (cut to the buffer).
int upper_name(const char* name, int length, char* buffer) {
    if (length > kNameBuffer) length = kNameBuffer;
    for (int i = 0; i < length; ++i) buffer[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(name[i])));
    return length;
}

bool same_name(const char* a, const char* b, int length) {
    for (int i = 0; i < length; ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// The key an entry is collected under: references by their reference name, the others by their
// own. The hash and the comparison both use this key, so one name has one slot.
int entry_key(const RSKSYMENTRY* entry, int collection, const char** key, char* buffer) {
    if (collection == RSKPDV_REFERENCE) return fix_refname(entry, key, buffer, nullptr, nullptr);
    *key = entry->name;
    return entry->name_length;
}

uint32_t bucket_of(const RSKPDVCOLLECTION* coll, const char* name, int length) {
    char upper[kNameBuffer];
    int n = upper_name(name, length, upper);
    return zhash(upper, static_cast<uint32_t>(coll->bucket_count), n);
}

// The collection's hash table, made from the compile pool when missing. Out of memory ends the
// step: without the table one variable could get two slots.
RSKPDVCOLLECTION* table_of(RSKCON* con, int collection) {
    RSKPDVCOLLECTION* coll = &con->run_compile->collections[collection];
    if (coll->buckets == nullptr) {
        RSKCMPCON* handle = con->compile_handle;
        uint32_t count = zhashsz(1000);
        size_t bytes = count * sizeof(RSKSYMENTRY*);
        coll->buckets = static_cast<RSKSYMENTRY**>(xmalloc_labelled(handle->pool, bytes, QOR_ALLOC_ZERO, "PDV hash table"));
        if (coll->buckets == nullptr) {
            xpmlog(598, 500);
            xexit(1016);
        }
        coll->bucket_count = static_cast<int32_t>(count);
        handle->pool_bytes += bytes;
    }
    return coll;
}

// The record a collection's vector is bound to, and its size.
char* record_of(const RSKRUNCOMPILE* run, int collection, int* size) {
    if (collection == RSKPDV_MARKET) {
        *size = run->market_size;
        return reinterpret_cast<char*>(run->market_vector);
    }
    *size = run->value_size;
    return reinterpret_cast<char*>(run->value_vector);
}

// The variable's offset in the record its collection is bound to: its value storage lies there
// during a run. -1 when it does not.
int offset_in_record(const RSKRUNCOMPILE* run, const RSKSYMENTRY* entry, int collection) {
    int size = 0;
    const char* base = record_of(run, collection, &size);
    const char* value = entry->variable != nullptr ? static_cast<const char*>(entry->variable->value) : nullptr;
    if (base == nullptr || value == nullptr || value < base || value >= base + size) return -1;
    return static_cast<int>(value - base);
}

int dimension_of(const RSKSYMENTRY* entry) {
    int dim = entry->variable != nullptr ? static_cast<int>(entry->variable->element_count) : 0;   // truncated
    return dim > 0 ? dim : 1;
}

// A market or value entry: a number in the record, or one held by address there, or a vector
// held by address (a matrix of its own, bound per instance). Characters, matrices and vectors of
// variables are declared by the look-up that made the entry.
cmp_symbol* declare_value(RSKCON* con, RSKSYMENTRY* entry, int collection, bool* refused) {
    cmp_session* session = con->compile_handle->compilation.program;
    const RSKPDVCOLLECTION* coll = &con->run_compile->collections[collection];
    bool vector = entry->symbol_kind == RSKSK_VECTOR || static_cast<uint32_t>(entry->type_code) == kLagVectorCode;
    if (entry->symbol_kind != RSKSK_NUMBER && entry->symbol_kind != RSKSK_NUMBER_ADDRESS && !vector) return nullptr;
    int offset = offset_in_record(con->run_compile, entry, collection);
    if (offset < 0) {
        *refused = true;
        return nullptr;
    }
    if (vector) return cmpmtrx(session, entry->name, entry->name_length, dimension_of(entry), 0, nullptr, 0);
    char kind = entry->symbol_kind == RSKSK_NUMBER_ADDRESS ? CMP_MEMBER_POINTER : CMP_MEMBER_NUMBER;
    return cmppdve(session, coll->vector, entry->name, entry->name_length, kind, offset);
}

// A reference: a pointer in slot 8 x slot of the reference vector. Arrays and lags are vectors
// (matrices bound per instance to what the slot points at); matrices are declared by their own
// look-up.
cmp_symbol* declare_reference(RSKCON* con, RSKSYMENTRY* entry, const char* key, int key_length) {
    cmp_session* session = con->compile_handle->compilation.program;
    const RSKPDVCOLLECTION* coll = &con->run_compile->collections[RSKPDV_REFERENCE];
    switch (entry->reference_class) {
        case 'a':
        case 'l': return cmpmtrx(session, key, key_length, dimension_of(entry), 0, nullptr, 0);
        case 'f':
        case 'n':
        case 'v':
            return cmppdve(session, coll->vector, key, key_length, CMP_MEMBER_POINTER,
                           entry->slot * static_cast<int>(sizeof(double*)));
        default: return nullptr;
    }
}

}  // namespace

void rskcmpf(RSKCON* con) {
    RSKRUNCOMPILE* run = con != nullptr ? con->run_compile : nullptr;
    if (run == nullptr) return;
    for (RSKPDVCOLLECTION& c : run->collections) {
        c = RSKPDVCOLLECTION{};
        c.vector = -1;
        c.base_slot = -1;
    }
    run->market_pointer_count = 0;
    run->pointer_structure = -1;
}

int rskmcmp_vecnum(RSKCON* con, const char* name, int length, int collection) {
    RSKPDVCOLLECTION* coll = &con->run_compile->collections[collection];
    if (coll->buckets == nullptr) {
        table_of(con, collection);
        return -1;
    }
    if (coll->count == 0 || length <= 0) return -1;
    for (RSKSYMENTRY* e = coll->buckets[bucket_of(coll, name, length)]; e != nullptr; e = e->hash_link) {
        const char* key = nullptr;
        char buffer[kNameBuffer];
        int key_length = entry_key(e, collection, &key, buffer);
        if (key_length == length && same_name(key, name, length)) return e->slot;
    }
    return -1;
}

void rskmcmp_addvar(RSKCON* con, RSKSYMENTRY* entry, int collection) {
    const char* key = nullptr;
    char buffer[kNameBuffer];
    int key_length = entry_key(entry, collection, &key, buffer);
    if (key_length <= 0) {
        xpmlog(598, 3435, entry->name_length, entry->name);
        return;
    }
    int slot = rskmcmp_vecnum(con, key, key_length, collection);
    if (slot >= 0) {
        entry->slot = slot;
        return;
    }
    RSKPDVCOLLECTION* coll = table_of(con, collection);
    entry->slot = coll->count++;
    entry->list_link = coll->head;
    coll->head = entry;
    RSKSYMENTRY** bucket = &coll->buckets[bucket_of(coll, key, key_length)];
    entry->hash_link = *bucket;
    *bucket = entry;
    if (collection == RSKPDV_MARKET &&
        (entry->symbol_kind == RSKSK_NUMBER_ADDRESS || static_cast<uint32_t>(entry->type_code) == kLagVectorCode))
        ++con->run_compile->market_pointer_count;

    bool refused = false;
    cmp_symbol* symbol = collection == RSKPDV_REFERENCE ? declare_reference(con, entry, key, key_length)
                                                        : declare_value(con, entry, collection, &refused);
    if (symbol != nullptr) entry->symbol = symbol;
    bool declarable = collection == RSKPDV_REFERENCE
                          ? std::strchr("afnlv", entry->reference_class != 0 ? entry->reference_class : 'x') != nullptr
                          : (entry->symbol_kind == RSKSK_NUMBER || entry->symbol_kind == RSKSK_NUMBER_ADDRESS ||
                             entry->symbol_kind == RSKSK_VECTOR);
    if (refused || (declarable && symbol == nullptr)) xpmlog(598, 3435, key_length, key);
}

int fix_refname(const RSKSYMENTRY* entry, const char** out, char* buffer, qor_pool* pool, RSKCMPCON* handle) {
    int base = entry->name_length;
    if (entry->suffix_length > 0) base -= entry->suffix_length + 1;   // the base name before the point
    if (base <= 0) return -1;
    int cast = entry->reference_class == 'l' ? RSKCAST_LAGS : entry->reference_class == 'v' ? RSKCAST_VOL : -1;
    if (cast < 0) {
        *out = entry->name;
        return base;
    }
    int length = base + 1 + CASTS_L[cast];
    char* target = buffer;
    if (pool != nullptr) {
        target = static_cast<char*>(xmalloc_labelled(pool, static_cast<size_t>(length), QOR_ALLOC_ZERO, "PDV names"));
        if (target == nullptr) return -1;
        if (handle != nullptr) handle->pool_bytes += static_cast<size_t>(length);
    } else if (buffer == nullptr || length >= kNameBuffer) {
        return -1;
    }
    std::memcpy(target, entry->name, static_cast<size_t>(base));
    target[base] = '.';
    std::memcpy(target + base + 1, CASTS[cast], static_cast<size_t>(CASTS_L[cast]));
    if (pool == nullptr) target[length] = '\0';
    *out = target;
    return length;
}
