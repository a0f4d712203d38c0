// The catalog object frame through vector 383: the stored form of an object's list, indexing of
// an environment's members, inherited and overriding objects, loading and deleting.
#include <functional>
#include <vector>

#include "engine/tables/catalog_records.h"
#include "tests/catalog_frame/frame_fixture.h"

namespace {

using Reader = int (*)(RSKCON*, uint32_t, RSKLISTWS*, int, int, RSKCATOBJ**, RSKCATOBJ*);

// A stand-in reader for filters: it hangs a fresh object on the header, or hangs one and fails.
int g_reads = 0;
int g_fail_reads = 0;
alignas(8) char g_objects[8][16];
int test_reader(RSKCON*, uint32_t list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    header->object = g_objects[g_reads % 8];
    ++g_reads;
    if (out) *out = header;
    std::string_view name;
    if (slgnc(slistp(list), "NAME", &name) != 0) return 1;
    return g_fail_reads > 0 && g_fail_reads-- > 0 ? 1 : 0;
}

std::vector<std::string> names_of(const qor_list* list) {
    std::vector<std::string> names;
    for (int i = 1; i <= slcnt(list); ++i) {
        std::string_view name;
        slni(list, i, &name);
        names.emplace_back(name);
    }
    return names;
}

class ObjectFrame : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        slots_ = const_cast<void**>(wivget(383)->slots);
        saved_reader_ = slots_[static_cast<int>(CatalogSlot::rsswhrs)];
        slots_[static_cast<int>(CatalogSlot::rsswhrs)] = reinterpret_cast<void*>(&test_reader);
        g_reads = 0;
        g_fail_reads = 0;
    }
    void TearDown() override {
        slots_[static_cast<int>(CatalogSlot::rsswhrs)] = saved_reader_;
        FrameTest::TearDown();
    }
    RSKCATOBJ* define(const char* name, const char* description, int32_t kind = RSKKIND_FILTER) {
        RSKNAMEREC n = name_of(name), d = name_of(description);
        RSKCATOBJ* header = nullptr;
        EXPECT_EQ(catalog_routine<CatalogSlot::rssofid>()(&con_, &header, &n, &d, kind), 0) << log();
        return header;
    }
    int save(RSKCATOBJ* header, qor_list* list) {
        return catalog_routine<CatalogSlot::rssofis>()(&con_, header, slid(list));
    }
    // The stored entry of a filter in a catalog, read back; the caller deletes it.
    qor_list* stored(const std::string& catalog, const std::string& member) {
        qor_list* list = new_list();
        EXPECT_EQ(slofile(list, "FTEST." + catalog + "." + member + ".RISK11", 'R', ""), 0) << member;
        return list;
    }
    static qor_list* caller_list(const char* name) {
        qor_list* list = new_list();
        slinsc(list, "FILTER", QOR_SL_APPEND, "OBJTYPE");
        slinsc(list, name, QOR_SL_APPEND, "NAME");
        slinsd(list, 1, QOR_SL_APPEND, "X");
        return list;
    }
    void** slots_ = nullptr;
    void* saved_reader_ = nullptr;
};

