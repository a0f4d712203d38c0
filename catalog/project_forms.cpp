// The list form of projects (kind 30): the writer appends every item of the project in stored
// order; the reader defines the project again item by item through the engine's project routines.
#include <cctype>
#include <cstring>
#include <string_view>

#include "catalog/catalog_settings.h"
#include "catalog/definition_forms.h"
#include "catalog/analysis_form_items.h"
#include "engine/model/projects/projects.h"
#include "engine/tables/engine_table.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kDefaultMaxCashFlows = 10000;

// A name is used when it has a length; some items also refuse a leading blank.
bool usable(std::string_view text) { return !text.empty(); }
bool usable_unblank(std::string_view text) { return !text.empty() && text.front() != ' '; }

int set_item(RSKCON* con, RSKPROJECT* project, int item, std::string_view text) {
    RSKNAMEREC name = rss_name_record(text);
    return engine_routine<EngineSlot::rskprja>()(con, project, item, &name, 0) != 0 ? 1 : 0;
}

// Each unnamed character item of the sublist is added with the item code; a sublist item that
// is not text, or an item the engine refuses, ends the reading with 1.
int add_each(RSKCON* con, RSKPROJECT* project, qor_list_id names, int item) {
    const int count = slcnt(slistp(names));
    for (int position = 1; position <= count; ++position) {
        RSOCHAR name{};
        if (rsoitmc(names, position, &name) != 0) return 1;
        const std::string_view text(name.text != nullptr ? name.text : "", name.length);
        if (usable(text) && set_item(con, project, item, text) != 0) return 1;
    }
    return 0;
}

int add_required_names(RSKCON* con, RSKPROJECT* project, qor_list_id list, const char* name, int item) {
    qor_list_id names = 0;
    if (rsogetl(list, name, -1, &names) != 0) return 1;
    return add_each(con, project, names, item);
}

int add_optional_names(RSKCON* con, RSKPROJECT* project, qor_list_id list, const char* name, int item) {
    if (!rss_has_item(list, name)) return 0;
    return add_required_names(con, project, list, name, item);
}

int required_text(qor_list_id list, const char* name, std::string_view* text) {
    RSOCHAR value{};
    if (rsogetc(list, name, -1, &value) != 0) return 1;
    *text = std::string_view(value.text != nullptr ? value.text : "", value.length);
    return 0;
}

int required_flag(qor_list_id list, const char* name, uint8_t* flag) {
    double value = qor::missing();
    if (rsogetd(list, name, -1, &value) != 0) return 1;
    *flag = static_cast<uint8_t>(rss_flag_of(value));
    return 0;
}

std::string_view numeraire_of(const RSKPROJECT* project) {
    return project->numeraire[0] != '\0' ? std::string_view(project->numeraire, 3) : std::string_view();
}

// The project's output library reference, always 8 characters.
std::string_view library_of(const RSKPROJECT* project, char (&padded)[8]) {
    for (size_t i = 0; i < sizeof padded; ++i)
        padded[i] = project->output_library[i] != '\0' ? project->output_library[i] : ' ';
    return std::string_view(padded, sizeof padded);
}

std::string_view bucket_of(const RSKPROJECT* project) {
    const std::string_view text = rss_name_text(project->cf_bucket);
    return text.empty() || text.front() == '\0' ? std::string_view() : text;
}

