// Speed of stored environments: opening (indexing) an environment of 5,000 objects and 10,000
// variables, and saving it after one change, against the same reads and writes done straight on
// the catalog's SQLite file in the same run. Both print their ratio; results are cross-checked.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench/bench_support.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/variables/variables.h"
#include "engine/tables/catalog_table.h"
#include "engine/tables/control_structure.h"
#include "engine/tables/engine_table.h"
#include "engine/tables/variable_request.h"
#include "host/catalog.h"
#include "host/files.h"
#include "host/kernel.h"
#include "host/lists.h"
#include "host/missing.h"
#include "host/save_support.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"

namespace {

namespace fs = std::filesystem;

constexpr int kObjects = 5000;
constexpr int kVariables = 10000;
constexpr int kRounds = 5;

void die(const std::string& why) {
    std::fprintf(stderr, "bench_catalog: %s\n", why.c_str());
    std::exit(1);
}

// An engine inside a step with the options a user gets, and a scratch directory for the
// environment and the user profile.
struct Engine {
    RSKCON* con = nullptr;
    qor_step* step = nullptr;
    fs::path root;
    Engine() {
        qor_print_set_log_file("/dev/null");
        if (wiinstl((14 << 16) | 381, "TOLVANEA", 1) != 0 || wiinstl((14 << 16) | 383, "TOLVANEC", 1) != 0)
            die("the engine modules cannot be installed");
        root = fs::temp_directory_path() / ("bench_catalog_" + std::to_string(::getpid()));
        fs::remove_all(root);
        fs::create_directories(root / "user");
        setenv("QORUSER", (root / "user").c_str(), 1);
        step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        if (engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0) != 0) die("the engine does not start");
        con->options->current.autosave = 0;
    }
    ~Engine() {
        catalog_routine<CatalogSlot::rssenvt>()(con);
        engine_routine<EngineSlot::rskterm>()(con);
        qor::runtime::end_step(step);
        fs::remove_all(root);
    }
    std::string location() const { return (root / "bench").string(); }
    int choose(bool create) {
        const std::string where = location();
        return catalog_routine<CatalogSlot::rssenvl>()(con, where.data(), static_cast<int>(where.size()), nullptr, 0,
                                                       nullptr, 0, nullptr, 0, 0, create ? 1 : 0, nullptr, 0);
    }
    void set_copies(bool on) {
        con->options->current.envcopy = on ? 1 : 0;
        con->options->current.backsave = on ? 1 : 0;
    }
};

// Defines one interest-rate risk factor of the environment in use.
void define_factor(RSKCON* con, const std::string& name, int i) {
    static const char* kCurrencies[] = {"USD", "EUR", "GBP", "JPY", "CHF"};
    RSKVARDEF request{};
    request.name = name.c_str();
    request.name_length = -1;
    request.kind = RSKVKIND_FACTOR;
    request.data_type = 1;
    request.role = 321;
    request.currency = kCurrencies[i % 5];
    request.currency_length = 3;
    request.maturity = 1 + i / 5;
    request.maturity_unit = 4;
    request.scale = qor::missing();
    RSKVARIABLE* v = nullptr;
    if (engine_routine<EngineSlot::rskvard>()(con, &v, &request) != 0) die("definition of " + name + " failed");
}

// 5,000 filters written into the saved catalog, each named in its member's description.
void write_objects(const fs::path& directory) {
    if (xhlasn2("BENCHENV", directory.c_str(), -1, nullptr) != 0) die("the library cannot be assigned");
    qor_catalog* catalog = nullptr;
    if (xlopen("BENCHENV", "BENCH", QOR_CO_UPDATE, &catalog) != 0 || qor_catalog_begin(catalog) != 0)
        die("the catalog cannot be opened");
    qor_list* list = nullptr;
    slnewl(&list, nullptr, 84);
    slinsc(list, "FILTER", QOR_SL_APPEND, "OBJTYPE");
    for (int i = 0; i < kObjects; ++i) {
        char member[16], name[40];
        std::snprintf(member, sizeof member, "F%05d", i);
        std::snprintf(name, sizeof name, "Position_filter_%05d", i);
        slsnc(list, "NAME", name);
        slsnc(list, "WHERE", "notional > " + std::to_string(i));
        qor_entry* entry = nullptr;
        if (xlmopen(catalog, member, "RISK11", QOR_CO_OUTPUT, &entry, name) != 0 || afwrlst(entry, list) != 0 ||
            xlmclos(entry, 0) != 0)
            die("an object cannot be written");
    }
    sldel(list, 0);
    if (qor_catalog_commit(catalog) != 0) die("the objects cannot be committed");
    xlclose(catalog, 0);
    xhldas2("BENCHENV");
}