// The checks of the frame, in order, each building on what the earlier ones stored.
TEST_F(ObjectFrame, ChecksOfTheFrameThroughItsEntryTable) {
    const std::vector<std::pair<const char*, std::function<void()>>> checks = {
        {"a caller's list is stored with properties and version, without securities when rights are off", [&] {
             RSKCATOBJ* header = define("F1", "d");
             ASSERT_NE(header, nullptr);
             qor_list* list = caller_list("F1");
             ASSERT_EQ(save(header, list), 0) << log();
             EXPECT_EQ(names_of(list), (std::vector<std::string>{"OBJTYPE", "NAME", "X"})) << "the caller's list";
             qor_list* entry = stored("ENV1", "F1");
             EXPECT_EQ(names_of(entry),
                       (std::vector<std::string>{"OBJTYPE", "NAME", "X", "PROPERTIES", "VERSION"}));
             qor_list* properties = nullptr;
             ASSERT_EQ(slgnl(entry, "PROPERTIES", &properties), 0);
             std::string_view text;
             double modified = 0;
             EXPECT_EQ(slgnc(properties, "DESC", &text), 0);
             EXPECT_EQ(text, "d");
             EXPECT_EQ(slgnd(properties, "MODIFIED", &modified), 0);
             EXPECT_GT(modified, 2.0e9);   // a date-time of this century, in seconds since 1960
             EXPECT_EQ(slgnc(entry, "VERSION", &text), 0);
             EXPECT_EQ(text, "V9      ");
             sldel(entry, 0);
             sldel(list, 0);
         }},
        {"with rights switched on and an owner the entry gains scrambled securities", [&] {
             set_user("alice", "desk", 0x3FF);
             RSKCATOBJ* header = define("F1", "d");
             qor_list* list = caller_list("F1");
             ASSERT_EQ(save(header, list), 0) << log();
             qor_list* entry = stored("ENV1", "F1");
             qor_list* securities = nullptr;
             ASSERT_EQ(slgnl(entry, "SECURITIES", &securities), 0) << log();
             std::string_view owner, group;
             double code = 0;
             EXPECT_EQ(slgnc(securities, "OWNER", &owner), 0);
             EXPECT_EQ(slgnc(securities, "GROUP", &group), 0);
             EXPECT_EQ(slgnd(securities, "SECCODE", &code), 0);
             EXPECT_EQ(owner.size(), 48u);
             EXPECT_EQ(group.size(), 48u);
             EXPECT_EQ(owner.find("alice"), std::string_view::npos) << "the owner is not stored in clear";
             sldel(entry, 0);
             sldel(list, 0);
             set_user("alice", "desk", 0);
         }},
        {"a list that has properties and securities already gets each once", [&] {
             set_user("alice", "desk", 0x3FF);
             RSKCATOBJ* header = define("F2", "second");
             qor_list* list = caller_list("F2");
             for (const char* name : {"PROPERTIES", "SECURITIES"}) {
                 qor_list* old = new_list();
                 slinsc(old, "stale", QOR_SL_APPEND, "DESC");
                 slinsl(list, slid(old), QOR_SL_APPEND, name);
                 sldel(old, 0);
             }
             ASSERT_EQ(save(header, list), 0) << log();
             EXPECT_EQ(names_of(list), (std::vector<std::string>{"OBJTYPE", "NAME", "X", "PROPERTIES", "SECURITIES"}))
                 << "the caller's list stays as it was";
             qor_list* entry = stored("ENV1", "F2");
             EXPECT_EQ(names_of(entry), (std::vector<std::string>{"OBJTYPE", "NAME", "X", "PROPERTIES", "SECURITIES",
                                                                  "VERSION"}));
             qor_list* properties = nullptr;
             std::string_view text;
             slgnl(entry, "PROPERTIES", &properties);
             slgnc(properties, "DESC", &text);
             EXPECT_EQ(text, "second");
             sldel(entry, 0);
             sldel(list, 0);
             set_user("alice", "desk", 0);
         }},
        {"indexing takes names from descriptions, skips unknown types, keeps descriptions of FUNDCL", [&] {
             qor_list* items = caller_list("Filter_with_a_long_name");
             store(items, "ENV1", "F_STORED", "RISK11", "Filter_with_a_long_name");
             store(items, "ENV1", "ODD", "BOGUS", "whatever");
             store(items, "ENV1", "FN1", "FUNDCL", "Pricing functions");
             sldel(items, 0);
             ASSERT_EQ(catalog_routine<CatalogSlot::rssoflo>()(&con_, &current_), 0) << log();
             RSKCATOBJ* filter = find(RSKTAB_FILTERS, "Filter_with_a_long_name");
             ASSERT_NE(filter, nullptr);
             EXPECT_EQ(std::string(filter->member_name.name.text, filter->member_name.name.length), "F_STORED");
             EXPECT_EQ(filter->state, RSKCATOBJ_OWN);
             EXPECT_EQ(filter->properties.description_length, 0) << "the description field held the name";
             EXPECT_EQ(find(RSKTAB_FILTERS, "ODD"), nullptr);
             RSKCATOBJ* functions = find(RSKTAB_FUNDCLASSES, "FN1");
             ASSERT_NE(functions, nullptr);
             EXPECT_EQ(std::string(functions->properties.description,
                                   static_cast<size_t>(functions->properties.description_length)),
                       "Pricing functions");
             char type[9] = "xxxxxxxx";
             EXPECT_EQ(catalog_routine<CatalogSlot::rssobex>()(41, type), 1);
             EXPECT_STREQ(type, "        ");
             EXPECT_EQ(catalog_routine<CatalogSlot::rssobex>()(10, type), 0);
             EXPECT_STREQ(type, "RISK11  ");
         }},
        {"saving an object indexed under another member name writes that member again", [&] {
             RSKCATOBJ* filter = find(RSKTAB_FILTERS, "Filter_with_a_long_name");
             qor_list* list = caller_list("Filter_with_a_long_name");
             ASSERT_EQ(save(filter, list), 0) << log();
             sldel(list, 0);
             qor_catalog* catalog = nullptr;
             ASSERT_EQ(xlopen("FTEST", "ENV1", QOR_CO_INPUT, &catalog), 0);
             qor_entry* entry = nullptr;
             ASSERT_EQ(xlmopen(catalog, "F_STORED", "RISK11", QOR_CO_INPUT, &entry), 0);
             qor_member_info info;
             ASSERT_EQ(xlminfo(entry, &info), 0);
             EXPECT_EQ(info.description, "Filter_with_a_long_name");
             xlmclos(entry, 0);
             EXPECT_EQ(xlmfind(catalog, "FILTER_WITH_A_LONG_NAME", "RISK11"), static_cast<int>(QOR_C_NOT_FOUND));
             xlclose(catalog, 0);
         }},
        {"an object of a parent and of the current environment has one header, state 3", [&] {
             qor_list* items = caller_list("G1");
             store(items, "ENV0", "G1", "RISK11", "G1");
             store(items, "ENV1", "G1", "RISK11", "G1");
             sldel(items, 0);
             items = caller_list("P1");
             store(items, "ENV0", "P1", "RISK11", "P1");
             sldel(items, 0);
             auto index = catalog_routine<CatalogSlot::rssoflo>();
             ASSERT_EQ(index(&con_, &parent_), 0) << log();
             ASSERT_EQ(index(&con_, &current_), 0) << log();
             RSKCATOBJ* shared = find(RSKTAB_FILTERS, "G1");
             ASSERT_NE(shared, nullptr);
             EXPECT_EQ(shared->state, RSKCATOBJ_OVERRIDDEN);
             EXPECT_EQ(shared->environment, &current_);
             RSKCATOBJ* inherited = find(RSKTAB_FILTERS, "P1");
             ASSERT_NE(inherited, nullptr);
             EXPECT_EQ(inherited->state, RSKCATOBJ_INHERITED);
             EXPECT_EQ(inherited->environment, &parent_);
             EXPECT_EQ(catalog_routine<CatalogSlot::rssofif>()(&con_, inherited), 1);
             EXPECT_NE(log().find("598/3102"), std::string::npos) << log();
             EXPECT_EQ(find(RSKTAB_FILTERS, "P1"), inherited) << "an inherited object stays";
         }},
        {"a second load answers the same object, and a read check still runs from the cache", [&] {
             RSKCATOBJ* header = find(RSKTAB_FILTERS, "P1");
             auto load = catalog_routine<CatalogSlot::rssofiq>();
             void* first = load(&con_, header, 0);
             ASSERT_NE(first, nullptr) << log();
             EXPECT_EQ(load(&con_, header, 4), first);
             EXPECT_EQ(g_reads, 1) << "the entry is read into an object once";
         }},
    };
    for (const auto& [what, run] : checks) {
        SCOPED_TRACE(what);
        run();
        if (HasFatalFailure()) return;
    }
}

