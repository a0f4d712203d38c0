// The displayed currencies stored with the environment, the property lists a run leaves in its
// result library, the report macro variables built from them, and the package listing.
#include <filesystem>

#include "catalog/forms_further.h"
#include "engine/model/categories/categories.h"
#include "engine/model/currencies/currency_table.h"
#include "engine/model/options/engine_options.h"
#include "host/macro.h"
#include "tests/engine/definitions_fixture.h"

namespace {

class ResultProperties : public DefinitionsTest {
protected:
    bool hidden(const char* code) {
        RSKCURRENCY* currency = rskcur(con, code);
        return currency == nullptr || currency->hidden != 0;
    }
    int mark(const char* code, int mode) { return engine_routine<EngineSlot::rskcurm>()(con, code, mode); }
    std::string macro(const char* name) {
        char buffer[2048] = {};
        const int length = xjsymget(xalanch(), name, static_cast<int>(std::strlen(name)), buffer, sizeof buffer);
        return length < 0 ? std::string("<unset>") : std::string(buffer);
    }
    RSKCROSSCLASS* cross_of(const std::vector<std::vector<const char*>>& hierarchies) {
        RSKNAMEREC key = name_of("ByDesk");
        RSKCATOBJ* header = nullptr;
        EXPECT_EQ(engine_routine<EngineSlot::rskccsd>()(con, &header, &key, nullptr, nullptr), 0) << log();
        auto* cross = static_cast<RSKCROSSCLASS*>(header->object);
        for (const auto& names : hierarchies) {
            RSKHIERARCHY* hierarchy = nullptr;
            engine_routine<EngineSlot::rskccsa>()(con, cross, &hierarchy);
            for (const char* name : names) {
                RSKNAMEREC variable = name_of(name);
                EXPECT_EQ(engine_routine<EngineSlot::rskhier>()(con, cross, hierarchy, &variable, 0), 0) << name << log();
            }
        }
        return cross;
    }
    uint32_t new_list() {
        qor_list* list = nullptr;
        return slnewl(&list, nullptr, 84);
    }
};

TEST_F(ResultProperties, DisplayedCurrenciesComeBackFromTheEnvironment) {
    // Nothing stored yet: reading leaves every mark as it is.
    ASSERT_EQ(mark("EUR", RSKCUR_HIDE), 0);
    EXPECT_EQ(catalog_routine<CatalogSlot::rsscudr>()(con), 0);
    EXPECT_TRUE(hidden("EUR"));

    ASSERT_EQ(mark(nullptr, -2), 0);
    ASSERT_EQ(mark("USD", RSKCUR_SHOW), 0);
    ASSERT_EQ(mark("CHF", RSKCUR_SHOW), 0);
    ASSERT_EQ(catalog_routine<CatalogSlot::rsscuds>()(con), 0) << log();
    ASSERT_EQ(mark(nullptr, 2), 0);   // show all
    EXPECT_EQ(catalog_routine<CatalogSlot::rsscudr>()(con), 0) << log();
    EXPECT_FALSE(hidden("USD"));
    EXPECT_FALSE(hidden("CHF"));
    EXPECT_TRUE(hidden("EUR"));

    // A stored list with an unknown code shows the others and counts the unknown one.
    qor_list* list = nullptr;
    slnewl(&list, nullptr, 84);
    for (const char* code : {"GBP", "XQQ", "JPY"}) slinsc(list, code, QOR_SL_APPEND, "");
    ASSERT_EQ(catalog_routine<CatalogSlot::rsseops>()(con, con->current_environment, "CURRENCY", list), 0);
    sldel(list, 0);
    EXPECT_EQ(catalog_routine<CatalogSlot::rsscudr>()(con), 1);
    EXPECT_FALSE(hidden("GBP"));
    EXPECT_FALSE(hidden("JPY"));
    EXPECT_TRUE(hidden("USD"));
}

TEST_F(ResultProperties, RunPropertiesAndByVariablesComeBackFromTheResultLibrary) {
    const std::filesystem::path results = dir_ / "results";
    std::filesystem::create_directories(results);
    ASSERT_EQ(qor::runtime::assign_library("RES", results.string(), "V9"), 0);
    ASSERT_EQ(declare("desk", 3, 2, 201, 8), 0) << log();
    RSKCROSSCLASS* cross = cross_of({{"INSTID", "desk"}, {"desk"}});
    ASSERT_EQ(catalog_routine<CatalogSlot::rssprpb>()(con, cross, "RES     "), 0) << log();
    uint32_t by = new_list();
    ASSERT_EQ(catalog_routine<CatalogSlot::rssprlb>()(con, "RES     ", by), 0) << log();
    ASSERT_EQ(slcnt(slistp(by)), 2);   // each class variable once
    std::string_view item;
    slni(slistp(by), 2, &item);
    EXPECT_EQ(item, "DESK");
    qor_list* desk = nullptr;
    slgnl(slistp(by), "DESK", &desk);
    std::string_view name;
    slgnc(desk, "NAME", &name);
    EXPECT_EQ(name, "desk");

    const double effective = 24000.0;   // a date well before the time of writing
    const double before = wzdttme();
    RSKNAMEREC output = name_of("Run1"), path = name_of("/data/run1"), ids[] = {name_of("RATES"), name_of("VOLS")};
    ASSERT_EQ(catalog_routine<CatalogSlot::rssprpr>()(con, nullptr, effective, nullptr, &output, &path,
                                                      &con->options->current, ids, 2, 0, "RES     "),
              0)
        << log();
    uint32_t general = new_list();
    ASSERT_EQ(catalog_routine<CatalogSlot::rssprlg>()(con, "RES     ", general), 0) << log();
    std::string_view currency;
    double rundate = 0, effdate = 0;
    slgnc(slistp(general), "CURRENCY", &currency);
    slgnd(slistp(general), "RUNDATE", &rundate);
    slgnd(slistp(general), "EFFDATE", &effdate);
    EXPECT_EQ(currency, "   ");
    EXPECT_EQ(effdate, effective);
    EXPECT_GE(rundate, before);
    EXPECT_LE(rundate, wzdttme());
    EXPECT_EQ(slsrchc(slistp(general), "VOLS"), 5);   // OUTNAME OUTPATH MDSLIST IDSNAME IDSNAME
    uint32_t options = new_list();
    EXPECT_EQ(catalog_routine<CatalogSlot::rssprlr>()(con, "RES     ", options), 0) << log();
    EXPECT_EQ(slsrchn(slistp(options), "SYSTEM"), 3);
    // A run without a project leaves no project entry to read.
    uint32_t project = new_list();
    const size_t at = log().size();
    EXPECT_EQ(catalog_routine<CatalogSlot::rssprlp>()(con, "RES     ", project), 1);
    EXPECT_NE(log().find("Error in reading project information from catalog.", at), std::string::npos);

    // The report macro variables of the run's output.
    ASSERT_EQ(catalog_routine<CatalogSlot::rssrepi>()(con, "RES     ", "EUR"), 0) << log();
    EXPECT_EQ(macro("RESLIB1"), "RES");
    EXPECT_EQ(macro("REPCURR"), "EUR");
    EXPECT_EQ(macro("CCVAR1"), "INSTID");
    EXPECT_EQ(macro("CCVAR2"), "desk");
    EXPECT_EQ(macro("CCVARS"), "INSTID desk");
    EXPECT_EQ(macro("CCNVAR"), "2");
    for (uint32_t list : {by, general, options, project}) slfree(list, 0);
}

TEST_F(ResultProperties, WithoutByVariablesOnlyTheLibraryAndCurrencyAreSet) {
    const std::filesystem::path results = dir_ / "plain";
    std::filesystem::create_directories(results);
    ASSERT_EQ(qor::runtime::assign_library("PLAIN", results.string(), "V9"), 0);
    RSKCROSSCLASS* cross = cross_of({});
    ASSERT_EQ(catalog_routine<CatalogSlot::rssprpb>()(con, cross, "PLAIN   "), 0) << log();
    for (const char* name : {"CCVARS", "CCNVAR", "CCVAR1"}) xjsymdel(xalanch(), name, static_cast<int>(std::strlen(name)));
    ASSERT_EQ(catalog_routine<CatalogSlot::rssrepi>()(con, "PLAIN   ", nullptr), 0) << log();
    EXPECT_EQ(macro("RESLIB1"), "PLAIN");
    EXPECT_EQ(macro("REPCURR"), "   ");
    EXPECT_EQ(macro("CCVARS"), "<unset>");
    EXPECT_EQ(macro("CCNVAR"), "<unset>");
}

TEST_F(ResultProperties, AnEnvironmentWithoutPackagesSaysSoTwice) {
    const size_t at = listing().size();
    EXPECT_EQ(catalog_routine<CatalogSlot::rsspkgp>()(con), 0);
    const std::string printed = listing().substr(at);
    EXPECT_NE(printed.find("598/3204"), std::string::npos) << printed;
    EXPECT_NE(printed.find("598/3205"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("598/3200"), std::string::npos) << printed;
    EXPECT_EQ(printed.find("598/3203"), std::string::npos) << printed;
    RSKNAMEREC none = name_of("NOPKG");
    EXPECT_EQ(catalog_routine<CatalogSlot::rsspkg>()(con, &none), nullptr);
}

}  // namespace
