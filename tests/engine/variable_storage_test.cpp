// Variable entries of environments: packed by 100 and numbered after the highest list number read,
// only own variables written, nothing written without a change, a round trip over kinds (arrays
// with elements or a time grid), entries an older build wrote and damaged entries. Running out of
// memory while the entries are rewritten: tests/memory/variable_storage_memory_test.cpp.
#include "engine/model/variables/variables.h"
#include "tests/engine/environment_fixture.h"
#include "tests/engine/variables_fixture.h"

namespace {

using namespace envtest;

// The RISK13 entries of a catalog: name -> number of variables it packs (-1: not a packed entry).
std::map<std::string, int> variable_entries(const fs::path& dir, const std::string& name) {
    std::map<std::string, int> out;
    if (xhlasn2("VARCHK", dir.c_str(), static_cast<int>(dir.string().size()), nullptr) != 0) return out;
    qor_catalog* catalog = nullptr;
    if (xlopen("VARCHK", name, QOR_CO_INPUT, &catalog) != 0) return out;
    qor_member_dir* members = nullptr;
    std::vector<std::string> names;
    if (xldopen(catalog, "RISK13", &members) == 0) {
        qor_member_info info;
        while (xldread(members, &info) == 0) names.push_back(info.name);
        xldclos(members);
    }
    for (const std::string& entry : names) {
        qor_entry* e = nullptr;
        qor_list* list = nullptr;
        slnewl(&list, nullptr, 84);
        int count = -1;
        if (xlmopen(catalog, entry, "RISK13", QOR_CO_INPUT, &e) == 0) {
            qor_list* packed = nullptr;
            if (afrdlst(e, list) == 0 && slgnl(list, "_VARLIST", &packed) == 0) count = slcnt(packed);
            xlmclos(e, 0);
        }
        sldel(list, 0);
        out[entry] = count;
    }
    xlclose(catalog, 0);
    return out;
}

class VariableStorageTest : public EnvironmentTest {
protected:
    int declare(const Declare& d, RSKVARIABLE** out = nullptr) {
        RSKVARIABLE* v = nullptr;
        int rc = engine_routine<EngineSlot::rskvard>()(con_ptr_, &v, &d.request);
        if (out != nullptr) *out = v;
        return rc;
    }
    RSKVARIABLE* find(const std::string& name) {
        RSKNAMEREC rec{0, static_cast<uint16_t>(name.size()), const_cast<char*>(name.data())};
        return engine_routine<EngineSlot::rskvar>()(con_ptr_, &rec);
    }
    // Declares risk factors prefix1 .. prefixN.
    void declare_many(const std::string& prefix, int n) {
        for (int i = 1; i <= n; ++i) {
            std::string name = prefix + std::to_string(i);
            ASSERT_EQ(declare(Declare(name.c_str())), 0) << log();
        }
    }
    int64_t stamp_of(const std::string& name) {
        int64_t stamp = -1;
        qor_catalog* catalog = nullptr;
        if (xhlasn2("VARCHK", root_.c_str(), static_cast<int>(root_.string().size()), nullptr) == 0 &&
            xlopen("VARCHK", name, QOR_CO_INPUT, &catalog) == 0) {
            qor_catalog_stamp(catalog, &stamp);
            xlclose(catalog, 0);
        }
        return stamp;
    }
    // A registry's text of a code (the engine's own registries, as a user's program names them).
    template <EngineSlot S>
    std::string text_of(int code) {
        const char* text = nullptr;
        int length = engine_routine<S>()(con_ptr_, code, &text);
        std::string out(text, static_cast<size_t>(length));
        while (!out.empty() && out.back() == ' ') out.pop_back();
        return out;
    }
    static std::string names_of(const RSKNAMECELL* cell) {
        std::string out;
        for (; cell != nullptr; cell = cell->next) out += std::string(cell->name.name.text, cell->name.name.length) + " ";
        return out;
    }
    static std::string text(const RSKOBJNAME& name) { return std::string(name.name.text, name.name.length); }
    // Writes one RISK13 entry of hand-made lists into the environment's catalog.
    static void write_raw(const RSKENV* env, const std::string& entry, qor_list* list) {
        qor_catalog* catalog = nullptr;
        ASSERT_EQ(xlopen(libref_of_env(env), name_of_env(env), QOR_CO_UPDATE, &catalog), 0);
        qor_entry* e = nullptr;
        ASSERT_EQ(xlmopen(catalog, entry, "RISK13", QOR_CO_OUTPUT, &e), 0);
        if (list != nullptr) ASSERT_EQ(afwrlst(e, list), 0);
        else ASSERT_EQ(xcwrite(e, "\x07garbage\xff\x00\x01", 11), 0);
        ASSERT_EQ(xlmclos(e, 0), 0);
        xlclose(catalog, 0);
    }
};

TEST_F(VariableStorageTest, OwnVariablesArePackedByHundredsAfterTheHighestListNumber) {
    // The parent holds 5 variables in one entry (list number 1).
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("base"), true), 0);
    declare_many("b", 5);
    ASSERT_EQ(save(), 0) << log();
    const auto base_entries = variable_entries(root_, "base");
    EXPECT_EQ(base_entries, (std::map<std::string, int>{{"_VARLIST00000001", 5}}));

    // A child with 250 own variables and the inherited ones: three entries after number 1, and
    // none of the parent's variables among them.
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("desk"), true, path("base") + std::string(1, '\0')), 0) << log();
    ASSERT_NE(find("b3"), nullptr);
    declare_many("d", 250);
    ASSERT_EQ(save(), 0) << log();
    EXPECT_EQ(variable_entries(root_, "desk"), (std::map<std::string, int>{
                                                   {"_VARLIST00000002", 100},
                                                   {"_VARLIST00000003", 100},
                                                   {"_VARLIST00000004", 50}}));
    EXPECT_EQ(variable_entries(root_, "base"), base_entries);

    // A rewrite after a change keeps the leading entries that are unchanged and replaces the
    // rest under new numbers; numbers are never reused.
    ASSERT_EQ(declare(Declare("d251")), 0);
    ASSERT_EQ(save(), 0) << log();
    EXPECT_EQ(variable_entries(root_, "desk"), (std::map<std::string, int>{
                                                   {"_VARLIST00000002", 100},
                                                   {"_VARLIST00000003", 100},
                                                   {"_VARLIST00000005", 51}}));

    // Opened again: the parent's and the child's variables, each owned by its environment.
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("desk"), false), 0) << log();
    ASSERT_NE(find("d251"), nullptr);
    ASSERT_NE(find("b5"), nullptr);
    EXPECT_EQ(find("d1")->environment, con_ptr_->current_environment);
    EXPECT_NE(find("b5")->environment, con_ptr_->current_environment);
    EXPECT_EQ(con_ptr_->variable_list_number, 5);
    // A change in the first entry rewrites all of them, in the order they are read back.
    RSKVARIABLE* first = find("d1");
    ASSERT_NE(first, nullptr);
    first->drop = 1;
    con_ptr_->variables_dirty = 1;
    ASSERT_EQ(save(), 0) << log();
    EXPECT_EQ(variable_entries(root_, "desk"), (std::map<std::string, int>{
                                                   {"_VARLIST00000006", 100},
                                                   {"_VARLIST00000007", 100},
                                                   {"_VARLIST00000008", 51}}));

    // An environment without own variables keeps no variable entry.
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("empty"), true, path("base") + std::string(1, '\0')), 0) << log();
    con_ptr_->variables_dirty = 1;
    ASSERT_EQ(save(), 0) << log();
    EXPECT_TRUE(variable_entries(root_, "empty").empty());
}

