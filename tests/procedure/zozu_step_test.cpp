// ZOZU steps run through qor with GENERIC off: the phase notes in their order, the temporary
// environment, the audit trail of the guest user, and the step's end codes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

struct QorRun {
    int status = -1;
    std::string log;
    std::string print;
    fs::path dir;
};

std::string read_file(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the program in a fresh directory; the directory is kept for the caller to inspect.
QorRun run_qor(const std::string& name, const std::string& program) {
    QorRun r;
    r.dir = fs::path(::testing::TempDir()) / ("zozu_step_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(r.dir);
    fs::create_directories(r.dir);
    std::ofstream(r.dir / "p.qor") << program;
    std::string command = "cd '" + r.dir.string() + "' && env -u RISKSAMP -u QORROOT -u AUDIT_FILE '" +
                          std::string(QOR_BIN_DIR) + "/qor' --msgids --log log --print print p.qor";
    int rc = std::system(command.c_str());
    r.status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    r.log = read_file(r.dir / "log");
    r.print = read_file(r.dir / "print");
    return r;
}

// Whether the parts appear in the text in this order.
bool in_order(const std::string& text, std::initializer_list<const char*> parts) {
    size_t at = 0;
    for (const char* part : parts) {
        at = text.find(part, at);
        if (at == std::string::npos) return false;
        at += std::strlen(part);
    }
    return true;
}

TEST(ZozuStep, AnEmptyStepRunsNothing) {
    QorRun r = run_qor("empty", "options nogeneric;\nproc zozu;\nrun;\n");
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_NE(r.log.find("598/502 NOTE: Statement parsing took"), std::string::npos) << r.log;
    EXPECT_EQ(r.log.find("temporary environment"), std::string::npos) << r.log;
    EXPECT_EQ(r.log.find("ERROR"), std::string::npos) << r.log;
    fs::remove_all(r.dir);
}

TEST(ZozuStep, PhasesAndStatementsInOrder) {
    QorRun r = run_qor("phases",
                    "options nogeneric;\nproc zozu debugs;\n env;\n environment;\n"
                    " declare outvars=pv num computed;\n lag x;\nrun;\n");
    EXPECT_EQ(r.status, 1) << r.log;
    EXPECT_TRUE(in_order(r.log, {"598/502 NOTE: Statement parsing took", "598/505 NOTE:", "598/505 NOTE:",
                                 "598/502 NOTE: Setting up temporary environment took",
                                 "ZOZU: \"LAG\" statement not recognized.",
                                 "The step PROC ZOZU that starts on line 2 ended with code 1."}))
        << r.log;
    EXPECT_TRUE(in_order(r.print, {"ZOZU: Executing DECLARE Statement.", "ZOZU: Executing LAG Statement."}))
        << r.print;
    EXPECT_EQ(r.print.find("Executing ENV"), std::string::npos) << r.print;
    fs::remove_all(r.dir);
}

TEST(ZozuStep, GenericSuppressesEveryTimingNote) {
    QorRun r = run_qor("generic", "options generic;\nproc zozu;\n declare outvars=pv num computed;\n lag x;\nrun;\n");
    EXPECT_EQ(r.status, 1) << r.log;
    EXPECT_EQ(r.log.find("598/502"), std::string::npos) << r.log;
    fs::remove_all(r.dir);
}

TEST(ZozuStep, AuditTrailNamesTheGuest) {
    QorRun r = run_qor("audit", "options generic;\nproc zozu audittrail;\nrun;\n");
    EXPECT_EQ(r.status, 0) << r.log;
    std::string audit = read_file(r.dir / "audit.log");
    EXPECT_TRUE(in_order(audit, {"the session of user Guest began.", "the session of user Guest ended."}))
        << audit;
    fs::remove_all(r.dir);
}

}  // namespace
