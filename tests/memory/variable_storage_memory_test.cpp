// Rewriting an environment's variable entries while the n-th allocation of the process fails, for
// every n (a sample of them past the first few hundred) until the rewrite runs through: each failure answers 1 with a message, leaves the
// previous entries whole, keeps the variables marked as changed, and no list stays alive.
#include "tests/engine/environment_fixture.h"
#include "tests/engine/variables_fixture.h"

namespace {

using namespace envtest;

// The RISK13 entries of a catalog with the size of each.
std::map<std::string, int64_t> variable_entries(const fs::path& dir, const std::string& name) {
    std::map<std::string, int64_t> out;
    if (xhlasn2("VARCHK", dir.c_str(), static_cast<int>(dir.string().size()), nullptr) != 0) return out;
    qor_catalog* catalog = nullptr;
    if (xlopen("VARCHK", name, QOR_CO_INPUT, &catalog) != 0) return out;
    qor_member_dir* members = nullptr;
    if (xldopen(catalog, "RISK13", &members) == 0) {
        qor_member_info info;
        while (xldread(members, &info) == 0) out[info.name] = info.size;
        xldclos(members);
    }
    xlclose(catalog, 0);
    return out;
}

class VariableRewriteUnderMemoryFailure : public EnvironmentTest {};

TEST_F(VariableRewriteUnderMemoryFailure, EveryFailureKeepsThePreviousEntries) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0) << log();
    auto define = engine_routine<EngineSlot::rskvard>();
    for (int i = 1; i <= 101; ++i) {
        std::string name = "v" + std::to_string(i);
        RSKVARIABLE* v = nullptr;
        ASSERT_EQ(define(con_ptr_, &v, &Declare(name.c_str()).label("a variable").request), 0) << log();
    }
    ASSERT_EQ(save(), 0) << log();
    auto previous = variable_entries(root_, "e1");
    ASSERT_EQ(previous.size(), 2u);
    // Each save changes the first variable, so every entry is rewritten (unchanged leading
    // entries would be kept as they are).
    RSKVARIABLE* first = con_ptr_->variables_head;
    while (first != nullptr && std::string_view(first->name.name.text, first->name.name.length) != "v1")
        first = first->next;
    ASSERT_NE(first, nullptr);
    long injected = 0;
    // Every allocation of the first entry's lists, then a sample of the rest (the rewrite makes
    // thousands), so that the second entry fails after the first was written too.
    for (long n = 1; n < 1000000; n += n < 400 ? 1 : 11) {
        con_ptr_->variables_dirty = 1;
        first->maturity = static_cast<double>(n);
        const int32_t number = con_ptr_->variable_list_number;
        const size_t lists = qor_list_live_count();
        const size_t logged = log().size();
        int rc = 0;
        qor_pool_fail_nth(n);
        try {
            rc = save();
        } catch (...) {
            qor_pool_fail_nth(0);
            FAIL() << "an exception escaped at allocation " << n;
        }
        const long left = qor_pool_fail_nth(0);
        SCOPED_TRACE("allocation " + std::to_string(n));
        EXPECT_EQ(qor_list_live_count(), lists) << "a list was left alive";
        const std::string text = log().substr(logged);
        if (left != 0) {   // the n-th allocation was never reached: the rewrite ran through
            EXPECT_EQ(rc, 0) << text;
            const auto now = variable_entries(root_, "e1");
            EXPECT_EQ(now.size(), 2u);
            EXPECT_NE(now, previous) << "numbers are never reused";
            EXPECT_EQ(con_ptr_->variables_dirty, 0);
            break;
        }
        ++injected;
        if (rc == 0) {
            // The failed allocation was one the save could do without: the rewrite is whole.
            EXPECT_EQ(con_ptr_->variables_dirty, 0);
            previous = variable_entries(root_, "e1");
            EXPECT_EQ(previous.size(), 2u);
        } else {
            EXPECT_EQ(rc, 1);
            EXPECT_NE(text.find("598/3048"), std::string::npos) << text;
            EXPECT_EQ(variable_entries(root_, "e1"), previous) << "the previous entries are whole";
            EXPECT_EQ(con_ptr_->variables_dirty, 1) << "the variables stay to be stored";
            EXPECT_EQ(con_ptr_->variable_list_number, number);
        }
        if (HasFailure()) break;
    }
    EXPECT_GT(injected, 300) << "the lists of the rewrite at least were failed";
    const std::string text = log();
    EXPECT_NE(text.find("598/113"), std::string::npos);
}

}  // namespace
