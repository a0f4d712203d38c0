// Market data set definitions, transformation sets, position data set definitions, position
// sources and instrument file definitions through the entry table: defaults, checks and their
// messages, redefinition, listings, and out of memory in every allocation.
#include <functional>
#include <string>
#include <vector>

#include "common/intervals/interval_spec.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/market/transformation_sets.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/services/catalog.h"
#include "host/lists.h"
#include "tests/engine/definitions_fixture.h"
#include "tests/engine/own_slots.h"

namespace {

constexpr uint32_t kFactor = 2, kInstrument = 3, kState = 9, kNum = 1, kArray = 60;
constexpr uint32_t kIr = 321, kVarRole = 201, kStateRole = 241;

std::string text_of(const char* text, int length) { return std::string(text, static_cast<size_t>(length)); }
std::string text_of(const RSKOBJNAME& name) { return text_of(name.buffer, name.name.length); }

class MarketPositions : public DefinitionsTest {
protected:
    void declare_variables() {
        ASSERT_EQ(declare("usd1y", kFactor, kNum, kIr, 0, "USD", 1), 0) << log();
        ASSERT_EQ(declare("notional", kInstrument, kNum, kVarRole), 0) << log();
        ASSERT_EQ(declare("coupon", kInstrument, kNum, kVarRole), 0) << log();
        ASSERT_EQ(declare("regime", kState, kNum, kStateRole), 0) << log();
        // The run's table of risk factors, which market data mappings consult.
        ASSERT_EQ(engine_routine<EngineSlot::rsk0>()(con), 0) << log();
        con->variables_pending = 0;
    }

    RSKCATOBJ* define_market(const char* name, uint32_t type, const interval_spec* interval = nullptr,
                             const char* row = nullptr, const char* dataset = nullptr) {
        RSKNAMEREC key = name_of(name), row_key = name_of(row ? row : ""), ds_key = name_of(dataset ? dataset : "");
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskidsd>()(con, &object, &key, type, interval, row ? &row_key : nullptr,
                                                        dataset ? &ds_key : nullptr, nullptr),
                  0)
            << log();
        return object;
    }
    int map_market(RSKCATOBJ* object, const char* factor, const char* column) {
        RSKNAMEREC f = name_of(factor), c = name_of(column);
        return engine_routine<EngineSlot::rskidsa>()(con, object, &f, &c);
    }
    int define_position_data(RSKCATOBJ** out, const char* name, uint32_t format, const char* type,
                             const char* dataset = nullptr) {
        RSKNAMEREC key = name_of(name), type_key = name_of(type), ds_key = name_of(dataset ? dataset : "");
        return engine_routine<EngineSlot::rskdatd>()(con, out, &key, format, &type_key, dataset ? &ds_key : nullptr,
                                                     nullptr);
    }
    int map_position(RSKCATOBJ* object, const char* variable, const char* column) {
        RSKNAMEREC v = name_of(variable), c = name_of(column);
        return engine_routine<EngineSlot::rskdata>()(con, object, &v, &c);
    }
    RSKCATOBJ* define_set(const char* name) {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* object = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskprsd>()(con, &object, &key, nullptr, nullptr), 0) << log();
        return object;
    }
    int add_member(RSKCATOBJ* set, uint32_t kind, const char* name) {
        RSKNAMEREC key = name_of(name);
        return engine_routine<EngineSlot::rskprsa>()(con, set, kind, &key);
    }
    int define_file(RSKCATOBJ** out, const char* name, const char* path = "/data/positions.qut") {
        RSKNAMEREC key = name_of(name), file = name_of(path);
        return engine_routine<EngineSlot::rsktdfd>()(con, out, &key, nullptr, &file, nullptr);
    }
    static std::vector<std::string> columns_of(const RSKMAPLIST& list) {
        std::vector<std::string> out;
        for (const RSKMAPCELL* c = list.head; c != nullptr; c = c->next)
            out.push_back(text_of(c->variable) + "=" + text_of(c->column, c->column_length));
        return out;
    }
    // The list's cells are as many as its count and its tail is its last cell.
    static bool consistent(const RSKMAPLIST& list) {
        uint32_t n = 0;
        const RSKMAPCELL* last = nullptr;
        for (const RSKMAPCELL* c = list.head; c != nullptr; c = c->next, ++n) last = c;
        return n == list.count && last == list.tail;
    }
};

