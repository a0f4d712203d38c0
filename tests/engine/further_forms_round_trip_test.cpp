// Stored forms of calendars, cross-classifications, instrument types, position sources,
// filters, reports, time grids, parameter matrices, statistics lists, web reports,
// transformation sets and instrument file definitions: each object is defined through the
// engine, written, read into a fresh control structure and written again; both lists must be
// equal and the object must print the same. Damaged lists are refused whole.
#include <functional>
#include <string>
#include <vector>

#include "catalog/forms_further.h"
#include "engine/model/calendars/calendars.h"
#include "engine/model/categories/categories.h"
#include "engine/model/filters/filters.h"
#include "engine/model/market/transformation_sets.h"
#include "engine/model/parameters/parameter_matrices.h"
#include "engine/model/positions/instrument_files.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/reports/reports.h"
#include "engine/model/timegrids/time_grids.h"
#include "engine/model/types/instrument_types.h"
#include "tests/engine/definitions_fixture.h"

namespace {

template <EngineSlot S>
engine_slot_t<S> engine() {
    return engine_routine<S>();
}

RSKNAMEREC text_record(const std::string& text) {
    return RSKNAMEREC{0, static_cast<uint16_t>(text.size()), const_cast<char*>(text.data())};
}

// The stored bytes of a list: two lists are equal item for item when their bytes are.
std::string bytes_of(uint32_t list) {
    std::string out;
    qor_list_encode(slistp(list), &out);
    return out;
}

// One kind: what must exist before its object (done in both control structures), how the
// object is defined, written, read, found again and printed.
struct Row {
    const char* what;
    std::function<void(RSKCON*)> prepare;
    std::function<void*(RSKCON*)> define;
    std::function<int(RSKCON*, void*, uint32_t)> write;
    std::function<int(RSKCON*, uint32_t)> read;
    std::function<void*(RSKCON*)> find;
    std::function<void(RSKCON*, void*)> print;
};

template <CatalogSlot W, CatalogSlot R>
Row kind_row(const char* what, std::function<void(RSKCON*)> prepare, std::function<void*(RSKCON*)> define,
             std::function<void*(RSKCON*)> find, std::function<void(RSKCON*, void*)> print) {
    return Row{what,
               std::move(prepare),
               std::move(define),
               [](RSKCON* con, void* object, uint32_t list) {
                   return catalog_routine<W>()(con, object, list, nullptr, 0, 0);
               },
               [](RSKCON* con, uint32_t list) {
                   RSKCATOBJ* out = nullptr;
                   return catalog_routine<R>()(con, list, nullptr, 0, 0, &out, nullptr);
               },
               std::move(find), std::move(print)};
}

// The record behind a header found by a look-up routine of the engine.
template <EngineSlot Find>
std::function<void*(RSKCON*)> record_named(const char* name) {
    return [name](RSKCON* con) -> void* {
        RSKNAMEREC key = name_of(name);
        RSKCATOBJ* header = engine<Find>()(con, &key);
        return header != nullptr ? header->object : nullptr;
    };
}

void* object_of(RSKCATOBJ* header) { return header != nullptr ? header->object : nullptr; }

void nothing(RSKCON*) {}

std::string expression_of(size_t length) {
    std::string text;
    while (text.size() < length) text += text.empty() ? "coupon > 1" : " and coupon > 1";
    text.resize(length, '1');
    return text;
}

class FurtherForms : public DefinitionsTest {
protected:
    std::vector<Row> rows() {
        std::vector<Row> all;
        all.push_back(kind_row<CatalogSlot::rsscalg, CatalogSlot::rsscals>(
            "calendar of 16 holiday data sets", nothing,
            [](RSKCON* con) -> void* {
                std::vector<std::string> names;
                for (int i = 1; i <= 16; ++i) names.push_back("DEFS.HOLIDAYS" + std::to_string(i));
                std::vector<RSKNAMEREC> records;
                for (const std::string& n : names) records.push_back(text_record(n));
                RSKCALENDAR* calendar = nullptr;
                engine<EngineSlot::rskcald>()(con, &calendar, "Target", -1, 16, records.data(), nullptr);
                return calendar;
            },
            record_named<EngineSlot::rskcal>("Target"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rskcalp>()(con, static_cast<RSKCALENDAR*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rssccsg, CatalogSlot::rssccss>(
            "cross-classification of two hierarchies",
            [this](RSKCON*) { declare("coupon", 3, 1, 201); },
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("ByDesk");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rskccsd>()(con, &header, &key, nullptr, nullptr);
                auto* cross = static_cast<RSKCROSSCLASS*>(object_of(header));
                RSKHIERARCHY* first = nullptr;
                RSKHIERARCHY* second = nullptr;
                engine<EngineSlot::rskccsa>()(con, cross, &first);
                engine<EngineSlot::rskccsa>()(con, cross, &second);
                RSKNAMEREC instid = name_of("INSTID"), coupon = name_of("coupon");
                engine<EngineSlot::rskhier>()(con, cross, first, &instid, 1);
                engine<EngineSlot::rskhier>()(con, cross, first, &coupon, 0);
                engine<EngineSlot::rskhier>()(con, cross, second, &coupon, 1);
                return cross;
            },
            record_named<EngineSlot::rskccs>("ByDesk"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rskccsp>()(con, static_cast<RSKCROSSCLASS*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rssposg, CatalogSlot::rssposs>(
            "position source of two data sets",
            [](RSKCON* con) {
                for (const char* name : {"BONDS", "SWAPS"}) {
                    RSKNAMEREC key = name_of(name), type = name_of("");
                    RSKCATOBJ* header = nullptr;
                    engine<EngineSlot::rskdatd>()(con, &header, &key, 1, &type, &key, nullptr);
                }
            },
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Book");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rskposd>()(con, &header, &key, nullptr);
                for (const char* name : {"SWAPS", "BONDS"}) {
                    RSKNAMEREC dataset = name_of(name);
                    engine<EngineSlot::rskpdsd>()(con, header, &dataset);
                }
                return object_of(header);
            },
            record_named<EngineSlot::rskpos>("Book"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rskposp>()(con, static_cast<RSKTSOURCE*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rsswhrg, CatalogSlot::rsswhrs>(
            "filter of a 450-character expression and a short one", nothing,
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Large");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rskwhrd>()(con, &header, &key, nullptr, nullptr);
                // Stored as three pieces of the long expression and one of the short: four
                // expressions once read, which store as the same four pieces again.
                const std::string text = expression_of(450) + " " + "coupon < 9";
                const int32_t ends[] = {450, static_cast<int32_t>(text.size())};
                RSKNAMEREC expression = text_record(text);
                engine<EngineSlot::rskwhru>()(con, static_cast<RSKFILTER*>(header->object), &expression, ends, 2);
                return object_of(header);
            },
            record_named<EngineSlot::rskwhr>("Large"), nullptr));
        all.push_back(kind_row<CatalogSlot::rssrepg, CatalogSlot::rssreps>(
            "report", nothing,
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Daily"), path = name_of("reports/daily.qor"), type = name_of("VaR"),
                           sample = name_of("");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rskrepd>()(con, &header, &key, nullptr, &path, &type, &sample, nullptr);
                return object_of(header);
            },
            record_named<EngineSlot::rskrep>("Daily"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rskrepp>()(con, static_cast<RSKREPORT*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rsstgdg, CatalogSlot::rsstgds>(
            "time grid of days, months and years", nothing,
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Buckets");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rsktgdd>()(con, &header, &key, nullptr, nullptr);
                auto* grid = static_cast<RSKTIMEGRID*>(object_of(header));
                engine<EngineSlot::rsktgda>()(con, grid, 7, RSKUNIT_DAY);
                engine<EngineSlot::rsktgda>()(con, grid, 6, RSKUNIT_MONTH);
                engine<EngineSlot::rsktgda>()(con, grid, 2.5, RSKUNIT_YEAR);
                engine<EngineSlot::rsktgde>()(con, grid);
                return grid;
            },
            record_named<EngineSlot::rsktgd>("Buckets"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rsktgdp>()(con, static_cast<RSKTIMEGRID*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rsspmxg, CatalogSlot::rsspmxs>(
            "parameter matrix with 32-character column names and unnamed rows", nothing,
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Loadings"), input = name_of("LOADDATA");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rskpmxd>()(con, &header, &key, nullptr, &input, 1, nullptr);
                auto* matrix = static_cast<RSKPARMATRIX*>(object_of(header));
                engine<EngineSlot::rskpidm>()(con, &matrix->columns, 2, 0);
                engine<EngineSlot::rskpida>()(con, &matrix->columns, "A_COLUMN_NAME_OF_THIRTY_TWO_CHAR", -1, 0);
                engine<EngineSlot::rskpida>()(con, &matrix->columns, "second", -1, 1);
                return matrix;
            },
            record_named<EngineSlot::rskpmx>("Loadings"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rskpmxp>()(con, static_cast<RSKPARMATRIX*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rsstsgg, CatalogSlot::rsstsgs>(
            "statistics list", [this](RSKCON*) { declare("coupon", 3, 1, 201); },
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Stats");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rsktsgd>()(con, &header, &key, nullptr, nullptr);
                auto* list = static_cast<RSKTRANSTATS*>(object_of(header));
                engine<EngineSlot::rsktsga>()(con, list, 1, "coupon", -1, "avg_coupon", -1);
                engine<EngineSlot::rsktsga>()(con, list, 2, "coupon", -1, "", 0);
                return list;
            },
            record_named<EngineSlot::rsktsg>("Stats"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rsktsgp>()(con, static_cast<RSKTRANSTATS*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rsswebg, CatalogSlot::rsswebs>(
            "web report with two addressees", nothing,
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Web"), description = name_of("Daily curve"), category = name_of("Risk"),
                           host = name_of("intranet"), addresses[] = {name_of("a@b.c"), name_of("d@e.f")};
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rskwebd>()(con, &header, &key, &description, &category, &host, nullptr,
                                              RSKWEB_PLCURVE, addresses, 2, 1, nullptr);
                return object_of(header);
            },
            record_named<EngineSlot::rskweb>("Web"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rskwebp>()(con, static_cast<RSKWEBREP*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rssprsg, CatalogSlot::rssprss>(
            "transformation set of every element type", nothing,
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Shifts");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rskprsd>()(con, &header, &key, nullptr, nullptr);
                const std::pair<uint32_t, const char*> members[] = {
                    {RSKPRS_SET, "Inner"}, {RSKPRS_METHOD, "Tshift"}, {RSKPRS_MATRIX, "Loadings"}};
                for (auto [kind, name] : members) {
                    RSKNAMEREC member = name_of(name);
                    engine<EngineSlot::rskprsa>()(con, header, kind, &member);
                }
                return object_of(header);
            },
            record_named<EngineSlot::rskprs>("Shifts"),
            [](RSKCON* con, void* o) { engine<EngineSlot::rskprsp>()(con, static_cast<RSKPRATESET*>(o)); }));
        all.push_back(kind_row<CatalogSlot::rsstdfg, CatalogSlot::rsstdfs>(
            "instrument file definition", nothing,
            [](RSKCON* con) -> void* {
                RSKNAMEREC key = name_of("Portfolio"), positions = name_of("Book"), path = name_of("/data/port");
                RSKCATOBJ* header = nullptr;
                engine<EngineSlot::rsktdfd>()(con, &header, &key, &positions, &path, nullptr);
                auto* file = static_cast<RSKTFILE*>(object_of(header));
                file->count1 = 1200;
                file->count2 = 3;
                file->field = 7;
                return file;
            },
            record_named<EngineSlot::rsktdf>("Portfolio"), nullptr));
        all.push_back(Row{
            "instrument type with defaults and actions",
            [this](RSKCON*) {
                declare("coupon", 3, 1, 201);
                declare("rating", 3, 2, 201, 8);
            },
            [](RSKCON* con) -> void* {
                RSKINSTTYPE* type = nullptr;
                engine<EngineSlot::rskclsd>()(con, &type, "Bond", -1, "", 0, "", 0, 1, 0, con->current_environment);
                engine<EngineSlot::rskclsv>()(con, type, "coupon", -1);
                engine<EngineSlot::rskclsv>()(con, type, "rating", -1);
                engine<EngineSlot::rskdflt>()(con, type, "coupon", -1, 0.05, nullptr, 0, 1);
                engine<EngineSlot::rskdflt>()(con, type, "rating", -1, 0, "AA", 2, 2);
                engine<EngineSlot::rskactd>()(con, type, RSKACT_INPUT, "Iprep", -1);
                engine<EngineSlot::rskactd>()(con, type, RSKACT_PRICE, "Pbond", -1);
                return type;
            },
            [](RSKCON* con, void* object, uint32_t list) {
                return catalog_routine<CatalogSlot::rssclsg>()(con, object, list, nullptr, 0, 0);
            },
            [](RSKCON* con, uint32_t list) {
                RSKINSTTYPE* type = nullptr;
                return catalog_routine<CatalogSlot::rssclss>()(con, list, nullptr, 0, 0, &type, nullptr);
            },
            [](RSKCON* con) -> void* { return engine<EngineSlot::rskcls>()(con, "Bond", -1); },
            [](RSKCON* con, void* o) { engine<EngineSlot::rskclsp>()(con, static_cast<RSKINSTTYPE*>(o)); }});
        return all;
    }

    uint32_t new_list() {
        qor_list* list = nullptr;
        return slnewl(&list, nullptr, 84);
    }
};

TEST_F(FurtherForms, EveryKindRoundTripsThroughAFreshControlStructure) {
    for (const Row& row : rows()) {
        SCOPED_TRACE(row.what);
        restart();
        row.prepare(con);
        void* object = row.define(con);
        ASSERT_NE(object, nullptr) << log();
        const uint32_t first = new_list();
        ASSERT_EQ(row.write(con, object, first), 0) << log();
        size_t at = listing().size();
        if (row.print) row.print(con, object);
        const std::string printed = listing().substr(at);
        if (row.print) {
            EXPECT_FALSE(printed.empty());
        }
        EXPECT_GT(slcnt(slistp(first)), 2);

        restart();
        row.prepare(con);
        ASSERT_EQ(row.read(con, first), 0) << log();
        void* loaded = row.find(con);
        ASSERT_NE(loaded, nullptr);
        const uint32_t second = new_list();
        ASSERT_EQ(row.write(con, loaded, second), 0) << log();
        EXPECT_EQ(bytes_of(first), bytes_of(second));
        at = listing().size();
        if (row.print) row.print(con, loaded);
        EXPECT_EQ(listing().substr(at), printed);
        slfree(first, 0);
        slfree(second, 0);
    }
}

// A damaged list of each kind is refused whole, with the list layer's or the reader's own
// message, and a second load is refused the same way.
TEST_F(FurtherForms, DamagedListsAreRefusedWhole) {
    struct Damage {
        const char* kind;     // the row's description starts with this
        const char* drop;     // a top-level item left out, or null
        std::function<void(qor_list*)> change;
        const char* message;
    };
    auto set_text = [](const char* item, const char* value) {
        return [=](qor_list* list) { slsnc(list, item, value); };
    };
    auto in_first = [](const char* sublist, std::function<void(qor_list*)> change) {
        return [=](qor_list* list) {
            qor_list* items = nullptr;
            slgnl(list, sublist, &items);
            qor_list* first = nullptr;
            slitml(items, 1, &first);
            change(first);
        };
    };
    const std::vector<Damage> cases = {
        {"calendar", "DSNAMES", nullptr, "598/106"},
        {"calendar", nullptr,
         [](qor_list* list) {
             qor_list* names = nullptr;
             slgnl(list, "DSNAMES", &names);
             slinsc(names, "DEFS.ONE_TOO_MANY", QOR_SL_APPEND, "");
         },
         "598/3093"},
        {"cross", "HIERARCHIES", nullptr, "598/106"},
        {"cross", nullptr,
         [](qor_list* list) {
             qor_list* hierarchies = nullptr;
             slgnl(list, "HIERARCHIES", &hierarchies);
             qor_list* first = nullptr;
             slitml(hierarchies, 1, &first);
             qor_list* variable = nullptr;
             slitml(first, 1, &variable);
             slsnc(variable, "NAME", "NOWHERE");
         },
         "598/3082"},
        {"position", "DATASETS", nullptr, "598/106"},
        {"position", nullptr,
         [](qor_list* list) {
             qor_list* datasets = nullptr;
             slgnl(list, "DATASETS", &datasets);
             slinsc(datasets, "UNDEFINED", QOR_SL_APPEND, "UNDEFINED");
         },
         "598/231"},
        {"filter", "FILTERS", nullptr, "598/104"},
        {"report", "FILENAME", nullptr, "598/104"},
        {"time grid", "GRID", nullptr, "598/106"},
        {"time grid", nullptr, in_first("GRID", [](qor_list* point) { slditm(point, slsrchn(point, "NUMBER")); }),
         "598/105"},
        {"parameter", "TRANSFORM", nullptr, "598/105"},
        {"parameter", nullptr, set_text("TRANSFORM", "yes"), "598/105"},
        {"statistics", "STATISTICS", nullptr, "598/106"},
        {"statistics", nullptr, in_first("STATISTICS", [](qor_list* one) { slsnc(one, "STATNAME", "Median of"); }),
         "598/3185"},
        {"web", "WEBHOST", nullptr, "598/104"},
        {"web", "ADDRLIST", nullptr, "598/106"},
        {"transformation", "PRS", nullptr, "598/106"},
        {"transformation", nullptr,
         [](qor_list* list) {
             qor_list* elements = nullptr;
             slgnl(list, "PRS", &elements);
             slinsc(elements, "Other", QOR_SL_APPEND, "MATRIXSET");
         },
         "Unknown pricing rate element type MATRIXSET"},
        {"instrument file", "N", nullptr, "598/105"},
        {"instrument type", "VALRECORD", nullptr, "598/104"},
        {"instrument type", "ACTIONS", nullptr, "598/106"},
        {"instrument type", nullptr, [](qor_list* list) { slsnd(list, "SUPER", 3); }, "598/104"},
    };
    const std::vector<Row> all = rows();
    for (const Damage& c : cases) {
        SCOPED_TRACE(std::string(c.kind) + (c.drop ? std::string(" without ") + c.drop : std::string(" changed")));
        const Row* row = nullptr;
        for (const Row& r : all)
            if (std::string(r.what).rfind(c.kind, 0) == 0) row = &r;
        ASSERT_NE(row, nullptr);
        restart();
        row->prepare(con);
        const uint32_t list = new_list();
        ASSERT_EQ(row->write(con, row->define(con), list), 0) << log();
        if (c.drop != nullptr) slditm(slistp(list), slsrchn(slistp(list), c.drop));
        if (c.change) c.change(slistp(list));

        restart();
        row->prepare(con);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const size_t before = log().size();
            EXPECT_EQ(row->read(con, list), 1) << "attempt " << attempt;
            const std::string said = log().substr(before);
            EXPECT_NE(said.find(c.message), std::string::npos) << said;
        }
        slfree(list, 0);
    }
}

// Lists as older builds or other writers leave them: each reads as the documented default says.
TEST_F(FurtherForms, ReadersTakeTheVariantsTheyAreGiven) {
    declare("coupon", 3, 1, 201);
    auto list_of = [](std::initializer_list<std::pair<const char*, const char*>> texts) {
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        for (auto [name, value] : texts) slinsc(list, value, QOR_SL_APPEND, name);
        return list;
    };
    auto add = [](qor_list* to, const char* name, qor_list* sublist) {
        slinsl(to, slid(sublist), QOR_SL_APPEND, name);
        sldel(sublist, 0);
    };
    RSKCATOBJ* out = nullptr;

    // The older filter form: one text, one expression.
    qor_list* filter = list_of({{"OBJTYPE", "FILTER"}, {"NAME", "Old"}, {"FILTER", "coupon > 1"}});
    ASSERT_EQ(catalog_routine<CatalogSlot::rsswhrs>()(con, slid(filter), nullptr, 0, 0, &out, nullptr), 0) << log();
    auto* old = static_cast<RSKFILTER*>(out->object);
    EXPECT_EQ(std::string(old->text), "coupon > 1");
    EXPECT_EQ(old->end_count, 1u);
    sldel(filter, 0);

    // A pricing-rate element "name  = further text" is the element of that name.
    qor_list* set = list_of({{"OBJTYPE", "PRATESET"}, {"NAME", "S2"}});
    add(set, "PRS", list_of({{"GTRANSF", "Tshift  =x"}}));
    ASSERT_EQ(catalog_routine<CatalogSlot::rssprss>()(con, slid(set), nullptr, 0, 0, &out, nullptr), 0) << log();
    auto* rates = static_cast<RSKPRATESET*>(out->object);
    ASSERT_EQ(rates->count, 1u);
    EXPECT_EQ(std::string(rates->head->name.buffer, rates->head->name.name.length), "Tshift");
    sldel(set, 0);

    // A grid point of an unknown unit is unit 0; a crossing mark of 2 does not cross.
    qor_list* grid = list_of({{"OBJTYPE", "TIMEGRID"}, {"NAME", "G2"}});
    qor_list* point = list_of({{"UNIT", "fortnights"}});
    slinsd(point, 3, QOR_SL_APPEND, "NUMBER");
    qor_list* points = list_of({});
    add(points, "", point);
    add(grid, "GRID", points);
    ASSERT_EQ(catalog_routine<CatalogSlot::rsstgds>()(con, slid(grid), nullptr, 0, 0, &out, nullptr), 0) << log();
    EXPECT_EQ(static_cast<RSKTIMEGRID*>(out->object)->head->unit, 0u);
    sldel(grid, 0);
    qor_list* cross = list_of({{"OBJTYPE", "CROSSCLASS"}, {"NAME", "C2"}});
    qor_list* variable = list_of({{"NAME", "coupon"}});
    slinsd(variable, 2, QOR_SL_APPEND, "CROSS");
    qor_list* hierarchy = list_of({});
    add(hierarchy, "", variable);
    qor_list* hierarchies = list_of({});
    add(hierarchies, "", hierarchy);
    add(cross, "HIERARCHIES", hierarchies);
    ASSERT_EQ(catalog_routine<CatalogSlot::rssccss>()(con, slid(cross), nullptr, 0, 0, &out, nullptr), 0) << log();
    EXPECT_EQ(static_cast<RSKCROSSCLASS*>(out->object)->head->head->marker, 0u);
    sldel(cross, 0);

    // A web report without KIND and BOOKMARK: kind 0, no bookmark.
    qor_list* web = list_of({{"OBJTYPE", "RISKWEBREP"}, {"NAME", "W2"}, {"TYPE", "Risk"}, {"WEBHOST", "h"}});
    add(web, "ADDRLIST", list_of({}));
    ASSERT_EQ(catalog_routine<CatalogSlot::rsswebs>()(con, slid(web), nullptr, 0, 0, &out, nullptr), 0) << log();
    EXPECT_EQ(static_cast<RSKWEBREP*>(out->object)->kind, 0);
    EXPECT_EQ(static_cast<RSKWEBREP*>(out->object)->bookmark, 0);
    sldel(web, 0);

    // A default without its value is reported and skipped; a blank method defines no action.
    qor_list* type = list_of({{"OBJTYPE", "TRANSACTION_TYPE"}, {"NAME", "T2"}, {"SUPER", ""}, {"VALRECORD", "NONE"}});
    add(type, "VARIABLES", list_of({}));
    qor_list* defaults = list_of({});
    add(defaults, "coupon", list_of({{"NAME", "coupon"}}));
    add(type, "DEFAULTS", defaults);
    qor_list* actions = list_of({});
    add(actions, "PRICE", list_of({{"DESC", "Pricing"}, {"FUNCTION", "   "}}));
    add(type, "ACTIONS", actions);
    RSKINSTTYPE* loaded = nullptr;
    const size_t at = log().size();
    ASSERT_EQ(catalog_routine<CatalogSlot::rssclss>()(con, slid(type), nullptr, 0, 0, &loaded, nullptr), 0) << log();
    EXPECT_NE(log().find("rssclss: missing DEFAULT_x item for \"coupon\".", at), std::string::npos) << log();
    EXPECT_EQ(loaded->defaults_count, 0);
    EXPECT_EQ(loaded->price.defined, 0);
    sldel(type, 0);
}

// An expression of more than 200 characters without a blank to cut it at is not stored.
TEST_F(FurtherForms, AFilterThatCannotBeCutIsNotStored) {
    RSKNAMEREC key = name_of("Uncut");
    RSKCATOBJ* header = nullptr;
    ASSERT_EQ(engine<EngineSlot::rskwhrd>()(con, &header, &key, nullptr, nullptr), 0);
    const std::string text = "coupon>" + std::string(240, '1');
    RSKNAMEREC expression = text_record(text);
    ASSERT_EQ(engine<EngineSlot::rskwhru>()(con, static_cast<RSKFILTER*>(header->object), &expression, nullptr, 0), 0);
    const uint32_t list = new_list();
    EXPECT_EQ(catalog_routine<CatalogSlot::rsswhrg>()(con, header->object, list, nullptr, 0, 0), 1);
    EXPECT_NE(log().find("598/3181"), std::string::npos) << log();
    slfree(list, 0);
}

// Out of memory at each allocation of a load, in turn: the load answers 1 after its message and
// the next allocation that succeeds loads the object whole.
TEST_F(FurtherForms, LoadsThatRunOutOfMemoryFailAndSayWhy) {
    for (const char* kind : {"filter", "web report", "time grid", "instrument type"}) {
        SCOPED_TRACE(kind);
        const std::vector<Row> all = rows();
        const Row* row = nullptr;
        for (const Row& r : all)
            if (std::string(r.what).rfind(kind, 0) == 0) row = &r;
        ASSERT_NE(row, nullptr);
        restart();
        row->prepare(con);
        const uint32_t list = new_list();
        ASSERT_EQ(row->write(con, row->define(con), list), 0) << log();
        restart();
        row->prepare(con);
        bool finished = false;
        int failed = 0;
        for (long n = 1; n < 400 && !finished; ++n) {
            con->no_memory_reported = 0;
            const size_t before = log().size();
            qor_pool_fail_nth(n);
            const int rc = row->read(con, list);
            finished = qor_pool_fail_nth(0) != 0;
            if (finished) {
                EXPECT_EQ(rc, 0) << "allocation " << n << log();
            } else {
                EXPECT_EQ(rc, 1) << "allocation " << n;
                ++failed;
                const std::string said = log().substr(before);
                EXPECT_TRUE(said.find("598/500") != std::string::npos || said.find("598/2797") != std::string::npos)
                    << "allocation " << n << said;
            }
        }
        EXPECT_TRUE(finished);
        EXPECT_GT(failed, 0) << "the load allocates nothing";
        slfree(list, 0);
    }
}

}  // namespace
