// Helpers of the analysis readers: the definition-failure message, the output-variable and
// category lists, the horizon list, registry texts read back into codes and the interval item.
#include <cctype>

#include "catalog/analysis_form_reading.h"
#include "catalog/definition_forms.h"
#include "common/intervals/interval_spec.h"
#include "host/missing.h"
#include "host/pool.h"
#include "host/print.h"

namespace {

constexpr int kConditional = 0, kMarginal = 1, kOutputVariables = 2;

// Adds every readable text item of an optional sublist to one of the analysis' name lists.
void add_names(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details, const char* name, int which) {
    qor_list* names = nullptr;
    if (slgnl(slistp(details), name, &names) != 0 || names == nullptr) return;
    const int count = slcnt(names);
    for (int position = 1; position <= count; ++position) {
        std::string_view text;
        if (slitmc(names, position, &text) != 0) continue;
        RSKNAMEREC record = rss_name_record(text);
        rss_define<EngineSlot::rsasimb>(con, analysis, static_cast<const RSKNAMEREC*>(&record), int32_t{which});
    }
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && rss_word_is(a, b);
}

constexpr int kLargestCode = 64;

// The code whose registry text equals the text, trailing blanks and case aside; -1 when none
// does. Registry texts are blank-padded fields, so the texts are compared the same way here.
template <EngineSlot ToText>
int code_by_text(RSKCON* con, std::string_view text) {
    text = trimmed(text);
    for (int code = 0; code <= kLargestCode; ++code) {
        const char* back = nullptr;
        const int length = engine_routine<ToText>()(con, code, &back);
        if (back != nullptr && length > 0 && same_ignoring_case(trimmed(std::string_view(back, length)), text))
            return code;
    }
    return -1;
}

// An empty text gives 0; a text the registry does not hold gives -1 after an internal error.
template <EngineSlot ToText>
int checked_code(RSKCON* con, std::string_view text, const char* what) {
    if (trimmed(text).empty()) return 0;
    const int code = code_by_text<ToText>(con, text);
    if (code < 0) xebug("rssanls: unknown %s \"%*s\".", what, static_cast<int>(text.size()), text.data());
    return code;
}

}  // namespace

int rss_definition_failed(const RSKANALYSIS* analysis) {
    const std::string_view name = rss_name_text(analysis->name);
    xpmlog(598, 3013, static_cast<int>(name.size()), name.data());
    return 1;
}

int set_outvars(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details) {
    add_names(con, analysis, details, "OUTVARS", kOutputVariables);
    return 0;
}

int set_categories(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details) {
    add_names(con, analysis, details, "CONDITIONAL", kConditional);
    add_names(con, analysis, details, "MARGINAL", kMarginal);
    return 0;
}

int rss_read_horizons(RSKCON* con, qor_list_id details, int32_t** horizons, int32_t* count) {
    *horizons = nullptr;
    *count = 0;
    qor_list* items = nullptr;
    if (slgnl(slistp(details), "HLIST", &items) != 0 || items == nullptr) return 0;
    const int total = slcnt(items);
    if (total <= 0) return 0;
    const size_t bytes = sizeof(int32_t) * static_cast<size_t>(total);
    auto* array = static_cast<int32_t*>(xmalloc_labelled(con->general_pool, bytes, QOR_ALLOC_PLAIN,
                                                         "simulation horizons list"));
    if (array == nullptr) {
        if (con->no_memory_reported == 0) xpmlog(598, 2797, static_cast<long>(bytes), "simulation horizons list");
        con->no_memory_reported = 1;
        return 1;
    }
    int read = 0;
    for (; read < total; ++read) {
        double value = qor::missing();
        if (slitmd(items, read + 1, &value) != 0) break;   // reading stops at the first unreadable item
        array[read] = qor::is_missing(value) ? 0 : static_cast<int32_t>(value);
    }
    *horizons = array;
    *count = read;
    // Stop short of the whole list only for a damaged one: the caller is told.
    return read == total ? 0 : 1;
}

void rss_free_horizons(RSKCON* con, int32_t* horizons, int32_t) {
    if (horizons == nullptr) return;
    con->general_pool->release(con->general_pool, horizons, 0, QOR_FREE_UNSIZED);
}

int rss_perturbation_code(RSKCON* con, std::string_view text) {
    return checked_code<EngineSlot::rskcspt>(con, text, "perturbation type");
}

int rss_generator_code(RSKCON* con, std::string_view text) {
    return checked_code<EngineSlot::rskcsrg>(con, text, "random number generator");
}

int rss_error_model_code(RSKCON* con, std::string_view text) {
    return checked_code<EngineSlot::rskcsem>(con, text, "error model");
}

void get_interval(std::string_view text, interval_spec* interval) {
    *interval = interval_spec{};
    if (text.empty() || (text.size() == 4 && rss_word_is(text, "NONE"))) return;
    if (zintstr(text.data(), static_cast<int>(text.size()), interval) != 0)
        xebug("rssanl: get_interval: bad interval name \"%*s\".", static_cast<int>(text.size()), text.data());
}

int rss_analysis_code(RSKCON* con, std::string_view text) {
    const int code = code_by_text<EngineSlot::rskcsat>(con, text);
    return code > 0 ? code : 0;
}
