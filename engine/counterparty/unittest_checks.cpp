// The self-tests UNITTEST runs: the hash table over 10,000 keys for a size hint, the data set
// wrapper writing, removing and reading back observations in "tlib", and the counterparty
// container built and freed.
#include <cstdio>
#include <cstring>
#include <string>

#include "common/files/dataset.h"
#include "common/hash/hash_table.h"
#include "common/memory/pool_memory.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/unittest.h"

namespace {

constexpr int kHashItems = 10000;
constexpr int kKeyBytes = 12;          // "key9999" and its NUL, rounded up
constexpr int kObservations = 100;
constexpr int kRemoved = 50;
const char kLibrary[] = "tlib    ";

// Records the result: a serious failure with its note, answering 1; or a success.
int finish(RSKTESTLIST* list, RSKTESTRESULT* result, const std::string& failure) {
    if (!failure.empty()) SERIOUS_FAILURE(result);
    add_notes(list, result, failure.empty() ? "No Errors!" : failure.c_str());
    add_unit_test(list, result);
    return failure.empty() ? 0 : 1;
}

std::string numbered(const char* format, int number) {
    char text[96];
    std::snprintf(text, sizeof text, format, number);
    return text;
}

// The hash table steps; the failure's note, or empty. `keys` holds "key%d" for 0..9999.
std::string hash_steps(qor_pool* pool, int size_hint, char* keys) {
    auto key = [&](int i) { return keys + static_cast<size_t>(i) * kKeyBytes; };
    hash_table* table = new_hash_table(pool, size_hint);
    if (table == nullptr) return "NULL Hashtable";
    std::string failure;
    for (int i = 0; i < kHashItems && failure.empty(); ++i) {
        hash_item* item = create_hash_item(pool, key(i), key(i));
        if (item == nullptr) failure = "NULL Hashitem";
        else if (hash_insert(table, item) != HASH_INSERTED) {
            del_hash_item(pool, item);
            failure = "Unable to insert Hashitem";
        }
    }
    for (int i = 0; i < kHashItems && failure.empty(); ++i) {
        const hash_item* item = hash_query(table, key(i));
        if (item == nullptr) failure = "Can't find Hashitem";
        else if (std::strcmp(item->key, key(i)) != 0) failure = "Query returned wrong Hashitem";
    }
    for (int i = 0; i < kHashItems && failure.empty(); i += 2) {
        hash_item* item = hash_remove(table, key(i));
        if (item == nullptr || del_hash_item(pool, item) != 0) failure = "Error removing Hashitem";
    }
    const hash_item* walk = failure.empty() ? enumerate_table(table) : nullptr;
    for (int i = 1; i < kHashItems && failure.empty(); i += 2, walk = walk->next) {
        if (walk == nullptr) failure = "Unexpected NULL item in enumeration";
        else if (std::strcmp(walk->key, key(i)) != 0)
            failure = "Unable to remove item " + std::string(key(i)) + " from enumeration";
    }
    for (int i = 1; i < kHashItems && failure.empty(); i += 2) {
        const hash_item* item = hash_query(table, key(i));
        if (item == nullptr) failure = "Incorrectly removed item " + std::string(key(i)) + " from hashtable";
        else if (std::strcmp(item->key, key(i)) != 0)
            failure = "Returned item " + std::string(item->key) + " does not match query key " + key(i);
    }
    for (int i = 0; i < kHashItems && failure.empty(); i += 2)
        if (hash_query(table, key(i)) != nullptr)
            failure = "Should have removed item " + std::string(key(i)) + " from hashtable, but did not";
    if (del_hash_table(pool, table) != 0 && failure.empty()) failure = "Error deleting hash table";
    return failure;
}

// One observation record over "one" (text) and "two" (number); null when out of memory.
dataset_obs* row_record(qor_pool* pool, char* one, int one_length, double* two, int64_t number) {
    dataset_var* first = new_dataset_var(pool, "one", one, one_length, DATASET_TYPE_CHARACTER, nullptr);
    dataset_var* second = first != nullptr ? new_dataset_var(pool, "two", two, 8, DATASET_TYPE_NUMERIC, first) : nullptr;
    dataset_obs* obs = second != nullptr ? new_dataset_obs(pool, first, number) : nullptr;
    if (obs == nullptr && first != nullptr) delete_dataset_var(pool, first);
    return obs;
}

std::string write_rows(qor_pool* pool, dataset* ds) {
    for (int i = 0; i < kObservations; ++i) {
        char one[16];
        const int length = std::snprintf(one, sizeof one, "%d", i + 100);
        double two = i + 200;
        dataset_obs* obs = row_record(pool, one, length, &two, i + 1);
        if (obs == nullptr) return "Error creating datasetvar, NULL var";
        const int written = write_obs(ds, obs);
        if (delete_dataset_obs(pool, obs) != 0) return "Error deleting dataset observation";
        if (written != 0) return numbered("Error writing to dataset obs %d", i + 1);
    }
    return close_dataset(ds) != 0 ? "Error closing dataset" : "";
}

std::string remove_row(qor_pool* pool, dataset* ds) {
    char one[16] = {};
    double two = 0;
    dataset_obs* obs = row_record(pool, one, 3, &two, kRemoved);
    if (obs == nullptr) return "Error creating datasetvar, NULL var";
    std::string failure;
    if (read_obs(ds, obs) != 0) failure = numbered("Error reading in next observation %d", kRemoved);
    else if (remove_obs(ds, obs) != 0) failure = numbered("Error removing observation %d", kRemoved);
    delete_dataset_obs(pool, obs);
    if (close_dataset(ds) != 0 && failure.empty()) failure = "Error closing dataset";
    return failure;
}

// Reads observations 1 to 99 back through variables that take their type and length from the
// data set: observation 50 is gone, so the later ones moved down by one.
std::string check_rows(qor_pool* pool, dataset* ds) {
    dataset_obs* obs = get_obs_from_dataset(pool, ds);
    if (obs == nullptr || obs->first == nullptr || obs->first->next == nullptr) {
        if (obs != nullptr) delete_dataset_obs(pool, obs);
        return "Error creating datasetvar, NULL var";
    }
    const dataset_var* one = obs->first;
    const dataset_var* two = one->next;
    std::string failure;
    for (int k = 1; k < kObservations && failure.empty(); ++k) {
        obs->number = k;
        if (read_obs(ds, obs) != 0) {
            failure = numbered("Error reading in next observation %d", k);
            break;
        }
        const int expected = k < kRemoved ? k + 99 : k + 100;
        char text[16];
        const int length = std::snprintf(text, sizeof text, "%d", expected);
        double number = 0;
        std::memcpy(&number, two->value, sizeof number);
        if (one->length < length || std::memcmp(one->value, text, static_cast<size_t>(length)) != 0 ||
            number != expected + 100)
            failure = numbered("Error reading row %d from dataset", k);
    }
    delete_dataset_obs(pool, obs);
    if (close_dataset(ds) != 0 && failure.empty()) failure = "Error closing dataset";
    return failure;
}

std::string dataset_steps(qor_pool* pool) {
    dataset* ds = new_dataset(pool, kLibrary, "tmem", DATASET_WRITE);
    if (ds == nullptr) return "Error creating new dataset structure";
    std::string failure = open_dataset(ds) != 0 ? "Error opening dataset" : write_rows(pool, ds);
    if (failure.empty()) {
        set_mode(ds, DATASET_UPDATE);
        failure = open_dataset(ds) != 0 ? "Error opening dataset" : remove_row(pool, ds);
    }
    if (failure.empty()) failure = open_dataset(ds) != 0 ? "Error opening dataset" : check_rows(pool, ds);
    if (delete_dataset(pool, ds) != 0 && failure.empty()) failure = "Error deleting dataset";
    return failure;
}

// Inserts value under key into a table: "" or the note.
std::string insert(qor_pool* pool, hash_table* table, const char* key, void* value, const char* refused) {
    hash_item* item = create_hash_item(pool, key, value);
    if (item == nullptr) return "NULL Hashitem";
    if (hash_insert(table, item) != HASH_INSERTED) {
        del_hash_item(pool, item);
        return refused;
    }
    return "";
}

std::string cpty_steps(qor_pool* pool) {
    RSKCPTYCON* c = new_cpty_con(pool);
    if (c == nullptr) return "Error creating new counterparty control structure";
    c->types = new_hash_table(pool, 10);
    c->variables = new_hash_table(pool, 10);
    std::string failure;
    RSKCPTYTYPE* type = nullptr;
    if (c->types == nullptr || c->variables == nullptr) failure = "Error creating new counterparty control structure";
    if (failure.empty() && (type = new_cpty_type(pool, "CptyType1", nullptr, nullptr, nullptr, 2)) == nullptr)
        failure = "Error creating new counterparty type";
    const struct {
        const char* name;
        int32_t role;
    } variables[] = {{"CptyVarType1", RSKCPTYROLE_INPUT}, {"CptyVarType2", RSKCPTYROLE_OUTPUT}};
    for (const auto& spec : variables) {
        if (!failure.empty()) break;
        RSKCPTYVAR* v = new_cpty_var(pool, spec.name, nullptr, RSKCPTYVT_NUMERIC, spec.role, 0, nullptr);
        if (v == nullptr) {
            failure = "Error creating new counterparty var type";
            break;
        }
        failure = insert(pool, c->variables, v->name, v, "Error adding cptyvartype to a cptycon");
        if (!failure.empty()) {
            delete_cpty_var(pool, v);
            break;
        }
        failure = insert(pool, type->variables, v->name, v, "Error adding cptyvartype to a cptytype");
    }
    if (type != nullptr && failure.empty()) failure = insert(pool, c->types, type->name, type, "Error adding cptytype to a cptycon");
    // A type that never reached the container is not freed with it; its table holds only items.
    if (type != nullptr && (c->types == nullptr || hash_query(c->types, type->name) == nullptr))
        delete_cpty_type(pool, type);
    if (failure.empty()) {
        dataset* input = new_dataset(pool, kLibrary, "inpt", DATASET_READ);
        dataset* output = new_dataset(pool, kLibrary, "otpt", DATASET_WRITE);
        if (input == nullptr || output == nullptr) failure = "Error creating new dataset structure";
        if (input != nullptr) delete_dataset(pool, input);
        if (output != nullptr) delete_dataset(pool, output);
    }
    if (delete_cpty_con(pool, c) != 0 && failure.empty()) failure = "Error deleting counterparty control structure";
    return failure;
}

}  // namespace

