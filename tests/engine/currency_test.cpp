// The currency table through the engine's entry table: the built-in ISO 4217 table, the
// currency data set of library RISKSAMP, look-up in any case, shown marks and the listing.
#include "host/pool.h"
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "engine/model/currencies/currency_table.h"
#include "runtime/storage/libraries.h"
#include "tests/engine/dataset_writer.h"
#include "tests/engine/engine_fixture.h"

namespace {

using Fill = int (*)(RSKCON*);
using Cur = RSKCURRENCY* (*)(RSKCON*, const char*);
using Curm = int (*)(RSKCON*, const char*, int);
using Curp = int (*)(RSKCON*, int);

// Every alphabetic code the table must hold, in its order.
constexpr const char* kIsoCodes =
    "ADP AED AFA ALL AMD ANG AON AOA AOK ARA ARS ATS AUD AWG AZM BAD BAM BBD BDT BEF BGL BGN BHD BIF "
    "BMD BND BOB BRL BSD BTN BUK BWP BYB BYR BZD CAD CDF CHF CLF CLP CNY COP CRC CSK CUP CVE CYP CZK "
    "DEM DJF DKK DOP DZD ECS EEK EGP ERN ESP ETB EUR FIM FJD FKP FRF GBP GEL GGP GHC GIP GMD GNF GRD "
    "GTQ GWP GYD HKD HNL HRK HTG HUF IDR IEP ILS IMP INR IQD IRR ISK ITL JEP JMD JOD JPY KES KGS KHR "
    "KMF KPW KRW KWD KYD KZT LAK LBP LKR LRD LSL LTL LUF LVL LYD MAD MDL MGF MKD MLF MMK MNT MOP MRO "
    "MTL MUR MVR MWK MXN MXP MYR MZM NAD NGN NIC NIO NLG NOK NPR NZD OMR PAB PEI PEN PGK PHP PKR PLN "
    "PLZ PTE PYG QAR ROL RUB RUR RWF SAR SBD SCR SDD SDP SEK SGD SHP SIT SKK SLL SOS SPL SRG STD SVC "
    "SYP SZL THB TJR TJS TMM TND TOP TPE TRL TRY TTD TVD TWD TZS UAH UAK UGS UGX USD USN UYP UYU UZS "
    "VEB VND VUV WST XAF XAG XAU XBA XBB XBC XBD XCD XDR XEU XOF XPD XPT XPF YDD YER YUM YUN ZAL ZAR "
    "ZMK ZRN ZWD";

constexpr const char* kShownCodes =
    "ARS ATS AUD BEF BRL CAD CHF CLP DEM ESP EUR FIM FRF GBP HKD IEP ITL JPY LUF MXP NLG NOK NZD SEK "
    "SGD USD";

std::vector<std::string> words(const char* text) {
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

class Currency : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        block_ = std::make_unique<RSKRTBLOCK>();
        con_.runtime_tables = block_.get();
        fill = engine_routine<EngineSlot::fill_currency_table>();
        cur = engine_routine<EngineSlot::rskcur>();
        curm = engine_routine<EngineSlot::rskcurm>();
        curp = engine_routine<EngineSlot::rskcurp>();
        qor::runtime::clear_library("RISKSAMP");
    }
    void TearDown() override {
        qor::runtime::clear_library("RISKSAMP");
        if (!dir_.empty()) std::filesystem::remove_all(dir_);
        EngineTest::TearDown();
    }
    void assign_samples() {
        dir_ = ::testing::TempDir() + "/currency_lib_" + std::to_string(::getpid());
        std::filesystem::create_directories(dir_);
        ASSERT_EQ(qor::runtime::assign_library("RISKSAMP", dir_, "V9"), 0);
    }
    const RSKCURTABLE& table() const { return block_->currency_table; }
    std::unique_ptr<RSKRTBLOCK> block_;
    std::string dir_;
    Fill fill;
    Cur cur;
    Curm curm;
    Curp curp;
};

TEST_F(Currency, WithoutADataSetTheBuiltInTableHoldsEveryIsoCode) {
    ASSERT_EQ(fill(&con_), 0);
    const std::vector<std::string> codes = words(kIsoCodes);
    ASSERT_EQ(codes.size(), 219u);
    ASSERT_EQ(table().count, 219);
    EXPECT_EQ(table().shown, 26);
    for (size_t i = 0; i < codes.size(); ++i) {
        RSKCURRENCY* c = cur(&con_, codes[i].c_str());
        ASSERT_NE(c, nullptr) << codes[i];
        EXPECT_EQ(std::string(c->code, 3), codes[i]);
        EXPECT_EQ(c->index, static_cast<int>(i)) << codes[i];
        EXPECT_EQ(c->name_length, 26) << codes[i];   // the built-in names keep their padding
    }
    for (const std::string& code : words(kShownCodes)) EXPECT_EQ(cur(&con_, code.c_str())->hidden, 0) << code;
    RSKCURRENCY* usd = cur(&con_, "usd");
    ASSERT_NE(usd, nullptr);
    EXPECT_EQ(std::string(usd->name, usd->name_length), "US Dollar                 ");
    EXPECT_EQ(cur(&con_, "uSd"), usd);
    EXPECT_EQ(cur(&con_, "XYZ"), nullptr);
    EXPECT_EQ(cur(&con_, "US"), nullptr);
    EXPECT_EQ(cur(&con_, nullptr), nullptr);

    EXPECT_EQ(curp(&con_, 0), 0);
    std::string text = listing();
    EXPECT_NE(text.find("598/2301 Currency table: 26 currencies shown."), std::string::npos) << text;
    EXPECT_EQ(count_of(text, "598/2310"), 26);
    EXPECT_NE(text.find("  188  USD  US Dollar"), std::string::npos) << text;
    EXPECT_EQ(curp(&con_, 1), 0);
    EXPECT_EQ(count_of(listing(), "598/2310"), 26 + 219);
}

