// The audit log: AUDIT_FILE and its expansion, the fall-back to "audit.log" with its messages,
// and formatted lines appended to the audit file.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "engine/model/audit/audit_log.h"
#include "runtime/core/print_internal.h"
#include "tests/engine/registry_fixture.h"

namespace {

using Adti = int (*)(RSKCON*);
using Adtp = int (*)(RSKCON*, int, int, ...);

// Each test runs in a directory of its own, so that "audit.log" lands there.
class Audit : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        dir_ = ::testing::TempDir() + "/audit_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ::mkdir(dir_.c_str(), 0700);
        ASSERT_NE(::getcwd(cwd_, sizeof cwd_), nullptr);
        ASSERT_EQ(::chdir(dir_.c_str()), 0);
        std::memset(con_.audit_fileref, ' ', 8);
        adti = engine_routine<EngineSlot::rskadti>();
        adtp = engine_routine<EngineSlot::rskadtp>();
    }
    void TearDown() override {
        ::unsetenv("AUDIT_FILE");
        ::unsetenv("AUDIT_TEST_HOME");
        ASSERT_EQ(::chdir(cwd_), 0);
        std::system(("rm -rf '" + dir_ + "'").c_str());
        EngineTest::TearDown();
    }
    void set_path(const std::string& path) {
        con_.audit_path.name.capacity = kRskPathCapacity;
        con_.audit_path.name.text = con_.audit_path.buffer;
        size_t n = path.copy(con_.audit_path.buffer, sizeof con_.audit_path.buffer);
        con_.audit_path.name.length = static_cast<uint16_t>(n);
    }
    std::string path() const { return std::string(con_.audit_path.name.text, con_.audit_path.name.length); }
    std::string dir_;
    char cwd_[4096];
    Adti adti;
    Adtp adtp;
};

TEST_F(Audit, AnEmptyPathUsesAuditLogWithOneNote) {
    EXPECT_EQ(adti(&con_), 0);
    EXPECT_EQ(path(), "audit.log");
    std::string text = log();
    EXPECT_NE(text.find("598/3923 NOTE: The audit trail is written to audit.log."), std::string::npos) << text;
    EXPECT_EQ(text.find("598/3921"), std::string::npos);
    EXPECT_EQ(text.find("598/3922"), std::string::npos);
    EXPECT_NE(std::string(con_.audit_fileref, 8), std::string(8, ' '));

    EXPECT_EQ(adtp(&con_, 598, 3911, 5, "BONDS"), 0);
    EXPECT_EQ(read(dir_ + "/audit.log"), "NOTE: Audit: the mark-to-market run of portfolio BONDS failed.\n");
    EXPECT_EQ(listing().find("BONDS"), std::string::npos);   // the line went to the audit file only
    EXPECT_EQ(adtp(&con_, 598, 3917, 5, "BONDS"), 0);
    EXPECT_EQ(read(dir_ + "/audit.log"),
              "NOTE: Audit: the mark-to-market run of portfolio BONDS failed.\nNOTE: Audit: the mark-to-market run of portfolio BONDS ended.\n");
    // Printing goes on to the listing afterwards.
    xpsout("after the audit line");
    EXPECT_NE(listing().find("after the audit line"), std::string::npos);
}

TEST_F(Audit, APathThatCannotBeOpenedFallsBack) {
    set_path("/nonexistent/dir/a.log");
    EXPECT_EQ(adti(&con_), 0);
    std::string text = log();
    size_t refused = text.find("598/3922 WARNING: The audit file /nonexistent/dir/a.log cannot be opened");
    size_t used = text.find("598/3923 NOTE: The audit trail is written to audit.log.");
    ASSERT_NE(refused, std::string::npos) << text;
    ASSERT_NE(used, std::string::npos);
    EXPECT_LT(refused, used);
    EXPECT_EQ(path(), "audit.log");

    // A path too long to be assigned at all is reported with 598/3921.
    set_path("/" + std::string(kRskPathCapacity - 1, 'a'));
    EXPECT_EQ(adti(&con_), 0);
    EXPECT_NE(log().find("598/3921"), std::string::npos);
    EXPECT_EQ(path(), "audit.log");
}

TEST_F(Audit, AuditFileFromTheEnvironment) {
    EXPECT_EQ(get_audit_outfile(&con_), 0);   // unset: no audit trail, nothing said
    EXPECT_EQ(con_.audit, 0);
    EXPECT_EQ(log().find("598/39"), std::string::npos);

    ::setenv("AUDIT_TEST_HOME", dir_.c_str(), 1);
    ::setenv("AUDIT_FILE", "!audit_test_home/trail.txt", 1);
    EXPECT_EQ(get_audit_outfile(&con_), 0);
    EXPECT_EQ(con_.audit, 1);
    EXPECT_EQ(path(), dir_ + "/trail.txt");
    EXPECT_EQ(adtp(&con_, 598, 3911, 3, "FX1"), 0);
    EXPECT_EQ(read(dir_ + "/trail.txt"), "NOTE: Audit: the mark-to-market run of portfolio FX1 failed.\n");

    // A variable that is not set cannot be expanded: "audit.log" is used.
    ::setenv("AUDIT_FILE", "!NO_SUCH_AUDIT_VARIABLE/x.log", 1);
    EXPECT_EQ(get_audit_outfile(&con_), 0);
    EXPECT_EQ(path(), "audit.log");
}

TEST_F(Audit, LongTextsAreCutAndMissingTextsWriteNothing) {
    ASSERT_EQ(adti(&con_), 0);
    std::string messages = dir_ + "/messages";
    ::mkdir(messages.c_str(), 0700);
    std::ofstream(messages + "/901.msg") << "1\t" << std::string(600, 'x') << "\n2\tcount %i here\n";
    ::setenv("QOR_MESSAGES", messages.c_str(), 1);
    qor_message_tables_reset();
    int cut = adtp(&con_, 901, 1);
    int formatted = adtp(&con_, 901, 2, 42);
    int missing = adtp(&con_, 901, 3);
    ::unsetenv("QOR_MESSAGES");
    qor_message_tables_reset();
    EXPECT_EQ(cut, 0);
    EXPECT_EQ(formatted, 0);
    EXPECT_EQ(missing, 1);
    EXPECT_EQ(read(dir_ + "/audit.log"), std::string(513, 'x') + "\ncount 42 here\n");

    // Without an audit file nothing is written anywhere.
    std::memset(con_.audit_fileref, ' ', 8);
    EXPECT_EQ(adtp(&con_, 598, 3911, 5, "BONDS"), 1);
    EXPECT_EQ(listing().find("BONDS"), std::string::npos);
}

}  // namespace