TEST_F(VariableStorageTest, AWorkingCopyWritesItsVariablesOnceAndASecondSaveWritesNothing) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    ASSERT_NE(start(true, false), nullptr);
    ASSERT_EQ(choose(path("e1"), false), 0) << log();
    ASSERT_NE(con_ptr_->held_environment, nullptr);
    ASSERT_EQ(declare(Declare("rate1").label("Zero rate")), 0);
    ASSERT_EQ(save(), 0) << log();
    EXPECT_EQ(variable_entries(root_, "e1"), (std::map<std::string, int>{{"_VARLIST00000001", 1}}));
    const int64_t stamp = stamp_of("e1");
    EXPECT_EQ(save(), 0) << log();
    EXPECT_EQ(stamp_of("e1"), stamp);
    // New parents rebuild the environment from its catalogs: a variable not yet saved survives.
    ASSERT_EQ(declare(Declare("rate2")), 0);
    ASSERT_EQ(catalog_routine<CatalogSlot::rssenve>()(con_ptr_, nullptr, -1, nullptr), 0) << log();
    EXPECT_NE(find("rate2"), nullptr);
    EXPECT_EQ(stamp_of("e1"), stamp);
    // A new process finds the variable with its label; the system variables were not stored.
    ASSERT_NE(start(true, false), nullptr);
    ASSERT_EQ(choose(path("e1"), false), 0) << log();
    RSKVARIABLE* v = find("rate1");
    ASSERT_NE(v, nullptr);
    EXPECT_EQ(std::string(v->properties.description, static_cast<size_t>(v->properties.description_length)),
              "Zero rate");
    EXPECT_EQ(con_ptr_->variables_dirty, 0);
}

