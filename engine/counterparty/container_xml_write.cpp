// The XML documents of the counterparty and mitigation containers: each table in insertion
// order, texts written as they are (the variable label in a CDATA section), no white space.
#include <cstring>
#include <string>
#include <type_traits>

#include "common/memory/pool_memory.h"
#include "engine/counterparty/container_xml.h"

const RSKXMLFAMILY kRskCptyXml = {true, "cptycon", "cptyvars", "numcptyvars", "cptytypes", "cptytype",
                                  "cptysysvars", 1000, 4, 100, 100};
const RSKXMLFAMILY kRskMitXml = {false, "mitcon", "mitvars", "nummitvars", "mittypes", "mittype",
                                 "mitsysvars", 1000, 7, 100, 100};

std::string buildbegintag(const char* tag) { return std::string("<") + tag + ">"; }
std::string buildendtag(const char* tag) { return std::string("</") + tag + ">"; }

std::string buildelement(const char* tag, const std::string& content) {
    return buildbegintag(tag) + content + buildendtag(tag);
}

std::string buildelement_with_attributes(const char* tag, const std::string& content, const std::string& attributes) {
    return std::string("<") + tag + attributes + ">" + content + buildendtag(tag);
}

std::string buildattribute(const char* name, const char* value) {
    return std::string(name) + "=\"" + (value != nullptr ? value : "") + "\"";
}

std::string buildcdata(const char* text) { return std::string("<![CDATA[") + (text != nullptr ? text : "") + "]]>"; }

namespace {

std::string number(long value) { return std::to_string(value); }

std::string text_of(const char* text) { return text != nullptr ? text : ""; }

// The variables of a table as "name" elements.
std::string name_list(const hash_table* table) {
    std::string out;
    for (const hash_item* item = enumerate_table(table); item != nullptr; item = item->next)
        out += buildelement("name", text_of(static_cast<const RSKCPTYVAR*>(item->value)->name));
    return out;
}

std::string variables_section(const RSKXMLFAMILY& f, const hash_table* variables, int32_t count) {
    if (variables == nullptr) return "";
    std::string body = buildelement(f.variable_count, number(count));
    for (const hash_item* item = enumerate_table(variables); item != nullptr; item = item->next) {
        const auto* v = static_cast<const RSKCPTYVAR*>(item->value);
        body += buildelement("variable", buildelement("name", text_of(v->name)) +
                                             buildelement("label", buildcdata(v->label)) +
                                             buildelement("type", number(v->type)) +
                                             buildelement("role", number(v->role)) +
                                             buildelement("offset", number(v->offset)));
    }
    return buildelement(f.variables, body);
}

std::string type_attributes(const RSKXMLFAMILY& f, const char* name, const char* method, const RSKCPTYMODEL* model,
                            const void* super_name, const char* label, int32_t count) {
    std::string a = buildattribute(" name", name);
    if (method != nullptr && method[0] != 0) a += buildattribute(" method", method);
    if (model != nullptr && model->model != nullptr && model->model[0] != 0) {
        a += buildattribute(" model", model->model);
        a += buildattribute(" function", model->function);
    }
    if (super_name != nullptr) a += buildattribute(" super", static_cast<const char*>(super_name));
    if (label != nullptr && label[0] != 0) a += buildattribute(" label", label);
    a += buildattribute((std::string(" ") + f.variable_count).c_str(), number(count).c_str());
    return a;
}

template <typename Type>
std::string types_section(const RSKXMLFAMILY& f, const hash_table* types) {
    if (types == nullptr) return "";
    std::string body;
    for (const hash_item* item = enumerate_table(types); item != nullptr; item = item->next) {
        const auto* t = static_cast<const Type*>(item->value);
        const RSKCPTYMODEL* model = nullptr;
        if constexpr (std::is_same_v<Type, RSKCPTYTYPE>) model = t->model;
        const std::string attributes = type_attributes(f, t->name, t->method, model,
                                                       t->super != nullptr ? t->super->name : nullptr, t->label,
                                                       t->variable_count);
        body += buildelement_with_attributes(f.type, buildelement("variables", name_list(t->variables)), attributes);
    }
    return buildelement(f.types, body);
}

std::string system_section(const RSKXMLFAMILY& f, const hash_table* system_variables) {
    if (system_variables == nullptr) return "";
    return buildelement(f.system_variables, name_list(system_variables));
}

template <typename DataSet>
std::string datasets_section(const RSKXMLFAMILY& f, const hash_table* datasets) {
    if (datasets == nullptr) return "";
    std::string body;
    for (const hash_item* item = enumerate_table(datasets); item != nullptr; item = item->next) {
        const auto* d = static_cast<const DataSet*>(item->value);
        std::string attributes = buildattribute(" name", d->name);
        attributes += buildattribute(" libname", d->input != nullptr ? d->input->libref : "");
        attributes += buildattribute(" memname", d->input != nullptr ? d->input->member : "");
        attributes += buildattribute((std::string(" ") + f.variable_count).c_str(), number(d->variable_count).c_str());
        attributes += buildattribute(" mapping_used", number(d->mapping_used).c_str());
        std::string columns;
        for (const hash_item* c = enumerate_table(d->columns); c != nullptr; c = c->next) {
            const auto* v = static_cast<const RSKCPTYVAR*>(c->value);
            columns += buildelement_with_attributes("name", text_of(v->name), buildattribute(" alias", v->alias));
        }
        std::string content = buildelement("variables", columns);
        if (d->type != nullptr) content += buildelement(f.type, buildelement("name", text_of(d->type->name)));
        body += buildelement_with_attributes("dataset", content, attributes);
    }
    return buildelement("datasets", body);
}

std::string sources_section(const hash_table* sources) {
    if (sources == nullptr) return "";
    std::string body;
    for (const hash_item* item = enumerate_table(sources); item != nullptr; item = item->next) {
        const auto* s = static_cast<const RSKCPTYSOURCE*>(item->value);
        std::string names;
        for (const hash_item* d = enumerate_table(s->datasets); d != nullptr; d = d->next)
            names += buildelement("name", text_of(d->key));
        body += buildelement("source", buildelement("name", text_of(s->name)) + buildelement("datasets", names));
    }
    return buildelement("sources", body);
}

std::string input_sources_section(const hash_table* input_sources) {
    if (input_sources == nullptr) return "";
    std::string body;
    for (const hash_item* item = enumerate_table(input_sources); item != nullptr; item = item->next) {
        const auto* s = static_cast<const RSKCPTYINSRC*>(item->value);
        body += buildelement("inputsource",
                             buildelement("name", text_of(s->name)) + buildelement("sourcename", text_of(s->source)));
    }
    return buildelement("inputsources", body);
}

char* pool_copy(RSKCON* con, const std::string& document) {
    auto* copy = static_cast<char*>(vmalcp_handler(con->current_pool, document.size() + 1, 0));
    if (copy == nullptr) return nullptr;
    std::memcpy(copy, document.c_str(), document.size() + 1);
    return copy;
}

}  // namespace

