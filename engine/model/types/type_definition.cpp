// Instrument types: look-up with the read-access check, definition and redefinition with their
// rights checks, declared variable names, default values and action slots, clearing and freeing.
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/model/audit/audit_log.h"
#include "engine/model/control/entry_table.h"
#include "engine/model/control/out_of_memory.h"
#include "engine/model/control/startup.h"
#include "engine/model/names/name_records.h"
#include "engine/model/registries/code_registries.h"
#include "engine/model/services/catalog.h"
#include "engine/model/symbols/symbol_table.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/types/type_records.h"
#include "engine/model/variables/value_cells.h"
#include "engine/tables/free_lists.h"
#include "engine/tables/object_tables.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr int kTypeChunk = 10;
constexpr int kTypeTableHint = 40;
constexpr int kRightRead = 4;
constexpr int kRightWrite = 2;

RSKSYMTAB* type_table(RSKCON* con) { return &con->current_tables->tables[RSKTAB_INSTTYPES]; }

// The defining user becomes the owner, with the user's default rights.
void take_user_identity(const RSKCON* con, RSKRIGHTS* rights) {
    RSKSEC& sec = rights->security;
    std::memcpy(sec.owner, con->user_name, sizeof sec.owner);
    sec.owner_length = con->user_name_length;
    std::memcpy(sec.group, con->group_name, sizeof sec.group);
    sec.group_length = con->group_name_length;
    sec.rights = con->default_rights;
    sec.read = con->identity_read;
    rights->cache = 0;
}

void append_type(RSKMEMBLOCK* block, RSKINSTTYPE* type) {
    type->next = nullptr;
    if (block->types_tail != nullptr) block->types_tail->next = type;
    else block->types_head = type;
    block->types_tail = type;
    ++block->types_count;
}

void unlink_type(RSKMEMBLOCK* block, RSKINSTTYPE* type) {
    RSKINSTTYPE* before = nullptr;
    for (RSKINSTTYPE* t = block->types_head; t != nullptr; before = t, t = t->next) {
        if (t != type) continue;
        if (before != nullptr) before->next = t->next;
        else block->types_head = t->next;
        if (block->types_tail == t) block->types_tail = before;
        --block->types_count;
        return;
    }
}

// A new type record named and linked into the table and the definition-order list; null after
// the message when memory runs out (nothing stays linked then).
RSKINSTTYPE* create_type(RSKCON* con, const RSKOBJNAME& name, RSKENV* environment) {
    RSKINSTTYPE* type = rsk_take_record(con, con->free_lists->instrument_types, kTypeChunk, "add elements to a list");
    if (type == nullptr) return nullptr;
    type->name = name;
    type->name.name.text = type->name.buffer;
    if (rsktbla(con, &type->variables, kTypeTableHint, nullptr, con->current_pool, con->free_lists, 0) != 0) {
        rsk_give_free(con->free_lists->instrument_types, type);
        return nullptr;
    }
    if (rsksymd(con, type_table(con), &type->name.name, type) == RSKSYM_FAILED) {
        rsktblf(con, &type->variables);
        std::memset(static_cast<void*>(type), 0, sizeof *type);
        rsk_give_free(con->free_lists->instrument_types, type);
        return nullptr;
    }
    append_type(con->memory_block, type);
    type->kind = kRskTypeKind;
    type->environment = environment;
    type->inheritance = environment == con->current_environment ? 1 : 2;
    if (!con->catalog_loading) take_user_identity(con, &type->security);
    return type;
}

// Write access to an existing type; 0 when granted, else 1 after the message.
int may_redefine(RSKCON* con, RSKINSTTYPE* type) {
    char kind[41];
    const int kind_length = rskkind_text(kind);
    const RSKNAMEREC& name = type->name.name;
    if (type->environment == con->current_environment) {
        if (rsssec(con, &type->security, kRightWrite, type->environment, name.text, name.length,
                   kRskTypeKind, 2) == 0) {
            xpmlog(598, 3802, kind_length, kind, static_cast<int>(name.length), name.text);
            return 1;
        }
        return 0;
    }
    // A parent environment's type that the user may not write is refused here rather than
    // taken over: the parent's definition stays as it is.
    if (rsssec(con, &type->security, kRightWrite, type->environment, name.text, name.length,
               kRskTypeKind, 3) == 0) {
        const RSKNAMEREC* owner = type->environment != nullptr ? &type->environment->name.name : nullptr;
        xpmlog(598, 3803, owner ? static_cast<int>(owner->length) : 0, owner ? owner->text : "", kind_length,
               kind, static_cast<int>(name.length), name.text);
        xpmlog(598, 3802, kind_length, kind, static_cast<int>(name.length), name.text);
        return 1;
    }
    return 0;
}

