// List form of instrument types (kind 8): parent, value record, variables, defaults and actions;
// and the whole catalog entry of a type, loaded while an environment is indexed and saved by the
// INSTRUMENT statement and the engine.
#include <algorithm>
#include <cstring>

#include "catalog/access_rights.h"
#include "catalog/catalog_settings.h"
#include "catalog/form_items.h"
#include "catalog/forms_further.h"
#include "catalog/object_frame.h"
#include "engine/model/types/instrument_types.h"
#include "engine/model/variables/value_cells.h"
#include "host/print.h"

using namespace form_items;

namespace {

// "DEFAULTS": one sublist per default, named by the variable: the value, then "NAME".
int put_defaults(RSKCON* con, const RSKINSTTYPE* type, qor_list_id list, RSKLISTWS* workspace) {
    qor_list_id defaults = new_sublist(con, workspace, "rssclsg");
    if (defaults == 0) return 1;
    int rc = 0;
    for (const RSKTYPENAME* entry = type->defaults_head; rc == 0 && entry != nullptr; entry = entry->next) {
        qor_list_id one = new_sublist(con, workspace, "rssclsg");
        if (one == 0) {
            rc = 1;
            break;
        }
        const RSKVALUECELL* value = entry->value;
        if (value != nullptr && value->type == RSKVALUE_NUMERIC_TYPE) {
            rc = put_number(one, "DEFAULT_N", value->value.number);
        } else if (value != nullptr && (value->type == RSKVALUE_CHARACTER_TYPE || value->type == 42)) {
            rc = put_text(one, "DEFAULT_C", text_of(value->value.text.name));
        }
        if (rc == 0) rc = put_text(one, "NAME", text_of(entry->name));
        const std::string_view variable = text_of(entry->name);
        if (rc == 0) rc = rsoinsl(defaults, one, variable.data(), static_cast<int>(variable.size()));
        rss_free_list(one);
    }
    if (rc == 0) rc = rsoinsl(list, defaults, "DEFAULTS", -1);
    rss_free_list(defaults);
    return rc;
}

// One action under its short name with "DESC" and "FUNCTION"; an action the registry cannot
// name is left out.
void put_action(RSKCON* con, const RSKACTION& action, qor_list_id actions, RSKLISTWS* workspace) {
    if (!action.defined) return;
    const char* short_name = nullptr;
    const char* description = nullptr;
    auto names = engine_routine<EngineSlot::rskcnac>();
    auto texts = engine_routine<EngineSlot::rskcsac>();
    const int short_length = names ? names(con, static_cast<int>(action.code), &short_name) : 0;
    const int description_length = texts ? texts(con, static_cast<int>(action.code), &description) : 0;
    if (short_length <= 0 || description_length <= 0 || short_name == nullptr || description == nullptr) return;
    qor_list_id one = new_sublist(con, workspace, "rssclsg");
    if (one == 0) return;
    if (put_text(one, "DESC", std::string_view(description, static_cast<size_t>(description_length))) == 0 &&
        put_text(one, "FUNCTION", text_of(action.name)) == 0)
        rsoinsl(actions, one, short_name, short_length);
    rss_free_list(one);
}

// The stored list into `list`: from the environment's catalog while it is open for indexing,
// else from its entry.
int read_type_entry(RSKCON* con, RSKENV* environment, const RSKNAMEREC* member, qor_list_id list) {
    if (environment == nullptr) return 1;
    if (environment->open_catalog != nullptr)
        return rssoflr(rss_list_workspace(con), environment->open_catalog, list, member, "ZUVU1", 0);
    char entry[kRssEntryNameLimit + 1];
    const int length = rss_entry_name(environment, member, RSKKIND_INSTTYPE, entry);
    return slofile(slistp(list), std::string_view(entry, static_cast<size_t>(length)), 'R') != 0 ? 1 : 0;
}

// The type's properties into its "PROPERTIES" sublist (made when absent, cleared when present).
int put_properties(RSKCON* con, const RSKINSTTYPE* type, qor_list_id list) {
    qor_list* items = slistp(list);
    qor_list* properties = nullptr;
    if (slgnl(items, "PROPERTIES", &properties) == 0 && properties != nullptr) {
        slclear(properties);
        return rssptyg(con, &type->properties, slid(properties));
    }
    qor_list_id made = rss_new_list(rss_list_workspace(con), "SAVE_CLASS");
    if (made == 0) return 1;
    int rc = rssptyg(con, &type->properties, made);
    if (rc == 0) rc = rsoinsl(list, made, "PROPERTIES", -1);
    rss_free_list(made);
    return rc;
}

}  // namespace

