// Submission of generated code: line preparation outside quoted literals, runs with and without
// waiting, host options changed for a run and put back on every path, failures passed back,
// and a host submission layer that someone else started.
#include <filesystem>
#include <fstream>

#include "common/memory/pool_memory.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/submission/code_submission.h"
#include "host/macro.h"
#include "engine/model/submission/run_options.h"
#include "host/options.h"
#include "host/submit.h"
#include "tests/engine/engine_fixture.h"

namespace {

class Submission : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        context_ = zsubini(0, &con_);
        ASSERT_NE(context_, nullptr);
        xoptbst("NOTES", 1);
        xoptbst("SOURCE", 1);
    }
    void TearDown() override {
        zsubend(context_);
        EXPECT_EQ(qor_submit_layer_active(), 0);
        xoptbst("NOTES", 1);
        xoptbst("SOURCE", 1);
        EngineTest::TearDown();
    }
    static int option(const char* name) {
        int value = -1;
        xoptbgt(name, &value);
        return value;
    }
    RSKSUBMITCTX* context_ = nullptr;
};

const RSKOPTREQ kQuiet[] = {{"NOTES", 0, nullptr, RSKSUBOPT_BOOLEAN}, {"SOURCE", 0, nullptr, RSKSUBOPT_BOOLEAN}};

TEST_F(Submission, LongLinesGoOverWhole) {
    // A 600-character value with blanks inside quotes: breaking the line would change it.
    std::string value;
    while (value.size() < 600) value += "rate" + std::to_string(value.size()) + " ";
    value.pop_back();
    std::string line = "%let velmora_long = %str(" + value + ");";
    std::string quoted = "%let velmora_quoted = '" + value + "';";
    EXPECT_EQ(zsubmitz(line.c_str(), -1, context_, 0, 0, nullptr), 0);
    EXPECT_EQ(zsubmitz(quoted.c_str(), -1, context_, 1, 2, kQuiet), 0);
    std::vector<char> got(2048);
    int n = xjsymget(xalanch(), "VELMORA_QUOTED", -1, got.data(), static_cast<int>(got.size()));
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(got.data(), static_cast<size_t>(n)), "'" + value + "'");
}

TEST_F(Submission, WithoutWaitingNothingRunsAndNoOptionChanges) {
    EXPECT_EQ(zsubmitz("%let velmora_submitted = yes;", -1, context_, 0, 2, kQuiet), 0);
    EXPECT_EQ(context_->state, 1u);
    EXPECT_EQ(option("NOTES"), 1);
    char value[16] = {};
    EXPECT_LT(xjsymget(xalanch(), "VELMORA_SUBMITTED", -1, value, sizeof value), 0);
    // The next run with waiting runs what was handed over before it too.
    EXPECT_EQ(zsubmitz("%let velmora_second = 2;", -1, context_, 1, 0, nullptr), 0);
    EXPECT_EQ(context_->state, 2u);
    EXPECT_EQ(xjsymget(xalanch(), "VELMORA_SUBMITTED", -1, value, sizeof value), 3);
    EXPECT_STREQ(value, "yes");
    EXPECT_EQ(zsubmitz("", 0, context_, 1, 0, nullptr), 0);
}

TEST_F(Submission, OptionsAreOffDuringTheRunAndRestoredAfterSuccessAndFailure) {
    EXPECT_EQ(zsubmitz("proc options; run;", -1, context_, 1, 2, kQuiet), 0);
    std::string text = listing();
    EXPECT_NE(text.find("NONOTES"), std::string::npos) << text;
    EXPECT_NE(text.find("NOSOURCE"), std::string::npos);
    EXPECT_EQ(option("NOTES"), 1);
    EXPECT_EQ(option("SOURCE"), 1);

    // A step that fails (its input does not exist): a negative status, passed back, options restored.
    int rc = zsubmitz("data work.a; set work.b; run;", -1, context_, 1, 2, kQuiet);
    EXPECT_LT(rc, 0);
    EXPECT_EQ(option("NOTES"), 1);
    EXPECT_EQ(option("SOURCE"), 1);
    std::string log_text = log();
    EXPECT_NE(log_text.find("Data set WORK.B does not exist"), std::string::npos) << log_text;
    EXPECT_NE(log_text.find("598/8116"), std::string::npos);
    EXPECT_NE(log_text.find("598/8117"), std::string::npos);
    EXPECT_LT(zsubmitz("proc sql; create table x as select a from nowhere; quit;", -1, context_, 1, 0, nullptr), 0);
}

TEST_F(Submission, OptionsAreRestoredWhenTheCodeCannotBeHandedOverOrPrepared) {
    // An include of a missing file fails the run.
    int rc = zsubmitz("%include '/nonexistent/velmora/x.qor';", -1, context_, 1, 2, kQuiet);
    EXPECT_LT(rc, 0);
    EXPECT_EQ(option("NOTES"), 1);
    EXPECT_EQ(option("SOURCE"), 1);
    EXPECT_NE(log().find("/nonexistent/velmora/x.qor named by %INCLUDE on line 1 cannot be read: No such file"),
              std::string::npos) << log();
    // A layer that has gone away refuses the text.
    ASSERT_EQ(xalterm(context_->host), 0);
    rc = zsubmitz("%let a = 1;", -1, context_, 1, 2, kQuiet);
    EXPECT_EQ(rc, QOR_SUBMIT_NOT_READY);
    EXPECT_EQ(option("NOTES"), 1);
    EXPECT_NE(log().find("598/8114"), std::string::npos);
    ASSERT_EQ(xalinit(context_->host, 0, 0, 0), 0);   // so that TearDown ends it
}

