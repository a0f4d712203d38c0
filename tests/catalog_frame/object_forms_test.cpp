// The data set, ids and output readers over good and damaged lists, against engine definition
// routines that accept (or refuse) what they are given, counting the calls.
#include <functional>
#include <vector>

#include "catalog/object_forms.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/positions/position_definitions.h"
#include "engine/model/registries/code_registries.h"
#include "engine/tables/output_records.h"
#include "tests/catalog_frame/frame_fixture.h"

namespace {

int g_defined = 0;
int g_mapped = 0;
int g_refuse_mappings = 0;
int define_stub(RSKCON*) { return ++g_defined, 0; }
int map_stub(RSKCON*) {
    ++g_mapped;
    return g_refuse_mappings ? 1 : 0;
}

class ObjectForms : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        slots_ = const_cast<void**>(wivget(381)->slots);
        for (EngineSlot s : {EngineSlot::rskdatd, EngineSlot::rskidsd, EngineSlot::rskoutd}) replace(s, &define_stub);
        for (EngineSlot s : {EngineSlot::rskdata, EngineSlot::rskidsa}) replace(s, &map_stub);
        g_defined = g_mapped = g_refuse_mappings = 0;
    }
    void TearDown() override {
        for (auto& [slot, routine] : saved_) slots_[slot] = routine;
        FrameTest::TearDown();
    }
    void replace(EngineSlot slot, int (*routine)(RSKCON*)) {
        saved_.emplace_back(static_cast<int>(slot), slots_[static_cast<int>(slot)]);
        slots_[static_cast<int>(slot)] = reinterpret_cast<void*>(routine);
    }
    // A data set object's list; `drop` names an item left out.
    static qor_list* data_set_list(const char* format, const char* drop = "") {
        qor_list* list = new_list();
        for (auto [name, value] : std::vector<std::pair<const char*, const char*>>{
                 {"OBJTYPE", "TDATA"}, {"NAME", "BONDS"}, {"FORMAT", format}, {"CLASSNAME", "BOND"},
                 {"MEMNAME", "BONDS_DS"}})
            if (std::strcmp(name, drop) != 0) slinsc(list, value, QOR_SL_APPEND, name);
        if (std::strcmp("VARIABLES", drop) != 0) {
            qor_list* mappings = new_list();
            for (const char* column : {"COUPON", "MATURITY"}) {
                qor_list* mapping = new_list();
                slinsc(mapping, column, QOR_SL_APPEND, "NAME");
                if (std::strcmp("VARNAME", drop) != 0) slinsc(mapping, column, QOR_SL_APPEND, "VARNAME");
                slinsl(mappings, slid(mapping), QOR_SL_APPEND, "");
                sldel(mapping, 0);
            }
            slinsl(list, slid(mappings), QOR_SL_APPEND, "VARIABLES");
            sldel(mappings, 0);
        }
        return list;
    }
    void** slots_ = nullptr;
    std::vector<std::pair<int, void*>> saved_;
};

TEST_F(ObjectForms, DataSetReaderOverGoodAndDamagedLists) {
    struct Case {
        const char* what;
        const char* format;
        const char* drop;
        int refuse;
        int result;
        int defined;
        int mapped;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"whole", "Simple", "", 0, 0, 1, 2, nullptr},
        {"format written as unknown by an older build", "*unknown*", "", 0, 0, 1, 2, "598/3193"},
        {"member name missing", "Simple", "MEMNAME", 0, 1, 0, 0, "598/104"},
        {"no mappings at all", "Simple", "VARIABLES", 0, 1, 1, 0, "598/106"},
        {"a mapping without its column", "Simple", "VARNAME", 0, 1, 1, 0, "598/104"},
        {"refused mappings are reported and the reading goes on", "Simple", "", 1, 1, 1, 2, "598/3191"},
    };
    auto read = catalog_routine<CatalogSlot::rssdats>();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        g_defined = g_mapped = 0;
        g_refuse_mappings = c.refuse;
        qor_list* list = data_set_list(c.format, c.drop);
        const size_t logged = log().size();
        RSKCATOBJ header{};
        RSKCATOBJ* out = &header;
        EXPECT_EQ(read(&con_, slid(list), nullptr, 0, 0, &out, &header), c.result);
        EXPECT_EQ(g_defined, c.defined);
        EXPECT_EQ(g_mapped, c.mapped);
        if (c.message) {
            EXPECT_NE(log().substr(logged).find(c.message), std::string::npos) << log().substr(logged);
        }
        sldel(list, 0);
    }
}