std::string rsk_container_document(RSKCON* con, const RSKXMLFAMILY& f) {
    if (f.counterparty) {
        const RSKCPTYCON* c = con->cpty_container;
        if (c == nullptr) return "";
        return buildelement(f.root, variables_section(f, c->variables, c->variable_count) +
                                        types_section<RSKCPTYTYPE>(f, c->types) +
                                        system_section(f, c->system_variables) +
                                        datasets_section<RSKCPTYDS>(f, c->datasets) + sources_section(c->sources) +
                                        input_sources_section(c->input_sources) +
                                        buildelement("statelength", number(c->statelength)));
    }
    const RSKMITIGATIONCON* m = con->mit_container;
    if (m == nullptr) return "";
    return buildelement(f.root, variables_section(f, m->variables, m->variable_count) +
                                    types_section<RSKMITTYPE>(f, m->types) + system_section(f, m->system_variables) +
                                    datasets_section<RSKMITDS>(f, m->datasets) + sources_section(m->sources) +
                                    input_sources_section(m->input_sources));
}

char* rskcptybuildxml(RSKXMLCTX* context) {
    if (context == nullptr || context->con->cpty_container == nullptr) return nullptr;
    return pool_copy(context->con, rsk_container_document(context->con, kRskCptyXml));
}

char* rskmitbuildxml(RSKXMLCTX* context) {
    if (context == nullptr || context->con->mit_container == nullptr) return nullptr;
    return pool_copy(context->con, rsk_container_document(context->con, kRskMitXml));
}