// The reference's view of an environment: every object under its name and every variable under
// its name with the items it was stored with.
struct Index {
    std::unordered_map<std::string, std::string> objects;   // name -> member
    std::unordered_map<std::string, qor_list*> variables;  // name -> its item list (owned by `packed`)
    std::vector<qor_list*> packed;                          // the decoded variable entries
    std::vector<std::string> packed_members;                // and their member names
    void clear() {
        objects.clear();
        variables.clear();
        packed_members.clear();
        for (qor_list* list : packed) sldel(list, 0);
        packed.clear();
    }
    ~Index() { clear(); }
};

struct Db {
    sqlite3* db = nullptr;
    explicit Db(const fs::path& file) {
        if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) die("sqlite open");
        sqlite3_busy_timeout(db, 10000);
    }
    ~Db() { sqlite3_close(db); }
};

// The reference open: one SELECT over the catalog; objects indexed by the name in their
// description, variable entries decoded and each variable indexed by its NAME item.
void reference_open(const fs::path& file, Index& index) {
    index.clear();
    Db db(file);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.db, "SELECT name, type, description, data FROM entries", -1, &st, nullptr) != SQLITE_OK)
        die("sqlite prepare");
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::string member(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        std::string type(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        if (type == "RISK11") {
            std::string name(static_cast<const char*>(sqlite3_column_blob(st, 2)),
                             static_cast<size_t>(sqlite3_column_bytes(st, 2)));
            index.objects.emplace(std::move(name), std::move(member));
        } else if (type == "RISK13") {
            qor_list* list = nullptr;
            slnewl(&list, nullptr, 84);
            if (qor_list_decode(sqlite3_column_blob(st, 3), static_cast<size_t>(sqlite3_column_bytes(st, 3)), list,
                                nullptr) != 0)
                die("a variable entry cannot be decoded");
            index.packed.push_back(list);
            index.packed_members.push_back(member);
            qor_list* variables = nullptr;
            if (slgnl(list, "_VARLIST", &variables) != 0) die("a variable entry has no _VARLIST");
            for (int i = 1, n = slcnt(variables); i <= n; ++i) {
                qor_list* variable = nullptr;
                std::string_view name;
                if (slitml(variables, i, &variable) == 0 && slgnc(variable, "NAME", &name) == 0)
                    index.variables.emplace(std::string(name), variable);
            }
        }
    }
    sqlite3_finalize(st);
}

