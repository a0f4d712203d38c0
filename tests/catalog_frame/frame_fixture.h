// A test bed for the catalog object frame: appendages installed, an environment "ENV1" (and a
// parent "ENV0") in a scratch library FTEST, the object tables of a few kinds, and a user.
#pragma once
#include <sys/stat.h>

#include <string>

#include "host/catalog.h"
#include "host/files.h"
#include "host/lists.h"
#include "host/save_support.h"
#include "tests/engine/engine_fixture.h"

class FrameTest : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        directory_ = test_path("frame");
        ::mkdir(directory_.c_str(), 0700);
        ASSERT_EQ(xhlasn2("FTEST", directory_.c_str(), -1, nullptr), 0);
        std::memset(&tables_, 0, sizeof tables_);
        auto tbla = engine_routine<EngineSlot::rsktbla>();
        for (int t : {RSKTAB_FILTERS, RSKTAB_FUNDCLASSES, RSKTAB_OUTPUTS, RSKTAB_TDATA, RSKTAB_PARMATRICES})
            ASSERT_EQ(tbla(&con_, &tables_.tables[t], 53, nullptr, con_.current_pool, con_.free_lists,
                           RSKSYM_ALPHABETICAL), 0);
        con_.current_tables = &tables_;
        make_environment(&parent_, "ENV0");
        make_environment(&current_, "ENV1");
        con_.current_environment = &current_;
        set_user("alice", "desk", 0);
        live_lists_ = qor_list_live_count();
    }
    void TearDown() override {
        EXPECT_EQ(qor_list_live_count(), live_lists_) << "a list was left alive";
        xhldas2("FTEST");
        qor_remove_tree(directory_.c_str());
        EngineTest::TearDown();
    }
    void make_environment(RSKENV* environment, const char* name) {
        std::memset(environment, 0, sizeof *environment);
        std::memcpy(environment->libref, "FTEST   ", 8);
        std::memcpy(environment->name.buffer, name, std::strlen(name));
        environment->name.name = RSKNAMEREC{32, static_cast<uint16_t>(std::strlen(name)), environment->name.buffer};
        environment->rights.security.read = 1;   // no rights code: everything allowed
    }
    void set_user(const char* user, const char* group, uint32_t code) {
        std::memset(con_.user_name, ' ', 32);
        std::memset(con_.group_name, ' ', 32);
        std::memcpy(con_.user_name, user, std::strlen(user));
        std::memcpy(con_.group_name, group, std::strlen(group));
        con_.user_name_length = static_cast<uint32_t>(std::strlen(user));
        con_.group_name_length = static_cast<uint32_t>(std::strlen(group));
        con_.default_rights = code;
        con_.identity_read = 1;
    }
    // A new list: the test frees it with sldel.
    static qor_list* new_list() {
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        return list;
    }
    // Writes a list as a catalog entry "FTEST.<catalog>.<member>.<type>" with a description.
    static void store(const qor_list* items, const std::string& catalog, const std::string& member,
                      const std::string& type, const std::string& description) {
        qor_list* copy = new_list();
        slcopy(items, copy);
        ASSERT_EQ(slofile(copy, "FTEST." + catalog + "." + member + "." + type, 'W', description), 0);
        sldel(copy, 0);
    }
    RSKCATOBJ* find(int table, const char* name) {
        RSKNAMEREC record = name_of(name);
        return static_cast<RSKCATOBJ*>(engine_routine<EngineSlot::rsksym>()(&con_, &tables_.tables[table], &record));
    }

    RSKOBJTABLES tables_{};
    RSKENV parent_{}, current_{};
    std::string directory_;
    size_t live_lists_ = 0;
};