RSKTYPENAME* take_name(RSKCON* con, const char* name, int length) {
    RSKTYPENAME* entry = rsk_take_record(con, con->free_lists->type_variable_names, kRskTypeNameChunk, "add elements to a list");
    if (entry == nullptr) return nullptr;
    if (rskname(con, &entry->name, name, length) != 0) {
        rsk_give_free(con->free_lists->type_variable_names, entry);
        return nullptr;
    }
    return entry;
}

void append_name(RSKTYPENAME*& head, RSKTYPENAME*& tail, int32_t& count, RSKTYPENAME* entry) {
    entry->next = nullptr;
    if (tail != nullptr) tail->next = entry;
    else head = entry;
    tail = entry;
    ++count;
}

void give_names(RSKCON* con, RSKTYPENAME*& head, RSKTYPENAME*& tail, int32_t& count) {
    while (head != nullptr) {
        RSKTYPENAME* entry = head;
        head = entry->next;
        if (entry->value != nullptr) rskvalf(con, entry->value);
        std::memset(static_cast<void*>(entry), 0, sizeof *entry);
        rsk_give_free(con->free_lists->type_variable_names, entry);
    }
    tail = nullptr;
    count = 0;
}

}  // namespace

int rskkind_text(char* text) {
    int length = rssobds(kRskTypeKind, text);
    return length < 0 ? 0 : length;
}

void rsktype_give_links(RSKCON* con, RSKVARLINK*& head, RSKVARLINK*& tail, int32_t& count, int release) {
    while (head != nullptr) {
        RSKVARLINK* link = head;
        head = link->next;
        if (release && link->variable != nullptr && link->variable->use_count > 0) --link->variable->use_count;
        std::memset(static_cast<void*>(link), 0, sizeof *link);
        rsk_give_free(con->free_lists->resolved_links, link);
    }
    tail = nullptr;
    count = 0;
}

RSKINSTTYPE* rskcls(RSKCON* con, const char* name, int length) {
    if (con == nullptr || con->current_tables == nullptr || name == nullptr) return nullptr;
    if (length < 0) length = static_cast<int>(std::strlen(name));
    RSKNAMEREC key{0, static_cast<uint16_t>(length), const_cast<char*>(name)};
    auto* type = static_cast<RSKINSTTYPE*>(rsksym(con, type_table(con), &key));
    if (type == nullptr) return nullptr;
    const RSKNAMEREC& own = type->name.name;
    if (rsssec(con, &type->security, kRightRead, type->environment, own.text, own.length, kRskTypeKind, 4) == 0) {
        char kind[41];
        const int kind_length = rskkind_text(kind);
        xpmlog(598, 3804, kind_length, kind, "read", static_cast<int>(own.length), own.text);
        return nullptr;
    }
    return type;
}