// The reference save: the same packed entries built again from the variables' items, encoded and
// written in one transaction that replaces them under their names.
void reference_save(const fs::path& file, const Index& index) {
    Db db(file);
    sqlite3_exec(db.db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db.db,
                           "INSERT OR REPLACE INTO entries (name, type, description, created_us, modified_us, data) "
                           "VALUES (?, 'RISK13', x'', 0, 0, ?)",
                           -1, &st, nullptr) != SQLITE_OK)
        die("sqlite prepare");
    std::string blob;
    for (size_t number = 0; number < index.packed.size(); ++number) {
        const qor_list* stored = index.packed[number];
        qor_list* stored_variables = nullptr;
        slgnl(stored, "_VARLIST", &stored_variables);
        qor_list* entry = nullptr;
        slnewl(&entry, nullptr, 84);
        qor_list* variables = nullptr;
        slnewl(&variables, nullptr, 84);
        slinsl(entry, slid(variables), QOR_SL_APPEND, "_VARLIST");
        for (int i = 1, n = slcnt(stored_variables); i <= n; ++i) {
            qor_list* variable = nullptr;
            std::string_view item_name;
            slitml(stored_variables, i, &variable);
            slni(stored_variables, i, &item_name);
            qor_list* copy = nullptr;
            slnewl(&copy, nullptr, 84);
            slcopy(variable, copy);
            slinsl(variables, slid(copy), QOR_SL_APPEND, item_name);
            sldel(copy, 0);   // the entry holds it
        }
        sldel(variables, 0);
        double list_number = 0;
        slgnd(stored, "_LISTNO_", &list_number);
        slinsd(entry, list_number, QOR_SL_APPEND, "_LISTNO_");
        qor_list_encode(entry, &blob);
        sldel(entry, 0);
        sqlite3_bind_text(st, 1, index.packed_members[number].c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_blob(st, 2, blob.data(), static_cast<int>(blob.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(st) != SQLITE_DONE) die("sqlite insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    if (sqlite3_exec(db.db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK) die("sqlite commit");
}

// The best wall and processor time of kRounds runs of work(); prepare() runs untimed before each.
struct Best {
    double wall = 1e30, cpu = 1e30;
};
template <typename Prepare, typename Work>
Best best_of(Prepare prepare, Work work) {
    Best best;
    for (int r = 0; r < kRounds; ++r) {
        prepare();
        auto t0 = std::chrono::steady_clock::now();
        const double c0 = bench::thread_cpu_seconds();
        work();
        best.cpu = std::min(best.cpu, bench::thread_cpu_seconds() - c0);
        best.wall = std::min(best.wall, bench::seconds_since(t0));
    }
    return best;
}

void print_ratio(const char* what, const char* reference, double target, const Best& ours, const Best& theirs) {
    std::printf("%s: %.1f ms (processor %.1f ms); %s %.1f ms (processor %.1f ms); ratio %.2f, processor time "
                "%.2f (target %g)\n",
                what, 1e3 * ours.wall, 1e3 * ours.cpu, reference, 1e3 * theirs.wall, 1e3 * theirs.cpu,
                ours.wall / theirs.wall, ours.cpu / theirs.cpu, target);
}

int own_variables(RSKCON* con) {
    int n = 0;
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->name.name.length > 0 && v->name.name.text[0] == 'R' && v->name.name.text[1] == 'F') ++n;
    return n;
}

void run(Engine& engine, bool copies) {
    RSKCON* con = engine.con;
    engine.set_copies(copies);
    const fs::path catalog_file = engine.root / "bench.qor7bcat";
    auto rssenvt = catalog_routine<CatalogSlot::rssenvt>();
    auto rssenva = catalog_routine<CatalogSlot::rssenva>();

    // Open: the temporary environment is made current (not timed) before each open.
    const Best ours_open = best_of(
        [&] {
            rssenvt(con);
            engine.set_copies(copies);
        },
        [&] {
            if (engine.choose(false) != 0) die("the environment does not open");
        });
    Index index;
    const Best reference_open_time = best_of([] {}, [&] { reference_open(catalog_file, index); });
    if (own_variables(con) < kVariables) die("the open lost variables");
    if (index.objects.size() != static_cast<size_t>(kObjects) || index.variables.size() < static_cast<size_t>(kVariables))
        die("the reference open lost entries");

    // Save after one change: one more variable defined (not timed), then the save.
    static int extra = 0;
    const Best ours_save = best_of(
        [&] {
            ++extra;
            define_factor(con, "RFEXTRA" + std::to_string(extra), extra);
        },
        [&] {
            if (rssenva(con) != 0) die("the save failed");
        });
    reference_open(catalog_file, index);
    if (index.variables.size() != static_cast<size_t>(kVariables + extra)) die("the save lost variables");
    const Best reference_save_time = best_of([] {}, [&] { reference_save(catalog_file, index); });

    const std::string mode = copies ? "ENVCOPY BACKSAVE (defaults)" : "NOENVCOPY NOBACKSAVE";
    const std::string open = "open, " + std::to_string(kObjects) + " objects and " + std::to_string(kVariables) +
                             " variables, " + mode;
    print_ratio(open.c_str(), "SQLite select and decode", 2, ours_open, reference_open_time);
    print_ratio(("save after one change, " + mode).c_str(), "SQLite one transaction", 3, ours_save,
                reference_save_time);
}

void build_environment(Engine& engine) {
    engine.set_copies(false);
    if (engine.choose(true) != 0) die("the environment cannot be created");
    for (int i = 0; i < kVariables; ++i) define_factor(engine.con, "RF" + std::to_string(i), i);
    if (catalog_routine<CatalogSlot::rssenva>()(engine.con) != 0) die("the first save failed");
    catalog_routine<CatalogSlot::rssenvt>()(engine.con);
    write_objects(engine.root);
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    {
        Engine engine;
        build_environment(engine);
        run(engine, true);
        run(engine, false);
    }
    std::printf("%s\n", bench::machine_line().c_str());
    benchmark::Shutdown();
    return 0;
}
