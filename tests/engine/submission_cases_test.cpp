// Generated code as the engine submits it, line by line through the host's submission layer:
// the reset line closing what user text left open, only the closing line running the queued
// lines, unsupported text giving a negative status without stopping the caller, NOTES and
// SOURCE restored on every path, and a data set open for output elsewhere left undisturbed.
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine/model/submission/code_submission.h"
#include "host/dataset.h"
#include "host/files.h"
#include "host/macro.h"
#include "host/options.h"
#include "host/submit.h"
#include "tests/engine/dataset_writer.h"
#include "tests/engine/engine_fixture.h"

namespace {

const char kResetLine[] = "/* '; /* \"; /* */ ; run; options nosyntaxcheck replace obs=max;";
const RSKOPTREQ kQuiet[] = {{"NOTES", 0, nullptr, RSKSUBOPT_BOOLEAN}, {"SOURCE", 0, nullptr, RSKSUBOPT_BOOLEAN}};

class SubmissionCases : public EngineTest {
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
        xoptist("OBS", LONG_MAX);
        EngineTest::TearDown();
    }
    // Lines one at a time as the engine sends them: without waiting, then the closing line
    // with waiting and the quiet options. The status of the run.
    int submit(const std::vector<std::string>& lines) {
        for (size_t i = 0; i + 1 < lines.size(); ++i)
            EXPECT_EQ(zsubmitz(lines[i].c_str(), -1, context_, 0, 0, nullptr), 0) << lines[i];
        int rc = zsubmitz(lines.back().c_str(), -1, context_, 1, 2, kQuiet);
        int notes = -1, source = -1;
        xoptbgt("NOTES", &notes);
        xoptbgt("SOURCE", &source);
        EXPECT_EQ(notes, 1) << "NOTES restored";
        EXPECT_EQ(source, 1) << "SOURCE restored";
        return rc;
    }
    static std::string macro(const char* name) {
        char value[256] = {};
        int n = xjsymget(xalanch(), name, -1, value, sizeof value);
        return n < 0 ? "<unset>" : std::string(value, static_cast<size_t>(n));
    }
    static bool member_exists(const char* member) {
        return xdfxst2("WORK", member, static_cast<int>(std::strlen(member)), "DATA    ") == 0;
    }
    RSKSUBMITCTX* context_ = nullptr;
};

