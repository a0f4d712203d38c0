// The two container families and the helpers their statements share: a view of a container's
// tables, the loaded check, upper-cased names, and tables made on first use.
#include "procedure/container_access.h"

#include <cctype>
#include <cstring>

#include "common/hash/hash_table.h"
#include "host/print.h"
#include "procedure/engine_calls.h"

namespace zozu {

namespace {

const char* const kCptyInputs[] = {"CPTYTYPE", "CPTYID"};
const char* const kCptyOutputs[] = {"_LGD_", "_PD_"};
const char* const kMitInputs[] = {"EXPOSUREID", "MITIGANTID", "MITIGATIONTYPE"};
const char* const kMitOutputs[] = {"_EXPOSURE_", "_ADJEXPOSURE_", "_MITIGANT_VAL_", "_MITIGANT_ADJVAL_"};

}  // namespace

const ContainerFamily kCounterpartyFamily = {
    true, "counterparty", "CPTYDATA", 8, 11, 4, kCptyInputs, 2, kCptyOutputs, 2,
    7721, 7725, 7729, 7730, 7734, 7735,
};
const ContainerFamily kMitigationFamily = {
    false, "mitigation", "MITDATA", 9, 12, 7, kMitInputs, 3, kMitOutputs, 4,
    320, 321, 322, 325, 326, 323,
};

namespace {

// The two containers hold the same lists under the same names.
template <typename Container>
ContainerView view_of(Container* c) {
    ContainerView v;
    v.container = c;
    v.variables = &c->variables;
    v.system_variables = &c->system_variables;
    v.types = &c->types;
    v.datasets = &c->datasets;
    v.sources = &c->sources;
    v.statelength = &c->statelength;
    v.output_total = &c->output_total;
    v.variable_count = &c->variable_count;
    return v;
}

}  // namespace

ContainerView container_view(RSKCON* con, const ContainerFamily& family) {
    if (family.counterparty && con->cpty_container != nullptr) return view_of(con->cpty_container);
    if (!family.counterparty && con->mit_container != nullptr) return view_of(con->mit_container);
    return ContainerView{};
}

bool container_loaded(RSKCON* con, const ContainerFamily& family) {
    if (family.counterparty)
        return con->cpty_container != nullptr && con->cpty_container_state == RSKCON_CONTAINER_LOADED;
    return con->mit_container != nullptr && con->mit_container_state == RSKCON_CONTAINER_LOADED;
}

ContainerView loaded_container(RSKCON* con, const ContainerFamily& family, const char* statement) {
    if (container_loaded(con, family)) return container_view(con, family);
    xpmlog(598, 7745, static_cast<int>(std::strlen(statement)), statement, static_cast<int>(std::strlen(family.word)),
           family.word);
    return ContainerView{};
}

int upper_name(const char* text, int length, char out[kContainerNameLimit + 1]) {
    int n = length < kContainerNameLimit ? length : kContainerNameLimit;
    if (n < 0 || text == nullptr) n = 0;
    for (int i = 0; i < n; ++i) out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    while (n > 0 && out[n - 1] == ' ') --n;
    out[n] = '\0';
    return n;
}

int counterparty_id_name(char name[kContainerNameLimit + 1], int length) {
    if (length == 14 && std::memcmp(name, "COUNTERPARTYID", 14) == 0) {
        std::memcpy(name, "CPTYID", 7);
        return 6;
    }
    return length;
}

char* copy_text(RSKCON* con, const char* text) {
    qor_pool* pool = con->current_pool;
    if (pool == nullptr || text == nullptr) return nullptr;
    const size_t bytes = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(pool->allocate(pool, bytes, QOR_ALLOC_ZERO));
    if (copy != nullptr) std::memcpy(copy, text, bytes);
    return copy;
}

bool ensure_table(RSKCON* con, hash_table** table, int hint) {
    if (*table == nullptr) *table = zozu::new_hash_table(con->current_pool, hint);
    return *table != nullptr;
}

int insert_item(RSKCON* con, hash_table* table, const char* key, void* value) {
    if (table == nullptr || key == nullptr) return 1;
    if (zozu::hash_query(table, key) != nullptr) return HASH_DUPLICATE;
    hash_item* item = zozu::create_hash_item(con->current_pool, key, value);
    if (item == nullptr) return 1;
    int rc = zozu::hash_insert(table, item);
    if (rc != HASH_INSERTED) {
        zozu::del_hash_item(con->current_pool, item);
        return rc == HASH_DUPLICATE ? HASH_DUPLICATE : 1;
    }
    return 0;
}

}  // namespace zozu
