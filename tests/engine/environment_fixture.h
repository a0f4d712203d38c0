// A test bed for environments: a started engine inside a step (options, object tables, WORK),
// a scratch directory for environments, and helpers that write and read environment catalogs
// and files the way stored objects, outputs and portfolio files lie on disk.
#pragma once
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "common/files/names.h"
#include "engine/model/options/engine_options.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/lists.h"
#include "host/save_support.h"
#include "runtime/core/step.h"
#include "tests/engine/engine_fixture.h"

namespace envtest {

namespace fs = std::filesystem;

inline constexpr int kVariables = 300;
inline constexpr int kObjects = 50;

// What one environment holds on disk, keyed by entry (NAME.TYPE) or file (path under its
// directory): the version letter each item names, or "?" when it names none.
using Content = std::map<std::string, std::string>;

class EnvironmentTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        root_ = fs::path(::testing::TempDir()) / ("env_" + std::to_string(::getpid()) + "_" +
                                                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root_);
        fs::create_directories(root_);
        // The user profile library of this test (assigned on first use otherwise, once per process).
        fs::create_directories(root_ / "user");
        setenv("QORUSER", (root_ / "user").c_str(), 1);
        xhldas2("QORUSER");
        xhlasn2("QORUSER", (root_ / "user").c_str(), static_cast<int>((root_ / "user").string().size()), nullptr);
    }
    void TearDown() override {
        stop();
        qor_set_crash_point(nullptr, 0);
        remove_working_copies();
        xhldas2("QORUSER");
        fs::remove_all(root_);
        EngineTest::TearDown();
    }

    // Starts the engine as a procedure step does; options as given.
    RSKCON* start(bool envcopy = true, bool backsave = true) {
        stop();
        step_ = qor::runtime::begin_step("ZOZU", "", 0, 1);
        auto init = engine_routine<EngineSlot::rskinit>();
        if (init(&con_ptr_, 0, 0, 0) != 0 || con_ptr_ == nullptr) return nullptr;
        con_ptr_->options->current.envcopy = envcopy ? 1 : 0;
        con_ptr_->options->current.backsave = backsave ? 1 : 0;
        con_ptr_->options->current.autosave = 0;
        return con_ptr_;
    }
    void stop() {
        if (con_ptr_ != nullptr) engine_routine<EngineSlot::rskterm>()(con_ptr_);
        con_ptr_ = nullptr;
        if (step_ != nullptr) qor::runtime::end_step(step_);
        step_ = nullptr;
    }

    // Environment e1 saved at version A, then opened again with ENVCOPY and BACKSAVE on: held,
    // with its working copy current.
    void open_copy_of_version_a() {
        ASSERT_NE(start(false), nullptr);
        ASSERT_EQ(choose(path("e1"), true), 0);
        write_version(con_ptr_->current_environment, "A");
        ASSERT_NE(start(true, true), nullptr);
        ASSERT_EQ(choose(path("e1"), false), 0) << log();
    }

    // Chooses an environment by path; parents to set as "a\0b\0".
    int choose(const std::string& where, bool create, const std::string& parents = {},
               const std::string& description = {}) {
        auto rssenvl = catalog_routine<CatalogSlot::rssenvl>();
        try {
            return rssenvl(con_ptr_, where.data(), static_cast<int>(where.size()),
                           description.empty() ? nullptr : description.data(), static_cast<int>(description.size()),
                           parents.empty() ? nullptr : parents.data(), static_cast<int>(parents.size()), nullptr, 0,
                           0, create ? 1 : 0, nullptr, 0);
        } catch (const qor::runtime::StepExit& exit) {
            return 10000 + exit.code;
        }
    }
    int save() { return catalog_routine<CatalogSlot::rssenva>()(con_ptr_); }
    int save_as(const std::string& where) {
        return catalog_routine<CatalogSlot::rssensa>()(con_ptr_, where.data(), static_cast<int>(where.size()), nullptr, 0);
    }

    std::string path(const std::string& name) const { return (root_ / name).string(); }
    static std::string name_of_env(const RSKENV* env) { return std::string(env->name.buffer, env->name.name.length); }
    static std::string libref_of_env(const RSKENV* env) {
        std::string libref(env->libref, 8);
        while (!libref.empty() && libref.back() == ' ') libref.pop_back();
        return libref;
    }
    static std::string outpath_of_env(const RSKENV* env) {
        return std::string(env->outpath.buffer, env->outpath.name.length);
    }

    // Writes one list entry {VERSION=version, extra items} into an environment's catalog.
    static void write_entry(qor_catalog* catalog, const std::string& name, const std::string& type,
                            const std::map<std::string, std::string>& items) {
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        for (auto& [key, value] : items) slinsc(list, value, QOR_SL_APPEND, key);
        qor_entry* entry = nullptr;
        ASSERT_EQ(xlmopen(catalog, name, type, QOR_CO_OUTPUT, &entry), 0) << name;
        ASSERT_EQ(afwrlst(entry, list), 0);
        ASSERT_EQ(xlmclos(entry, 0), 0);
        sldel(list, 0);
    }

    static void write_file(const fs::path& file, const std::string& version) {
        fs::create_directories(file.parent_path());
        std::ofstream(file) << "version " << version << " " << std::string(2048, '.') << "\n";
    }

    // Writes one whole version of an environment's objects and files: variables, objects, two
    // outputs and a portfolio-file pair in its output path, and its data set and index.
    static void write_version(const RSKENV* env, const std::string& version) {
        qor_catalog* catalog = nullptr;
        ASSERT_EQ(xlopen(libref_of_env(env), name_of_env(env), QOR_CO_UPDATE, &catalog), 0);
        ASSERT_EQ(qor_catalog_begin(catalog), 0);
        for (int i = 0; i < kVariables; ++i)
            write_entry(catalog, "V" + std::to_string(i), "RISK13", {{"VERSION", version}});
        for (int i = 0; i < kObjects; ++i)
            write_entry(catalog, "F" + std::to_string(i), "RISK11",
                        {{"VERSION", version}, {"OBJTYPE", "FILTER"}, {"NAME", "F" + std::to_string(i)}});
        write_entry(catalog, "OUT1", "RISK9", {{"VERSION", version}, {"NAME", "out1"}});
        write_entry(catalog, "OUT2", "RISK9", {{"VERSION", version}, {"NAME", "out2"}});
        write_entry(catalog, "PORT", "RISK7",
                    {{"VERSION", version}, {"FILENAME", "port"}, {"INFONAME", "portinfo"}});
        ASSERT_EQ(qor_catalog_commit(catalog), 0);
        xlclose(catalog, 0);
        fs::path out = outpath_of_env(env);
        for (const char* output : {"out1", "out2"})
            for (int i = 0; i < 3; ++i) write_file(out / output / ("part" + std::to_string(i)), version);
        write_file(out / "port.qor7bput", version);
        write_file(out / "portinfo.qor7bput", version);
        fs::path dir(std::string(env->path.buffer, env->path.name.length));
        std::string lower = name_of_env(env);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        write_file(dir / (lower + ".qor7bdat"), version);
        write_file(dir / (lower + ".qor7bndx"), version);
    }

    // Everything an environment named `name` in directory `dir` holds, by version.
    static Content content_of(const fs::path& dir, const std::string& name) {
        Content content;
        std::string libref = "ENVCHK";
        if (xhlasn2(libref.c_str(), dir.c_str(), static_cast<int>(dir.string().size()), nullptr) != 0) return content;
        qor_catalog* catalog = nullptr;
        if (xlopen(libref, name, QOR_CO_INPUT, &catalog) == 0) {
            qor_member_dir* members = nullptr;
            std::vector<qor_member_info> infos;
            if (xldopen(catalog, "", &members) == 0) {
                qor_member_info info;
                while (xldread(members, &info) == 0) infos.push_back(info);
                xldclos(members);
            }
            for (auto& info : infos) {
                if (info.type == "ZUDO12") continue;
                qor_list* list = nullptr;
                slnewl(&list, nullptr, 84);
                qor_entry* entry = nullptr;
                std::string version = "?";
                std::string_view value;
                if (xlmopen(catalog, info.name, info.type, QOR_CO_INPUT, &entry) == 0 && afrdlst(entry, list) == 0 &&
                    slgnc(list, "VERSION", &value) == 0)
                    version = std::string(value);
                if (entry != nullptr) xlmclos(entry, 0);
                sldel(list, 0);
                content[info.name + "." + info.type] = version;
            }
            xlclose(catalog, 0);
        }
        xhldas2(libref.c_str());
        std::string lower = name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (const fs::path& top : {dir / lower}) {
            if (!fs::is_directory(top)) continue;
            for (auto& item : fs::recursive_directory_iterator(top))
                if (item.is_regular_file()) content[fs::relative(item.path(), dir).string()] = file_version(item.path());
        }
        for (const char* extension : {".qor7bdat", ".qor7bndx"})
            if (fs::exists(dir / (lower + extension))) content[lower + extension] = file_version(dir / (lower + extension));
        return content;
    }

    static std::string file_version(const fs::path& file) {
        std::ifstream in(file);
        std::string word, version;
        in >> word >> version;
        return version.empty() ? "?" : version;
    }

    // The one version all of an environment's items name; "" when they disagree.
    static std::string single_version(const Content& content) {
        std::set<std::string> versions;
        for (auto& [item, version] : content) versions.insert(version);
        return versions.size() == 1 ? *versions.begin() : "";
    }

    // Working copies left in WORK by killed processes.
    static void remove_working_copies() {
        const char* work = nullptr;
        int length = 0;
        if (zlib2ph("WORK", &work, &length) != 0) return;
        std::error_code ignored;
        for (auto& item : fs::directory_iterator(std::string(work, static_cast<size_t>(length)), ignored))
            if (item.path().filename().string().rfind('_', 0) == 0) fs::remove_all(item.path(), ignored);
    }

    fs::path root_;
    RSKCON* con_ptr_ = nullptr;
    qor_step* step_ = nullptr;
};

}  // namespace envtest
