// The list form of one variable: writing a variable's items (rssvarg, rssvara) and defining a
// variable again from them (rssvars). Codes are stored as their registry texts, never as numbers.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string_view>

#include "catalog/variable_storage.h"
#include "catalog/catalog_objects.h"
#include "catalog/catalog_settings.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/engine_table.h"
#include "host/lists.h"
#include "host/print.h"

namespace {

std::string_view trimmed(const char* text, int length) {
    if (text == nullptr || length <= 0) return {};
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    return std::string_view(text, static_cast<size_t>(length));
}

std::string_view name_text(const RSKOBJNAME& name) {
    return name.name.text != nullptr ? std::string_view(name.name.text, name.name.length) : std::string_view();
}

// The text of a code in one registry (through the engine's table): "*unknown*" for a code the
// registry does not hold.
template <EngineSlot S>
std::string_view code_text(RSKCON* con, uint32_t code) {
    auto fn = engine_routine<S>();
    const char* text = nullptr;
    int length = fn != nullptr ? fn(con, static_cast<int>(code), &text) : 0;
    std::string_view out = trimmed(text, length);
    return out.empty() ? std::string_view("*unknown*") : out;
}

// The code of a text in one registry; the registry's "no such text" answer when it has none.
template <EngineSlot S, typename... Lead>
int text_code(RSKCON* con, std::string_view text, int absent, Lead... lead) {
    auto fn = engine_routine<S>();
    return fn != nullptr ? fn(con, lead..., text.data(), static_cast<int>(text.size())) : absent;
}

int put_text(qor_list_id list, const char* name, std::string_view text) {
    RSOCHAR value{text.size() + 1, text.size(), text.data() != nullptr ? text.data() : ""};
    return rsoinsc(list, &value, name, -1);
}

int put_number(qor_list_id list, const char* name, double value) { return rsoinsd(list, value, name, -1); }

// A sublist made, filled by `fill` and inserted under `name` (unnamed when empty); 1 on failure.
template <typename Fill>
int put_sublist(RSKLISTWS* workspace, qor_list_id list, const char* name, const char* label, Fill fill) {
    qor_list_id sub = rss_new_list(workspace, label);
    if (sub == 0) return 1;
    int rc = fill(sub);
    if (rc == 0) rc = rsoinsl(list, sub, name, -1);
    rss_free_list(sub);   // the list holds the sublist now
    return rc;
}

const char* level_text(uint32_t level) {
    if (level == 1) return "Ratio";
    if (level == 2) return "Interval";
    return "Undefined";
}

bool carries_properties(const RSKVARIABLE* v) {
    return v->properties.state != 0 || v->properties.description_length > 0;
}

// An optional text item: empty when absent or not text (no message).
std::string_view optional_text(qor_list_id list, const char* name) {
    const qor_list* l = slistp(list);
    std::string_view out;
    if (l == nullptr || slgnc(l, name, &out) != 0) return {};   // absent or not text
    return out;
}

// An optional number: the missing value when absent or not a number.
double optional_number(qor_list_id list, const char* name) {
    const qor_list* l = slistp(list);
    double out = qor::missing();
    if (l == nullptr || slgnd(l, name, &out) != 0) return qor::missing();   // absent or not a number
    return out;
}

double truncated(double value) { return std::isfinite(value) ? std::trunc(value) : 0; }
bool flag(double value) { return std::isfinite(value) && value != 0; }

int16_t short_length(std::string_view text) {
    return static_cast<int16_t>(std::min<size_t>(text.size(), INT16_MAX));
}

struct RequiredText {
    RSOCHAR value{};
    int rc = 0;
    std::string_view text() const {
        return value.text != nullptr ? std::string_view(value.text, value.length) : std::string_view();
    }
};

RequiredText required_text(qor_list_id list, const char* name) {
    RequiredText out;
    out.rc = rsogetc(list, name, -1, &out.value);
    return out;
}

}  // namespace