TEST_F(SubmissionCases, TableOfGeneratedTexts) {
    ASSERT_EQ(write_test_dataset("WORK", "SUBIN", {{"k", false, 8}}, {{"3"}, {"1"}, {"2"}}), 0);
    struct Case {
        const char* what;
        std::vector<std::string> lines;
        bool fails;
        std::string macro_name, macro_value;   // a macro variable the text must have set
    };
    const std::vector<Case> cases = {
        {"an unterminated quote in user text is closed by the reset line",
         {"%let velmora_open = 'never closed;", kResetLine, "%let velmora_after_quote = yes;"}, false,
         "VELMORA_AFTER_QUOTE", "yes"},
        {"an unterminated comment is closed by the reset line",
         {"/* a comment left open", kResetLine, "%let velmora_after_comment = yes;"}, false,
         "VELMORA_AFTER_COMMENT", "yes"},
        {"an unsupported statement gives a negative status",
         {kResetLine, "velmora_no_such_statement;", "run;"}, true, "", ""},
        {"an unsupported procedure gives a negative status", {kResetLine, "proc velmora_nosuch;", "run;"}, true, "", ""},
        {"the caller goes on after a failure", {kResetLine, "%let velmora_goes_on = 1;"}, false,
         "VELMORA_GOES_ON", "1"},
        {"a step split over lines runs on its closing line",
         {kResetLine, "proc sort data=work.subin", " out=work.subout;", "by", " k;", "run;"}, false, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int rc = submit(c.lines);
        if (c.fails) {
            EXPECT_LT(rc, 0);
        } else {
            EXPECT_EQ(rc, 0) << log();
        }
        if (!c.macro_name.empty()) {
            EXPECT_EQ(macro(c.macro_name.c_str()), c.macro_value);
        }
    }
    EXPECT_TRUE(member_exists("SUBOUT"));
    std::string text = log();
    EXPECT_NE(text.find("598/8116"), std::string::npos) << text;
    EXPECT_NE(text.find("598/8117"), std::string::npos);
}

TEST_F(SubmissionCases, NothingRunsBeforeTheClosingLine) {
    ASSERT_EQ(write_test_dataset("WORK", "SUBQUEUE", {{"k", false, 8}}, {{"2"}, {"1"}}), 0);
    EXPECT_EQ(zsubmitz("proc sort data=work.subqueue out=work.subqueued;", -1, context_, 0, 0, nullptr), 0);
    EXPECT_EQ(zsubmitz("by k; run;", -1, context_, 0, 0, nullptr), 0);
    EXPECT_FALSE(member_exists("SUBQUEUED"));
    EXPECT_EQ(zsubmitz(kResetLine, -1, context_, 1, 2, kQuiet), 0);
    EXPECT_TRUE(member_exists("SUBQUEUED"));
}

TEST_F(SubmissionCases, TheResetLineIsMessage5900AndResetsObs) {
    char code[256] = {};
    int length = 0;
    ASSERT_EQ(xpmtext(598, 5900, code, sizeof code, &length), 0);
    EXPECT_STREQ(code, kResetLine);
    ASSERT_EQ(xoptist("OBS", 2), 0);
    EXPECT_EQ(submit({code}), 0);
    long obs = 0;
    xoptigt("OBS", &obs);
    EXPECT_EQ(obs, LONG_MAX);
}

TEST_F(SubmissionCases, ADataSetOpenForOutputElsewhereIsUndisturbed) {
    ASSERT_EQ(write_test_dataset("WORK", "SUBSRC", {{"k", false, 8}}, {{"5"}, {"4"}}), 0);
    qor_open_request open{};
    std::memcpy(open.libref, "WORK    ", 8);
    open.member.length = 4;
    std::memcpy(open.member.text, "HELD", 4);
    std::memset(open.member_type, ' ', sizeof open.member_type);
    open.mode = QOR_OPEN_OUTPUT;
    qor_dataset* held = nullptr;
    ASSERT_EQ(xoopen(&held, &open), 0);
    qor_putlist* put = nullptr;
    double value = 1;
    qor_var_desc desc;
    xvnamei(&desc);
    std::strcpy(desc.name, "v");
    desc.name_length = 1;
    ASSERT_EQ(xvputi(held, 1, &put), 0);
    ASSERT_EQ(xvputd(put, &desc, &value, 8, nullptr), 0);
    ASSERT_EQ(xvpute(put), 0);
    qor_obs_request obs{};
    obs.dataset = held;
    ASSERT_EQ(xyvput(put, 0), 0);
    ASSERT_EQ(xoadd(&obs), 0);
    // Generated code that sorts, appends and deletes WORK members while HELD is being written.
    EXPECT_EQ(submit({kResetLine, "proc sort data=work.subsrc out=work.subsorted; by k; run;",
                      "proc append base=work.subsorted data=work.subsrc; run;",
                      "proc datasets library=work nolist; delete subsrc; run;"}),
              0)
        << log();
    value = 2;
    ASSERT_EQ(xyvput(put, 0), 0);
    ASSERT_EQ(xoadd(&obs), 0);
    xvputt(put);
    ASSERT_EQ(xoclose(held, 0), 0);
    qor_dataset* back = nullptr;
    open.mode = QOR_OPEN_INPUT;
    ASSERT_EQ(xoopen(&back, &open), 0);
    int64_t count = 0;
    xoinfo(back, QOR_INFO_OBSERVATIONS, &count);
    EXPECT_EQ(count, 2);
    xoclose(back, 0);
    EXPECT_FALSE(member_exists("SUBSRC"));
    EXPECT_TRUE(member_exists("SUBSORTED"));
}

}  // namespace