TEST_F(Currency, ShowAndHideFollowTheModes) {
    ASSERT_EQ(fill(&con_), 0);
    EXPECT_EQ(curm(&con_, "usd", -1), 0);
    EXPECT_EQ(cur(&con_, "USD")->hidden, 1);
    EXPECT_EQ(table().shown, 25);
    EXPECT_EQ(curm(&con_, "usd", -1), 0);   // hiding twice counts once
    EXPECT_EQ(table().shown, 25);
    EXPECT_EQ(curm(&con_, "PLN", 1), 0);
    EXPECT_EQ(table().shown, 26);
    EXPECT_EQ(curm(&con_, "QQQ", 1), 1);
    EXPECT_EQ(table().shown, 26);

    cur(&con_, "CHF")->used = 1;
    cur(&con_, "EUR")->used = 1;
    EXPECT_EQ(curm(&con_, nullptr, 3), 0);
    EXPECT_EQ(table().shown, 2);
    EXPECT_EQ(cur(&con_, "JPY")->hidden, 1);
    EXPECT_EQ(curm(&con_, nullptr, 2), 0);
    EXPECT_EQ(table().shown, 219);
    EXPECT_EQ(curm(&con_, nullptr, -2), 0);
    EXPECT_EQ(table().shown, 0);
}

TEST_F(Currency, TheDataSetReplacesTheBuiltInTable) {
    assign_samples();
    const std::vector<TestColumn> columns = {{"Code", true, 8}, {"DESCRIPTION", true, 40}, {"EXTRA", true, 4}};
    ASSERT_EQ(write_test_dataset("RISKSAMP", "currencies", columns,
                                 {{"eur", "Euro", "x"},
                                  {"CHF", "Swiss Franc with a name longer than thirty-two", "y"},
                                  {"", "A row without a code", "z"},
                                  {"EUR", "Euro again", "w"},
                                  {"USDX", "US Dollar", "v"}}), 0);
    ASSERT_EQ(fill(&con_), 0);
    EXPECT_EQ(table().count, 3);
    EXPECT_EQ(table().shown, 3);
    RSKCURRENCY* eur = cur(&con_, "EUR");
    ASSERT_NE(eur, nullptr);
    EXPECT_EQ(std::string(eur->name, eur->name_length), "Euro");   // the first EUR row is kept
    EXPECT_EQ(eur->index, 0);
    RSKCURRENCY* chf = cur(&con_, "chf");
    ASSERT_NE(chf, nullptr);
    EXPECT_EQ(chf->name_length, 32);
    EXPECT_EQ(chf->index, 1);
    RSKCURRENCY* usd = cur(&con_, "USD");   // codes are cut to three letters
    ASSERT_NE(usd, nullptr);
    EXPECT_EQ(usd->index, 2);
    EXPECT_EQ(cur(&con_, "JPY"), nullptr);
    std::string text = log();
    EXPECT_EQ(count_of(text, "ERROR: Unrecognized column in currency codes data set EXTRA."), 1) << text;
    EXPECT_EQ(count_of(text, "WARNING: Currency EUR appears again"), 1) << text;
}

TEST_F(Currency, ADataSetWithoutCodesFallsBackToTheBuiltInTable) {
    assign_samples();
    ASSERT_EQ(write_test_dataset("RISKSAMP", "currencies", {{"NAME", true, 8}}, {{"Euro"}}), 0);
    ASSERT_EQ(fill(&con_), 0);
    EXPECT_EQ(table().count, 219);
    EXPECT_NE(log().find("Unrecognized column in currency codes data set NAME."), std::string::npos);
}

// Every environment a step opens fills the table again: the arrays of the last fill and the
// buffers of the data set's observation are given back to the general pool, whichever source
// (data set or built-in) each fill used.
TEST_F(Currency, FillingAgainGivesBackTheLastArrays) {
    ASSERT_EQ(fill(&con_), 0);
    const size_t live = qor_pool_live_blocks(con_.general_pool);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(fill(&con_), 0);
    EXPECT_EQ(qor_pool_live_blocks(con_.general_pool), live);
    assign_samples();
    ASSERT_EQ(write_test_dataset("RISKSAMP", "currencies", {{"CODE", true, 3}}, {{"EUR"}, {"USD"}}), 0);
    ASSERT_EQ(fill(&con_), 0);
    EXPECT_EQ(table().count, 2);
    ASSERT_EQ(fill(&con_), 0);   // the data set read twice: its observation buffers go back too
    qor::runtime::clear_library("RISKSAMP");
    ASSERT_EQ(fill(&con_), 0);
    EXPECT_EQ(table().count, 219);
    EXPECT_EQ(qor_pool_live_blocks(con_.general_pool), live);
}

TEST_F(Currency, WithoutARunTimeBlockNothingIsBuilt) {
    con_.runtime_tables = nullptr;
    EXPECT_EQ(fill(&con_), 1);
    EXPECT_EQ(cur(&con_, "USD"), nullptr);
    EXPECT_EQ(curm(&con_, "USD", 1), 1);
}

}  // namespace