int rssclsg(RSKCON* con, void* object, uint32_t list, RSKLISTWS* workspace, int, int) {
    const auto* type = static_cast<const RSKINSTTYPE*>(object);
    if (type == nullptr || list == 0) return 1;
    const char* record = type->cash_flows ? "CASHFLOWS" : (type->quadratic ? "QUADRATIC" : "NONE");
    int rc = put_text(list, "OBJTYPE", "TRANSACTION_TYPE");
    if (rc == 0) rc = put_text(list, "NAME", text_of(type->name));
    if (rc == 0) rc = put_text(list, "SUPER", text_of(type->base_name));
    if (rc == 0) rc = put_text(list, "VALRECORD", record);
    if (rc != 0) return rc;

    qor_list_id variables = new_sublist(con, workspace, "rssclsg");
    if (variables == 0) return 1;
    for (const RSKTYPENAME* entry = type->declared_head; rc == 0 && entry != nullptr; entry = entry->next) {
        qor_list_id one = new_sublist(con, workspace, "rssclsg");
        if (one == 0) {
            rc = 1;
            break;
        }
        const std::string_view variable = text_of(entry->name);
        rc = put_text(one, "NAME", variable);
        if (rc == 0) rc = rsoinsl(variables, one, variable.data(), static_cast<int>(variable.size()));
        rss_free_list(one);
    }
    if (rc == 0) rc = rsoinsl(list, variables, "VARIABLES", -1);
    rss_free_list(variables);
    if (rc == 0) rc = put_defaults(con, type, list, workspace);
    if (rc != 0) return rc;

    qor_list_id actions = new_sublist(con, workspace, "rssclsg");
    if (actions == 0) return 1;
    for (int i = 0; i < type->input_count && i < kRskInputActions; ++i)
        put_action(con, type->inputs[i], actions, workspace);
    put_action(con, type->price, actions, workspace);
    put_action(con, type->fourth, actions, workspace);
    rc = rsoinsl(list, actions, "ACTIONS", -1);
    rss_free_list(actions);
    return rc;
}

int rssclss(RSKCON* con, uint32_t list, RSKLISTWS*, int, int, RSKINSTTYPE** out, RSKENV* environment) {
    if (out != nullptr) *out = nullptr;
    RSOCHAR name{}, base{}, record{};
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetc(list, "SUPER", -1, &base) != 0 ||
        rsogetc(list, "VALRECORD", -1, &record) != 0)
        return 1;
    const std::string_view value_record = trimmed(view_of(record));
    const int cash_flows = value_record == "CASHFLOWS" ? 1 : 0;
    const int quadratic = value_record == "QUADRATIC" ? 1 : 0;
    if (environment == nullptr) environment = con->current_environment;
    RSKINSTTYPE* type = nullptr;
    if (engine_call<EngineSlot::rskclsd>(con, &type, name.text, static_cast<int>(name.length), base.text,
                                         static_cast<int>(base.length), static_cast<const char*>(nullptr), 0,
                                         cash_flows, quadratic, environment) != 0 ||
        type == nullptr)
        return 1;
    if (out != nullptr) *out = type;

    int rc = 0;
    qor_list_id variables = 0;
    if (rsogetl(list, "VARIABLES", -1, &variables) != 0) return 1;
    const int count = slcnt(slistp(variables));
    for (int i = 1; i <= count; ++i) {
        qor_list_id one = 0;
        RSOCHAR variable{};
        if (rsoitml(variables, i, &one) != 0 || rsogetc(one, "NAME", -1, &variable) != 0) return 1;
        rc = std::max(rc, engine_call<EngineSlot::rskclsv>(con, type, variable.text, static_cast<int>(variable.length)));
    }

    // No "DEFAULTS" means no defaults (the list layer still names the missing item).
    qor_list_id defaults = 0;
    if (rsogetl(list, "DEFAULTS", -1, &defaults) == 0) {
        const int n = slcnt(slistp(defaults));
        for (int i = 1; i <= n; ++i) {
            qor_list* one = nullptr;
            std::string_view variable, text;
            double number = qor::missing();
            if (slitml(slistp(defaults), i, &one) != 0 || one == nullptr || slgnc(one, "NAME", &variable) != 0) {
                rc = 1;
                continue;
            }
            int given = 0;
            if (slgnd(one, "DEFAULT_N", &number) == 0)
                given = 1;
            else if (slgnc(one, "DEFAULT_C", &text) == 0)
                given = 2;
            if (given == 0) {
                xebug("rssclss: missing DEFAULT_x item for \"%*s\".", static_cast<int>(variable.size()), variable.data());
                continue;   // skipped; the type still loads
            }
            rc = std::max(rc, engine_call<EngineSlot::rskdflt>(con, type, variable.data(), static_cast<int>(variable.size()),
                                                              number, text.data(), static_cast<int>(text.size()), given));
        }
    }

    qor_list_id actions = 0;
    if (rsogetl(list, "ACTIONS", -1, &actions) != 0) return 1;
    const int n = slcnt(slistp(actions));
    for (int i = 1; i <= n; ++i) {
        qor_list_id one = 0;
        RSOCHAR description{}, function{};
        if (rsoitml(actions, i, &one) != 0 || rsogetc(one, "DESC", -1, &description) != 0 ||
            rsogetc(one, "FUNCTION", -1, &function) != 0) {
            rc = 1;
            continue;
        }
        const std::string_view method = stripped(view_of(function));
        if (method.empty()) continue;   // a blank method performs nothing: no action
        auto codes = engine_routine<EngineSlot::rskcdad>();
        const int code = codes ? codes(con, description.text, static_cast<int>(description.length)) : 0;
        rc = std::max(rc, engine_call<EngineSlot::rskactd>(con, type, code, method.data(), static_cast<int>(method.size())));
    }
    return rc;
}

