// The PRINT statement: the general listings chosen by the statement's keywords (or all of them
// with ALL), then the objects named in the statement, kind by kind.
#include <utility>

#include "engine/model/currencies/currency_table.h"
#include "engine/model/variables/variable_record.h"
#include "engine/tables/catalog_records.h"
#include "engine/tables/engine_table.h"
#include "host/print.h"
#include "procedure/engine_calls.h"
#include "procedure/housekeeping.h"
#include "procedure/object_kinds.h"
#include "procedure/operand_reading.h"
#include "procedure/zozu_fields.h"

namespace zozu {

namespace {

// Section bits, in the order in which the sections are printed.
enum : int {
    kPrintPath = 6, kPrintEnvironment = 12, kPrintOptions = 11, kPrintDataTypes = 17, kPrintRoles = 18,
    kPrintVariables = 8, kPrintRiskFactors = 3, kPrintArrays = 19, kPrintCategories = 14,
    kPrintCurrencies = 9, kPrintAllCurrencies = 10, kPrintFxRates = 13, kPrintInstruments = 2,
    kPrintFunctions = 4, kPrintMethods = 5, kPrintDsInfo = 7, kPrintModelSpecs = 16, kPrintModels = 15,
};

// Model listings: model specifications and models.
constexpr uint32_t kListModelSpecs = 6, kListModels = 4;
// Name-list fields of instrument files to list whole or by their information member.
constexpr int kPrintPortFile = 31, kPrintPortInfo = 32;

// Listings whose routines are not part of this build name themselves and fail.
int unavailable(const char* what) {
    xebug("print_stmt: the %s listing is not yet available.", what);
    return 1;
}

// The risk factors of the last rebuild after their listing, one line each.
int print_risk_factors(RSKCON* con) {
    int result = rskvarp(con, nullptr, 2);
    if (con->runtime_tables == nullptr) return result;
    xpsout("%n    Listing of the risk factors%n");
    int number = 0;
    for (const RSKVARLINK* link = con->runtime_tables->factor_list.head; link != nullptr; link = link->next) {
        const RSKNAMEREC& name = link->variable->name.name;
        xpsout("     %3i. %*s", ++number, static_cast<int>(name.length), name.text);
    }
    return result;
}

// Every array risk factor of the last rebuild, through the engine's array listing.
int print_arrays(RSKCON* con) {
    const RSKRTLIST* arrays = con->runtime_tables != nullptr ? &con->runtime_tables->array_list : nullptr;
    if (arrays == nullptr || arrays->count == 0) {
        xpsout("%n  No Array Variables are Defined.");
        return 0;
    }
    xpsout("%n  Listing of the %i Array Definitions", static_cast<int>(arrays->count));
    for (const RSKVARLINK* link = arrays->head; link != nullptr; link = link->next) rskaryp(con, link->variable);
    return 0;   // the listing's own answer is not used
}

// Every method, or the one named, through the engine's method listing.
int print_methods(RSKCON* con, const RSKNAMEREC* name) {
    auto list = engine_routine<EngineSlot::rsktrnl>();
    return list != nullptr ? list(con, name) : 1;
}

int print_section(RSKCON* con, int bit) {
    switch (bit) {
    case kPrintPath: return rskpthp(con);
    case kPrintEnvironment: return rssenvp(con, 1);
    case kPrintOptions: return rskoptp(con, con->current_options, 3);
    case kPrintDataTypes: return rskcdpt(con);
    case kPrintRoles: return rskcdpr(con);
    case kPrintVariables: return rskvarp(con, nullptr, 0);
    case kPrintRiskFactors: return print_risk_factors(con);
    case kPrintArrays: return print_arrays(con);
    case kPrintCategories: return rskcatp(con);
    case kPrintCurrencies: return zozu::rskcurp(con, 0);
    case kPrintAllCurrencies: return zozu::rskcurp(con, 1);
    case kPrintFxRates: return rskfxp(con);
    case kPrintInstruments: return rskclbp(con, 0);
    case kPrintFunctions: return unavailable("function");
    case kPrintMethods: return print_methods(con, nullptr);
    case kPrintDsInfo: return unavailable("data source");
    case kPrintModelSpecs: return rskmodp(con, kListModelSpecs);
    case kPrintModels: return rskmodp(con, kListModels);
    default: return 0;
    }
}

// Lists the object's record, loaded from the catalog when needed, with its kind's listing.
template <typename Record>
int list_record(int (*list)(RSKCON*, Record*), RSKCON* con, RSKCATOBJ* header) {
    constexpr int kReadRight = 4;
    void* record = rssofiq(con, header, kReadRight);
    return record != nullptr && list != nullptr ? list(con, static_cast<Record*>(record)) : 1;
}

// A named object after its heading: loaded from the catalog when needed, then listed by its
// kind's routine.
int print_named_object(RSKCON* con, const ObjectKind& kind, RSKCATOBJ* header, const char* word, int word_length) {
    constexpr int kReadRight = 4;
    if (kind.kind == RSKKIND_TSOURCE) {
        auto* source = static_cast<const RSKTSOURCE*>(rssofiq(con, header, kReadRight));
        auto list = engine_routine<EngineSlot::rskposp>();
        return source != nullptr && list != nullptr ? list(con, source) : 1;
    }
    if (kind.kind == RSKKIND_TDATA) {
        auto* definition = static_cast<const RSKTDATA*>(rssofiq(con, header, kReadRight));
        auto list = engine_routine<EngineSlot::rskdatp>();
        return definition != nullptr && list != nullptr ? list(con, definition) : 1;
    }
    // The run objects and analyses, each through its kind's listing.
    switch (kind.kind) {
    case RSKKIND_PROJECT: return list_record(engine_routine<EngineSlot::rskprjp>(), con, header);
    case RSKKIND_ANALYSIS: return list_record(engine_routine<EngineSlot::rskanlp>(), con, header);
    case RSKKIND_CROSSCLASS: return list_record(engine_routine<EngineSlot::rskccsp>(), con, header);
    case RSKKIND_PRATESET: return list_record(engine_routine<EngineSlot::rskprsp>(), con, header);
    case RSKKIND_TIMEGRID: return list_record(engine_routine<EngineSlot::rsktgdp>(), con, header);
    case RSKKIND_TRANSTATS: return list_record(engine_routine<EngineSlot::rsktsgp>(), con, header);
    case RSKKIND_REPORT: return list_record(engine_routine<EngineSlot::rskrepp>(), con, header);
    case RSKKIND_WEBREPORT: return list_record(engine_routine<EngineSlot::rskwebp>(), con, header);
    case RSKKIND_PARMATRIX: return list_record(engine_routine<EngineSlot::rskpmxp>(), con, header);
    default: break;
    }
    xebug("print_stmt: the listing of a %*s is not yet available.", word_length, word);
    return 1;
}

// An instrument file definition listed through rsktdfp (670/1030 when there is none).
int print_instrument_file(RSKCON* con, const char* name, int length, int mode) {
    constexpr int kReadRight = 4;
    RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
    auto find = engine_routine<EngineSlot::rsktdf>();
    RSKCATOBJ* header = find != nullptr ? find(con, &key) : nullptr;
    auto* definition = header != nullptr ? static_cast<RSKTFILE*>(rssofiq(con, header, kReadRight)) : nullptr;
    if (definition == nullptr) {
        xpmlog(670, 1030, 15, "instrument file", length, name, 5, "PRINT");
        return 1;
    }
    auto list = engine_routine<EngineSlot::rsktdfp>();
    constexpr int kEveryInstrument = 0x7FFFFFFF;
    return list != nullptr ? list(con, definition, nullptr, mode, kEveryInstrument) : 1;
}

}  // namespace

int print_stmt(RSKCON* con, statement_node* node) {
    static const int kSections[] = {
        kPrintPath, kPrintEnvironment, kPrintOptions, kPrintDataTypes, kPrintRoles, kPrintVariables,
        kPrintRiskFactors, kPrintArrays, kPrintCategories, kPrintCurrencies, kPrintAllCurrencies,
        kPrintFxRates, kPrintInstruments, kPrintFunctions, kPrintMethods, kPrintDsInfo,
        kPrintModelSpecs, kPrintModels,
    };
    int result = 0;
    bool all = qor_option_bit(node, kPrintBitAll);
    for (int bit : kSections) {
        if (!all && !qor_option_bit(node, bit)) continue;
        int rc = print_section(con, bit);
        if (rc > result) result = rc;
    }
    for_each_named_object(node, [&](const ObjectKind& kind, const char* name, int length, const char* word,
                                    int word_length) {
        void* found = find_object(con, kind, name, length);
        if (found == nullptr) {
            xpmlog(670, 1030, word_length, word, length, name, 5, "PRINT");
            if (result < 1) result = 1;
            return;
        }
        xpmout(670, 1033, word_length, word, length, name);
        int rc = print_named_object(con, kind, static_cast<RSKCATOBJ*>(found), word, word_length);
        if (rc > result) result = rc;
    });
    // PORTFILE= lists instrument files whole (description, information member, every instrument);
    // PORTINFO= their description and information member.
    for (const auto& [field, mode] : {std::pair{kPrintPortFile, 3}, std::pair{kPrintPortInfo, 1}})
        for_each_name(node, field, [&, mode = mode](const char* name, int length) {
            if (length == 0) return;
            int rc = print_instrument_file(con, name, length, mode);
            if (rc > result) result = rc;
        });
    for_each_name(node, kObjMethod, [&](const char* name, int length) {
        if (length == 0) return;
        RSKNAMEREC key{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(name)};
        int rc = print_methods(con, &key);
        if (rc > result) result = rc;
    });
    return result;
}

}  // namespace zozu