// The items from the transaction file to the output path: steps 2 to 8 of the load.
int read_names(RSKCON* con, RSKPROJECT* project, qor_list_id list) {
    std::string_view text;
    if (required_text(list, "TRANSFILE", &text) != 0) return 1;
    if (usable(text)) {
        RSKNAMEREC name = rss_name_record(text);
        if (engine_routine<EngineSlot::rsktdf>()(con, &name) == nullptr) {
            const std::string_view project_name = rss_name_text(project->name);
            xpmlog(598, 3030, static_cast<int>(text.size()), text.data(), static_cast<int>(project_name.size()),
                   project_name.data());
        }
        if (set_item(con, project, RSKPRJ_INSTRUMENT_DATA, text) != 0) return 1;
    }
    if (add_required_names(con, project, list, "FILTERS", RSKPRJ_FILTER) != 0 ||
        add_required_names(con, project, list, "INPUTDATA", RSKPRJ_INPUT_DATA) != 0 ||
        add_required_names(con, project, list, "PRSLIST", RSKPRJ_PRICING_SET) != 0 ||
        add_optional_names(con, project, list, "PRMLIST", RSKPRJ_PROJECT_METHOD) != 0 ||
        add_optional_names(con, project, list, "PVMLIST", RSKPRJ_POST_VALUATION) != 0 ||
        add_optional_names(con, project, list, "PPMLIST", RSKPRJ_POST_PRICING) != 0 ||
        add_required_names(con, project, list, "ANALYSIS", RSKPRJ_ANALYSIS) != 0)
        return 1;
    if (required_text(list, "STATISTICS", &text) != 0) return 1;
    if (usable(text) && set_item(con, project, RSKPRJ_STATISTICS, text) != 0) return 1;
    if (add_required_names(con, project, list, "MODELS", RSKPRJ_MODEL) != 0 ||
        add_required_names(con, project, list, "REPORTS", RSKPRJ_REPORT) != 0)
        return 1;
    if (required_text(list, "OUT", &text) != 0) return 1;
    if (usable_unblank(text) && set_item(con, project, RSKPRJ_OUTPUT, text) != 0) return 1;
    if (required_text(list, "OUTPATH", &text) != 0) return 1;
    if (usable_unblank(text) && set_item(con, project, RSKPRJ_OUTPUT_PATH, text) != 0) return 1;
    return 0;
}

// Output library, numeraire, cross-classification and netting: steps 9 to 12.
int read_settings(RSKCON* con, RSKPROJECT* project, qor_list_id list) {
    const std::string_view project_name = rss_name_text(project->name);
    if (rss_has_item(list, "OUTLIB")) {
        std::string_view text;
        if (required_text(list, "OUTLIB", &text) != 0) return 1;
        const std::string_view blanks = "        ";
        const std::string_view library = text.empty() || text.front() == ' ' ? blanks : text.substr(0, 8);
        if (set_item(con, project, RSKPRJ_OUTPUT_LIBRARY, library) != 0) return 1;
    }
    std::string_view text;
    if (required_text(list, "NUMERAIRE", &text) != 0) return 1;
    if (usable_unblank(text)) {
        char code[4] = {};
        bool known = text.size() == 3;
        for (size_t i = 0; known && i < 3; ++i) code[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
        if (known) known = engine_routine<EngineSlot::rskcur>()(con, code) != nullptr;
        if (!known) {
            xpmlog(598, 3031, static_cast<int>(text.size()), text.data(), static_cast<int>(project_name.size()),
                   project_name.data());
            return 1;
        }
        if (set_item(con, project, RSKPRJ_NUMERAIRE, text) != 0) return 1;
    }
    if (required_text(list, "CROSSCLASS", &text) != 0) return 1;
    if (usable(text)) {
        RSKNAMEREC name = rss_name_record(text);
        if (engine_routine<EngineSlot::rskccs>()(con, &name) == nullptr)
            xpmlog(598, 3032, static_cast<int>(text.size()), text.data(), static_cast<int>(project_name.size()),
                   project_name.data());
        if (set_item(con, project, RSKPRJ_CROSS_CLASS, text) != 0) return 1;
    }
    uint8_t netting = 0;
    if (required_flag(list, "NETSET", &netting) != 0) return 1;
    if (netting != 0 && set_item(con, project, RSKPRJ_NETSET, {}) != 0) return 1;
    return required_flag(list, "NETTYPE", &project->nettype);
}

// Dates, cash-flow settings and options: steps 13 to 19.
int read_cash_flows(RSKCON* con, RSKPROJECT* project, qor_list_id list) {
    project->default_date = rss_optional_number(list, "DFLTDATE");
    project->cf_distribution = rss_optional_number(list, "CFDIST");
    if (required_flag(list, "ALTYPE", &project->altype) != 0) return 1;
    const double largest = rss_optional_number(list, "CFMAXSIZE");
    project->cf_max_size = qor::is_missing(largest) ? kDefaultMaxCashFlows : static_cast<int32_t>(largest);
    if (rss_has_item(list, "CFBUCKET")) {
        std::string_view text;
        if (required_text(list, "CFBUCKET", &text) != 0) return 1;
        if (usable_unblank(text) && set_item(con, project, RSKPRJ_CF_BUCKET, text) != 0) return 1;
    }
    if (required_flag(list, "CFBUCKETBY", &project->cf_bucket_by) != 0 ||
        required_flag(list, "CFBUCKETTYPE", &project->cf_bucket_relative) != 0)
        return 1;
    project->cf_bucket_start = rss_optional_number(list, "CFBUCKETSTART");
    qor_list_id options = 0;
    if (rsogetl(list, "OPTIONS", -1, &options) != 0) return 1;
    return rssopts(con, options, &project->options) != 0 ? 1 : 0;
}

}  // namespace