int rssclsl(RSKCON* con, const RSKNAMEREC* name, const RSKNAMEREC* member, RSKENV* environment) {
    RSKLISTWS* workspace = rss_list_workspace(con);
    qor_list_id list = rss_new_list(workspace, "LOAD_CLASS");
    if (list == 0) return 1;
    if (read_type_entry(con, environment, member, list) != 0) {
        xpmlog(598, 3090);
        rss_free_list(list);
        return 1;
    }
    const uint8_t loading = con->catalog_loading;
    con->catalog_loading = 1;
    RSKINSTTYPE* type = nullptr;
    const int rc = rssclss(con, list, workspace, 0, 0, &type, environment);
    con->catalog_loading = loading;
    if (rc != 0 || type == nullptr) {
        const RSKNAMEREC* shown = name != nullptr ? name : member;
        xpmlog(598, 3091, shown ? static_cast<int>(shown->length) : 0, shown ? shown->text : "");
        // A type that was not rebuilt whole is not kept half-defined.
        if (type != nullptr) engine_call<EngineSlot::rskclsf>(con, type);
        rss_free_list(list);
        return 1;
    }
    type->properties.state = 0;   // the stored description and time replace the defining ones
    rssptya(con, &type->properties, list);
    rsssecr(con, &type->security.security, list);
    rss_free_list(list);
    return 0;
}

int rssclsa(RSKCON* con, RSKINSTTYPE* type, int given) {
    RSKENV* environment = con->current_environment;
    if (environment == nullptr || type == nullptr) return 1;
    RSKLISTWS* workspace = rss_list_workspace(con);
    qor_list_id list = static_cast<qor_list_id>(given);
    qor_list_id made = 0;
    if (list == 0) {
        made = rss_new_list(workspace, "SAVE_CLASS");
        if (made == 0) return 1;
        list = made;
        if (rssclsg(con, type, list, workspace, 0, 0) != 0) {
            rss_free_list(made);
            return 1;
        }
    }
    int rc = 0;
    if (type->properties.description_length > 0 || type->properties.modified != 0) rc = put_properties(con, type, list);
    if (rc == 0) rc = rsssecg(con, &type->security.security, list);
    if (rc == 0) {
        const RSKNAMEREC& name = type->name.name;
        if (environment->open_catalog != nullptr) {
            RSSMEMDESC description{};
            description.length = static_cast<int16_t>(std::min<int>(name.length, sizeof description.text));
            std::memcpy(description.text, name.text, static_cast<size_t>(description.length));
            rc = rssoflw(workspace, environment->open_catalog, list, &name, "ZUVU1", &description);
        } else {
            char entry[kRssEntryNameLimit + 1];
            const int length = rss_entry_name(environment, &name, RSKKIND_INSTTYPE, entry);
            rc = slofile(slistp(list), std::string_view(entry, static_cast<size_t>(length)), 'W',
                         std::string_view(name.text, name.length)) != 0
                     ? 1
                     : 0;
        }
    }
    rss_free_list(made);
    if (rc != 0) {
        xpmlog(598, 3092);
        return 1;
    }
    con->environment_changed = 1;
    if (type->environment != environment) {
        type->environment = environment;
        type->inheritance = 3;
    }
    return 0;
}
