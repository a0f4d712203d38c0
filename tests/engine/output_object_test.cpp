// Output objects through the entry table: names and directories, redefinition, verification,
// the listing with and without GENERIC, DELETE, and the end of a run: close order, empty data
// sets, a failed close, and the archive that collects the closed data sets.
#include <filesystem>
#include <functional>
#include <fstream>
#include <string>
#include <vector>

#include "common/files/names.h"
#include "engine/model/names/name_records.h"
#include "engine/model/projects/projects.h"
#include "engine/output/output_object.h"
#include "engine/output/result_datasets.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/macro.h"
#include "runtime/storage/libraries.h"
#include "tests/engine/definitions_fixture.h"

namespace {

namespace fs = std::filesystem;

class OutputObjects : public DefinitionsTest {
protected:
    // Defines `name` under `parent` (empty: the environment's directory); the record or null.
    RSKOUTOBJ* define(const char* name, const std::string& parent, int create, int* rc = nullptr) {
        RSKNAMEREC key = name_of(name);
        RSKNAMEREC path = name_of(parent.c_str());
        RSKCATOBJ* object = nullptr;
        const int result = engine_routine<EngineSlot::rskoutd>()(con, &object, &key, nullptr, &path, create, nullptr);
        if (rc != nullptr) *rc = result;
        return object != nullptr ? static_cast<RSKOUTOBJ*>(object->object) : nullptr;
    }
    std::string since(size_t at) { return log().substr(at); }
    static std::string path_of(const RSKOUTOBJ* object) { return std::string(object->path, object->path_length); }
};

TEST(HostStart, JobIdIsTheProcessId) {
    char value[32] = {};
    ASSERT_GT(xjsymget(xalanch(), "SYSJOBID", 8, value, sizeof value), 0);
    EXPECT_EQ(std::string(value), std::to_string(::getpid()));
}

TEST_F(OutputObjects, NamesBecomeTheirOwnDirectoriesUnderTheParent) {
    struct Case {
        const char* name;
        const char* directory;       // made under the parent; null: refused
        bool note_1402;
    };
    const Case cases[] = {
        {"q1 res/A", "q1_res_A", true},
        {"", "risk_results", false},
        {"plain", "plain", false},
        {".", nullptr, false},
        {"..", nullptr, false},
    };
    const std::string parent = (dir_ / "results").string();   // made on the way
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const size_t at = log().size();
        int rc = -1;
        RSKOUTOBJ* object = define(c.name, parent, RSKOUTD_CREATE, &rc);
        const std::string said = since(at);
        EXPECT_EQ(said.find("598/1402") != std::string::npos, c.note_1402) << said;
        if (c.directory == nullptr) {
            EXPECT_EQ(rc, 1);
            EXPECT_EQ(object, nullptr);
            continue;
        }
        ASSERT_EQ(rc, 0) << said;
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(path_of(object), (fs::path(parent) / c.directory).string());
        EXPECT_TRUE(fs::is_directory(fs::path(parent) / c.directory));
    }
    // Refused names made nothing but the named ones: the parent holds exactly three directories.
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(parent)) entries += entry.is_directory() ? 1 : 0;
    EXPECT_EQ(entries, 3);
}

TEST_F(OutputObjects, AParentThatCannotBeMadeFailsTheDefinition) {
    std::ofstream(dir_ / "blocker") << "a file, not a directory";
    const size_t at = log().size();
    int rc = -1;
    define("Blocked", (dir_ / "blocker" / "below").string(), RSKOUTD_CREATE, &rc);
    EXPECT_EQ(rc, 1);
    const std::string said = since(at);
    EXPECT_NE(said.find("598/1412"), std::string::npos) << said;
    EXPECT_NE(said.find("598/1401"), std::string::npos) << said;
}

TEST_F(OutputObjects, NoMemoryForARecordLeavesNoObject) {
    con->free_lists->output_objects = nullptr;
    qor_pool_fail_nth(1);
    int rc = -1;
    EXPECT_EQ(define("Starved", dir_.string(), RSKOUTD_CREATE, &rc), nullptr);
    qor_pool_fail_nth(0);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(count_of(log(), "598/2797"), 1);
    RSKNAMEREC key = name_of("Starved");
    EXPECT_EQ(engine_routine<EngineSlot::rskout>()(con, &key), nullptr);
    EXPECT_FALSE(fs::exists(dir_ / "Starved"));
    // The eleventh object takes a record from a second block of ten.
    std::vector<RSKOUTOBJ*> records;
    for (int i = 0; i < 11; ++i) {
        const std::string name = "Obj" + std::to_string(i);
        records.push_back(define(name.c_str(), dir_.string(), RSKOUTD_CREATE));
        ASSERT_NE(records.back(), nullptr);
    }
    EXPECT_EQ(records[9] - records[0], 9);
    const std::less<const RSKOUTOBJ*> before;
    EXPECT_FALSE(!before(records[10], records[0]) && before(records[10], records[0] + 10));
}

