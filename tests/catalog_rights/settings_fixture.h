// A control structure made by the engine's own start-up, with a scratch library RTEST holding the
// catalog DESKENV of a current environment and a scratch user profile: the bed of the settings tests.
#pragma once
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "engine/model/options/engine_options.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/lists.h"
#include "host/save_support.h"
#include "runtime/core/step.h"
#include "tests/engine/engine_fixture.h"

class CatalogSettings : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        directory_ = test_path("settings");
        ::mkdir(directory_.c_str(), 0700);
        ::mkdir((directory_ + "/profile").c_str(), 0700);
        ASSERT_EQ(xhlasn2("RTEST", directory_.c_str(), -1, nullptr), 0);
        ASSERT_EQ(xhlasn2("QORUSER", (directory_ + "/profile").c_str(), -1, nullptr), 0);
        qor_step* step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        ASSERT_EQ(engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0), 0);
        qor::runtime::end_step(step);
        ASSERT_NE(con->environment_options, nullptr);
        std::memcpy(environment_.libref, "RTEST   ", 8);
        std::memcpy(environment_.name.buffer, "DESKENV", 7);
        environment_.name.name = RSKNAMEREC{32, 7, environment_.name.buffer};
        con->current_environment = &environment_;
        options = con->environment_options;
        lists_at_start_ = qor_list_live_count();
    }
    void TearDown() override {
        EXPECT_EQ(qor_list_live_count(), lists_at_start_);
        con->current_environment = nullptr;
        engine_routine<EngineSlot::rskterm>()(con);
        xhldas2("RTEST");
        xhldas2("QORUSER");
        qor_remove_tree(directory_);
        EngineTest::TearDown();
    }
    static qor_list* new_list() {
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        return list;
    }
    // A list with one sublist of that name holding one number.
    static qor_list* set_list(const char* set, const char* item, double value) {
        qor_list* list = new_list();
        qor_list* sub = new_list();
        slinsd(sub, value, QOR_SL_APPEND, item);
        slinsl(list, slid(sub), QOR_SL_APPEND, set);
        sldel(sub, 0);
        return list;
    }
    void write_raw(const char* name, const char* type, const char* bytes) {
        qor_entry_request request;
        request.libref = "RTEST";
        request.catalog = "DESKENV";
        request.name = name;
        request.type = type;
        request.mode = QOR_CO_OUTPUT;
        qor_entry* entry = nullptr;
        ASSERT_EQ(xcopen(request, &entry), 0);
        ASSERT_EQ(xcwrite(entry, bytes, std::strlen(bytes)), 0);
        ASSERT_EQ(xcclose(entry, 0), 0);
    }
    RSKCON* con = nullptr;
    RSKOPTREC* options = nullptr;
    RSKENV environment_{};
    std::string directory_;
    size_t lists_at_start_ = 0;
};

