// Reading a container's XML document into the control structure's counterparty or mitigation
// container: the elements on a stack, records made from attributes and names as elements end.
// Records of an existing container with the same name are replaced; names of variables, types,
// data sets or sources the container lacks are passed over and counted.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "common/files/dataset.h"
#include "common/memory/pool_memory.h"
#include "common/files/utilfile.h"
#include "engine/counterparty/container_texts.h"
#include "engine/counterparty/container_xml.h"
#include "engine/counterparty/containers.h"
#include "engine/model/variables/variables.h"
#include "engine/model/variables/variable_record.h"
#include "host/print.h"
#include "host/xml.h"

// The reader's state: the open elements, innermost last, and the records being made.
struct RSKXMLREADING {
    static constexpr int kDepth = 32;
    std::string stack[kDepth];
    int depth = 0;
    void* type = nullptr;            // RSKCPTYTYPE or RSKMITTYPE
    void* dataset = nullptr;         // RSKCPTYDS or RSKMITDS
    RSKCPTYVAR* variable = nullptr;
    hash_table* table = nullptr;
    char* item_name = nullptr;       // the source or input source being read
    RSKCPTYINSRC* input_source = nullptr;
    std::string text;                // the current element's text
    std::string alias;               // the alias attribute of the current name element
    int unresolved = 0;              // names of things the container lacks, passed over
    RSKCON* con = nullptr;
    const RSKXMLFAMILY* family = nullptr;
};

