// Search paths saved in and loaded from the user profile: the WORK of the run that loads them, a
// sample library that is not assigned, a damaged profile.
#include <sys/stat.h>

#include <string>
#include <vector>

#include "catalog/catalog_settings.h"
#include "common/files/names.h"
#include "engine/tables/settings_records.h"
#include "tests/catalog_rights/settings_fixture.h"

namespace {

TEST_F(CatalogSettings, SearchPathsInTheProfile) {
    const char* work = nullptr;
    int work_length = 0;
    ASSERT_EQ(zlib2ph("WORK", &work, &work_length), 0);
    const std::string current_work(work, static_cast<size_t>(work_length));
    const std::string extra = directory_ + "/extra";
    ::mkdir(extra.c_str(), 0700);
    // A profile saved in another run: its WORK was elsewhere; RISKSAMP is not assigned now.
    xhldas2("RISKSAMP");
    qor_list* profile = new_list();
    slinsc(profile, "/old/run/work", QOR_SL_APPEND, "WORK");
    slinsc(profile, "/old/samples", QOR_SL_APPEND, "RISKSAMP");
    slinsc(profile, extra, QOR_SL_APPEND, "XLIB0001");
    ASSERT_EQ(slofile(profile, "QORUSER.PROFILE.RISKPATH.SLIST", 'W'), 0);
    sldel(profile, 0);
    ASSERT_EQ(rsspthl(con), 0);
    std::vector<std::string> paths;
    for (const RSKPATHENTRY* e = con->search_path_head; e != nullptr; e = e->next)
        paths.emplace_back(e->path.name.text, e->path.name.length);
    ASSERT_EQ(paths.size(), 2u) << ::testing::PrintToString(paths);
    EXPECT_EQ(paths[0], current_work);
    EXPECT_EQ(paths[1], extra);

    // Saved and loaded again: the same paths; the list names each by its library reference.
    ASSERT_EQ(rsspths(con), 0);
    qor_list* saved = new_list();
    ASSERT_EQ(slofile(saved, "QORUSER.PROFILE.RISKPATH.SLIST", 'R'), 0);
    std::string_view first;
    slni(saved, 1, &first);
    EXPECT_EQ(first, "WORK");
    sldel(saved, 0);
    ASSERT_EQ(rsspthl(con), 0);
    int count = 0;
    for (const RSKPATHENTRY* e = con->search_path_head; e != nullptr; e = e->next) ++count;
    EXPECT_EQ(count, 2);

    // A damaged profile is a failure and leaves the paths.
    qor_entry_request request;
    request.libref = "QORUSER";
    request.catalog = "PROFILE";
    request.name = "RISKPATH";
    request.type = "SLIST";
    request.mode = QOR_CO_OUTPUT;
    qor_entry* entry = nullptr;
    ASSERT_EQ(xcopen(request, &entry), 0);
    ASSERT_EQ(xcwrite(entry, "\xff\xfe", 2), 0);
    ASSERT_EQ(xcclose(entry, 0), 0);
    EXPECT_EQ(rsspthl(con), 1);
    EXPECT_EQ(con->search_path_head != nullptr, true);
}

}  // namespace
