// Rights through qor, as a guest: an environment that a test gave to the owner "alice" with code
// 0x3C0 is refused on opening (598/3804, 670/1014, exit 1); with 0x204 it opens, but storing its
// options under AUTOSAVE is refused (598/3801) and its catalog stays unchanged.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "catalog/access_rights.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/lists.h"
#include "host/save_support.h"

namespace {

class RightsThroughQor : public ::testing::Test {
protected:
    void SetUp() override {
        run_ = ::testing::TempDir() + "/rights_qor_" + std::to_string(::getpid());
        qor_remove_tree(run_);
        ::mkdir(run_.c_str(), 0700);
        ::mkdir((run_ + "/data").c_str(), 0700);
        ::mkdir((run_ + "/data/scratch").c_str(), 0700);
        // The environment is made by qor itself, then handed to alice by rewriting its rights.
        ASSERT_EQ(run("environment new=alicenv 'data/scratch' desc='Alice''s';\n   environment save;"), 0) << log_;
        ASSERT_EQ(xhlasn2("ALICE", (run_ + "/data/scratch").c_str(), -1, nullptr), 0);
    }
    void TearDown() override {
        xhldas2("ALICE");
        qor_remove_tree(run_);
    }
    // Runs one step of ZOZU statements in the run directory; the exit status, the log in log_.
    int run(const std::string& statements) {
        const std::string program = run_ + "/step.qor";
        std::ofstream(program) << "options generic;\nproc zozu;\n   " << statements << "\nrun;\n";
        const std::string command = "cd '" + run_ + "' && env -u RISKSAMP -u SEARCH_PATH QORUSER='" + run_ +
                                    "/qoruser' '" + QOR_BIN_DIR + "/qor' --msgids --log '" + run_ +
                                    "/log' step.qor > /dev/null 2>&1";
        int status = std::system(command.c_str());
        std::ifstream in(run_ + "/log");
        std::stringstream text;
        text << in.rdbuf();
        log_ = text.str();
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    void give_to_alice(uint32_t code) {
        qor_list* list = nullptr;
        ASSERT_NE(slnewl(&list, nullptr, 84), 0u);
        ASSERT_EQ(slofile(list, "ALICE.ALICENV.INHERIT.ZUDO12", 'R'), 0);
        RSKSEC alice{};
        std::memset(alice.owner, ' ', 32);
        std::memset(alice.group, ' ', 32);
        std::memcpy(alice.owner, "alice", 5);
        alice.owner_length = 5;
        alice.rights = code;
        ASSERT_EQ(rsssecg(nullptr, &alice, slid(list)), 0);
        ASSERT_EQ(slofile(list, "ALICE.ALICENV.INHERIT.ZUDO12", 'W'), 0);
        sldel(list, 0);
    }
    int64_t stamp() {
        qor_catalog* catalog = nullptr;
        int64_t value = -1;
        if (xlopen("ALICE", "ALICENV", QOR_CO_INPUT, &catalog) != 0) return -1;
        qor_catalog_stamp(catalog, &value);
        xlclose(catalog, 0);
        return value;
    }
    std::string run_;
    std::string log_;
};

TEST_F(RightsThroughQor, OwnerOnlyEnvironmentIsRefusedToAGuest) {
    give_to_alice(kRightsActive | 0x1C0);
    EXPECT_EQ(run("environment open=alicenv 'data/scratch';"), 1) << log_;
    EXPECT_NE(log_.find("598/3804"), std::string::npos) << log_;
    EXPECT_NE(log_.find("670/1014"), std::string::npos) << log_;
}

TEST_F(RightsThroughQor, ReadableEnvironmentOpensButKeepsItsOptions) {
    give_to_alice(kRightsActive | 0x004);
    const int64_t before = stamp();
    ASSERT_GE(before, 0);
    run("environment open=alicenv 'data/scratch' autosave;");
    EXPECT_EQ(log_.find("598/3804"), std::string::npos) << log_;
    EXPECT_NE(log_.find("598/3801"), std::string::npos) << log_;
    EXPECT_EQ(stamp(), before) << log_;
}

// A save that would write the environment (here its description changed on opening) must be
// refused with 598/3801 too. The environment save does not ask the rights layer (rssseck) yet:
// enable this once it does.
TEST_F(RightsThroughQor, SaveOfAReadableEnvironmentIsRefused) {
    give_to_alice(kRightsActive | 0x004);
    const int64_t before = stamp();
    run("environment open=alicenv 'data/scratch' desc='changed';\n   environment save;");
    EXPECT_NE(log_.find("598/3801"), std::string::npos) << log_;
    EXPECT_EQ(stamp(), before) << log_;
}

}  // namespace