TEST_F(VariableStorageTest, VariablesComeBackAsDefinedOverKindsAndArrays) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    RSKVARIABLE* v = nullptr;
    Declare rate("rate1", RSKVKIND_FACTOR, 1, 321);   // an interest rate
    rate.label("Zero rate").currency("USD").maturity(6, 3);
    rate.request.measurement_level = 1;
    rate.request.group = "Curves";
    rate.request.group_length = -1;
    ASSERT_EQ(declare(rate, &v), 0) << log();
    auto add_category = engine_routine<EngineSlot::rskvarb>();
    ASSERT_EQ(add_category(con_ptr_, v, "Rates", -1), 0);
    ASSERT_EQ(add_category(con_ptr_, v, "USD", -1), 0);
    ASSERT_EQ(declare(Declare("rate2").maturity(1)), 0);
    ASSERT_EQ(declare(Declare("vol1", RSKVKIND_FACTOR, 1, 501).scale(1.5).reference("rate1")), 0) << log();
    Declare notional("notional", RSKVKIND_INSTRUMENT);
    notional.format("8.2");
    notional.request.noholding = 1;
    notional.request.varpost = 7;
    ASSERT_EQ(declare(notional), 0) << log();
    ASSERT_EQ(declare(Declare("pv", RSKVKIND_OUTPUT).label("Present value")), 0) << log();
    RSKVARIABLE* curve = nullptr;
    ASSERT_EQ(declare(Declare("curve", RSKVKIND_FACTOR, RSKDTYPE_ARRAY), &curve), 0) << log();
    auto add_element = engine_routine<EngineSlot::rskarya>();
    ASSERT_EQ(add_element(con_ptr_, curve, "rate2", -1), 0) << log();
    ASSERT_EQ(add_element(con_ptr_, curve, "rate1", -1), 0) << log();
    RSKVARIABLE* gridded = nullptr;
    ASSERT_EQ(declare(Declare("gridded", RSKVKIND_FACTOR, RSKDTYPE_ARRAY), &gridded), 0) << log();
    ASSERT_EQ(add_element(con_ptr_, gridded, "rate1", -1), 0);
    engine_routine<EngineSlot::rskname>()(con_ptr_, &gridded->time_grid_name, "quarters", -1);
    gridded->time_grid_array = 1;
    ASSERT_EQ(save(), 0) << log();

    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), false), 0) << log();
    RSKVARIABLE* r = find("rate1");
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->kind, RSKVKIND_FACTOR);
    EXPECT_EQ(r->role, 321u);
    EXPECT_EQ(r->data_type, 1u);
    EXPECT_EQ(std::string(r->currency, 3), "USD");
    EXPECT_EQ(r->maturity, 6.0);
    EXPECT_EQ(r->maturity_unit, 3u);
    EXPECT_DOUBLE_EQ(r->maturity_time, 0.5);   // six months
    EXPECT_EQ(find("vol1")->scale, 1.5);
    EXPECT_EQ(r->measurement_level, 1u);
    EXPECT_EQ(std::string(r->group, static_cast<size_t>(r->group_length)), "Curves");
    EXPECT_EQ(names_of(r->categories_head), "Rates USD ");
    RSKVARIABLE* n = find("notional");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->kind, RSKVKIND_INSTRUMENT);
    EXPECT_EQ(text(n->format_text), "8.2");
    EXPECT_EQ(n->noholding, 1);
    EXPECT_EQ(n->varpost, 7u);
    EXPECT_EQ(find("rate2")->maturity_unit, 4u);
    RSKVARIABLE* p = find("pv");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->kind, RSKVKIND_OUTPUT);
    EXPECT_EQ(std::string(p->properties.description, static_cast<size_t>(p->properties.description_length)),
              "Present value");
    RSKVARIABLE* c = find("curve");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(names_of(c->element_names_head), "rate2 rate1 ");
    EXPECT_EQ(c->time_grid_array, 0);
    // The grid wins: its stored elements are not read.
    RSKVARIABLE* g = find("gridded");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->time_grid_array, 1);
    EXPECT_EQ(text(g->time_grid_name), "quarters");
    EXPECT_EQ(g->element_names_head, nullptr);
}

