// Helpers of the analysis and project list forms: appending items and name lists, and reading
// optional items with their defaults.
#include "catalog/analysis_form_items.h"

#include <cctype>

#include "catalog/catalog_objects.h"
#include "engine/model/names/name_records.h"
#include "host/lists.h"
#include "host/missing.h"

std::string_view rss_name_text(const RSKNAMEREC& name) {
    return name.text != nullptr ? std::string_view(name.text, name.length) : std::string_view();
}

std::string_view rss_name_text(const RSKOBJNAME& name) { return rss_name_text(name.name); }

RSKNAMEREC rss_name_record(std::string_view text) {
    const size_t length = text.size() > 0xFFFF ? 0xFFFF : text.size();
    return RSKNAMEREC{0, static_cast<uint16_t>(length), const_cast<char*>(text.data())};
}

int rss_put_text(qor_list_id list, const char* name, std::string_view text) {
    RSOCHAR value{text.size(), text.size(), text.data()};
    return rsoinsc(list, &value, name, -1);
}

int rss_put_number(qor_list_id list, const char* name, double value) { return rsoinsd(list, value, name, -1); }

int rss_put_names(RSKCON* con, qor_list_id list, const char* name, const RSKNAMECELL* head, bool only_when_any) {
    if (only_when_any && head == nullptr) return 0;
    qor_list_id names = rss_new_list(rss_list_workspace(con), name);
    if (names == 0) return 1;
    int rc = 0;
    for (const RSKNAMECELL* cell = head; rc == 0 && cell != nullptr; cell = cell->next) {
        const std::string_view text = rss_name_text(cell->name);
        RSOCHAR value{text.size(), text.size(), text.data()};
        rc = rsoinsc(names, &value, "", 0);
    }
    if (rc == 0) rc = rsoinsl(list, names, name, -1);
    rss_free_list(names);   // the list holds it now
    return rc;
}

std::string_view rss_optional_text(qor_list_id list, const char* name) {
    std::string_view text;
    if (slgnc(slistp(list), name, &text) != 0) return {};
    return text;
}

double rss_optional_number(qor_list_id list, const char* name) {
    double value = qor::missing();
    if (slgnd(slistp(list), name, &value) != 0) return qor::missing();
    return value;
}

int rss_flag_of(double value) { return !qor::is_missing(value) && value != 0 ? 1 : 0; }

bool rss_has_item(qor_list_id list, const char* name) { return slsrchn(slistp(list), name) > 0; }

bool rss_word_is(std::string_view text, std::string_view word) {
    if (text.size() < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(text[i])) != std::toupper(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}
