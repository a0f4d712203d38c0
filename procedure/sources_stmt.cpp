// SOURCES: a portfolio source list. Listed counterparty and mitigation data sets become a source
// of their container; every other name must be a position data set definition of the list.
#include <cstring>

#include "common/hash/hash_table.h"
#include "host/print.h"
#include "procedure/container_access.h"
#include "procedure/counterparty_containers.h"
#include "procedure/engine_calls.h"
#include "procedure/operand_lists.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

constexpr int kNameField = 1, kListField = 4;
constexpr int kSourceTableSize = 100;
const char kObjectWord[] = "portfolio source list";

int length_of(const char* text) { return static_cast<int>(std::strlen(text)); }

// The data set of a container that a listed name stands for, or null.
void* container_dataset(RSKCON* con, const ContainerFamily& family, const OperandText& item) {
    if (!container_loaded(con, family)) return nullptr;
    ContainerView view = container_view(con, family);
    if (*view.datasets == nullptr) return nullptr;
    char key[kContainerNameLimit + 1];
    upper_name(item.text, item.length, key);
    hash_item* found = zozu::hash_query(*view.datasets, key);
    return found != nullptr ? found->value : nullptr;
}

// A source record of the container (the record the engine frees with the container).
RSKCPTYSOURCE* make_source(RSKCON* con, const char* name) {
    qor_pool* pool = con->current_pool;
    auto* source = static_cast<RSKCPTYSOURCE*>(pool->allocate(pool, sizeof(RSKCPTYSOURCE), QOR_ALLOC_ZERO));
    if (source == nullptr) return nullptr;
    source->name = copy_text(con, name);
    source->datasets = zozu::new_hash_table(pool, kSourceTableSize);
    if (source->name == nullptr || source->datasets == nullptr) {
        if (source->name != nullptr) pool->release(pool, source->name, std::strlen(name) + 1, QOR_FREE_SIZED);
        if (source->datasets != nullptr) zozu::del_hash_table(pool, source->datasets);
        pool->release(pool, source, sizeof *source, QOR_FREE_SIZED);
        return nullptr;
    }
    return source;
}

int family_sources(RSKCON* con, const ContainerFamily& family, const char* source_name,
                   const statement_node* node) {
    if (!container_loaded(con, family)) return 0;
    ContainerView view = container_view(con, family);
    if (*view.datasets == nullptr || (*view.datasets)->item_count == 0) return 0;
    // Only a list that names a data set of this container makes a source of it.
    bool any = false;
    NameCursor scan(node, kListField);
    for (OperandText item; scan.next(&item);)
        if (item.length > 0 && container_dataset(con, family, item) != nullptr) any = true;
    if (!any) return 0;

    char name[kContainerNameLimit + 1];
    const int name_length = upper_name(source_name, length_of(source_name), name);
    if (!ensure_table(con, view.sources, kSourceTableSize)) {
        xpmlog(598, 7746, length_of(family.word), family.word);
        return 1;
    }
    RSKCPTYSOURCE* source = make_source(con, name);
    if (source == nullptr) {
        xpmlog(598, 7747, name_length, name, length_of(family.word), family.word);
        return 1;
    }
    int result = 0;
    NameCursor items(node, kListField);
    for (OperandText item; items.next(&item);) {
        auto* set = item.length > 0 ? container_dataset(con, family, item) : nullptr;
        if (set == nullptr) continue;
        const char* set_name =
            family.counterparty ? static_cast<RSKCPTYDS*>(set)->name : static_cast<RSKMITDS*>(set)->name;
        const int rc = insert_item(con, source->datasets, set_name, set);
        if (rc == 3) {
            xpmlog(598, 7748, length_of(set_name), set_name, name_length, name);
        } else if (rc != 0) {
            xpmlog(598, 7749, length_of(set_name), set_name, name_length, name);
            result = 1;
        }
    }
    // A source of the same name gives way (its record stays in the environment's pool).
    if (hash_item* old = zozu::hash_remove(*view.sources, source->name)) {
        auto* replaced = static_cast<RSKCPTYSOURCE*>(old->value);
        if (replaced != nullptr && replaced->datasets != nullptr) {
            zozu::del_hash_table(con->current_pool, replaced->datasets);
            replaced->datasets = nullptr;
        }
        zozu::del_hash_item(con->current_pool, old);
    }
    if (insert_item(con, *view.sources, source->name, source) != 0) {
        xpmlog(598, 7750, name_length, name, length_of(family.word), family.word);
        return 1;
    }
    return result;
}

}  // namespace

int counterparty_sources(RSKCON* con, const char* source, const statement_node* node) {
    return family_sources(con, kCounterpartyFamily, source, node);
}
int mitigation_sources(RSKCON* con, const char* source, const statement_node* node) {
    return family_sources(con, kMitigationFamily, source, node);
}

int positions_sources(RSKCON* con, RSKCATOBJ* object, const statement_node* node) {
    int result = 0;
    NameCursor items(node, kListField);
    for (OperandText item; items.next(&item);) {
        if (item.length == 0) continue;
        if (container_dataset(con, kCounterpartyFamily, item) != nullptr ||
            container_dataset(con, kMitigationFamily, item) != nullptr)
            continue;
        RSKNAMEREC key{static_cast<uint16_t>(item.length), static_cast<uint16_t>(item.length),
                       const_cast<char*>(item.text)};
        if (rskdat(con, &key) == nullptr) {
            xpmlog(670, 1096, item.length, item.text);
            result = 1;
            continue;
        }
        if (rskpdsd(con, object, &key) != 0) {
            xpmlog(670, 1097, item.length, item.text);
            result = 1;
        }
    }
    return result;
}

int sources_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kNameField);
    if (name.length == 0) {
        xpmlog(670, 1095);
        return 1;
    }
    RSKNAMEREC key{static_cast<uint16_t>(name.length), static_cast<uint16_t>(name.length),
                   const_cast<char*>(name.text)};
    RSKCATOBJ* object = nullptr;
    if (rskposd(con, &object, &key, nullptr) != 0 || object == nullptr) {
        xpmlog(670, 1089, length_of(kObjectWord), kObjectWord, name.length, name.text);
        return 1;
    }
    char source[kContainerNameLimit + 1];
    upper_name(name.text, name.length, source);
    int result = counterparty_sources(con, source, node);
    const int mit = mitigation_sources(con, source, node);
    if (mit > result) result = mit;
    const int positions = positions_sources(con, object, node);
    if (positions > result) result = positions;
    if (result != 0) return result;
    if (rssofis(con, object, 0) != 0) {
        xpmlog(670, 1090, length_of(kObjectWord), kObjectWord, name.length, name.text);
        return 1;
    }
    return 0;
}

}  // namespace zozu
