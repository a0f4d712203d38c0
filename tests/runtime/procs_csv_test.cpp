// PROC IMPORT, EXPORT and PRINT run as programs: exact round trips of a CSV file, values that
// survive a raw export bit for bit, failures that leave old outputs untouched, and listings
// split into panels that fit the print line.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/procs/proc_datasets.h"
#include "runtime/storage/libraries.h"
#include "runtime/submit/program_runner.h"

namespace fs = std::filesystem;
using namespace qor::runtime;

namespace {

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void spit(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Feeds a FIFO once a reader has opened it: `first`, then `between` runs, then `rest`. Gives up
// when no reader comes within ten seconds or when the reader goes away.
std::thread feed_fifo(const fs::path& fifo, std::string first, std::function<void()> between,
                      std::string rest) {
    return std::thread([=] {
        int fd = -1;
        for (int i = 0; i < 1000 && fd < 0; ++i) {
            fd = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
            if (fd < 0) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (fd < 0) return;
        ::fcntl(fd, F_SETFL, 0);
        auto put = [fd](const std::string& text) {
            for (size_t at = 0; at < text.size();) {
                ssize_t n = ::write(fd, text.data() + at, text.size() - at);
                if (n <= 0) return false;
                at += static_cast<size_t>(n);
            }
            return true;
        };
        if (put(first)) {
            between();
            put(rest);
        }
        ::close(fd);
    });
}

class ProcCsvTest : public ::testing::Test {
public:
    void SetUp() override {
        dir = fs::path(::testing::TempDir()) /
              ("qor_procs_" + std::to_string(::getpid()) + "_" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
        ASSERT_EQ(assign_library("pt", dir.string(), ""), 0);
        ASSERT_EQ(qor_print_set_log_file((dir / "log").c_str()), 0);
        ASSERT_EQ(qor_print_set_print_file((dir / "print").c_str()), 0);
        xplogl(1024);
    }
    void TearDown() override {
        qor_print_set_log_file(nullptr);
        qor_print_set_print_file(nullptr);
        xplogl(132);
        xpprnl(132);
        clear_library("pt");
        fs::remove_all(dir);
    }
    // Runs program text in which @ stands for the test directory; the program's worst code.
    int run(std::string program) {
        for (size_t at; (at = program.find('@')) != std::string::npos;)
            program.replace(at, 1, dir.string());
        int code = run_program_text(program, "test.qor").worst_code;
        xpoflsh(0);
        return code;
    }
    std::string log() { return slurp(dir / "log"); }
    std::string print() { return slurp(dir / "print"); }

    // Every value of a data set, numbers as their bits so that equality is exact.
    std::vector<std::string> values(const char* member) {
        DatasetReader reader;
        DatasetName name{"PT", member};
        EXPECT_TRUE(reader.open(name, "TEST"));
        std::vector<std::string> out;
        for (const DatasetVariable& v : reader.variables()) out.push_back(v.name);
        while (reader.next() == 1) {
            for (size_t i = 0; i < reader.variables().size(); ++i) {
                if (reader.variables()[i].desc.type == QOR_VAR_CHARACTER)
                    out.push_back("'" + reader.text(i) + "'");
                else
                    out.push_back(std::to_string(qor::bits_of(reader.number(i))));
            }
        }
        return out;
    }
    fs::path dir;
};

const std::string kPortfolio = std::string(QOR_SOURCE_DIR) + "/tests/e2e/data/portfolio.csv";

TEST_F(ProcCsvTest, FormattedExportReproducesTheImportedFile) {
    // With the dates shown in the file's own form, every field comes back as written.
    ASSERT_EQ(run("proc import datafile='" + kPortfolio + "' out=pt.port;\n"
                  "  format maturity yymmdd10.;\nrun;\n"
                  "proc export data=pt.port outfile='@/port.csv'; run;"), 0) << log();
    EXPECT_EQ(slurp(dir / "port.csv"), slurp(kPortfolio));
}

TEST_F(ProcCsvTest, RawExportKeepsEveryValueBitForBit) {
    spit(dir / "odd.csv",
         "x,when,label\r\n0.1,2026-12-10T13:45:00.25,a\r\n-1.5e-300,,\"two\r\nlines\"\r\n"
         "1e+20,2026-01-01T00:00:00,\r\n0.30000000000000004,,\" lead\"\r\n");
    ASSERT_EQ(run("proc import datafile='@/odd.csv' out=pt.one; run;\n"
                  "proc export data=pt.one outfile='@/one.csv' raw; run;\n"
                  "proc import datafile='@/one.csv' out=pt.two; run;"), 0) << log();
    EXPECT_EQ(values("one"), values("two"));
    EXPECT_NE(log().find("NOTE: 4 observations and 3 variables were written to PT.ONE."),
              std::string::npos) << log();
    // Raw numbers are plain decimals unless that would be long; missing numbers are empty.
    // 10 December 2026 is day 24450, so 13:45:00.25 that day is 24450 * 86400 + 49500.25.
    std::string raw = slurp(dir / "one.csv");
    EXPECT_NE(raw.find("\n0.1,2112529500.25,a\n"), std::string::npos) << raw;
    EXPECT_NE(raw.find("\n-1.5e-300,,\"two\r\nlines\"\n"), std::string::npos) << raw;
    EXPECT_NE(raw.find("\n1e+20,2082844800,\n"), std::string::npos) << raw;
    EXPECT_NE(raw.find("\n0.30000000000000004,,\" lead\"\n"), std::string::npos) << raw;
}

TEST_F(ProcCsvTest, CrlfFileImportsAsItsLfTwin) {
    std::string lf = slurp(kPortfolio), crlf;
    for (char c : lf) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    spit(dir / "crlf.csv", crlf);
    ASSERT_EQ(run("proc import datafile='" + kPortfolio + "' out=pt.lf; run;\n"
                  "proc import datafile='@/crlf.csv' out=pt.crlf; run;"), 0) << log();
    std::vector<std::string> a = values("lf"), b = values("crlf");
    // The quoted field that spans two lines keeps its own line end: CRLF in the CRLF file.
    for (std::string& v : b)
        for (size_t at; (at = v.find("\r\n")) != std::string::npos;) v.replace(at, 2, "\n");
    EXPECT_EQ(a, b);
}

TEST_F(ProcCsvTest, DeclaredInformatsAndFormatsOverrideTheGuess) {
    spit(dir / "decl.csv", "code,amount,day\n00123,\"1,250.50\",10DEC2026\nX9,bad,11DEC2026\n");
    ASSERT_EQ(run("proc import datafile='@/decl.csv' out=pt.decl;\n"
                  "  informat code $3. amount comma32.;\n  format amount comma10.2 day yymmdd10.;\n"
                  "run;\nproc print data=pt.decl noobs; run;"), 0) << log();
    EXPECT_EQ(values("decl")[3], "'001'");   // character, cut to the informat's width
    EXPECT_NE(log().find("WARNING: PROC IMPORT: the value 'bad' of column amount on line 3 "
                         "cannot be read with COMMA32.; it is missing."), std::string::npos) << log();
    EXPECT_EQ(print(), "Data set PT.DECL\n\ncode      amount         day\n"
                       "001     1,250.50  2026-12-10\nX9             .  2026-12-11\n\n");
}

TEST_F(ProcCsvTest, FailuresLeaveExistingOutputsUntouched) {
    spit(dir / "good.csv", "a\n1\n2\n");
    spit(dir / "bad.csv", "a\n\"3\n");
    spit(dir / "short.csv", "a,b\n1,2\n3\n");
    ASSERT_EQ(run("proc import datafile='@/good.csv' out=pt.keep; run;"), 0) << log();
    const std::vector<std::string> before = values("keep");
    spit(dir / "exists.csv", "old text");
    struct Case {
        const char* program;
        const char* message;
    };
    const Case cases[] = {
        {"proc import datafile='@/bad.csv' out=pt.keep replace; run;",
         "ERROR: PROC IMPORT: @/bad.csv: The quoted field that starts on line 2 is not closed."},
        {"proc import datafile='@/short.csv' out=pt.keep replace; run;",
         "ERROR: PROC IMPORT: the row on line 3 of @/short.csv has 1 fields; the header row has 2."},
        {"proc import datafile='@/good.csv' out=pt.keep; run;",
         "ERROR: PROC IMPORT: data set PT.KEEP already exists; add REPLACE to overwrite it."},
        {"proc import datafile='@/good.csv' out=pt.keep replace; informat a date9. a; run;",
         "ERROR: PROC IMPORT: a on line 1 has no format after it."},
        {"proc export data=pt.keep outfile='@/exists.csv'; run;",
         "ERROR: PROC EXPORT: the file @/exists.csv already exists; add REPLACE to overwrite it."},
        {"proc export data=pt.keep outfile='@/no/such/dir.csv'; run;",
         "ERROR: PROC EXPORT: the file @/no/such/dir.csv cannot be created: No such file or directory."},
        {"proc export data=pt.none outfile='@/none.csv'; run;",
         "ERROR: PROC EXPORT: data set PT.NONE does not exist."},
    };
    for (const Case& c : cases) {
        fs::remove(dir / "log");
        qor_print_set_log_file((dir / "log").c_str());
        EXPECT_EQ(run(c.program), 1) << c.program;
        std::string message = c.message;
        for (size_t at; (at = message.find('@')) != std::string::npos;)
            message.replace(at, 1, dir.string());
        EXPECT_NE(log().find(message), std::string::npos) << log();
    }
    EXPECT_EQ(values("keep"), before);
    EXPECT_EQ(slurp(dir / "exists.csv"), "old text");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(dir)) left.push_back(entry.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"bad.csv", "exists.csv", "good.csv", "keep.qor7bdat",
                                              "log", "print", "short.csv"}));
}

TEST_F(ProcCsvTest, ImportWithoutReplaceNeverOverwritesAMemberCreatedMeanwhile) {
    std::signal(SIGPIPE, SIG_IGN);
    spit(dir / "other.csv", "b\n7\n8\n9\n");
    ASSERT_EQ(run("proc import datafile='@/other.csv' out=pt.other; run;"), 0) << log();
    const std::vector<std::string> other = values("other");
    const std::vector<std::string> fed = {"a", std::to_string(qor::bits_of(1.0)),
                                          std::to_string(qor::bits_of(2.0))};
    ASSERT_EQ(::mkfifo((dir / "feed.csv").c_str(), 0600), 0);
    struct Case {
        const char* replace;
        int code;
        bool fed_wins;
    };
    for (const Case& c : {Case{"", 1, false}, Case{"replace", 0, true}}) {
        SCOPED_TRACE(c.replace);
        fs::remove(dir / "race.qor7bdat");
        // The member appears after the step found it absent and before the step ends.
        std::thread writer = feed_fifo(dir / "feed.csv", "a\n1\n", [&] {
            fs::copy_file(dir / "other.qor7bdat", dir / "copy.part");
            fs::rename(dir / "copy.part", dir / "race.qor7bdat");
        }, "2\n");
        int code = run(std::string("proc import datafile='@/feed.csv' out=pt.race ") + c.replace +
                       "; run;");
        writer.join();
        EXPECT_EQ(code, c.code) << log();
        EXPECT_EQ(values("race"), c.fed_wins ? fed : other);
    }
    EXPECT_NE(log().find("ERROR: PROC IMPORT: data set PT.RACE already exists; add REPLACE to "
                         "overwrite it."), std::string::npos) << log();
}

TEST_F(ProcCsvTest, RowsAfterTheGuessingRowsKeepTheirValuesInARegularFile) {
    // Types are guessed from the first 10,000 rows. A regular file is read to its end first, so
    // a later text turns its column character and a later long text sets the length; a pipe is
    // read once, so the same values become missing or are cut, each with a warning.
    std::signal(SIGPIPE, SIG_IGN);
    std::string first = "n,s\n";
    for (int i = 1; i <= 10000; ++i) first += std::to_string(i) + ",x\n";
    const std::string last = "n/a,a much longer text\n";
    spit(dir / "late.csv", first + last);
    ASSERT_EQ(::mkfifo((dir / "late_pipe.csv").c_str(), 0600), 0);
    struct Case {
        const char* file;
        std::vector<std::string> first_and_last;   // n and s of observations 1 and 10,001
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {"late.csv", {"'1'", "'x'", "'n/a'", "'a much longer text'"},
         {"NOTE: PROC IMPORT: column n is read as character: the value 'n/a' on line 10002 "
          "cannot be read with "}},
        {"late_pipe.csv",
         {std::to_string(qor::bits_of(1.0)), "'x'", std::to_string(qor::bits_of(qor::missing())),
          "'a'"},
         {"WARNING: PROC IMPORT: the value 'n/a' of column n on line 10002 cannot be read with ",
          "WARNING: PROC IMPORT: the value of column s on line 10002 is longer than the 1 "
          "characters of the column and is cut (INFORMAT s $w. sets a length)."}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        fs::remove(dir / "log");
        qor_print_set_log_file((dir / "log").c_str());
        std::thread writer;
        if (std::string(c.file) == "late_pipe.csv")
            writer = feed_fifo(dir / c.file, first, [] {}, last);
        int code = run(std::string("proc import datafile='@/") + c.file + "' out=pt.late replace; run;");
        if (writer.joinable()) writer.join();
        ASSERT_EQ(code, 0) << log();
        std::vector<std::string> v = values("late");
        ASSERT_EQ(v.size(), 2u + 2u * 10001u);
        EXPECT_EQ((std::vector<std::string>{v[2], v[3], v[v.size() - 2], v.back()}),
                  c.first_and_last);
        for (const std::string& m : c.messages) EXPECT_NE(log().find(m), std::string::npos) << log();
        EXPECT_NE(log().find("NOTE: 10001 observations and 2 variables were written to PT.LATE."),
                  std::string::npos) << log();
    }
}

TEST_F(ProcCsvTest, InputBeyondTheLimitsIsRefusedWithTheLimit) {
    std::string wide;
    for (int i = 1; i <= 32768; ++i) wide += (i > 1 ? ",c" : "c") + std::to_string(i);
    spit(dir / "wide.csv", wide + "\n");
    struct Case {
        const char* program;
        const char* message;
    };
    const Case cases[] = {
        // A file without a line end is read up to the longest row, not to the end of memory.
        {"proc import datafile='/dev/zero' out=pt.zero; run;",
         "ERROR: PROC IMPORT: /dev/zero: The row that starts on line 1 is longer than 4194304 "
         "bytes, the longest row that can be read."},
        {"proc import datafile='@/wide.csv' out=pt.wide; run;",
         "ERROR: PROC IMPORT: the header row of @/wide.csv has 32768 columns, more than the 32767 "
         "variables a data set can hold."},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(run(c.program), 1) << c.program;
        std::string message = c.message;
        for (size_t at; (at = message.find('@')) != std::string::npos;) message.replace(at, 1, dir.string());
        EXPECT_NE(log().find(message), std::string::npos) << log();
    }
    EXPECT_FALSE(fs::exists(dir / "zero.qor7bdat"));
    EXPECT_FALSE(fs::exists(dir / "wide.qor7bdat"));
}

TEST_F(ProcCsvTest, ExportReplacesOnlyARegularFile) {
    spit(dir / "good.csv", "a\n1\n");
    ASSERT_EQ(run("proc import datafile='@/good.csv' out=pt.one; run;"), 0) << log();
    spit(dir / "target.csv", "old text");
    ASSERT_EQ(::symlink("target.csv", (dir / "link.csv").c_str()), 0);
    ASSERT_EQ(::mkfifo((dir / "fifo.csv").c_str(), 0600), 0);
    // A device node of our own (the null device's numbers) where the system lets us make one.
    const bool device = ::mknod((dir / "device.csv").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;
    fs::create_directory(dir / "folder.csv");
    struct Case {
        const char* target;
        mode_t type;
        const char* kind;
    };
    const Case cases[] = {
        {"link.csv", S_IFLNK, "a symbolic link"},
        {"fifo.csv", S_IFIFO, "a FIFO"},
        {"device.csv", S_IFCHR, "a device"},
        {"folder.csv", S_IFDIR, "a directory"},
    };
    for (const Case& c : cases) {
        if (c.type == S_IFCHR && !device) continue;
        for (const char* replace : {"", " replace"}) {
            SCOPED_TRACE(std::string(c.target) + replace);
            fs::remove(dir / "log");
            qor_print_set_log_file((dir / "log").c_str());
            EXPECT_EQ(run(std::string("proc export data=pt.one outfile='@/") + c.target + "'" +
                          replace + "; run;"), 1);
            EXPECT_NE(log().find("ERROR: PROC EXPORT: " + (dir / c.target).string() + " is " +
                                 c.kind + ", not a regular file: only a regular file is written "
                                 "or replaced."), std::string::npos) << log();
            struct stat info;
            ASSERT_EQ(::lstat((dir / c.target).c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & S_IFMT, c.type);
        }
    }
    EXPECT_EQ(slurp(dir / "target.csv"), "old text");
    // A regular file is replaced; no temporary file is left beside any target.
    EXPECT_EQ(run("proc export data=pt.one outfile='@/target.csv' replace; run;"), 0) << log();
    EXPECT_EQ(slurp(dir / "target.csv"), "a\n1\n");
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(ProcCsvTest, WideListingsSplitIntoPanelsThatFitTheLine) {
    std::string header, row;
    for (int i = 1; i <= 9; ++i) {
        header += (i > 1 ? "," : "") + std::string("column_") + std::to_string(i);
        row += (i > 1 ? "," : "") + std::to_string(i * 1000 + i);
    }
    spit(dir / "wide.csv", header + "\n" + row + "\n" + row + "\n");
    ASSERT_EQ(run("options linesize=64;\n"
                  "proc import datafile='@/wide.csv' out=pt.wide; run;\n"
                  "proc print data=pt.wide; run;\n"
                  "options linesize=132;"), 0) << log();
    std::string listing = print();
    std::istringstream lines(listing);
    int headers = 0;
    std::string all;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 64u) << line;
        if (line.rfind("Obs", 0) == 0) ++headers;
        all += line + "\n";
    }
    // Obs (3) and four columns of 12 with gaps of 2 take 59 characters; a fifth would need 73,
    // so nine columns make three panels.
    EXPECT_EQ(headers, 3) << listing;
    EXPECT_NE(all.find("Obs      column_1      column_2      column_3      column_4\n"
                       "  1          1001          2002          3003          4004\n"),
              std::string::npos) << listing;
    for (int i = 1; i <= 9; ++i)
        EXPECT_NE(all.find("column_" + std::to_string(i)), std::string::npos) << i;
}

}  // namespace