TEST_F(MarketPositions, MarketDataDefaultsByType) {
    interval_spec month{};
    ASSERT_EQ(zintstr("MONTH", -1, &month), 0);
    struct Case {
        const char* name;
        uint32_t type;
        const interval_spec* interval;
        char kind;          // interval kind stored
        const char* text;   // interval text stored
    } cases[] = {
        {"ts", RSKMDSTYPE_TIMESERIES, nullptr, INTERVAL_KIND_UNKNOWN, ""},
        {"cov", RSKMDSTYPE_COVARIANCE, nullptr, INTERVAL_KIND_UNKNOWN, ""},
        {"corr", RSKMDSTYPE_CORRELATION, nullptr, INTERVAL_KIND_UNKNOWN, ""},
        {"cur", RSKMDSTYPE_CURRENT, nullptr, 0, ""},
        {"pm", RSKMDSTYPE_PARAMETERS, nullptr, 0, ""},
        {"monthly", RSKMDSTYPE_TIMESERIES, &month, INTERVAL_KIND_DAYS, "MONTH"},
    };
    for (const Case& c : cases) {
        RSKCATOBJ* object = define_market(c.name, c.type, c.interval);
        ASSERT_NE(object, nullptr) << c.name;
        auto* ds = static_cast<RSKINPUTDS*>(object->object);
        EXPECT_EQ(ds->type, c.type) << c.name;
        EXPECT_EQ(ds->interval.kind, c.kind) << c.name;
        EXPECT_EQ(std::string(ds->interval.text), c.text) << c.name;
        EXPECT_EQ(rsk_is_no_interval(&ds->interval), c.kind == INTERVAL_KIND_UNKNOWN ? 1 : 0) << c.name;
        EXPECT_EQ(text_of(ds->row_column, ds->row_column_length), "_NAME_") << c.name;
        // No data set named: the object's own name, which is not there yet.
        EXPECT_EQ(text_of(ds->dataset.buffer, ds->dataset.name.length), c.name) << c.name;
        RSKNAMEREC key = name_of(c.name);
        EXPECT_EQ(engine_routine<EngineSlot::rskids>()(con, &key), object) << c.name;
    }
    EXPECT_EQ(count_of(log(), "598/2410"), 6) << log();
}

TEST_F(MarketPositions, MarketDataSetFoundAlongThePathAndRowColumn) {
    ASSERT_EQ(write_test_dataset("DEFS", "rates", {{"id", true, 8}, {"usd1y", false, 8}}, {{"a", "0.01"}}), 0);
    const size_t before = log().size();
    RSKCATOBJ* object = define_market("mkt", RSKMDSTYPE_PARAMETERS, nullptr, "identifier_column_name_of_40_chars_x",
                                      "DEFS.rates");
    auto* ds = static_cast<RSKINPUTDS*>(object->object);
    EXPECT_EQ(log().find("598/2410", before), std::string::npos) << log();
    EXPECT_EQ(text_of(ds->row_column, ds->row_column_length), "identifier_column_name_of_40_cha");
    char libref[8];
    char member[32];
    int member_length = 0;
    ASSERT_EQ(rskids_locate(con, ds, libref, member, &member_length), 0);
    EXPECT_EQ(std::string(libref, 4), "DEFS");
    EXPECT_EQ(text_of(member, member_length), "rates");
}