namespace {

constexpr int kCreateOnly = 3;       // data sets and utility files: records, nothing opened

qor_pool* pool_of(const RSKXMLREADING* x) { return x->con->current_pool; }

bool is(const std::string& element, const char* name) { return element == name; }

const std::string& parent(const RSKXMLREADING* x, int up) {
    static const std::string none;
    const int at = x->depth - 1 - up;
    return at >= 0 && at < RSKXMLREADING::kDepth ? x->stack[at] : none;
}

long number_of(const std::string& text) { return std::strtol(text.c_str(), nullptr, 10); }

const char* attribute(const char** attributes, const char* name) {
    for (int i = 0; attributes != nullptr && attributes[i] != nullptr; i += 2)
        if (std::strcmp(attributes[i], name) == 0) return attributes[i + 1];
    return nullptr;
}

// The container's tables, whichever family.
struct Tables {
    hash_table** variables;
    hash_table** system_variables;
    hash_table** types;
    hash_table** datasets;
    hash_table** sources;
    hash_table** input_sources;
    int32_t* variable_count;
    int32_t* statelength;
};

Tables tables_of(RSKXMLREADING* x) {
    if (x->family->counterparty) {
        RSKCPTYCON* c = x->con->cpty_container;
        return {&c->variables, &c->system_variables, &c->types, &c->datasets, &c->sources, &c->input_sources,
                &c->variable_count, &c->statelength};
    }
    RSKMITIGATIONCON* m = x->con->mit_container;
    return {&m->variables, &m->system_variables, &m->types, &m->datasets, &m->sources, &m->input_sources,
            &m->variable_count, &m->statelength};
}

bool has_container(const RSKXMLREADING* x) {
    return x->family->counterparty ? x->con->cpty_container != nullptr : x->con->mit_container != nullptr;
}

hash_table* table(RSKXMLREADING* x, hash_table** slot, int hint) {
    if (*slot == nullptr) *slot = new_hash_table(pool_of(x), hint);
    return *slot;
}

void* value_of(const hash_table* t, const char* key) {
    const hash_item* item = t != nullptr ? hash_query(t, key) : nullptr;
    return item != nullptr ? item->value : nullptr;
}

// Inserts key -> value, replacing an item of that key (its record stays in the pool: other
// records may still point at it).
void replace(RSKXMLREADING* x, hash_table* t, const char* key, void* value) {
    if (t == nullptr || key == nullptr) return;
    if (hash_item* old = hash_remove(t, key); old != nullptr) del_hash_item(pool_of(x), old);
    hash_item* item = create_hash_item(pool_of(x), key, value);
    if (item != nullptr && hash_insert(t, item) != HASH_INSERTED) del_hash_item(pool_of(x), item);
}

// Adds key -> value unless the key is there; whether it was added.
bool add_new(RSKXMLREADING* x, hash_table* t, const char* key, void* value) {
    if (t == nullptr || key == nullptr || hash_query(t, key) != nullptr) return false;
    hash_item* item = create_hash_item(pool_of(x), key, value);
    if (item == nullptr) return false;
    if (hash_insert(t, item) != HASH_INSERTED) {
        del_hash_item(pool_of(x), item);
        return false;
    }
    return true;
}

void use_container(RSKXMLREADING* x) {
    RSKCON* con = x->con;
    // A container already there takes what the document holds.
    if (x->family->counterparty) {
        if (con->cpty_container == nullptr) con->cpty_container = new_cpty_con(con->current_pool);
        if (con->cpty_container != nullptr) con->cpty_container_state = RSKCON_CONTAINER_LOADED;
    } else {
        if (con->mit_container == nullptr) con->mit_container = new_mit_con(con->current_pool);
        if (con->mit_container != nullptr) con->mit_container_state = RSKCON_CONTAINER_LOADED;
    }
}

void make_type(RSKXMLREADING* x, const char** attributes) {
    const Tables t = tables_of(x);
    const char* name = attribute(attributes, "name");
    const char* method = attribute(attributes, "method");
    const char* label = attribute(attributes, "label");
    const char* super_name = attribute(attributes, "super");
    const char* count = attribute(attributes, x->family->variable_count);
    int hint = count != nullptr ? std::atoi(count) : 0;
    void* super = super_name != nullptr ? value_of(*t.types, super_name) : nullptr;
    if (super_name != nullptr && super == nullptr) ++x->unresolved;
    x->type = nullptr;
    if (name == nullptr) {
        ++x->unresolved;
        return;
    }
    if (x->family->counterparty) {
        auto* s = static_cast<RSKCPTYTYPE*>(super);
        if (s != nullptr) hint += s->variable_count;
        const char* model = attribute(attributes, "model");
        const char* function = attribute(attributes, "function");
        RSKCPTYMODEL* m = nullptr;
        if (model != nullptr)
            m = new_cpty_model(pool_of(x), nullptr, static_cast<int>(std::strlen(model)), model,
                               function != nullptr ? static_cast<int>(std::strlen(function)) : 0,
                               function != nullptr ? function : "");
        RSKCPTYTYPE* type = new_cpty_type(pool_of(x), name, method, m, label, hint);
        if (type != nullptr && cpty_add_super(pool_of(x), s, type) == 0) x->type = type;
    } else {
        auto* s = static_cast<RSKMITTYPE*>(super);
        if (s != nullptr) hint += s->variable_count;
        RSKMITTYPE* type = new_mit_type(pool_of(x), name, method, label, hint);
        if (type != nullptr && mit_add_super(pool_of(x), s, type) == 0) x->type = type;
    }
}

void make_dataset(RSKXMLREADING* x, const char** attributes) {
    const char* name = attribute(attributes, "name");
    const char* libname = attribute(attributes, "libname");
    const char* memname = attribute(attributes, "memname");
    const char* count = attribute(attributes, x->family->variable_count);
    const char* mapping = attribute(attributes, "mapping_used");
    const int hint = count != nullptr ? std::atoi(count) : 0;
    x->dataset = nullptr;
    if (name == nullptr) {
        ++x->unresolved;
        return;
    }
    qor_pool* pool = pool_of(x);
    // The data set record keeps its library reference and member as copies of this pool.
    char* libref = rsk_text_copy(pool, libname != nullptr ? libname : "");
    char* member = rsk_text_copy(pool, memname != nullptr ? memname : "");
    dataset* input = libref != nullptr && member != nullptr ? new_dataset(pool, libref, member, kCreateOnly) : nullptr;
    if (input == nullptr) {
        rsk_text_free(pool, libref);
        rsk_text_free(pool, member);
        return;
    }
    if (x->family->counterparty) {
        utilfile* output = new_utilfile(pool, libref, member, kCreateOnly);
        RSKCPTYDS* d = output != nullptr ? new_cpty_ds(pool, name, input, output, hint) : nullptr;
        if (d != nullptr) {
            d->mapping_used = mapping != nullptr ? std::atoi(mapping) : 0;
            d->variable_count = 0;
        }
        x->dataset = d;
    } else {
        RSKMITDS* d = new_mit_ds(pool, name, input, hint);
        if (d != nullptr) {
            d->mapping_used = mapping != nullptr ? std::atoi(mapping) : 0;
            d->variable_count = 0;
        }
        x->dataset = d;
    }
}

void start_element(void* user, const char* name, const char** attributes) {
    auto* x = static_cast<RSKXMLREADING*>(user);
    const RSKXMLFAMILY& f = *x->family;
    if (x->depth < RSKXMLREADING::kDepth) x->stack[x->depth] = name;
    ++x->depth;
    x->text.clear();
    const std::string element = name;
    if (is(element, f.root)) {
        use_container(x);
        return;
    }
    if (!has_container(x)) return;
    const Tables t = tables_of(x);
    if (is(element, f.types)) x->table = table(x, t.types, f.type_hint);
    else if (is(element, f.system_variables)) x->table = table(x, t.system_variables, f.system_hint);
    else if (is(element, "datasets") && !is(parent(x, 1), "source")) x->table = table(x, t.datasets, f.dataset_hint);
    else if (is(element, "sources")) table(x, t.sources, f.source_hint);
    else if (is(element, "inputsources")) table(x, t.input_sources, f.source_hint);
    else if (is(element, "source")) x->table = new_hash_table(pool_of(x), f.source_hint);
    else if (is(element, f.type) && !is(parent(x, 1), "dataset")) make_type(x, attributes);
    else if (is(element, "dataset")) make_dataset(x, attributes);
    else if (is(element, "name")) {
        const char* alias = attribute(attributes, "alias");
        x->alias = alias != nullptr ? alias : "";
    }
}

// A copy of a container variable for a data set's column table, fed by `alias`.
RSKCPTYVAR* column_of(RSKXMLREADING* x, const RSKCPTYVAR* v, const std::string& alias) {
    RSKCPTYVAR* copy = x->family->counterparty
                           ? new_cpty_var(pool_of(x), v->name, v->label, v->type, v->role, v->offset, v->variable)
                           : new_mit_var(pool_of(x), v->name, v->label, v->type, v->role, v->offset, v->variable);
    if (copy == nullptr || alias.empty()) return copy;
    char* kept = rsk_text_copy(pool_of(x), alias.c_str());
    if (kept != nullptr) {
        rsk_text_free(pool_of(x), copy->alias);
        copy->alias = kept;
        copy->alias_length = static_cast<int16_t>(alias.size());
    }
    return copy;
}

hash_table* type_variables(RSKXMLREADING* x, int32_t** count) {
    if (x->family->counterparty) {
        auto* t = static_cast<RSKCPTYTYPE*>(x->type);
        *count = &t->variable_count;
        return t->variables;
    }
    auto* t = static_cast<RSKMITTYPE*>(x->type);
    *count = &t->variable_count;
    return t->variables;
}

// The data set's column table and count, its type slot.
hash_table* dataset_columns(RSKXMLREADING* x, int32_t** count, void*** type) {
    if (x->family->counterparty) {
        auto* d = static_cast<RSKCPTYDS*>(x->dataset);
        *count = &d->variable_count;
        *type = reinterpret_cast<void**>(&d->type);
        return d->columns;
    }
    auto* d = static_cast<RSKMITDS*>(x->dataset);
    *count = &d->variable_count;
    *type = reinterpret_cast<void**>(&d->type);
    return d->columns;
}

void end_name(RSKXMLREADING* x, const Tables& t) {
    const RSKXMLFAMILY& f = *x->family;
    const std::string& up = parent(x, 1);
    const std::string& up2 = parent(x, 2);
    const char* text = x->text.c_str();
    if (is(up, "variables") && is(up2, f.type)) {
        auto* v = static_cast<RSKCPTYVAR*>(value_of(*t.variables, text));
        int32_t* count = nullptr;
        if (v == nullptr || x->type == nullptr) ++x->unresolved;
        else if (add_new(x, type_variables(x, &count), v->name, v)) ++*count;
    } else if (is(up, "variables") && is(up2, "dataset")) {
        auto* v = static_cast<RSKCPTYVAR*>(value_of(*t.variables, text));
        int32_t* count = nullptr;
        void** type = nullptr;
        if (v == nullptr || x->dataset == nullptr) {
            ++x->unresolved;
        } else if (hash_table* columns = dataset_columns(x, &count, &type); hash_query(columns, v->name) == nullptr) {
            RSKCPTYVAR* column = column_of(x, v, x->alias);
            if (column != nullptr && add_new(x, columns, column->name, column)) ++*count;
        }
    } else if (is(up, f.system_variables)) {
        auto* v = static_cast<RSKCPTYVAR*>(value_of(*t.variables, text));
        if (v == nullptr) ++x->unresolved;
        else add_new(x, x->table, v->name, v);
    } else if (is(up, f.type) && is(up2, "dataset")) {
        void* type = value_of(*t.types, text);
        int32_t* count = nullptr;
        void** slot = nullptr;
        if (type == nullptr || x->dataset == nullptr) ++x->unresolved;
        else dataset_columns(x, &count, &slot), *slot = type;
    } else if (is(up, "datasets") && is(up2, "source")) {
        void* set = value_of(*t.datasets, text);
        if (set == nullptr) ++x->unresolved;
        else if (x->family->counterparty) add_new(x, x->table, static_cast<RSKCPTYDS*>(set)->name, set);
        else add_new(x, x->table, static_cast<RSKMITDS*>(set)->name, set);
    } else if (is(up, "inputsource") || is(up, "source")) {
        rsk_text_free(pool_of(x), x->item_name);
        x->item_name = rsk_text_copy(pool_of(x), text);
    } else if (is(up, "variable")) {
        x->variable = f.counterparty ? new_cpty_var(pool_of(x), text, nullptr, 0, 0, 0, nullptr)
                                     : new_mit_var(pool_of(x), text, nullptr, 0, 0, 0, nullptr);
    }
}

void end_variable(RSKXMLREADING* x, const Tables& t) {
    RSKCPTYVAR* v = x->variable;
    x->variable = nullptr;
    if (v == nullptr) return;
    RSKNAMEREC name{};
    name.text = v->name;
    name.length = v->name_length;
    v->variable = rskvar(x->con, &name);
    // Only the outputs take room in a state, as when the container is declared.
    if (v->variable != nullptr && v->role == RSKCPTYROLE_OUTPUT)
        *t.statelength += static_cast<int32_t>(v->variable->storage_size);
    replace(x, x->table, v->name, v);
}

void end_element(void* user, const char*) {
    auto* x = static_cast<RSKXMLREADING*>(user);
    const RSKXMLFAMILY& f = *x->family;
    const std::string element = x->depth - 1 < RSKXMLREADING::kDepth && x->depth > 0 ? x->stack[x->depth - 1] : "";
    if (has_container(x) && !is(element, f.root)) {
        const Tables t = tables_of(x);
        const std::string& up = parent(x, 1);
        if (is(element, f.variables) || is(element, f.types) || is(element, f.system_variables)) {
            x->table = nullptr;
        } else if (is(element, "datasets")) {
            if (!is(up, "source")) x->table = nullptr;
        } else if (is(element, f.type) && !is(up, "dataset")) {
            if (x->type != nullptr)
                replace(x, x->table, f.counterparty ? static_cast<RSKCPTYTYPE*>(x->type)->name
                                                    : static_cast<RSKMITTYPE*>(x->type)->name, x->type);
            x->type = nullptr;
        } else if (is(element, "dataset")) {
            if (x->dataset != nullptr)
                replace(x, x->table, f.counterparty ? static_cast<RSKCPTYDS*>(x->dataset)->name
                                                    : static_cast<RSKMITDS*>(x->dataset)->name, x->dataset);
            x->dataset = nullptr;
        } else if (is(element, "inputsource")) {
            if (x->input_source != nullptr) replace(x, *t.input_sources, x->input_source->name, x->input_source);
            x->input_source = nullptr;
            x->item_name = nullptr;
        } else if (is(element, "label") && is(up, "variable")) {
            if (x->variable != nullptr && !x->text.empty()) {
                rsk_text_free(pool_of(x), x->variable->label);
                x->variable->label = rsk_text_copy(pool_of(x), x->text.c_str());
            }
        } else if (is(element, f.variable_count) && is(up, f.variables)) {
            *t.variable_count = static_cast<int32_t>(number_of(x->text));
            x->table = table(x, t.variables, *t.variable_count > 0 ? *t.variable_count : 1);
        } else if (is(up, "variable") && x->variable != nullptr &&
                   (is(element, "type") || is(element, "role") || is(element, "offset"))) {
            int32_t& field = is(element, "type") ? x->variable->type
                             : is(element, "role") ? x->variable->role : x->variable->offset;
            field = static_cast<int32_t>(number_of(x->text));
        } else if (is(element, "statelength")) {
            if (f.counterparty) *t.statelength = static_cast<int32_t>(number_of(x->text));
        } else if (is(element, "variable")) {
            end_variable(x, t);
        } else if (is(element, "source")) {
            if (x->item_name != nullptr && *t.sources != nullptr) {
                RSKCPTYSOURCE* s = new_cpty_source(pool_of(x), x->item_name, 1);
                if (s != nullptr) {
                    del_hash_table(pool_of(x), s->datasets);
                    s->datasets = x->table;
                    replace(x, *t.sources, s->name, s);
                }
            }
            rsk_text_free(pool_of(x), x->item_name);
            x->item_name = nullptr;
            x->table = nullptr;
        } else if (is(element, "sourcename")) {
            auto* s = static_cast<RSKCPTYSOURCE*>(value_of(*t.sources, x->text.c_str()));
            if (s == nullptr || x->item_name == nullptr) {
                ++x->unresolved;
            } else {
                auto* in = static_cast<RSKCPTYINSRC*>(vmalcp_handler(pool_of(x), sizeof(RSKCPTYINSRC), QOR_ALLOC_ZERO));
                if (in != nullptr) {
                    in->name = x->item_name;
                    in->source = rsk_text_copy(pool_of(x), s->name);
                    in->datasets = s->datasets;
                    x->input_source = in;
                }
            }
        } else if (is(element, "name")) {
            end_name(x, t);
        }
    }
    x->text.clear();
    if (x->depth > 0) --x->depth;
}

void character_data(void* user, const char* text, int length) {
    auto* x = static_cast<RSKXMLREADING*>(user);
    // The parser may deliver one text in pieces: they make the element's text together.
    x->text.append(text, static_cast<size_t>(length));
}

RSKXMLCTX* make_context(RSKCON* con, const RSKXMLFAMILY& family) {
    if (con == nullptr) return nullptr;
    auto* x = new (std::nothrow) RSKXMLCTX{};
    auto* reading = new (std::nothrow) RSKXMLREADING{};
    if (x == nullptr || reading == nullptr) {
        delete x;
        delete reading;
        xpmlog(167, 6015);
        return nullptr;
    }
    x->con = reading->con = con;
    x->family = reading->family = &family;
    x->reading = reading;
    static const qor_xml_callbacks kCallbacks = {start_element, end_element, character_data};
    x->parser = qor_xml_create(&kCallbacks, reading);
    if (x->parser == nullptr) {
        xpmlog(167, 6017);
        delete reading;
        delete x;
        return nullptr;
    }
    return x;
}

void free_context(RSKXMLCTX* x) {
    if (x == nullptr) return;
    qor_xml_free(x->parser);
    delete x->reading;
    delete x;
}

int parse(RSKXMLCTX* x, const char* text, int64_t length) {
    if (x == nullptr || length < 0) return 1;
    return qor_xml_parse(x->parser, text, static_cast<size_t>(length), x->head.status, sizeof x->head.status);
}

}  // namespace

RSKXMLCTX* rskcptyxmlinit(RSKCON* con) { return make_context(con, kRskCptyXml); }
RSKXMLCTX* rskmitxmlinit(RSKCON* con) { return make_context(con, kRskMitXml); }
void rskcptyxmlfree(RSKXMLCTX* context) { free_context(context); }
void rskmitxmlfree(RSKXMLCTX* context) { free_context(context); }
int rskcptyxmlparse(RSKXMLCTX* context, const char* text, int64_t length) { return parse(context, text, length); }
int rskmitxmlparse(RSKXMLCTX* context, const char* text, int64_t length) { return parse(context, text, length); }