TEST_F(ObjectForms, IdsAndOutputReadersTakeTheirOptionalItemsAsAbsent) {
    qor_list* ids = new_list();
    slinsc(ids, "INPUTDS", QOR_SL_APPEND, "OBJTYPE");
    slinsc(ids, "RATES", QOR_SL_APPEND, "NAME");
    slinsc(ids, "TimeSeries", QOR_SL_APPEND, "TYPE");
    slinsc(ids, "RATES_DS", QOR_SL_APPEND, "MEMNAME");
    slinsc(ids, "FORTNIGHTLY", QOR_SL_APPEND, "INTERVAL");
    qor_list* none = new_list();
    slinsl(ids, slid(none), QOR_SL_APPEND, "VARIABLES");
    RSKCATOBJ header{};
    auto read_ids = catalog_routine<CatalogSlot::rssidss>();
    EXPECT_EQ(read_ids(&con_, slid(ids), nullptr, 0, 0, nullptr, &header), 0) << log();
    EXPECT_EQ(g_defined, 1);
    EXPECT_NE(log().find("bad interval name \"FORTNIGHTLY\""), std::string::npos) << log();
    slditm(ids, slsrchn(ids, "TYPE"));
    EXPECT_EQ(read_ids(&con_, slid(ids), nullptr, 0, 0, nullptr, &header), 1);

    qor_list* output = new_list();
    slinsc(output, "OUTPUT", QOR_SL_APPEND, "OBJTYPE");
    slinsc(output, "RUN1", QOR_SL_APPEND, "NAME");
    slinsc(output, "", QOR_SL_APPEND, "DESTINPATH");
    slinsl(output, slid(none), QOR_SL_APPEND, "DATASET");
    auto read_output = catalog_routine<CatalogSlot::rssouts>();
    EXPECT_EQ(read_output(&con_, slid(output), nullptr, 0, 0, nullptr, &header), 1) << "no MDDB item";
    slinsl(output, slid(none), QOR_SL_APPEND, "MDDB");
    EXPECT_EQ(read_output(&con_, slid(output), nullptr, 0, 0, nullptr, &header), 0) << log();
    sldel(none, 0);
    sldel(ids, 0);
    sldel(output, 0);
}

}  // namespace

namespace {

// Data set format names come from the control structure's format registry; a code without a
// name is never stored, and a name without a code reads as Simple.
TEST_F(ObjectForms, FormatNamesAndTheRefusalToStoreAnUnknownFormat) {
    static const RSKCODEROW rows[] = {{1, "", 0, "Simple", 6}, {3, "", 0, "Cash_Flow", 9}};
    con_.registries[RSKREG_DSFORMATS] = RSKREGISTRY{rows, 2, 2};
    const char* text = nullptr;
    int length = 0;
    RSKNAMEREC object = name_of("BONDS");
    EXPECT_EQ(rss_format_to_store(&con_, 3, &object, &text, &length), 0);
    EXPECT_EQ(std::string(text, static_cast<size_t>(length)), "Cash_Flow");
    EXPECT_EQ(rss_format_to_store(&con_, 7, &object, &text, &length), 1);
    EXPECT_NE(log().find("598/3192"), std::string::npos) << log();
    EXPECT_EQ(rssdtgt(&con_, "cash_flow", 9), 3);
    EXPECT_EQ(rssdtgt(&con_, "Sparse", 6), 1);
}

}  // namespace

namespace {

// Of two outputs whose paths share the work directory's bytes, only the one inside it has its
// result database unregistered (which reports that registration is not there yet).
TEST_F(ObjectForms, OutputsUnderTheWorkDirectoryByWholeComponents) {
    const std::string work = directory_ + "/work";
    for (auto [member, path] : std::vector<std::pair<const char*, std::string>>{
             {"INSIDE", work + "/inside"}, {"BESIDE", work + "2/beside"}}) {
        qor_list* output = new_list();
        slinsc(output, "OUTPUT", QOR_SL_APPEND, "OBJTYPE");
        slinsc(output, member, QOR_SL_APPEND, "NAME");
        slinsc(output, path, QOR_SL_APPEND, "PATH");
        store(output, "ENV1", member, "RISK9", member);
        sldel(output, 0);
    }
    ASSERT_EQ(catalog_routine<CatalogSlot::rssoflo>()(&con_, &current_), 0) << log();
    ASSERT_EQ(tables_.tables[RSKTAB_OUTPUTS].count, 2);
    std::memcpy(con_.work_path.buffer, work.data(), work.size());
    con_.work_path.name = RSKNAMEREC{kRskPathCapacity, static_cast<uint16_t>(work.size()), con_.work_path.buffer};
    EXPECT_EQ(catalog_routine<CatalogSlot::rssoutz>()(&con_), 0);
    EXPECT_EQ(count_of(log(), "rssrmbd: not yet available."), 1) << log();
}

}  // namespace