TEST_F(MarketPositions, MarketMappingsTakeRiskFactorsOnly) {
    declare_variables();
    RSKCATOBJ* object = define_market("mkt", RSKMDSTYPE_TIMESERIES);
    auto* ds = static_cast<RSKINPUTDS*>(object->object);
    struct Case {
        const char* factor;
        int result;
    } cases[] = {{"usd1y", 0}, {"USD1Y", 0}, {"regime", 1}, {"nosuch", 1}};
    for (const Case& c : cases) {
        const size_t before = log().size();
        EXPECT_EQ(map_market(object, c.factor, "a_column_whose_name_runs_past_32_chars"), c.result) << c.factor;
        EXPECT_EQ(log().find("598/2402", before) != std::string::npos, c.result != 0) << c.factor << log();
    }
    EXPECT_EQ(columns_of(ds->mappings),
              (std::vector<std::string>{"usd1y=a_column_whose_name_runs_past_32", "USD1Y=a_column_whose_name_runs_past_32"}));
    EXPECT_TRUE(consistent(ds->mappings));

    // Redefinition keeps the object and the record and empties the mappings.
    RSKCATOBJ* again = define_market("mkt", RSKMDSTYPE_CURRENT);
    EXPECT_EQ(again, object);
    EXPECT_EQ(again->object, ds);
    EXPECT_EQ(ds->mappings.count, 0u);
    EXPECT_EQ(ds->mappings.head, nullptr);
    EXPECT_EQ(ds->interval.kind, 0);

    ASSERT_EQ(map_market(object, "usd1y", "r1"), 0);
    const size_t at = listing().size();
    EXPECT_EQ(engine_routine<EngineSlot::rskidsp>()(con, ds), 0);
    const std::string printed = listing_since(at);
    for (const char* piece : {"Market data set mkt", "Type: Current", "Interval: (none)", "Data set: mkt",
                              "Row names: _NAME_", "1. usd1y = column r1"})
        EXPECT_NE(printed.find(piece), std::string::npos) << piece << "\n" << printed;
}

TEST_F(MarketPositions, PositionDataDefinitionChecks) {
    declare_variables();
    RSKINSTTYPE* bond = define_type("Bond");
    ASSERT_EQ(add_vars(bond, {"notional"}), 0);
    ASSERT_EQ(init(bond), 0) << log();

    // The format decides whether a type may be named.
    RSKCATOBJ* sparse = nullptr;
    ASSERT_EQ(define_position_data(&sparse, "sparse", RSKDSFORMAT_SPARSE, "Bond"), 0);
    EXPECT_NE(log().find("598/1018"), std::string::npos);
    EXPECT_EQ(static_cast<RSKTDATA*>(sparse->object)->instrument_type.name.length, 0);
    RSKCATOBJ* unknown = nullptr;
    ASSERT_EQ(define_position_data(&unknown, "unknown", RSKDSFORMAT_SIMPLE, "Swap"), 0);
    EXPECT_NE(log().find("598/1010"), std::string::npos);
    EXPECT_EQ(map_position(unknown, "notional", "n"), 1);   // the type is still not there

    RSKCATOBJ* simple = nullptr;
    ASSERT_EQ(define_position_data(&simple, "bonds", RSKDSFORMAT_SIMPLE, "Bond"), 0);
    auto* data = static_cast<RSKTDATA*>(simple->object);
    EXPECT_EQ(text_of(data->instrument_type), "Bond");
    EXPECT_EQ(text_of(data->dataset.buffer, data->dataset.name.length), "bonds");
    EXPECT_NE(log().find("598/1015"), std::string::npos);
    struct Case {
        const char* variable;
        int result;
        const char* message;
    } cases[] = {
        {"notional", 0, nullptr},  {"InstID", 0, nullptr},   {"nosuch", 1, "598/1016"},
        {"coupon", 1, "598/1011"}, {"regime", 1, "598/1017"},
    };
    for (const Case& c : cases) {
        const size_t before = log().size();
        EXPECT_EQ(map_position(simple, c.variable, "col"), c.result) << c.variable << log().substr(before);
        if (c.message != nullptr) {
            EXPECT_NE(log().find(c.message, before), std::string::npos) << c.variable;
        }
    }
    ASSERT_EQ(declare("usdcurve", kFactor, kArray, kIr, 0, "USD"), 0) << log();
    RSKCATOBJ* untyped = nullptr;
    ASSERT_EQ(define_position_data(&untyped, "untyped", RSKDSFORMAT_SIMPLE, ""), 0);
    const size_t before = log().size();
    EXPECT_EQ(map_position(untyped, "usdcurve", "c"), 1);
    EXPECT_NE(log().find("598/1019", before), std::string::npos) << log().substr(before);
    EXPECT_EQ(map_position(untyped, "coupon", "c"), 0);   // no type: any input variable

    // Removing: a mapping that is there, then one that is not.
    RSKNAMEREC notional = name_of("NOTIONAL");
    EXPECT_EQ(columns_of(data->mappings), (std::vector<std::string>{"notional=col", "InstID=col"}));
    EXPECT_EQ(engine_routine<EngineSlot::rskdatr>()(con, simple, &notional), 0);
    EXPECT_EQ(engine_routine<EngineSlot::rskdatr>()(con, simple, &notional), 1);
    EXPECT_EQ(columns_of(data->mappings), (std::vector<std::string>{"InstID=col"}));
    EXPECT_TRUE(consistent(data->mappings));

    const size_t at = listing().size();
    EXPECT_EQ(engine_routine<EngineSlot::rskdatp>()(con, data), 0);
    const std::string printed = listing_since(at);
    for (const char* piece : {"Position data set definition bonds", "Format: Simple", "Instrument type: Bond",
                              "Data set: bonds", "1. InstID = column col"})
        EXPECT_NE(printed.find(piece), std::string::npos) << piece << "\n" << printed;
}

