// The output object of the mark-to-market and GETRATES drivers: a default name only for the
// driver that asks for one, a library's own directory taken as the object (named by its last
// component, under its parent) with a note when a name was given too, and a library without a
// path that leaves the name and path as given.
#include <filesystem>
#include <string>

#include "engine/output/output_object.h"
#include "engine/run/driver_steps.h"
#include "engine/run/run_block.h"
#include "engine/run/run_storage.h"
#include "runtime/storage/libraries.h"
#include "tests/engine/definitions_fixture.h"

namespace {

namespace fs = std::filesystem;

class DriverOutput : public DefinitionsTest {};

TEST_F(DriverOutput, NameDirectoryAndNotesFollowTheLibraryAndTheName) {
    const fs::path results = dir_ / "lib" / "resdir";
    fs::create_directories(results);
    ASSERT_EQ(qor::runtime::assign_library("RESX", results.string(), "V9"), 0);
    const std::string parent = (dir_ / "named").string();
    fs::create_directories(parent);
    struct Case {
        const char* name;
        const char* library;         // 8 blank-padded characters, or null
        bool default_name;
        const char* object;          // the object's name
        std::string directory;       // its directory
        const char* note;            // a message id the step gives, or null
    };
    const Case cases[] = {
        {"", nullptr, true, "MarkToMarket", parent + "/MarkToMarket", nullptr},
        {"", nullptr, false, "risk_results", parent + "/risk_results", nullptr},
        {"vals", "        ", true, "vals", parent + "/vals", nullptr},
        {"", "resx    ", true, "resdir", results.string(), "670/1180"},   // the path was given
        {"vals", "RESX    ", true, "resdir", results.string(), "670/1180"},
        {"vals", "NOLIB   ", true, "vals", parent + "/vals", "670/1179"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + "|" + (c.library != nullptr ? c.library : "-"));
        ASSERT_EQ(rskmem0(con), 0) << log();
        const size_t at = log().size();
        RSKNAMEREC name = name_of(c.name);
        RSKNAMEREC path = name_of(parent.c_str());
        const RSKDRVOUTPUT how = {"MarkToMarket", "MarkToMarket", "no object", 2766, 2768, nullptr,
                                  static_cast<uint8_t>(c.default_name)};
        RSKCATOBJ* entry = nullptr;
        RSKOUTOBJ* object = nullptr;
        ASSERT_EQ(rskdrv_output(con, how, &name, &path, c.library, &entry, &object), 0) << log();
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(std::string(object->name.name.text, object->name.name.length), c.object);
        EXPECT_EQ(fs::path(std::string(object->path, object->path_length)), fs::path(c.directory));
        EXPECT_EQ(std::string(object->project_name.name.text, object->project_name.name.length), "MarkToMarket");
        EXPECT_EQ(con->run_block->output_object, object);
        const std::string said = log().substr(at);
        for (const char* id : {"670/1179", "670/1180"})
            EXPECT_EQ(said.find(id) != std::string::npos, c.note != nullptr && std::string(c.note) == id) << said;
        rskoutc(con, object);
        rskmemf(con);
    }
}

}  // namespace
