// RUNPROJECT: runs a stored project through the run driver, with the statement's market data,
// currency, date, outputs, part options and run options; the stored project stays as it was.
#include <cctype>
#include <cstring>

#include "engine/model/options/engine_options.h"
#include "engine/model/projects/projects.h"
#include "host/kernel.h"
#include "host/missing.h"
#include "procedure/housekeeping.h"
#include "procedure/run_definitions.h"
#include "procedure/run_lists.h"
#include "procedure/run_partitions.h"
#include "procedure/run_statements.h"
#include "procedure/zozu_dispatch.h"

namespace zozu {

namespace {

enum : int {
    kNumeraireField = 12, kReportsField = 13, kMarketDataField = 16, kOutField = 19, kOutLibField = 20,
    kOutPathField = 21, kRunNameField = 30, kDateField = 35,
};
constexpr int kNoReportBit = 3;
constexpr int kRunRight = 1;
const char kStatementWord[] = "RUNPROJECT";

// The driver as the run engine declares it, called through its entry-table slot.
using RunDriver = decltype(&::rskrun);

int call_driver(RSKCON* con, RSKCATOBJ* project, double date, const char* currency, const RSKNAMEREC* output,
                const RSKNAMEREC* path, RSKOPTREC* options, RSKNAMELIST* market_data, const int32_t* reports,
                const RSKNAMEREC* run_name, RSKRUNPARMS* parms, const char* library) {
    auto driver = reinterpret_cast<RunDriver>(wivslot(kEngineTableVector, static_cast<int>(EngineSlot::rskrun)));
    if (driver == nullptr) return 1;
    return driver(con, project, date, currency, output, path, options, market_data, reports, run_name, parms, library);
}

bool field_given(const statement_node* node, int field) {
    const operand_field* f = qor_operand(node, field);
    return f != nullptr && f->given;
}

// The text of a field written as a name or a quoted text.
OperandText name_or_text(const statement_node* node, int field) {
    const operand_field* f = qor_operand(node, field);
    if (f == nullptr || !f->given || f->value == nullptr) return {"", 0};
    if (f->kind == QOR_OPERAND_TEXT) return {static_cast<const char*>(f->value), f->used};
    if (f->kind == QOR_OPERAND_NAMES) {
        const char* text = static_cast<const char*>(f->value);
        return {text, static_cast<int>(strnlen(text, static_cast<size_t>(f->used)))};
    }
    return {"", 0};
}

// The run's own option record: the project's, with the environment's own settings of the
// current record (libraries, saving, search) and then the statement's options.
void run_options(RSKCON* con, const statement_node* node, const RSKPROJECT* project, RSKOPTREC* out) {
    *out = project->options;
    if (con->current_options != nullptr) {
        const RSKOPTREC& environment = *con->current_options;
        out->keeplib = environment.keeplib;
        out->autosave = environment.autosave;
        out->autores = environment.autores;
        out->search = environment.search;
        out->envcopy = environment.envcopy;
        out->backsave = environment.backsave;
        out->precise = environment.precise;
    }
    get_options(con, node, out);
}

}  // namespace

int runproject_stmt(RSKCON* con, statement_node* node) {
    con->default_rights = static_cast<uint32_t>(get_security_access(con, node));
    const OperandText name = operand_text(node, kFieldName);
    if (name.length == 0) return 1;
    const RSKNAMEREC key = name_record(name);
    RSKCATOBJ* object = engine_call<EngineSlot::rskprj>(static_cast<RSKCATOBJ*>(nullptr), con, &key);
    auto* project = object != nullptr ? static_cast<RSKPROJECT*>(rssofiq(con, object, kRunRight)) : nullptr;
    if (project == nullptr) {
        xpmlog(670, 1098, name.length, name.text);
        return 1;
    }

    // A library reference is eight characters, blanks when the statement names none.
    char library[8];
    std::memset(library, ' ', sizeof library);
    const OperandText outlib = operand_text(node, kOutLibField);
    for (int i = 0; i < outlib.length && i < 8; ++i)
        library[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(outlib.text[i])));

    RSKNAMELIST sources{nullptr, nullptr};
    get_idslist(con, qor_operand(node, kMarketDataField), &sources.head, &sources.tail, kStatementWord);

    // A currency that is not known is passed on: the driver refuses it with its own message.
    char currency[4] = {};
    const OperandText numeraire = operand_text(node, kNumeraireField);
    if (numeraire.length > 0) {
        for (int i = 0; i < numeraire.length && i < 3; ++i)
            currency[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(numeraire.text[i])));
        if (numeraire.length != 3 ||
            engine_call<EngineSlot::rskcur>(static_cast<RSKCURRENCY*>(nullptr), con, currency) == nullptr)
            xpslog("ERROR: Invalid currency code used %*s.", numeraire.length, numeraire.text);
    }

    // Without TIME= the run is valued at the project's run date (missing when it has none).
    const double date = field_given(node, kDateField) ? operand_number(node, kDateField, qor::make_missing())
                                                      : project->default_date;

    RSKRUNPARMS parms;
    if (get_rpb_options(con, node, library, &parms) != 0) {
        free_name_list(con, &sources.head, &sources.tail);
        return 1;
    }

    RSKOPTREC options;
    const bool own_options = field_given(node, kRunOptionsField);
    if (own_options) run_options(con, node, project, &options);

    const OperandText out = name_or_text(node, kOutField), path = name_or_text(node, kOutPathField),
                      run_name = name_or_text(node, kRunNameField);
    const RSKNAMEREC out_key = name_record(out), path_key = name_record(path), run_key = name_record(run_name);
    const int32_t reports = field_given(node, kReportsField) && !qor_option_bit(node, kNoReportBit) ? 1 : 0;

    const int rc = call_driver(con, object, date, numeraire.length > 0 ? currency : nullptr,
                               out.length > 0 ? &out_key : nullptr, path.length > 0 ? &path_key : nullptr,
                               own_options ? &options : nullptr, sources.head != nullptr ? &sources : nullptr,
                               reports != 0 ? &reports : nullptr, run_name.length > 0 ? &run_key : nullptr, &parms,
                               library);
    free_rpb_options(con, &parms);
    free_name_list(con, &sources.head, &sources.tail);
    return rc;
}

}  // namespace zozu