TEST_F(OutputObjects, RedefiningKeepsTheRecordAndForgetsItsFiles) {
    RSKOUTOBJ* object = define("Run1", dir_.string(), RSKOUTD_CREATE);
    ASSERT_NE(object, nullptr);
    ASSERT_NE(rskout_add_file(con, object, RSKOUTFILE_DATA, RSKRES_SUMMARY, "SUMMARY", -1, "a", 1), nullptr);
    RSKOUTFILE* last = rskout_add_file(con, object, RSKOUTFILE_MDDB, RSKRES_SUMMARY, "SUMMARY", -1, "b", 1);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(object->file_count, 2);

    // The directory exists now: it is used as it is, with a note and result 0.
    const size_t at = log().size();
    int rc = -1;
    EXPECT_EQ(define("Run1", dir_.string(), RSKOUTD_CREATE, &rc), object);
    EXPECT_EQ(rc, 0);
    EXPECT_NE(since(at).find("598/1414"), std::string::npos) << since(at);
    EXPECT_EQ(object->file_count, 0);
    EXPECT_EQ(object->files_head, nullptr);
    EXPECT_EQ(object->files_tail, nullptr);
    // Both entries went back to their free list, the last one on top.
    EXPECT_EQ(con->free_lists->output_files, last);
}

TEST_F(OutputObjects, RemovingAFileKeepsTailAndCount) {
    RSKOUTOBJ* object = define("Files", dir_.string(), RSKOUTD_CREATE);
    ASSERT_NE(object, nullptr);
    RSKOUTFILE* a = rskout_add_file(con, object, RSKOUTFILE_DATA, 1, "A", -1, "", 0);
    RSKOUTFILE* b = rskout_add_file(con, object, RSKOUTFILE_DATA, 2, "B", -1, "", 0);
    RSKOUTFILE* c = rskout_add_file(con, object, RSKOUTFILE_DATA, 3, "C", -1, "", 0);
    rskout_remove_file(con, object, c);
    EXPECT_EQ(object->files_tail, b);
    RSKOUTFILE* d = rskout_add_file(con, object, RSKOUTFILE_DATA, 4, "D", -1, "", 0);
    EXPECT_EQ(b->next, d);
    rskout_remove_file(con, object, a);
    EXPECT_EQ(object->files_head, b);
    EXPECT_EQ(object->file_count, 2);
}

