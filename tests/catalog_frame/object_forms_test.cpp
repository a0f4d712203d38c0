// The data set, ids and output readers over good and damaged lists, against engine definition
// routines that accept (or refuse) what they are given, counting the calls.
#include <functional>
#include <vector>

#include "catalog/object_forms.h"
#include "engine/model/registries/code_registries.h"
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