int rskclsd(RSKCON* con, RSKINSTTYPE** out, const char* name, int name_length, const char* base,
            int base_length, const char* description, int description_length, int cash_flows,
            int quadratic, RSKENV* environment) {
    if (out != nullptr) *out = nullptr;
    if (!con->catalog_loading &&
        rsssec(con, nullptr, kRightWrite, con->current_environment, "INHERIT", 7, kRskTypeKind, 1) == 0) {
        xpmlog(598, 3801);
        return 1;
    }
    RSKOBJNAME new_name{};
    if (rskname(con, &new_name, name, name_length) != 0) return 1;
    RSKOBJNAME new_base{};
    if (base_length < 0) base_length = base != nullptr ? static_cast<int>(std::strlen(base)) : 0;
    if (base != nullptr && base_length > 0 && rskname(con, &new_base, base, base_length) != 0) return 1;

    auto* type = static_cast<RSKINSTTYPE*>(rsksym(con, type_table(con), &new_name.name));
    if (type != nullptr) {
        if (!con->catalog_loading) {
            if (may_redefine(con, type) != 0) return 1;
            take_user_identity(con, &type->security);
        }
        const RSKRIGHTS kept = type->security;
        rskclsc(con, type, 0);
        type->security = kept;
        type->environment = environment;
        if (type->inheritance == 2 && environment == con->current_environment) type->inheritance = 3;
        type->name = new_name;
        type->name.name.text = type->name.buffer;
    } else {
        type = create_type(con, new_name, environment);
        if (type == nullptr) return 1;
    }
    RSKMEMBLOCK* block = con->memory_block;
    if (new_name.name.length > block->longest_type_name) block->longest_type_name = new_name.name.length;

    type->properties.state = 0;
    if (description_length < 0) description_length = description ? static_cast<int>(std::strlen(description)) : 0;
    if (description_length > kRskDescriptionLimit) description_length = kRskDescriptionLimit;
    RSKNAMEREC text{0, static_cast<uint16_t>(description_length), const_cast<char*>(description)};
    RSKPROPS stamp{};
    stamp.state = 2;
    stamp.modified = wzdttme();
    rssptyd(con, &type->properties, &text, &stamp);
    if (type->properties.description_length < description_length) {
        // The property block stays empty when its text cannot be had.
        rsknomem(con, static_cast<size_t>(description_length), "description");
        return 1;
    }

    type->base_name = new_base;
    type->base_name.name.text = type->base_name.buffer;
    type->base = nullptr;
    if (new_base.name.length > 0)
        type->base = static_cast<RSKINSTTYPE*>(rsksym(con, type_table(con), &type->base_name.name));
    type->cash_flows = cash_flows != 0 ? 1 : 0;
    type->quadratic = quadratic != 0 ? 1 : 0;
    if (out != nullptr) *out = type;
    if (!con->catalog_loading && con->audit) {
        // The same entry the catalog writes for every object it defines: stamp, kind, name.
        char stamp[64];
        int width = static_cast<int>(con->datetime_format.width);
        if (width < 1 || width >= static_cast<int>(sizeof stamp)) width = 19;
        if (xpfs(wzdttme(), width, static_cast<int>(con->datetime_format.handle), stamp) != 0) width = 0;
        char kind[41];
        const int kind_length = rskkind_text(kind);
        rskadtp(con, 598, 3905, width, stamp, kind_length, kind, static_cast<int>(type->name.name.length),
                type->name.name.text);
    }
    con->types_pending = 1;
    con->environment_changed = 1;
    return 0;
}

int rskclsv(RSKCON* con, RSKINSTTYPE* type, const char* name, int length) {
    RSKTYPENAME* entry = take_name(con, name, length);
    if (entry == nullptr) return 1;
    append_name(type->declared_head, type->declared_tail, type->declared_count, entry);
    con->types_pending = 1;
    return 0;
}

int rskdflt(RSKCON* con, RSKINSTTYPE* type, const char* name, int name_length, double number,
            const char* text, int text_length, int value_type) {
    if (name_length < 0) name_length = static_cast<int>(std::strlen(name));
    RSKVALUECELL* cell = nullptr;
    if (value_type == 1) {
        if (rskvaln(con, &cell, nullptr, number) != 0) return 1;
    } else if (value_type == 2) {
        if (rskvalc(con, &cell, nullptr, text, text_length) != 0) return 1;
    } else {
        xebug("rskdflt: invalid type code %i for %*s", value_type, name_length, name);
        return 1;
    }
    RSKTYPENAME* entry = take_name(con, name, name_length);
    if (entry == nullptr) {
        rskvalf(con, cell);
        return 1;
    }
    entry->value = cell;
    append_name(type->defaults_head, type->defaults_tail, type->defaults_count, entry);
    con->types_pending = 1;
    return 0;
}