TEST_F(Submission, OptionsThatCannotBeSavedAreNotRestored) {
    const RSKOPTREQ requests[] = {
        {"NOSUCHOPTION", 0, nullptr, RSKSUBOPT_BOOLEAN},
        {"PAPC", 3, nullptr, RSKSUBOPT_INTEGER},
        {"DEBUG", 0, "velmora", RSKSUBOPT_TEXT},
        {"NOTES", 0, nullptr, 7},
    };
    long papc = 0;
    xoptigt("PAPC", &papc);
    xoptcst("DEBUG", "before", -1);
    ASSERT_EQ(modify_sysopts(4, requests, context_), 0);
    long during = 0;
    xoptigt("PAPC", &during);
    EXPECT_EQ(during, 3);
    char text[32];
    int length = 0;
    xoptcgt("DEBUG", text, sizeof text, &length);
    EXPECT_STREQ(text, "velmora");
    EXPECT_EQ(reset_sysopts(4, requests, context_), 0);
    xoptigt("PAPC", &during);
    EXPECT_EQ(during, papc);
    xoptcgt("DEBUG", text, sizeof text, &length);
    EXPECT_STREQ(text, "before");
    std::string log_text = log();
    EXPECT_NE(log_text.find("598/8119"), std::string::npos) << log_text;   // NOSUCHOPTION
    EXPECT_NE(log_text.find("598/8118"), std::string::npos);               // kind 7
    xoptcst("DEBUG", "", 0);
}

TEST_F(Submission, IncludedFilesRunAndEchoIsLogged) {
    std::string file = ::testing::TempDir() + "/velmora_include_" + std::to_string(::getpid()) + ".qor";
    std::ofstream(file) << "/* included */ %let velmora_included = 42;\n";
    con_.submission_echo = 1;
    std::string line = "%inc \"" + file + "\"; %let velmora_after = 1;";
    EXPECT_EQ(zsubmitz(line.c_str(), -1, context_, 1, 0, nullptr), 0);
    char value[16] = {};
    EXPECT_EQ(xjsymget(xalanch(), "VELMORA_INCLUDED", -1, value, sizeof value), 2);
    EXPECT_EQ(xjsymget(xalanch(), "VELMORA_AFTER", -1, value, sizeof value), 1);
    EXPECT_NE(log().find("SUBMITTING: %inc"), std::string::npos);
    std::remove(file.c_str());
}

TEST(SubmissionLayer, ALayerStartedBySomeoneElseOutlivesTheEngineContext) {
    qor_submit_context* owner = nullptr;
    ASSERT_EQ(xytrcrt(1, 0, "OTHER", -1, 0, &owner), 0);
    ASSERT_EQ(xalinit(owner, 0, 0, 0), 0);
    RSKCON con{};
    RSKSUBMITCTX* context = zsubini(1, &con);
    ASSERT_NE(context, nullptr);
    EXPECT_EQ(context->preinitialised, 1u);
    zsubend(context);
    EXPECT_EQ(qor_submit_layer_active(), 1);
    EXPECT_EQ(xalterm(owner), 0);
    EXPECT_EQ(qor_submit_layer_active(), 0);
    EXPECT_EQ(xytrdel(owner), 0);
    EXPECT_EQ(xytrdel(owner), QOR_SUBMIT_BAD_CONTEXT);
}

TEST_F(Submission, SourceFilesRunQuietlyAndTheirFailureIsReturned) {
    RSKOPTIONS options{};
    con_.options = &options;
    con_.submission_context = context_;
    std::string good = ::testing::TempDir() + "/velmora_good_" + std::to_string(::getpid()) + ".qor";
    std::string bad = ::testing::TempDir() + "/velmora_bad_" + std::to_string(::getpid()) + ".qor";
    std::ofstream(good) << "proc options; run;\n";
    std::ofstream(bad) << "data a; set b; run;\n";
    EXPECT_EQ(rsksfde(&con_, good.c_str(), -1), 0) << log();
    EXPECT_NE(listing().find("NONOTES"), std::string::npos);
    EXPECT_EQ(option("NOTES"), 1);
    std::string text = log();
    EXPECT_NE(text.find("Start submitting: %inc \"" + good + "\";"), std::string::npos) << text;
    EXPECT_NE(text.find("End submitting."), std::string::npos);

    EXPECT_EQ(rsksfde(&con_, bad.c_str(), -1), 1);
    EXPECT_EQ(option("NOTES"), 1);
    EXPECT_EQ(option("SOURCE"), 1);
    con_.generic = 1;
    EXPECT_EQ(rsksfde(&con_, good.c_str(), -1), 0);
    std::string file = good.substr(good.rfind('/'));
    EXPECT_NE(log().find("%inc \"<System-specific pathname>" + file + "\";"), std::string::npos) << log();
    EXPECT_EQ(rsksfde(&con_, "/nonexistent/velmora.qor", -1), 1);
    EXPECT_NE(log().find("598/1452"), std::string::npos);
    std::remove(good.c_str());
    std::remove(bad.c_str());
    con_.options = nullptr;
}

}  // namespace