int rssprjg(RSKCON* con, void* object, qor_list_id list, RSKLISTWS*, int, int) {
    const auto* project = static_cast<const RSKPROJECT*>(object);
    if (con == nullptr || project == nullptr || list == 0) return 1;
    char library[8];
    qor_list_id options = 0;
    int rc = rss_put_text(list, "OBJTYPE", "PROJECT");
    if (rc == 0) rc = rss_put_text(list, "NAME", rss_name_text(project->name));
    if (rc == 0) rc = rss_put_text(list, "TRANSFILE", rss_name_text(project->instrument_data));
    if (rc == 0) rc = rss_put_names(con, list, "FILTERS", project->filters.head, false);
    if (rc == 0) rc = rss_put_names(con, list, "INPUTDATA", project->input_data.head, false);
    if (rc == 0) rc = rss_put_names(con, list, "PRSLIST", project->pricing_sets.head, false);
    if (rc == 0) rc = rss_put_names(con, list, "PRMLIST", project->project_methods.head, false);
    if (rc == 0) rc = rss_put_names(con, list, "PVMLIST", project->post_valuation.head, false);
    if (rc == 0) rc = rss_put_names(con, list, "PPMLIST", project->post_pricing.head, false);
    if (rc == 0) rc = rss_put_names(con, list, "ANALYSIS", project->analyses.head, false);
    if (rc == 0) rc = rss_put_text(list, "STATISTICS", rss_name_text(project->statistics));
    if (rc == 0) rc = rss_put_text(list, "OUT", rss_name_text(project->output));
    if (rc == 0) rc = rss_put_text(list, "OUTPATH", rss_name_text(project->output_path.name));
    if (rc == 0) rc = rss_put_text(list, "OUTLIB", library_of(project, library));
    if (rc == 0) {
        options = rss_new_list(rss_list_workspace(con), "OPTIONS");
        rc = options == 0 ? 1 : rssoptg(con, options, &project->options);
        if (rc == 0) rc = rsoinsl(list, options, "OPTIONS", -1);
        rss_free_list(options);
    }
    if (rc == 0) rc = rss_put_text(list, "NUMERAIRE", numeraire_of(project));
    if (rc == 0) rc = rss_put_text(list, "CROSSCLASS", rss_name_text(project->cross_class));
    if (rc == 0) rc = rss_put_number(list, "NETSET", project->netset != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_number(list, "NETTYPE", project->nettype != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_names(con, list, "MODELS", project->models.head, false);
    if (rc == 0) rc = rss_put_names(con, list, "REPORTS", project->reports.head, false);
    if (rc == 0) rc = rss_put_number(list, "DFLTDATE", project->default_date);
    if (rc == 0) rc = rss_put_number(list, "ALTYPE", project->altype != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_number(list, "CFDIST", project->cf_distribution);
    if (rc == 0) rc = rss_put_number(list, "CFMAXSIZE", project->cf_max_size);
    if (rc == 0) rc = rss_put_number(list, "CFBUCKETBY", project->cf_bucket_by != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_text(list, "CFBUCKET", bucket_of(project));
    if (rc == 0) rc = rss_put_number(list, "CFBUCKETTYPE", project->cf_bucket_relative != 0 ? 1 : 0);
    if (rc == 0) rc = rss_put_number(list, "CFBUCKETSTART", project->cf_bucket_start);
    return rc != 0 ? 1 : 0;
}

int rssprjs(RSKCON* con, qor_list_id list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    if (con == nullptr || list == 0) return 1;
    RSOCHAR name{};
    if (rsogetc(list, "NAME", -1, &name) != 0) return 1;
    RSKNAMEREC project_name = rss_name_record(std::string_view(name.text != nullptr ? name.text : "", name.length));
    RSKCATOBJ* defined = nullptr;
    if (engine_routine<EngineSlot::rskprjd>()(con, &defined, &project_name, nullptr, header) != 0 ||
        defined == nullptr || defined->object == nullptr)
        return 1;
    if (out != nullptr) *out = defined;
    auto* project = static_cast<RSKPROJECT*>(defined->object);
    if (read_names(con, project, list) != 0 || read_settings(con, project, list) != 0 ||
        read_cash_flows(con, project, list) != 0)
        return 1;
    return 0;
}