// A reader that fails after hanging part of an object on the header leaves no object behind:
// the next load reads the entry again instead of answering with the half-read object.
TEST_F(ObjectFrame, AFailedLoadLeavesNoObjectOnTheHeader) {
    RSKCATOBJ* header = define("H1", "half");
    qor_list* list = caller_list("H1");
    ASSERT_EQ(save(header, list), 0) << log();
    sldel(list, 0);
    auto load = catalog_routine<CatalogSlot::rssofiq>();
    g_fail_reads = 1;
    EXPECT_EQ(load(&con_, header, 0), nullptr);
    EXPECT_EQ(header->object, nullptr);
    EXPECT_NE(load(&con_, header, 0), nullptr) << log();
    EXPECT_EQ(g_reads, 2);
}

// Rights on the object and the environment guard a delete; a delete takes the entry and the
// header, and an object never saved is deleted as well.
TEST_F(ObjectFrame, DeleteNeedsTheWriteRightAndRemovesEntryAndHeader) {
    auto remove = catalog_routine<CatalogSlot::rssofif>();
    RSKCATOBJ* kept = define("K1", "kept");
    qor_list* list = caller_list("K1");
    ASSERT_EQ(save(kept, list), 0);
    sldel(list, 0);
    // Owned by erin, readable by others only: alice may not delete it.
    std::memcpy(kept->rights.security.owner, "erin", 4);
    kept->rights.security.owner_length = 4;
    kept->rights.security.rights = 0x200 | 0x1C4;
    kept->rights.cache = 0;
    EXPECT_EQ(remove(&con_, kept), 1);
    EXPECT_NE(log().find("598/3802"), std::string::npos) << log();
    EXPECT_EQ(find(RSKTAB_FILTERS, "K1"), kept);
    kept->rights.security.rights = 0;
    kept->rights.cache = 0;
    EXPECT_EQ(remove(&con_, kept), 0) << log();
    EXPECT_EQ(find(RSKTAB_FILTERS, "K1"), nullptr);
    qor_catalog* catalog = nullptr;
    ASSERT_EQ(xlopen("FTEST", "ENV1", QOR_CO_INPUT, &catalog), 0);
    EXPECT_EQ(xlmfind(catalog, "K1", "RISK11"), static_cast<int>(QOR_C_NOT_FOUND));
    xlclose(catalog, 0);
    RSKCATOBJ* unsaved = define("U1", "never saved");
    EXPECT_EQ(remove(&con_, unsaved), 0) << log();
    EXPECT_EQ(find(RSKTAB_FILTERS, "U1"), nullptr);
}

// A kind whose writer fails (here: a header without its object) fails through its slot, and the
// catalog is left alone.
TEST_F(ObjectFrame, KindsWithoutTheirFormFailThroughTheirSlot) {
    RSKCATOBJ* header = define("PM1", "a parameter matrix", RSKKIND_PARMATRIX);
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(save(header, nullptr), 1);
    EXPECT_EQ(catalog_routine<CatalogSlot::rssofiq>()(&con_, header, 0), nullptr);
    EXPECT_NE(log().find("598/3104"), std::string::npos) << "no entry was written: " << log();
}

}  // namespace