int rssvarg(RSKCON* con, RSKVARIABLE* v, qor_list_id list, RSKLISTWS* workspace, const char*, int) {
    if (con == nullptr || v == nullptr || list == 0) return 1;
    if (workspace == nullptr) workspace = rss_list_workspace(con);
    int rc = put_text(list, "OBJTYPE", "VARIABLE");
    if (rc == 0) rc = put_text(list, "KIND", code_text<EngineSlot::rskcsvk>(con, v->kind));
    if (rc == 0) rc = put_text(list, "NAME", name_text(v->name));
    if (rc == 0)
        rc = put_text(list, "LABEL", std::string_view(v->properties.description != nullptr ? v->properties.description : "",
                                                      static_cast<size_t>(std::max<int>(v->properties.description_length, 0))));
    if (rc == 0) rc = put_text(list, "TYPE", code_text<EngineSlot::rskcsdt>(con, v->data_type));
    if (rc == 0) rc = put_text(list, "ROLE", code_text<EngineSlot::rskcsva>(con, v->role));
    if (rc == 0 && v->group_length > 0)
        put_text(list, "GROUP", std::string_view(v->group, static_cast<size_t>(std::min<int>(v->group_length, 32))));
    if (rc == 0) rc = put_text(list, "FORMAT", name_text(v->format_text));
    if (rc == 0) rc = put_number(list, "LENGTH", static_cast<int16_t>(v->length));
    if (rc == 0) rc = put_number(list, "DIMENSION", v->element_count);
    if (rc == 0) rc = put_number(list, "DROP", v->drop ? 1 : 0);
    if (rc == 0) rc = put_number(list, "NOFX", v->nofx ? 1 : 0);
    if (rc == 0) rc = put_number(list, "NOHOLDING", v->noholding ? 1 : 0);
    if (rc == 0) rc = put_number(list, "NOSHORTPOS", v->noshortpos ? 1 : 0);
    if (rc == 0) rc = put_number(list, "VARPOST", v->varpost);
    if (rc == 0) rc = put_text(list, "CURRENCY", std::string_view(v->currency, 3));
    if (rc == 0) rc = put_text(list, "FROMCUR", std::string_view(v->from_currency, 3));
    if (rc == 0) rc = put_number(list, "MATURITY", v->maturity);
    if (rc == 0) rc = put_text(list, "MUNIT", code_text<EngineSlot::rskcstu>(con, v->maturity_unit));
    if (rc == 0) rc = put_text(list, "REFNAME1", name_text(v->reference1_name));
    if (rc == 0) rc = put_text(list, "REFNAME2", name_text(v->reference2_name));
    if (rc == 0 && (v->flags2 & RSKF2_LAG_GRID)) rc = put_text(list, "LAGGRID", name_text(v->lag_grid_name));
    if (rc == 0) rc = put_number(list, "SCALE", v->scale);
    if (rc == 0) rc = put_text(list, "MLEVEL", level_text(v->measurement_level));
    const bool factor_array = v->kind == RSKVKIND_FACTOR && v->data_type == RSKDTYPE_ARRAY;
    if (rc == 0 && factor_array) {
        rc = put_sublist(workspace, list, "ELEMENTS", "rssvarg", [&](qor_list_id sub) {
            int position = 1;
            for (const RSKNAMECELL* cell = v->element_names_head; cell != nullptr; cell = cell->next, ++position)
                if (slinsc(slistp(sub), name_text(cell->name), position, "") != 0) return 1;
            return 0;
        });
        if (rc == 0 && v->time_grid_array) rc = put_text(list, "TIMEGRID", name_text(v->time_grid_name));
    }
    if (rc == 0 && v->reference_pairs_head != nullptr) {
        rc = put_sublist(workspace, list, "REFMAPS", "rssvarg", [&](qor_list_id sub) {
            int position = 1;
            for (const RSKNAMECELL* cell = v->reference_pairs_head; cell != nullptr && cell->next != nullptr;
                 cell = cell->next->next, ++position) {
                qor_list_id pair = rss_new_list(workspace, "rssvarg");
                if (pair == 0) return 1;
                int code = put_text(pair, "MAP", name_text(cell->name));
                if (code == 0) code = put_text(pair, "KEY", name_text(cell->next->name));
                if (code == 0) code = slinsl(slistp(sub), pair, position, "") != 0 ? 1 : 0;
                rss_free_list(pair);
                if (code != 0) return 1;
            }
            return 0;
        });
    }
    if (rc == 0 && v->categories_head != nullptr) {
        rc = put_sublist(workspace, list, "CATEGORIES", "rssvarg", [&](qor_list_id sub) {
            for (const RSKNAMECELL* cell = v->categories_head; cell != nullptr; cell = cell->next)
                if (put_text(sub, "", name_text(cell->name)) != 0) return 1;
            return 0;
        });
    }
    if (rc == 0) rc = put_number(list, "ROLLUP", v->rollup);
    if (rc == 0) rc = put_number(list, "COMPTYPE", v->comptype);
    return rc != 0 ? 1 : 0;
}