TEST_F(VariableStorageTest, OlderAndDamagedEntriesLoadWhatTheyCanWithTheirMessages) {
    ASSERT_NE(start(false), nullptr);
    ASSERT_EQ(choose(path("e1"), true), 0);
    const std::string factor = text_of<EngineSlot::rskcsvk>(RSKVKIND_FACTOR);
    const std::string numeric = text_of<EngineSlot::rskcsdt>(1);
    const std::string var_role = text_of<EngineSlot::rskcsva>(301);
    // One variable in the form an older build wrote: no _VARLIST; MLEVEL in lower case, no MUNIT.
    auto variable = [&](const std::string& name, const std::string& kind, const std::string& type,
                        const std::string& role) {
        qor_list* l = nullptr;
        slnewl(&l, nullptr, 84);
        for (auto [item, value] : std::initializer_list<std::pair<const char*, std::string>>{
                 {"OBJTYPE", "VARIABLE"}, {"KIND", kind}, {"NAME", name}, {"LABEL", "old"}, {"TYPE", type},
                 {"ROLE", role}, {"FORMAT", ""}, {"CURRENCY", "EUR"}, {"FROMCUR", "   "}, {"MLEVEL", "ratio"}})
            slinsc(l, value, QOR_SL_APPEND, item);
        slinsd(l, 4, QOR_SL_APPEND, "MATURITY");
        return l;
    };
    qor_list* single = variable("old1", factor, numeric, var_role);
    write_raw(con_ptr_->current_environment, "OLD1", single);
    sldel(single, 0);
    // A packed entry whose second and third variables carry unknown kind and role texts, and one
    // whose _LISTNO_ is missing.
    qor_list* packed = nullptr;
    slnewl(&packed, nullptr, 84);
    qor_list* vars = nullptr;
    slnewl(&vars, nullptr, 84);
    qor_list* good = variable("good1", factor, numeric, var_role);
    qor_list* bad_kind = variable("bad1", "Bogus", numeric, var_role);
    qor_list* bad_role = variable("bad2", factor, numeric, "Bogus");
    qor_list* bad_type = variable("bad3", factor, "Bogus", var_role);
    for (qor_list* l : {bad_kind, good, bad_role, bad_type}) slinsl(vars, slid(l), QOR_SL_APPEND, "");
    slinsl(packed, slid(vars), QOR_SL_APPEND, "_VARLIST");
    slinsd(packed, 41, QOR_SL_APPEND, "_LISTNO_");
    write_raw(con_ptr_->current_environment, "_VARLIST00000041", packed);
    write_raw(con_ptr_->current_environment, "_VARLIST00000043", nullptr);   // not a list at all
    // An entry that cannot be read ends the indexing of its environment: the next one is apart.
    ASSERT_EQ(choose(path("e2"), true), 0);
    slditm(packed, 2);   // no _LISTNO_
    write_raw(con_ptr_->current_environment, "_VARLIST00000042", packed);
    sldel(packed, 0);   // its sublists go with it

    ASSERT_NE(start(false), nullptr);
    const size_t lists = qor_list_live_count();
    ASSERT_EQ(choose(path("e2"), false), 0) << log();
    ASSERT_EQ(choose(path("e1"), false), 0) << log();
    EXPECT_EQ(qor_list_live_count(), lists);
    const std::string text = log();
    RSKVARIABLE* old = find("old1");
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(old->measurement_level, 1u);
    EXPECT_EQ(old->maturity_unit, 4u);
    EXPECT_DOUBLE_EQ(old->maturity_time, 4.0);
    EXPECT_NE(find("good1"), nullptr);
    for (const char* name : {"bad1", "bad2", "bad3"}) EXPECT_EQ(find(name), nullptr) << name;
    for (const char* id : {"598/3140", "598/3141", "598/3142", "598/3144", "598/105", "598/3143"})
        EXPECT_NE(text.find(id), std::string::npos) << id << "\n" << text;
    EXPECT_EQ(con_ptr_->variable_list_number, 41);
}

}  // namespace
