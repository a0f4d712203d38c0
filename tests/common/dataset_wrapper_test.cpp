// Data set wrapper: writing and reading by number, appending, modes, removal of an
// observation, the message for an absent variable, type rules and the observation template.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/files/dataset.h"
#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/storage/libraries.h"
#include "tests/support/scratch.h"

namespace {

// A library in a temporary directory, a pool, the log in a file, and a chain of two variables:
// numeric X and character NAME (8 bytes).
class DatasetWrapper : public ::testing::Test {
protected:
    void SetUp() override {
        scratch.open("qor_dsw_");
        dir = scratch.dir;
        ASSERT_EQ(qor::runtime::assign_library("wraplib", dir.string(), ""), 0);
        pool = xmpoolc(0, 0, 0);
        x_var = new_dataset_var(pool, "X", &x, 8, 1, nullptr);
        name_var = new_dataset_var(pool, "NAME", name, 8, 2, x_var);
        obs = new_dataset_obs(pool, x_var, 1);
        ASSERT_NE(obs, nullptr);
    }
    void TearDown() override {
        delete_dataset_obs(pool, obs);
        xmpoold(pool);
        qor::runtime::clear_library("wraplib");
        scratch.close();
    }
    std::string log() { return scratch.log(); }
    dataset* opened(const char* member, int mode) {
        dataset* ds = new_dataset(pool, "WRAPLIB ", member, mode);
        EXPECT_EQ(open_dataset(ds), 0);
        return ds;
    }
    int write(dataset* ds, int64_t number, double value, const char* text) {
        obs->number = number;
        x = value;
        std::memset(name, ' ', 8);
        std::memcpy(name, text, std::strlen(text));
        return write_obs(ds, obs);
    }
    std::string read(dataset* ds, int64_t number, int* rc = nullptr) {
        obs->number = number;
        int result = read_obs(ds, obs);
        if (rc != nullptr) *rc = result;
        return std::to_string(static_cast<int>(x)) + ":" + std::string(name, 8);
    }
    // Writes rows 1..4 as X = 10 * i, NAME = "r<i>".
    void make_four(const char* member) {
        dataset* ds = opened(member, DATASET_WRITE);
        for (int i = 1; i <= 4; ++i) ASSERT_EQ(write(ds, i, 10 * i, ("r" + std::to_string(i)).c_str()), 0);
        EXPECT_EQ(ds->observations, 4);
        EXPECT_EQ(close_dataset(ds), 0);
        delete_dataset(pool, ds);
    }