namespace {

// Fills a mapping list with cells (column, variable) the test owns.
void map_cells(RSKMAPLIST* list, std::vector<RSKMAPCELL>& cells) {
    for (size_t i = 0; i < cells.size(); ++i) cells[i].next = i + 1 < cells.size() ? &cells[i + 1] : nullptr;
    list->head = cells.empty() ? nullptr : &cells.front();
    list->tail = cells.empty() ? nullptr : &cells.back();
    list->count = static_cast<uint32_t>(cells.size());
}

RSKMAPCELL cell(const char* column, const char* variable, char* buffer) {
    RSKMAPCELL c{};
    c.column_length = static_cast<int16_t>(std::strlen(column));
    std::memcpy(c.column, column, static_cast<size_t>(c.column_length));
    std::strcpy(buffer, variable);
    c.variable.name = RSKNAMEREC{32, static_cast<uint16_t>(std::strlen(variable)), buffer};
    return c;
}

std::vector<std::string> item_names(const qor_list* list) {
    std::vector<std::string> names;
    for (int i = 1; i <= slcnt(list); ++i) {
        std::string_view name;
        slni(list, i, &name);
        names.emplace_back(name);
    }
    return names;
}

std::string text_item(const qor_list* list, const char* name) {
    std::string_view value;
    return slgnc(list, name, &value) == 0 ? std::string(value) : "<absent>";
}

// The writers put the items in their stored order, the mappings in the object's order; what they
// write the readers take back (the engine's definition routines are stubs here, counting calls).
TEST_F(ObjectForms, WritersPutTheItemsInOrderAndTheReadersTakeThemBack) {
    static const RSKCODEROW formats[] = {{1, "", 0, "Simple", 6}, {3, "", 0, "Cash_Flow", 9}};
    con_.registries[RSKREG_DSFORMATS] = RSKREGISTRY{formats, 2, 2};
    static const RSKCODEROW types[] = {{1, "", 0, "TimeSeries", 10}, {9, "", 0, "Parameters", 10}};
    con_.registries[RSKREG_MDSTYPES] = RSKREGISTRY{types, 2, 2};
    char names[3][40];
    std::vector<RSKMAPCELL> cells = {cell("CPN", "coupon", names[0]), cell("MAT", "maturity", names[1])};

    RSKTDATA data{};
    data.name.name = name_of("BONDS");
    data.format = 3;
    data.instrument_type.name = name_of("BOND");
    data.dataset.name = name_of("work.bonds");
    map_cells(&data.mappings, cells);
    qor_list* list = new_list();
    ASSERT_EQ(rssdatg(&con_, &data, slid(list), nullptr, 0, 0), 0) << log();
    EXPECT_EQ(item_names(list),
              (std::vector<std::string>{"OBJTYPE", "NAME", "FORMAT", "CLASSNAME", "MEMNAME", "VARIABLES"}));
    EXPECT_EQ(text_item(list, "OBJTYPE"), "TDATA");
    EXPECT_EQ(text_item(list, "FORMAT"), "Cash_Flow");
    EXPECT_EQ(text_item(list, "MEMNAME"), "work.bonds");
    qor_list* mappings = nullptr;
    ASSERT_EQ(slgnl(list, "VARIABLES", &mappings), 0);
    ASSERT_EQ(slcnt(mappings), 2);
    qor_list* second = nullptr;
    ASSERT_EQ(slitml(mappings, 2, &second), 0);
    EXPECT_EQ(text_item(second, "NAME"), "maturity");
    EXPECT_EQ(text_item(second, "VARNAME"), "MAT");
    RSKCATOBJ header{};
    EXPECT_EQ(catalog_routine<CatalogSlot::rssdats>()(&con_, slid(list), nullptr, 0, 0, nullptr, &header), 0) << log();
    EXPECT_EQ(g_defined, 1);
    EXPECT_EQ(g_mapped, 2);
    sldel(list, 0);
    // A format without a name is never stored.
    data.format = 7;
    list = new_list();
    EXPECT_EQ(rssdatg(&con_, &data, slid(list), nullptr, 0, 0), 1);
    EXPECT_NE(log().find("598/3192"), std::string::npos) << log();
    sldel(list, 0);

    RSKINPUTDS ids{};
    ids.name.name = name_of("PMDATA");
    ids.type = 9;
    ids.dataset.name = name_of("work.pm");
    std::memcpy(ids.row_column, "ID", 2);
    ids.row_column_length = 2;
    map_cells(&ids.mappings, cells);
    list = new_list();
    ASSERT_EQ(rssidsg(&con_, &ids, slid(list), nullptr, 0, 0), 0) << log();
    EXPECT_EQ(item_names(list), (std::vector<std::string>{"OBJTYPE", "NAME", "TYPE", "MEMNAME", "INTERVAL", "ROWNAME",
                                                          "VARIABLES"}));
    EXPECT_EQ(text_item(list, "TYPE"), "Parameters");
    EXPECT_EQ(text_item(list, "INTERVAL"), "");   // none: detected from the data when read
    EXPECT_EQ(text_item(list, "ROWNAME"), "ID");
    g_defined = g_mapped = 0;
    EXPECT_EQ(catalog_routine<CatalogSlot::rssidss>()(&con_, slid(list), nullptr, 0, 0, nullptr, &header), 0) << log();
    EXPECT_EQ(g_defined, 1);
    EXPECT_EQ(g_mapped, 2);
    sldel(list, 0);
}

// An output's list: run identity, directories, the libref without its blanks, and its files by
// kind; no cubes, no "CUBE" item. The reader takes the list back.
TEST_F(ObjectForms, OutputWriterListsItsFilesByKindAndTheReaderTakesItBack) {
    RSKOUTOBJ output{};
    output.name.name = name_of("MTM");
    output.project_name.name = name_of("MarkToMarket");
    output.run_name.name = name_of("NIGHTLY");
    output.run_time = 2.0e9;
    output.destination.name = name_of("/data/results");
    char path[] = "/data/results/mtm";
    output.path = path;
    output.path_length = static_cast<int16_t>(sizeof path - 1);
    std::memcpy(output.libref, "RESLIB1 ", 8);
    RSKOUTFILE files[3]{};
    const char* members[] = {"INSTVALS", "CUBEDB", "ERRORS"};
    const int32_t kinds[] = {RSKOUTFILE_DATA, RSKOUTFILE_MDDB, RSKOUTFILE_DATA};
    for (int i = 0; i < 3; ++i) {
        files[i].file_kind = kinds[i];
        files[i].member.name = name_of(members[i]);
        files[i].next = i < 2 ? &files[i + 1] : nullptr;
    }
    output.files_head = &files[0];
    output.files_tail = &files[2];
    output.file_count = 3;
    qor_list* list = new_list();
    ASSERT_EQ(catalog_routine<CatalogSlot::rssoutg>()(&con_, &output, slid(list), nullptr, 0, 0), 0) << log();
    EXPECT_EQ(item_names(list), (std::vector<std::string>{"OBJTYPE", "NAME", "PROJECT", "RUNNAME", "RUNTIME",
                                                          "DESTINPATH", "PATH", "LIBNAME", "DATASET", "MDDB"}));
    EXPECT_EQ(text_item(list, "OBJTYPE"), "OUTPUT");
    EXPECT_EQ(text_item(list, "PROJECT"), "MarkToMarket");
    EXPECT_EQ(text_item(list, "PATH"), "/data/results/mtm");
    EXPECT_EQ(text_item(list, "LIBNAME"), "RESLIB1");
    double run_time = 0;
    EXPECT_EQ(slgnd(list, "RUNTIME", &run_time), 0);
    EXPECT_EQ(run_time, 2.0e9);
    qor_list* data = nullptr;
    qor_list* mddb = nullptr;
    ASSERT_EQ(slgnl(list, "DATASET", &data), 0);
    ASSERT_EQ(slgnl(list, "MDDB", &mddb), 0);
    EXPECT_EQ(item_names(data), (std::vector<std::string>{"INSTVALS", "ERRORS"}));
    EXPECT_EQ(item_names(mddb), (std::vector<std::string>{"CUBEDB"}));
    EXPECT_EQ(text_item(data, "ERRORS"), "ERRORS");
    RSKCATOBJ header{};
    EXPECT_EQ(catalog_routine<CatalogSlot::rssouts>()(&con_, slid(list), nullptr, 0, 0, nullptr, &header), 0) << log();
    EXPECT_EQ(g_defined, 1);
    sldel(list, 0);

    // A blank libref is stored empty.
    std::memcpy(output.libref, "        ", 8);
    list = new_list();
    ASSERT_EQ(catalog_routine<CatalogSlot::rssoutg>()(&con_, &output, slid(list), nullptr, 0, 0), 0) << log();
    EXPECT_EQ(text_item(list, "LIBNAME"), "");
    sldel(list, 0);
}

}  // namespace