int test_hashtable(RSKCON*, RSKTESTLIST* list, int size_hint) {
    RSKTESTRESULT* result = new_test_result(list, numbered("HASHTABLESIZE %d", size_hint).c_str());
    if (result == nullptr) return 1;
    const size_t bytes = static_cast<size_t>(kHashItems) * kKeyBytes;
    auto* keys = static_cast<char*>(vmalcp_handler(list->pool, bytes, QOR_ALLOC_ZERO));
    if (keys == nullptr) return finish(list, result, "NULL Hashitem");
    for (int i = 0; i < kHashItems; ++i) std::snprintf(keys + static_cast<size_t>(i) * kKeyBytes, kKeyBytes, "key%d", i);
    const std::string failure = hash_steps(list->pool, size_hint, keys);
    vmfree_handler(list->pool, keys, bytes, QOR_FREE_SIZED);
    return finish(list, result, failure);
}

int test_dataset(RSKCON*, RSKTESTLIST* list) {
    RSKTESTRESULT* result = new_test_result(list, "DATASETTEST");
    if (result == nullptr) return 1;
    return finish(list, result, dataset_steps(list->pool));
}

int test_cpty(RSKCON*, RSKTESTLIST* list) {
    RSKTESTRESULT* result = new_test_result(list, "COUNTERPARTYTEST");
    if (result == nullptr) return 1;
    return finish(list, result, cpty_steps(list->pool));
}