TEST_F(MarketPositions, PositionSourceLists) {
    RSKNAMEREC name = name_of("src");
    RSKCATOBJ* object = nullptr;
    auto posd = engine_routine<EngineSlot::rskposd>();
    auto pdsd = engine_routine<EngineSlot::rskpdsd>();
    ASSERT_EQ(posd(con, &object, &name, nullptr), 0);
    for (const char* ds : {"bonds", "swaps", "loans"}) {
        RSKNAMEREC n = name_of(ds);
        ASSERT_EQ(pdsd(con, object, &n), 0);
    }
    auto* source = static_cast<RSKTSOURCE*>(object->object);
    EXPECT_EQ(source->count, 3u);
    RSKNAMEREC swaps = name_of("SWAPS"), absent = name_of("futures");
    EXPECT_EQ(engine_routine<EngineSlot::rskpdsr>()(con, object, &swaps), 0);
    EXPECT_EQ(engine_routine<EngineSlot::rskpdsr>()(con, object, &absent), 1);
    EXPECT_EQ(source->count, 2u);

    const size_t at = listing().size();
    EXPECT_EQ(engine_routine<EngineSlot::rskposp>()(con, source), 0);
    const std::string printed = listing_since(at);
    EXPECT_NE(printed.find("2 data set definitions in position source src"), std::string::npos) << printed;
    EXPECT_NE(printed.find("  1. bonds\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("  2. loans\n"), std::string::npos) << printed;

    // Defined again: only the new list.
    RSKCATOBJ* again = nullptr;
    ASSERT_EQ(posd(con, &again, &name, nullptr), 0);
    EXPECT_EQ(again, object);
    RSKNAMEREC one = name_of("cash");
    ASSERT_EQ(pdsd(con, again, &one), 0);
    EXPECT_EQ(source->count, 1u);
    EXPECT_EQ(source->head, source->tail);
}

TEST_F(MarketPositions, InstrumentFileMemberNames) {
    struct Case {
        const char* name;
        int result;
        const char* info;
    } cases[] = {
        {"pos", 0, "posInfo"},
        {"positions_of_the_trading_desk", 0, "positions_of_the_trading_desInfo"},   // 29 characters
        {"positions_of_the_trading_desk_1", 1, nullptr},   // 31: its first 28 are the one above's
        {"abcdefghijklmnopqrstuvwxyz12", 0, "abcdefghijklmnopqrstuvwxyz12Info"},   // 28: all kept
    };
    for (const Case& c : cases) {
        RSKCATOBJ* object = nullptr;
        const size_t before = log().size();
        EXPECT_EQ(define_file(&object, c.name), c.result) << c.name << log().substr(before);
        if (c.result != 0) {
            EXPECT_NE(log().find("598/1757", before), std::string::npos) << c.name;
            EXPECT_EQ(object, nullptr);
            continue;
        }
        auto* file = static_cast<RSKTFILE*>(object->object);
        EXPECT_EQ(text_of(file->info_member, file->info_member_length), c.info) << c.name;
        EXPECT_EQ(text_of(file->data_member, file->data_member_length), c.name) << c.name;
        EXPECT_EQ(file->object, object);
    }
    // A file named like another's information member would overwrite it.
    RSKCATOBJ* object = nullptr;
    EXPECT_EQ(define_file(&object, "posInfo"), 1);
    // Redefining a definition is no clash with itself.
    EXPECT_EQ(define_file(&object, "pos", "/data/other.qut"), 0) << log();
    auto* file = static_cast<RSKTFILE*>(object->object);
    EXPECT_EQ(text_of(file->file_name.buffer, file->file_name.name.length), "/data/other.qut");
}

TEST_F(MarketPositions, InstrumentFilePrinting) {
    RSKCATOBJ* object = nullptr;
    ASSERT_EQ(define_file(&object, "pos"), 0);
    auto* file = static_cast<RSKTFILE*>(object->object);
    auto print = engine_routine<EngineSlot::rsktdfp>();
    con->generic = 1;
    size_t at = listing().size();
    EXPECT_EQ(print(con, file, nullptr, RSKTDFP_DESCRIPTION, 0), 0);
    std::string printed = listing_since(at);
    EXPECT_NE(printed.find("Instrument file pos"), std::string::npos) << printed;
    EXPECT_NE(printed.find("Information member: posInfo"), std::string::npos) << printed;
    EXPECT_NE(printed.find("File: <System-specific pathname>"), std::string::npos) << printed;
    // The reader's storage is not there: every mode that reads says so and fails.
    for (int mode : {RSKTDFP_INFORMATION, RSKTDFP_INSTRUMENTS, RSKTDFP_ALL}) {
        const size_t before = log().size();
        EXPECT_EQ(print(con, file, nullptr, mode, 5), 1) << mode;
        EXPECT_NE(log().find("598/1751", before), std::string::npos) << mode;
    }
    const size_t before = log().size();
    EXPECT_EQ(print(con, file, nullptr, 7, 0), 1);
    EXPECT_NE(log().find("rsktdfp: print mode 7 is not known."), std::string::npos) << log().substr(before);
}

// A reader of instrument files standing in for the instrument file reader: `instruments` to read,
// a read that fails at `fail_at` (0 = none), and counts of what was opened, closed and freed.
struct ReaderDouble {
    static inline int instruments = 0, fail_at = 0, read = 0, open_fails = 0;
    static inline int prepared = 0, freed = 0, opened = 0, closed = 0, printed = 0;
    static void reset(int count, int fail = 0, int refuse_open = 0) {
        instruments = count;
        fail_at = fail;
        open_fails = refuse_open;
        read = prepared = freed = opened = closed = printed = 0;
    }
    static int mem0(RSKCON*) { return ++prepared, 0; }
    static int memf(RSKCON*) { return ++freed, 0; }
    static int open(RSKCON*, RSKTRANFILE*, RSKCATOBJ*, int mode) { return mode == 'I' && !open_fails ? (++opened, 0) : 1; }
    static void close(RSKCON*, RSKTRANFILE*) { ++closed; }
    static int next(RSKCON*, RSKTRANFILE*, RSKINSTTYPE**) {
        if (++read == fail_at) return 2;
        if (read > instruments) return -1;
        return 0;
    }
    static void print(RSKCON*, RSKTRANFILE*, RSKINSTTYPE*) {
        xpsout("instrument %i", read);
        ++printed;
    }
};

TEST_F(MarketPositions, InstrumentFileReadingClosesOnEveryPath) {
    RSKCATOBJ* object = nullptr;
    ASSERT_EQ(define_file(&object, "pos"), 0);
    auto* file = static_cast<RSKTFILE*>(object->object);
    OwnSlot mem0(148, reinterpret_cast<void*>(&ReaderDouble::mem0));
    OwnSlot memf(150, reinterpret_cast<void*>(&ReaderDouble::memf));
    OwnSlot open(257, reinterpret_cast<void*>(&ReaderDouble::open));
    OwnSlot close(258, reinterpret_cast<void*>(&ReaderDouble::close));
    OwnSlot next(260, reinterpret_cast<void*>(&ReaderDouble::next));
    OwnSlot print(255, reinterpret_cast<void*>(&ReaderDouble::print));
    struct Case {
        const char* what;
        int instruments, count, fail_at, refuse_open;
        int result, printed, opened;
        bool count_reached;
    } cases[] = {
        {"stops at the count", 3, 2, 0, 0, 0, 2, 1, true},
        {"stops at the end", 3, 5, 0, 0, 0, 3, 1, false},
        {"a read that fails", 3, 5, 2, 0, 1, 1, 1, false},
        {"a file that cannot be opened", 3, 5, 0, 1, 1, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ReaderDouble::reset(c.instruments, c.fail_at, c.refuse_open);
        const size_t at = listing().size(), before = log().size();
        EXPECT_EQ(engine_routine<EngineSlot::rsktdfp>()(con, file, nullptr, RSKTDFP_INSTRUMENTS, c.count), c.result);
        EXPECT_EQ(ReaderDouble::printed, c.printed);
        EXPECT_EQ(ReaderDouble::prepared, 1);
        EXPECT_EQ(ReaderDouble::freed, 1);
        EXPECT_EQ(ReaderDouble::opened, c.opened);
        EXPECT_EQ(ReaderDouble::closed, c.opened);
        const std::string printed = listing_since(at);
        EXPECT_EQ(printed.find("598/1756") != std::string::npos, c.count_reached) << printed;
        EXPECT_EQ(log().find("598/1756", before) != std::string::npos, c.count_reached);
        EXPECT_EQ(log().find("598/1751", before) != std::string::npos, c.refuse_open != 0);
        if (c.opened) {
            EXPECT_LT(printed.find("598/1752"), printed.find("instrument 1")) << printed;
            EXPECT_NE(printed.find("598/1753"), std::string::npos) << printed;
        }
    }
}

TEST_F(MarketPositions, TransformationSetMembers) {
    RSKCATOBJ* set = define_set("shifts");
    RSKCATOBJ* nested = define_set("inner");
    // Parameter matrices: two linear transformations (one named like a method) and one that is not.
    auto define_matrix = [&](const char* name, int linear) {
        RSKNAMEREC key = name_of(name), data = name_of("pmdata");
        RSKCATOBJ* object = nullptr;
        ASSERT_EQ(engine_routine<EngineSlot::rskpmxd>()(con, &object, &key, nullptr, &data, linear, nullptr), 0)
            << log();
    };
    define_matrix("Tboth", 1);
    define_matrix("lin", 1);
    define_matrix("plain", 0);
    ASSERT_NE(nested, nullptr);
    struct Case {
        uint32_t kind;
        const char* name;
        int result;
        uint32_t kind_after;
        const char* message;
    } cases[] = {
        {RSKPRS_METHOD, "Tshift", 0, RSKPRS_METHOD, nullptr},
        {RSKPRS_METHOD, "Pbond", 9, RSKPRS_METHOD, "598/1228"},
        {RSKPRS_METHOD, "Tlater", 0, RSKPRS_METHOD, nullptr},   // the double knows every T name
        {RSKPRS_METHOD, "nothing", 0, RSKPRS_METHOD, "598/1222"},
        {RSKPRS_SET, "missing", 0, RSKPRS_SET, "598/1221"},
        {RSKPRS_MATRIX, "nomatrix", 0, RSKPRS_MATRIX, "598/1280"},
        {RSKPRS_MATRIX, "lin", 0, RSKPRS_MATRIX, nullptr},
        {RSKPRS_MATRIX, "plain", 9, RSKPRS_MATRIX, "598/1281"},
        {RSKPRS_UNKNOWN, "plain", 9, RSKPRS_MATRIX, "598/1281"},
        {RSKPRS_UNKNOWN, "Pprice", 9, RSKPRS_METHOD, "598/1228"},
        {RSKPRS_UNKNOWN, "Tboth", 0, RSKPRS_METHOD, nullptr},   // a method before a matrix
        {RSKPRS_UNKNOWN, "inner", 0, RSKPRS_SET, nullptr},
        {RSKPRS_UNKNOWN, "neither", 8, RSKPRS_UNKNOWN, "598/3129"},
    };
    auto* record = static_cast<RSKPRATESET*>(set->object);
    for (const Case& c : cases) {
        const size_t before = log().size();
        EXPECT_EQ(add_member(set, c.kind, c.name), c.result) << c.name;
        EXPECT_EQ(record->tail->kind, c.kind_after) << c.name;
        if (c.message != nullptr) {
            EXPECT_NE(log().find(c.message, before), std::string::npos) << c.name;
        }
    }
    EXPECT_EQ(record->count, std::size(cases));
    EXPECT_EQ(add_member(set, RSKPRS_UNKNOWN, ""), 1);
    EXPECT_NE(log().find("rskprsa: NULL name."), std::string::npos);

    const size_t at = listing().size();
    EXPECT_EQ(engine_routine<EngineSlot::rskprsp>()(con, record), 0);
    const std::string printed = listing_since(at);
    for (const char* piece : {"Transformation set shifts", "Number of members: 13", "1. Tshift (transformation method)",
                              "12. inner (transformation set)", "13. neither (kind not known)"})
        EXPECT_NE(printed.find(piece), std::string::npos) << piece << "\n" << printed;

    // Defined again with fewer members: only those.
    ASSERT_EQ(define_set("shifts"), set);
    EXPECT_EQ(add_member(set, RSKPRS_METHOD, "Tshift"), 0);
    EXPECT_EQ(record->count, 1u);
    EXPECT_EQ(record->head, record->tail);
}

// Catalog storage restores definitions through these routines: a market data set definition and
// a position data set definition read back from their list forms, mappings included.
TEST_F(MarketPositions, RestoredFromTheCatalogListForms) {
    declare_variables();
    auto list_of = [](std::initializer_list<std::pair<const char*, const char*>> items,
                      std::initializer_list<std::pair<const char*, const char*>> mappings) {
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        for (auto [name, value] : items) slinsc(list, value, QOR_SL_APPEND, name);
        qor_list* cells = nullptr;
        slnewl(&cells, nullptr, 84);
        for (auto [variable, column] : mappings) {
            qor_list* cell = nullptr;
            slnewl(&cell, nullptr, 84);
            slinsc(cell, variable, QOR_SL_APPEND, "NAME");
            slinsc(cell, column, QOR_SL_APPEND, "VARNAME");
            slinsl(cells, slid(cell), QOR_SL_APPEND, "");
            sldel(cell, 0);
        }
        slinsl(list, slid(cells), QOR_SL_APPEND, "VARIABLES");
        sldel(cells, 0);
        return list;
    };
    RSKNAMEREC rates = name_of("RATES"), bonds = name_of("BONDS");
    RSKCATOBJ* ids_header = nullptr;
    RSKCATOBJ* data_header = nullptr;
    ASSERT_EQ(rssofid(con, &ids_header, &rates, nullptr, RSKKIND_INPUTDS), 0);
    ASSERT_EQ(rssofid(con, &data_header, &bonds, nullptr, RSKKIND_TDATA), 0);

    con->catalog_loading = 1;
    qor_list* ids = list_of({{"NAME", "RATES"}, {"TYPE", "Covariance"}, {"MEMNAME", "work.rates"}, {"ROWNAME", "id"}},
                            {{"usd1y", "c1"}});
    RSKCATOBJ* out = nullptr;
    EXPECT_EQ(catalog_routine<CatalogSlot::rssidss>()(con, slid(ids), nullptr, 0, 0, &out, ids_header), 0) << log();
    qor_list* data = list_of({{"NAME", "BONDS"}, {"FORMAT", "Simple"}, {"CLASSNAME", ""}, {"MEMNAME", "bonds_ds"}},
                             {{"notional", "NOTL"}, {"coupon", "CPN"}});
    EXPECT_EQ(catalog_routine<CatalogSlot::rssdats>()(con, slid(data), nullptr, 0, 0, &out, data_header), 0) << log();
    con->catalog_loading = 0;
    sldel(ids, 0);
    sldel(data, 0);

    auto* market = static_cast<RSKINPUTDS*>(ids_header->object);
    ASSERT_NE(market, nullptr);
    EXPECT_EQ(market->type, RSKMDSTYPE_COVARIANCE);
    EXPECT_EQ(rsk_is_no_interval(&market->interval), 1);
    EXPECT_EQ(text_of(market->row_column, market->row_column_length), "id");
    EXPECT_EQ(text_of(market->dataset.buffer, market->dataset.name.length), "work.rates");
    EXPECT_EQ(columns_of(market->mappings), (std::vector<std::string>{"usd1y=c1"}));
    auto* positions = static_cast<RSKTDATA*>(data_header->object);
    ASSERT_NE(positions, nullptr);
    EXPECT_EQ(positions->format, RSKDSFORMAT_SIMPLE);
    EXPECT_EQ(positions->instrument_type.name.length, 0);
    EXPECT_EQ(columns_of(positions->mappings), (std::vector<std::string>{"notional=NOTL", "coupon=CPN"}));
    // Restoring is quiet about data sets that are not there.
    EXPECT_EQ(log().find("598/2410"), std::string::npos) << log();
    EXPECT_EQ(log().find("598/1015"), std::string::npos) << log();
}

// Every allocation of each definition fails in turn: 1 and one 598/2797, and the object is
// either without record or whole; mapping lists keep their counts.
TEST_F(MarketPositions, OutOfMemoryInEveryAllocation) {
    declare_variables();
    struct Op {
        const char* what;
        std::function<int()> run;
    };
    const std::vector<Op> ops = {
        {"rskidsd+rskidsa",
         [&] {
             RSKNAMEREC key = name_of("mkt");
             RSKCATOBJ* object = nullptr;
             if (engine_routine<EngineSlot::rskidsd>()(con, &object, &key, 1, nullptr, nullptr, nullptr, nullptr) != 0)
                 return 1;
             for (int i = 0; i < 12; ++i)
                 if (map_market(object, "usd1y", "c") != 0) return 1;
             return consistent(static_cast<RSKINPUTDS*>(object->object)->mappings) ? 0 : 2;
         }},
        {"rskdatd+rskdata",
         [&] {
             RSKCATOBJ* object = nullptr;
             if (define_position_data(&object, "pd", RSKDSFORMAT_SIMPLE, "") != 0) return 1;
             for (int i = 0; i < 12; ++i)
                 if (map_position(object, "notional", "n") != 0) return 1;
             return consistent(static_cast<RSKTDATA*>(object->object)->mappings) ? 0 : 2;
         }},
        {"rskposd+rskpdsd",
         [&] {
             RSKNAMEREC key = name_of("src"), ds = name_of("pd");
             RSKCATOBJ* object = nullptr;
             if (engine_routine<EngineSlot::rskposd>()(con, &object, &key, nullptr) != 0) return 1;
             for (int i = 0; i < 12; ++i)
                 if (engine_routine<EngineSlot::rskpdsd>()(con, object, &ds) != 0) return 1;
             return static_cast<RSKTSOURCE*>(object->object)->count == 12 ? 0 : 2;
         }},
        {"rsktdfd",
         [&] {
             RSKCATOBJ* object = nullptr;
             return define_file(&object, "pos");
         }},
        {"rskprsd+rskprsa",
         [&] {
             RSKNAMEREC key = name_of("set");
             RSKCATOBJ* object = nullptr;
             if (engine_routine<EngineSlot::rskprsd>()(con, &object, &key, nullptr, nullptr) != 0) return 1;
             for (int i = 0; i < 25; ++i)
                 if (add_member(object, RSKPRS_METHOD, "Tshift") != 0) return 1;
             return static_cast<RSKPRATESET*>(object->object)->count == 25 ? 0 : 2;
         }},
    };
    for (const Op& op : ops) {
        int failed_runs = 0;
        for (long n = 1; n < 500; ++n) {
            restart();
            declare_variables();
            con->no_memory_reported = 0;
            const size_t before = log().size();
            qor_pool_fail_nth(n);
            const int rc = op.run();
            const long left = qor_pool_fail_nth(0);
            const std::string said = log().substr(before);
            if (left != 0) {
                EXPECT_EQ(rc, 0) << op.what << " allocation " << n << said;
                break;
            }
            ++failed_runs;
            EXPECT_EQ(rc, 1) << op.what << " allocation " << n << said;
            EXPECT_EQ(count_of(said, "598/2797"), 1) << op.what << " allocation " << n << said;
        }
        EXPECT_GT(failed_runs, 0) << op.what;
    }
}

}  // namespace