int rssvara(RSKCON* con, RSKVARIABLE* v, qor_list_id list) {
    if (con == nullptr || con->current_environment == nullptr || v == nullptr) return 1;
    qor_list* l = slistp(list);
    if (l == nullptr) return 1;
    qor_list* properties = nullptr;
    if (slsrchn(l, "PROPERTIES") <= 0 || slgnl(l, "PROPERTIES", &properties) != 0 || properties == nullptr) {
        qor_list_id sub = rss_new_list(rss_list_workspace(con), "SAVE_OBJECT");
        if (sub == 0) return 1;
        const int rc = rsoinsl(list, sub, "PROPERTIES", -1);
        properties = slistp(sub);
        rss_free_list(sub);
        if (rc != 0) return 1;
    }
    slclear(properties);
    if (!carries_properties(v)) return 0;
    return rssptyg(con, &v->properties, slid(properties));
}

int rssvars(RSKCON* con, qor_list_id list, RSKLISTWS*, const char*, int, RSKVARIABLE** out, RSKENV* owner) {
    if (out != nullptr) *out = nullptr;
    if (con == nullptr || list == 0) return 1;
    RequiredText name = required_text(list, "NAME");
    RequiredText label = required_text(list, "LABEL");
    if (name.rc != 0 || label.rc != 0) return 1;
    RequiredText kind_item = required_text(list, "KIND");
    const int kind = text_code<EngineSlot::rskcddk>(con, kind_item.text(), 999);
    if (kind_item.rc != 0 || kind == 999) {
        xpmlog(598, 3140, static_cast<int>(kind_item.text().size()), kind_item.text().data(),
               static_cast<int>(name.text().size()), name.text().data());
        return 1;
    }
    RequiredText type_item = required_text(list, "TYPE");
    if (type_item.rc != 0) return 1;
    const int type = text_code<EngineSlot::rskcddd>(con, type_item.text(), 999, 1234);
    if (type == 999) {
        xpmlog(598, 3141, static_cast<int>(type_item.text().size()), type_item.text().data(),
               static_cast<int>(name.text().size()), name.text().data());
        return 1;
    }
    RequiredText role_item = required_text(list, "ROLE");
    if (role_item.rc != 0) return 1;
    const int role = text_code<EngineSlot::rskcdda>(con, role_item.text(), 999, kind);
    if (role == 999) {
        xpmlog(598, 3142, static_cast<int>(role_item.text().size()), role_item.text().data(),
               static_cast<int>(name.text().size()), name.text().data());
        return 1;
    }
    RequiredText format = required_text(list, "FORMAT");
    RequiredText currency = required_text(list, "CURRENCY");
    RequiredText from_currency = required_text(list, "FROMCUR");
    if (format.rc != 0 || currency.rc != 0 || from_currency.rc != 0) return 1;

    RSKVARDEF request{};
    request.name = name.text().data();
    request.name_length = short_length(name.text());
    request.label = label.text().data();
    request.label_length = short_length(label.text());
    request.kind = static_cast<uint32_t>(kind);
    request.data_type = static_cast<uint32_t>(type);
    request.role = static_cast<uint32_t>(role);
    std::string_view group = optional_text(list, "GROUP");
    request.group = group.data();
    request.group_length = short_length(group);
    request.length = static_cast<int32_t>(truncated(optional_number(list, "LENGTH")));
    request.format = format.text().data();
    request.format_length = short_length(format.text());
    request.currency = currency.text().data();
    request.currency_length = short_length(currency.text());
    request.from_currency = from_currency.text().data();
    request.from_currency_length = short_length(from_currency.text());
    std::string_view reference1 = optional_text(list, "REFNAME1"), reference2 = optional_text(list, "REFNAME2");
    request.reference1 = reference1.data();
    request.reference1_length = short_length(reference1);
    request.reference2 = reference2.data();
    request.reference2_length = short_length(reference2);
    request.maturity = optional_number(list, "MATURITY");
    std::string_view unit = optional_text(list, "MUNIT");
    request.maturity_unit = unit.empty() ? 4u : static_cast<uint32_t>(text_code<EngineSlot::rskcdtu>(con, unit, 0));
    request.drop = flag(optional_number(list, "DROP"));
    request.nofx = flag(optional_number(list, "NOFX"));
    request.noholding = flag(optional_number(list, "NOHOLDING"));
    request.noshortpos = flag(optional_number(list, "NOSHORTPOS"));
    request.varpost = static_cast<uint32_t>(truncated(optional_number(list, "VARPOST")));
    request.rollup = static_cast<uint32_t>(truncated(optional_number(list, "ROLLUP")));
    request.comptype = static_cast<uint32_t>(truncated(optional_number(list, "COMPTYPE")));
    request.scale = optional_number(list, "SCALE");
    std::string_view lag_grid = optional_text(list, "LAGGRID");
    request.lag_grid = lag_grid.data();
    request.lag_grid_length = short_length(lag_grid);
    std::string_view level = optional_text(list, "MLEVEL");
    auto equals_folded = [](std::string_view a, std::string_view b) {
        return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::toupper(static_cast<unsigned char>(x)) == y;
               });
    };
    request.measurement_level = equals_folded(level, "RATIO") ? 1u : equals_folded(level, "INTERVAL") ? 2u : 0u;
    request.environment = owner;

    auto define = engine_routine<EngineSlot::rskvard>();
    if (define == nullptr) return 1;
    RSKVARIABLE* v = nullptr;
    // Restored definitions skip the reserved-name test and the notes meant for the user.
    const uint8_t was_loading = con->catalog_loading;
    con->catalog_loading = 1;
    const int faults = define(con, &v, &request);
    int result = faults != 0 || v == nullptr ? 1 : 0;
    if (result == 0) {
        const qor_list* l = slistp(list);
        qor_list* maps = nullptr;
        if (slsrchn(l, "REFMAPS") > 0 && slgnl(l, "REFMAPS", &maps) == 0 && maps != nullptr) {
            auto add_pair = engine_routine<EngineSlot::rskvara>();
            for (int i = 1; add_pair != nullptr && i <= slcnt(maps); ++i) {
                qor_list* pair = nullptr;
                std::string_view map, key;
                if (slitml(maps, i, &pair) != 0 || pair == nullptr || slgnc(pair, "MAP", &map) != 0 ||
                    slgnc(pair, "KEY", &key) != 0 ||
                    add_pair(con, v, map.data(), static_cast<int>(map.size()), key.data(),
                             static_cast<int>(key.size())) != 0)
                    break;   // the first refusal ends the pairs; the variable stands
            }
        }
        auto add_category = engine_routine<EngineSlot::rskvarb>();
        std::string_view single = optional_text(list, "CATEGORY");
        if (!single.empty() && (add_category == nullptr ||
                                add_category(con, v, single.data(), static_cast<int>(single.size())) != 0))
            result = 1;
        qor_list* categories = nullptr;
        if (slsrchn(l, "CATEGORIES") > 0 && slgnl(l, "CATEGORIES", &categories) == 0 && categories != nullptr) {
            for (int i = 1; add_category != nullptr && i <= slcnt(categories); ++i) {
                std::string_view category;
                if (slitmc(categories, i, &category) != 0 ||
                    add_category(con, v, category.data(), static_cast<int>(category.size())) != 0)
                    break;
            }
        }
        if (v->kind == RSKVKIND_FACTOR && v->data_type == RSKDTYPE_ARRAY) {
            std::string_view grid = optional_text(list, "TIMEGRID");
            if (!grid.empty()) {
                // The grid gives the elements; a stored element list is not read.
                auto fill_name = engine_routine<EngineSlot::rskname>();
                if (fill_name == nullptr ||
                    fill_name(con, &v->time_grid_name, grid.data(), static_cast<int>(grid.size())) != 0)
                    result = 1;
                v->time_grid_array = 1;
            } else {
                v->time_grid_array = 0;
                qor_list_id elements = 0;
                if (rsogetl(list, "ELEMENTS", -1, &elements) != 0) {
                    result = 1;
                } else {
                    auto add_element = engine_routine<EngineSlot::rskarya>();
                    const qor_list* e = slistp(elements);
                    for (int i = 1; add_element != nullptr && i <= slcnt(e); ++i) {
                        std::string_view element;
                        if (slitmc(e, i, &element) != 0) break;
                        add_element(con, v, element.data(), static_cast<int>(element.size()));
                    }
                }
            }
        }
    }
    con->catalog_loading = was_loading;
    if (out != nullptr) *out = v;
    return result;
}