int rskactd(RSKCON* con, RSKINSTTYPE* type, int code, const char* method, int length) {
    RSKACTION* slot = nullptr;
    if (code == RSKACT_INPUT) {
        if (type->input_count >= kRskInputActions) {
            xpmlog(598, 1214, kRskInputActions, static_cast<int>(type->name.name.length), type->name.name.text,
                   kRskInputActions);
            return 1;
        }
        slot = &type->inputs[type->input_count++];
    } else if (code == RSKACT_PRICE) {
        slot = &type->price;
    } else if (code == RSKACT_FOURTH) {
        slot = &type->fourth;
    } else {
        xebug("rskactd: bad action code %i for %*s.", code, static_cast<int>(type->name.name.length),
              type->name.name.text);
        return 1;
    }
    std::memset(static_cast<void*>(slot), 0, sizeof *slot);
    rskname(con, &slot->name, method, length);
    slot->code = static_cast<uint32_t>(code);
    slot->kind = RSKACTION_METHOD_CALL;
    slot->defined = 1;
    con->types_pending = 1;
    return check_action(con, type, slot, 0);
}

int check_action(RSKCON* con, RSKINSTTYPE* type, RSKACTION* action, int report) {
    if (!action->defined || action->kind == RSKACTION_DELTA_GAMMA) return 0;
    action->kind = RSKACTION_METHOD_CALL;
    action->target = nullptr;
    auto find = own_engine_routine<EngineSlot::rsktrn>();
    RSKGENTRANS* method = find != nullptr ? find(con, &action->name.name) : nullptr;
    const RSKNAMEREC& tname = type->name.name;
    const RSKNAMEREC& mname = action->name.name;
    if (method == nullptr) {
        if (report && !con->catalog_loading)
            xpmlog(598, 1202, static_cast<int>(tname.length), tname.text, static_cast<int>(mname.length), mname.text);
        return 0;
    }
    action->target = method;
    if (action->code == RSKACT_INPUT) {
        if (method->kind == 'I') return 0;
        const char* aname = nullptr;
        const int alength = rskcnac(con, static_cast<int>(action->code), &aname);
        xpmlog(598, 1218, alength, aname, static_cast<int>(tname.length), tname.text,
               static_cast<int>(mname.length), mname.text);
        return 1;
    }
    if (action->code == RSKACT_PRICE) {
        if (method->kind == 'P') return 0;
        xpmlog(598, 1216, static_cast<int>(tname.length), tname.text, static_cast<int>(mname.length), mname.text);
        return 1;
    }
    xebug("rskcls: bad action code %i for %*s.", static_cast<int>(action->code), static_cast<int>(tname.length),
          tname.text);
    return 1;
}

int rskclsc(RSKCON* con, RSKINSTTYPE* type, int partial) {
    // Every resolved link holds one use of its variable, base types' variables included.
    rsktype_give_links(con, type->resolved_head, type->resolved_tail, type->resolved_count, 1);
    rsktype_give_links(con, type->currency_head, type->currency_tail, type->currency_count, 0);
    if (type->variables.buckets != nullptr) rsktblc(con, &type->variables, 0);
    if (partial) return 0;
    give_names(con, type->declared_head, type->declared_tail, type->declared_count);
    give_names(con, type->defaults_head, type->defaults_tail, type->defaults_count);
    std::memset(type->inputs, 0, sizeof type->inputs);
    type->input_count = 0;
    std::memset(&type->price, 0, sizeof type->price);
    std::memset(&type->fourth, 0, sizeof type->fourth);
    RSKPROPS& props = type->properties;
    if (props.description != nullptr && props.description_capacity > 0)
        vmfree_handler(con->current_pool, props.description, props.description_capacity, QOR_FREE_SIZED);
    std::memset(&props, 0, sizeof props);
    std::memset(&type->security, 0, sizeof type->security);
    return 0;
}

int rskclsf(RSKCON* con, RSKINSTTYPE* type) {
    if (type == nullptr) return 0;
    rskclsc(con, type, 0);
    rsksymf(con, type_table(con), &type->name.name);
    unlink_type(con->memory_block, type);
    // Types that named this one as their base forget the record.
    for (RSKINSTTYPE* t = con->memory_block->types_head; t != nullptr; t = t->next)
        if (t->base == type) t->base = nullptr;
    rsktblf(con, &type->variables);
    std::memset(static_cast<void*>(type), 0, sizeof *type);
    rsk_give_free(con->free_lists->instrument_types, type);
    con->types_pending = 1;
    con->environment_changed = 1;
    return 0;
}