TEST_F(OutputObjects, VerifyingFindsOnlyAnExistingDirectory) {
    const std::string parent = (dir_ / "elsewhere").string();
    const size_t at = log().size();
    int rc = -1;
    define("Missing", parent, RSKOUTD_VERIFY, &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(since(at).find("598/1418"), std::string::npos) << since(at);
    EXPECT_FALSE(fs::exists(parent));
    // Read back from the catalog, the object loads all the same.
    RSKOUTOBJ* loaded = define("Missing", parent, RSKOUTD_LOAD, &rc);
    EXPECT_EQ(rc, 0);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->path_length, 0);

    fs::create_directories(fs::path(parent) / "Missing");
    RSKOUTOBJ* found = define("Missing", parent, RSKOUTD_VERIFY, &rc);
    EXPECT_EQ(rc, 0);
    EXPECT_EQ(path_of(found), (fs::path(parent) / "Missing").string());
    // A file in the directory's place is no output directory.
    std::ofstream(fs::path(parent) / "Plain") << "x";
    const size_t before = log().size();
    define("Plain", parent, RSKOUTD_VERIFY, &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_NE(since(before).find("598/1417"), std::string::npos) << since(before);
}

TEST_F(OutputObjects, ListingShowsEveryLineAndNoRealPathUnderGeneric) {
    RSKOUTOBJ* object = define("Listed", dir_.string(), RSKOUTD_CREATE);
    ASSERT_NE(object, nullptr);
    rskname(con, &object->project_name, "P1", -1);
    rskname(con, &object->run_name, "Monday", -1);
    object->run_time = 1.9e9;
    rskout_add_file(con, object, RSKOUTFILE_DATA, RSKRES_SUMMARY, "SUMMARY", -1, object->path, object->path_length);
    rskout_add_file(con, object, RSKOUTFILE_MDDB, RSKRES_SUMMARY, "SUMMARYDB", -1, object->path, object->path_length);
    rskout_add_file(con, object, 7, RSKRES_SUMMARY, "CUBE1", -1, "", 0);
    const std::string real = path_of(object);
    for (uint32_t generic : {0u, 1u}) {
        SCOPED_TRACE(generic);
        con->generic = generic;
        const size_t at = listing().size();
        engine_routine<EngineSlot::rskoutp>()(con, object);
        const std::string shown = listing().substr(at);
        size_t last = 0;
        bool first = true;
        for (const char* id : {"598/2191", "598/2197", "598/2192", "598/2198", "598/2194", "598/2193", "598/2195"}) {
            const size_t here = shown.find(id);
            ASSERT_NE(here, std::string::npos) << id << shown;
            if (!first) {
                EXPECT_GT(here, last) << id;
            }
            first = false;
            last = here;
        }
        EXPECT_EQ(count_of(shown, "598/2196"), 3) << shown;
        EXPECT_NE(shown.find("DATA"), std::string::npos);
        EXPECT_NE(shown.find("MDDB"), std::string::npos);
        EXPECT_NE(shown.find("CUBE"), std::string::npos);
        EXPECT_EQ(shown.find(real) == std::string::npos, generic == 1) << shown;
        EXPECT_EQ(shown.find("<System-specific pathname>") != std::string::npos, generic == 1) << shown;
    }
    con->generic = 0;
}

TEST_F(OutputObjects, DeleteTakesTheObjectsOwnDirectoryOnly) {
    const fs::path parent = dir_ / "parent";
    RSKOUTOBJ* object = define("Gone", parent.string(), RSKOUTD_CREATE);
    ASSERT_NE(object, nullptr);
    std::ofstream(parent / "Gone" / "summary.qor7bdat") << "x";
    fs::create_directories(parent / "Neighbour");
    std::ofstream(parent / "keep.txt") << "x";

    RSKNAMEREC key = name_of("GONE");
    EXPECT_EQ(engine_routine<EngineSlot::rskoutx>()(con, &key), 0) << log();
    EXPECT_FALSE(fs::exists(parent / "Gone"));
    EXPECT_TRUE(fs::is_directory(parent / "Neighbour"));
    EXPECT_TRUE(fs::exists(parent / "keep.txt"));
    // Outside the environment's directory the directory went to the trash, not away for good.
    ASSERT_GT(con->scratch_length, 0);
    EXPECT_TRUE(fs::exists(fs::path(std::string(con->scratch_path, con->scratch_length)) / "Gone" / "summary.qor7bdat"));
    EXPECT_EQ(engine_routine<EngineSlot::rskout>()(con, &key), nullptr);
    // A second delete finds nothing.
    EXPECT_EQ(engine_routine<EngineSlot::rskoutx>()(con, &key), 1);
}

// ---- The end of a run ----

class RunClose : public OutputObjects {
protected:
    void SetUp() override {
        OutputObjects::SetUp();
        object_ = define("Run", dir_.string(), RSKOUTD_CREATE);
        ASSERT_NE(object_, nullptr);
        rskname(con, &con->run_block->project_name, "P1", -1);
        rskname(con, &con->run_block->run_name, "R1", -1);
        con->run_block->run_time = 1.9e9;
        ASSERT_EQ(rskouto(con, object_, RSKOUTROLE_RESULTS, 1, 1), 0) << log();
        libref_ = std::string(object_->libref, 8);
        libref_.erase(libref_.find_last_not_of(' ') + 1);
    }
    void TearDown() override {
        for (RSKRESDS& result : con->run_block->results.descriptors)
            if (result.dataset != nullptr) xoclose(result.dataset, 1);
        OutputObjects::TearDown();
    }

    // Opens the kind's data set in the object's library with one numeric column X and writes
    // `rows` rows (X = 1, 2, ...), as the result writer would; the descriptor stays open.
    RSKRESDS* open_kind(int kind, const char* member, int rows) {
        RSKRESDS* result = &con->run_block->results.descriptors[kind];
        result->kind = kind;
        result->open = 1;
        result->output_object = object_;
        rskname(con, &result->member, member, -1);
        qor_open_request open{};
        std::memset(open.libref, ' ', sizeof open.libref);
        std::memcpy(open.libref, libref_.data(), libref_.size());
        open.member.length = static_cast<int16_t>(std::strlen(member));
        std::memcpy(open.member.text, member, std::strlen(member));
        std::memset(open.member_type, ' ', sizeof open.member_type);
        open.mode = QOR_OPEN_OUTPUT;
        EXPECT_EQ(xoopen(&result->dataset, &open), 0);
        EXPECT_EQ(xvputi(result->dataset, 1, &result->definition), 0);
        qor_var_desc desc;
        xvnamei(&desc);
        std::strcpy(desc.name, "X");
        desc.name_length = 1;
        desc.type = QOR_VAR_NUMERIC;
        desc.length = 8;
        EXPECT_EQ(xvputd(result->definition, &desc, &value_, 8, nullptr), 0);
        EXPECT_EQ(xvpute(result->definition), 0);
        qor_obs_request request{};
        request.dataset = result->dataset;
        for (int i = 1; i <= rows; ++i) {
            value_ = i;
            EXPECT_EQ(xyvput(result->definition, 0), 0);
            EXPECT_EQ(xoadd(&request), 0);
        }
        result->rows = rows;
        rskout_add_file(con, object_, RSKOUTFILE_DATA, kind, member, -1, object_->path, object_->path_length);
        return result;
    }
    // Rows of a member of a library; -1 when it cannot be opened.
    static long long rows_of(const std::string& libref, const char* member) {
        qor_open_request open{};
        std::memset(open.libref, ' ', sizeof open.libref);
        std::memcpy(open.libref, libref.data(), libref.size());
        open.member.length = static_cast<int16_t>(std::strlen(member));
        std::memcpy(open.member.text, member, std::strlen(member));
        std::memset(open.member_type, ' ', sizeof open.member_type);
        open.mode = QOR_OPEN_INPUT;
        qor_dataset* ds = nullptr;
        if (xoopen(&ds, &open) != 0) return -1;
        int64_t n = -1;
        xoinfo(ds, QOR_INFO_OBSERVATIONS, &n);
        xoclose(ds, 0);
        return n;
    }
    bool listed(const char* member) {
        for (const RSKOUTFILE* f = object_->files_head; f != nullptr; f = f->next)
            if (std::string(f->member.name.text, f->member.name.length) == member) return true;
        return false;
    }

    RSKOUTOBJ* object_ = nullptr;
    std::string libref_;
    double value_ = 0;
};

TEST_F(RunClose, OpeningAssignsReslib1AndCopiesTheRun) {
    char value[16] = {};
    ASSERT_GT(xjsymget(xalanch(), "RESLIB1", 7, value, sizeof value), 0);
    EXPECT_EQ(std::string(value), libref_);
    EXPECT_EQ(std::string(object_->project_name.name.text, object_->project_name.name.length), "P1");
    EXPECT_EQ(std::string(object_->run_name.name.text, object_->run_name.name.length), "R1");
    EXPECT_EQ(object_->run_time, 1.9e9);
    EXPECT_NE(log().find("598/1400"), std::string::npos);
}

TEST_F(RunClose, EmptyDataSetsLeaveNoMemberExceptModcov) {
    // An earlier run of the object left SUMMARY with two rows.
    ASSERT_EQ(write_test_dataset(libref_.c_str(), "SUMMARY", {{"X", false, 8}}, {{"1"}, {"2"}}), 0);
    open_kind(RSKRES_INSTVALS, "INSTVALS", 3);
    open_kind(RSKRES_SUMMARY, "SUMMARY", 0);
    open_kind(RSKRES_MODCOV, "MODCOV", 0);
    EXPECT_EQ(rskoutc(con, object_), 0) << log();
    EXPECT_EQ(rows_of(libref_, "INSTVALS"), 3);
    EXPECT_EQ(rows_of(libref_, "SUMMARY"), -1);   // neither this run's nor the earlier one
    EXPECT_EQ(rows_of(libref_, "MODCOV"), 0);
    EXPECT_TRUE(listed("INSTVALS"));
    EXPECT_FALSE(listed("SUMMARY"));
    EXPECT_TRUE(listed("MODCOV"));
    EXPECT_EQ(object_->file_count, 2);
    // The run's result records are cleared.
    EXPECT_EQ(con->run_block->results.descriptors[RSKRES_INSTVALS].open, 0);
    EXPECT_EQ(con->run_block->results.descriptors[RSKRES_INSTVALS].dataset, nullptr);
}

TEST_F(RunClose, AFailedCloseKeepsTheEarlierMember) {
    ASSERT_EQ(write_test_dataset(libref_.c_str(), "INSTVALS", {{"X", false, 8}}, {{"7"}, {"8"}, {"9"}}), 0);
    RSKRESDS* result = open_kind(RSKRES_INSTVALS, "INSTVALS", 1);
    // The new data set's temporary file disappears before the close can put it in place.
    const fs::path directory = path_of(object_);
    for (const auto& entry : fs::directory_iterator(directory))
        if (entry.path().filename() != "instvals.qor7bdat") fs::remove_all(entry.path());
    const size_t at = log().size();
    EXPECT_EQ(rskputc(con, result), 1);
    EXPECT_GT(log().size(), at);
    EXPECT_EQ(result->open, 0);
    EXPECT_EQ(result->dataset, nullptr);
    EXPECT_EQ(rows_of(libref_, "INSTVALS"), 3);
}

TEST_F(RunClose, ArchiveCollectsEveryRunInCloseOrder) {
    RSKPROJECT project{};
    rskname(con, &project.name, "P1", -1);
    const fs::path archive = dir_ / "archive" / "q1";   // made when missing
    rskpnam(con, &project.options.archive, archive.string().c_str(), -1);
    con->run_block->project = &project;
    con->debug_categories |= RSKDEBUG_ON;
    ASSERT_EQ(xjsympc(xalanch(), "SYSJOBID", 8, "4242", 4), 0);

    // Opened in another order than they close in.
    open_kind(RSKRES_SUMMARY, "SUMMARY", 2);
    open_kind(RSKRES_INSTVALS, "INSTVALS", 3);
    const size_t at = log().size();
    ASSERT_EQ(rskoutc(con, object_), 0) << since(at);
    const std::string said = since(at);
    const size_t instvals = said.find("Appending INSTVALS to Archive");
    const size_t summary = said.find("Appending SUMMARY to Archive");
    ASSERT_NE(instvals, std::string::npos) << said;
    ASSERT_NE(summary, std::string::npos) << said;
    EXPECT_LT(instvals, summary);

    // A second run appends behind the first.
    con->run_block->run_time = 2.0e9;
    ASSERT_EQ(rskouto(con, object_, RSKOUTROLE_RESULTS, 1, 0), 0);
    open_kind(RSKRES_INSTVALS, "INSTVALS", 1);
    ASSERT_EQ(rskoutc(con, object_), 0) << log();

    char libref[9] = {};
    int is_new = 0;
    ASSERT_EQ(zlibnm2(archive.string().c_str(), -1, libref, nullptr, nullptr, &is_new, "V9"), 0);
    std::string archive_libref(libref, 8);
    archive_libref.erase(archive_libref.find_last_not_of(' ') + 1);
    EXPECT_EQ(rows_of(archive_libref, "INSTVALS"), 4);
    EXPECT_EQ(rows_of(archive_libref, "SUMMARY"), 2);

    // Every row carries the job, the project and the run time of the run that wrote it.
    qor_open_request open{};
    std::memset(open.libref, ' ', sizeof open.libref);
    std::memcpy(open.libref, archive_libref.data(), archive_libref.size());
    open.member.length = 8;
    std::memcpy(open.member.text, "INSTVALS", 8);
    std::memset(open.member_type, ' ', sizeof open.member_type);
    open.mode = QOR_OPEN_INPUT;
    qor_dataset* ds = nullptr;
    ASSERT_EQ(xoopen(&ds, &open), 0);
    int x = 0, job = 0, time = 0, proj = 0;
    ASSERT_EQ(xvfind(ds, "X", 1, &x, 0), 0);
    ASSERT_EQ(xvfind(ds, "_JobID_", 7, &job, 0), 0);
    ASSERT_EQ(xvfind(ds, "_RunTime_", 9, &time, 0), 0);
    ASSERT_EQ(xvfind(ds, "_Project_", 9, &proj, 0), 0);
    qor_obs_request request{};
    request.dataset = ds;
    std::vector<double> xs, times;
    while (xoget(&request, QOR_GET_NEXT) == 0) {
        double v = 0, t = 0;
        char job_text[33] = {}, project_text[33] = {};
        xvget1f(ds, x, &v);
        xvget1f(ds, time, &t);
        xvget1c(ds, job, job_text, 32, nullptr);
        xvget1c(ds, proj, project_text, 32, nullptr);
        xs.push_back(v);
        times.push_back(t);
        EXPECT_EQ(std::string(job_text, 4), "4242");
        EXPECT_EQ(std::string(project_text, 2), "P1");
    }
    xoclose(ds, 0);
    EXPECT_EQ(xs, (std::vector<double>{1, 2, 3, 1}));
    EXPECT_EQ(times, (std::vector<double>{1.9e9, 1.9e9, 1.9e9, 2.0e9}));
    con->run_block->project = nullptr;
}

}  // namespace