    std::filesystem::path dir;
    ScratchArea scratch;
    qor_pool* pool = nullptr;
    double x = 0;
    char name[8] = {};
    dataset_var* x_var = nullptr;
    dataset_var* name_var = nullptr;
    dataset_obs* obs = nullptr;
};

TEST_F(DatasetWrapper, WritesAndReadsByNumberAndInOrder) {
    make_four("T");
    dataset* ds = opened("t", DATASET_READ);
    EXPECT_EQ(ds->observations, 4);
    EXPECT_EQ(read(ds, 3), "30:r3      ");
    EXPECT_EQ(read(ds, 1), "10:r1      ");
    for (int i = 1; i <= 4; ++i) EXPECT_EQ(read(ds, i), std::to_string(10 * i) + ":r" + std::to_string(i) + "      ");
    int rc = 0;
    read(ds, 5, &rc);
    EXPECT_EQ(rc, 1);
    EXPECT_EQ(write(ds, 1, 0, "no"), 2);          // opened for reading
    EXPECT_EQ(open_dataset(ds), 1);
    EXPECT_EQ(close_dataset(ds), 0);
    EXPECT_EQ(close_dataset(ds), 0);              // not open: still 0
    EXPECT_EQ(close_dataset(nullptr), 1);
    // The observation stays bound to the closed handle; a new open binds it again.
    EXPECT_EQ(open_dataset(ds), 0);
    EXPECT_EQ(read(ds, 2), "20:r2      ");
    close_dataset(ds);
    delete_dataset(pool, ds);
}

TEST_F(DatasetWrapper, AppendsOnlyTheNextObservationAndRewritesEarlierOnes) {
    dataset* ds = opened("grow", DATASET_WRITE);
    int rc = 0;
    read(ds, 1, &rc);
    EXPECT_EQ(rc, 2);                             // opened for writing
    EXPECT_EQ(write(ds, 2, 1, "a"), 1);           // two beyond the end
    EXPECT_EQ(write(ds, 1, 1, "a"), 0);
    EXPECT_EQ(write(ds, 2, 2, "b"), 0);
    EXPECT_EQ(write(ds, 1, 7, "seven"), 0);       // rewrites, does not add
    EXPECT_EQ(ds->observations, 2);
    EXPECT_EQ(ds->mode, DATASET_WRITE);
    close_dataset(ds);
    set_mode(ds, DATASET_UPDATE);
    ASSERT_EQ(open_dataset(ds), 0);
    EXPECT_EQ(write(ds, 3, 3, "c"), 0);
    EXPECT_EQ(write(ds, 5, 5, "e"), 1);
    EXPECT_EQ(ds->observations, 3);
    EXPECT_EQ(read(ds, 1), "7:seven   ");
    EXPECT_EQ(read(ds, 3), "3:c       ");
    close_dataset(ds);
    delete_dataset(pool, ds);
}

TEST_F(DatasetWrapper, RemovingAnObservationMovesTheLaterOnesDown) {
    make_four("rem");
    dataset* ds = opened("rem", DATASET_READ);
    obs->number = 2;
    EXPECT_EQ(remove_obs(ds, obs), 1);            // not update mode
    close_dataset(ds);
    set_mode(ds, DATASET_UPDATE);
    ASSERT_EQ(open_dataset(ds), 0);
    obs->number = 5;
    EXPECT_EQ(remove_obs(ds, obs), 1);
    obs->number = 2;
    EXPECT_EQ(remove_obs(ds, obs), 0);
    EXPECT_EQ(ds->observations, 3);
    EXPECT_EQ(ds->mode, DATASET_UPDATE);
    EXPECT_EQ(std::string(name, 8), "r4      ");  // the buffers hold the last observation
    EXPECT_EQ(read(ds, 1), "10:r1      ");
    EXPECT_EQ(read(ds, 2), "30:r3      ");
    EXPECT_EQ(read(ds, 3), "40:r4      ");
    EXPECT_EQ(close_dataset(ds), 0);
    ASSERT_EQ(set_mode(ds, DATASET_READ), 0);
    ASSERT_EQ(open_dataset(ds), 0);
    EXPECT_EQ(ds->observations, 3);
    EXPECT_EQ(read(ds, 3), "40:r4      ");
    // A removal that cannot read leaves mode, count and data as they were.
    close_dataset(ds);
    set_mode(ds, DATASET_UPDATE);
    open_dataset(ds);
    dataset_var* q = new_dataset_var(pool, "Q", &x, 8, 1, name_var);
    obs->number = 1;
    EXPECT_EQ(remove_obs(ds, obs), 2);
    EXPECT_EQ(ds->mode, DATASET_UPDATE);
    EXPECT_EQ(ds->observations, 3);
    name_var->next = nullptr;
    delete_dataset_var(pool, q);
    EXPECT_EQ(read(ds, 1), "10:r1      ");
    close_dataset(ds);
    delete_dataset(pool, ds);
}

TEST_F(DatasetWrapper, AnAbsentVariableIsNamedInTheLog) {
    make_four("T");
    dataset* ds = opened("T", DATASET_READ);
    dataset_var* q = new_dataset_var(pool, "Q", &x, 8, 1, name_var);
    int rc = 0;
    read(ds, 1, &rc);
    EXPECT_EQ(rc, 2);
    EXPECT_EQ(log(), "ERROR: Unable to find variable Q in dataset T\n");
    EXPECT_EQ(obs->bound, 0);
    name_var->next = nullptr;
    delete_dataset_var(pool, q);
    EXPECT_EQ(read(ds, 4, &rc), "40:r4      ");
    EXPECT_EQ(rc, 0);
    close_dataset(ds);
    delete_dataset(pool, ds);
}

TEST_F(DatasetWrapper, TypesNamesAndArguments) {
    EXPECT_EQ(new_dataset(pool, "WRAPLIB", "x", 2), nullptr);
    EXPECT_EQ(new_dataset_obs(pool, nullptr, 0), nullptr);
    EXPECT_EQ(new_dataset_var(pool, "A", nullptr, 8, 1, nullptr), nullptr);
    EXPECT_EQ(new_dataset_var(pool, "A", &x, 0, 1, nullptr), nullptr);
    dataset* ds = new_dataset(pool, "WRAPLIB", "types", DATASET_WRITE);   // NUL-ended libref
    EXPECT_EQ(set_mode(ds, 2), 1);
    EXPECT_EQ(ds->mode, DATASET_WRITE);
    ASSERT_EQ(open_dataset(ds), 0);
    char odd[4] = {'o', 'd', 'd', ' '};
    char long_name[] = "A_VARIABLE_NAME_OF_FORTY_CHARACTERS_LONG";
    dataset_var* t20 = new_dataset_var(pool, "T20", odd, 4, 20, name_var);
    EXPECT_EQ(t20->type, 3);
    dataset_var* cut = new_dataset_var(pool, long_name, &x, 8, 0, t20);
    EXPECT_EQ(write(ds, 1, 1, "one"), 0);
    close_dataset(ds);

    set_mode(ds, DATASET_READ);
    ASSERT_EQ(open_dataset(ds), 0);
    dataset_obs* all = get_obs_from_dataset(pool, ds);
    ASSERT_NE(all, nullptr);
    std::vector<std::string> names;
    std::vector<int> types, lengths;
    for (dataset_var* v = all->first; v != nullptr; v = v->next) {
        names.push_back(v->name);
        types.push_back(v->type);
        lengths.push_back(v->length);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"X", "NAME", "T20", std::string(long_name, 32)}));
    EXPECT_EQ(types, (std::vector<int>{1, 2, 2, 1}));
    EXPECT_EQ(lengths, (std::vector<int>{8, 8, 4, 8}));
    EXPECT_EQ(read_obs(ds, all), 0);
    EXPECT_EQ(std::string(static_cast<char*>(all->first->next->next->value), 4), "odd ");
    delete_dataset_obs(pool, all);
    close_dataset(ds);

    // Type -1 takes the type from the data set.
    set_mode(ds, DATASET_UPDATE);
    ASSERT_EQ(open_dataset(ds), 0);
    name_var->next = nullptr;
    dataset_var* from_data = new_dataset_var(pool, "T20", odd, 4, -1, name_var);
    EXPECT_EQ(from_data->type, -1);
    std::memcpy(odd, "even", 4);
    EXPECT_EQ(write(ds, 1, 2, "two"), 0);
    EXPECT_EQ(read(ds, 1), "2:two     ");
    close_dataset(ds);
    EXPECT_EQ(t20->next, cut);
    delete_dataset_var(pool, t20);                // frees T20 and the cut name after it
    delete_dataset(pool, ds);
    EXPECT_EQ(delete_dataset(nullptr, ds), 1);
    EXPECT_EQ(delete_dataset_obs(pool, nullptr), 1);
}

}  // namespace
