// Speed of dependency resolution: ordering and closing the needs relation of 2,000 actions
// (rskrsvl) against a plain Warshall closure over std::vector<bool> of the same direct needs, and
// the per-state run list (rskrsvx) with 1% of the market variables changed, which must not
// allocate after the first state. Single-threaded; the two closures are cross-checked bit by bit.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "engine/compiler/dependencies.h"
#include "engine/compiler/use_entries.h"
#include "engine/model/services/compiler.h"
#include "host/pool.h"
#include "runtime/core/print_internal.h"

namespace {

constexpr int kActions = 2000;
constexpr int kMarket = 1000;

// Actions over market variables and the outputs of earlier actions, listed in reverse so that
// the ordering has work to do.
struct Model {
    RSKCON con{};
    RSKRUNCOMPILE run{};
    std::deque<std::string> names;
    std::deque<RSKVARIABLE> variables;
    std::deque<RSKGENTRANS> methods;
    std::deque<RSKUSEENTRY> uses;
    std::deque<RSKACTION> actions;
    std::vector<RSKVARIABLE*> market;
    std::vector<std::vector<int>> reads;   // per action (creation order): the actions it reads

    RSKVARIABLE* variable(const std::string& name) {
        names.push_back(name);
        RSKVARIABLE& v = variables.emplace_back();
        v.name.name = RSKNAMEREC{0, static_cast<uint16_t>(names.back().size()), names.back().data()};
        v.kind = RSKVKIND_FACTOR;
        v.data_type = 1;
        if (con.variables_tail != nullptr) con.variables_tail->next = &v;
        else con.variables_head = &v;
        con.variables_tail = &v;
        return &v;
    }
    void use(RSKGENTRANS& m, RSKUSEENTRY**& tail, RSKVARIABLE* v, bool output) {
        RSKUSEENTRY& e = uses.emplace_back();
        e.variable = v;
        e.input = output ? 0 : 1;
        e.output = output ? 1 : 0;
        e.code = 1;
        e.kind = RSKVKIND_FACTOR;
        *tail = &e;
        tail = &e.next;
        (void)m;
    }

    Model() {
        run.pool = xmpoolc(1 << 20, 1 << 20, 0);
        run.execution_blocks = 1;
        con.run_compile = &run;
        std::mt19937 random(20261211);
        for (int i = 0; i < kMarket; ++i) market.push_back(variable("M" + std::to_string(i)));
        std::vector<RSKVARIABLE*> outputs;
        std::vector<RSKACTION*> created;
        reads.resize(kActions);
        for (int i = 0; i < kActions; ++i) {
            RSKGENTRANS& m = methods.emplace_back();
            m.kind = RSKMKIND_TRANS;
            RSKUSEENTRY* first = nullptr;
            RSKUSEENTRY** tail = &first;
            use(m, tail, market[random() % kMarket], false);
            use(m, tail, market[random() % kMarket], false);
            for (int k = 0; k < 2 && i > 0; ++k) {   // up to two outputs of the 40 actions before
                if (random() % 10 >= (k == 0 ? 7u : 3u)) continue;
                int from = std::max(0, i - 40) + static_cast<int>(random() % static_cast<unsigned>(std::min(i, 40)));
                use(m, tail, outputs[static_cast<size_t>(from)], false);
                reads[static_cast<size_t>(i)].push_back(from);
            }
            RSKVARIABLE* out = variable("O" + std::to_string(i));
            out->dependencies.flags |= RSKDEP_USED_PRICE;
            use(m, tail, out, true);
            m.uses = first;
            outputs.push_back(out);
            names.push_back("A" + std::to_string(i));
            RSKACTION& a = actions.emplace_back();
            a.name.name = RSKNAMEREC{0, static_cast<uint16_t>(names.back().size()), names.back().data()};
            a.kind = RSKACTION_METHOD_CALL;
            a.target = &m;
            created.push_back(&a);
        }
        for (int i = kActions - 1; i >= 0; --i) {   // reverse list order
            RSKACTION* a = created[static_cast<size_t>(i)];
            if (run.actions_last != nullptr) run.actions_last->next = a;
            else run.actions_first = a;
            run.actions_last = a;
        }
        if (rskrsvd(&con, 0) != 0) {
            std::fprintf(stderr, "dependency resolution failed\n");
            std::exit(1);
        }
    }
    ~Model() { xmpoold(run.pool); }
};

// The reference: the direct needs in a vector<bool> (row = reader's list index), closed with
// Warshall's three loops.
std::vector<bool> warshall(const Model& model, const std::vector<int>& list_index) {
    const size_t n = kActions;
    std::vector<bool> m(n * n);
    for (int i = 0; i < kActions; ++i)
        for (int from : model.reads[static_cast<size_t>(i)])
            m[static_cast<size_t>(list_index[static_cast<size_t>(i)]) * n + static_cast<size_t>(list_index[static_cast<size_t>(from)])] = true;
    for (size_t k = 0; k < n; ++k)
        for (size_t i = 0; i < n; ++i)
            if (m[i * n + k])
                for (size_t j = 0; j < n; ++j)
                    if (m[k * n + j]) m[i * n + j] = true;
    return m;
}

void closure_ratio(Model& model) {
    double ours = bench::best_seconds(5, [&] {
        if (rskrsvl(&model.con) != 0) std::exit(1);
    });
    std::vector<int> list_index(kActions);
    for (int i = 0; i < kActions; ++i) list_index[static_cast<size_t>(i)] = kActions - 1 - i;
    std::vector<bool> reference;
    double plain = bench::best_seconds(1, [&] { reference = warshall(model, list_index); });
    const RSKDEPMATRIX& m = model.run.matrix;
    size_t set = 0;
    for (int i = 0; i < kActions; ++i)
        for (int j = 0; j < kActions; ++j) {
            bool bit = (m.bits[static_cast<size_t>(i) * static_cast<size_t>(m.row_bytes) + static_cast<size_t>(j / 8)] &
                        RSKRSV_BITS[j % 8]) != 0;
            if (bit != reference[static_cast<size_t>(i) * kActions + static_cast<size_t>(j)]) {
                std::fprintf(stderr, "the closures disagree at (%d, %d)\n", i, j);
                std::exit(1);
            }
            set += bit ? 1 : 0;
        }
    std::printf("rskrsvl, %d actions (%zu needs after closure): %.2f ms; Warshall over vector<bool> %.2f ms; "
                "ratio %.3f\n",
                kActions, set, 1e3 * ours, 1e3 * plain, ours / plain);
}

void run_list_speed(Model& model) {
    RSKCON* con = &model.con;
    std::mt19937 random(7);
    auto one_state = [&] {
        rskrsvz(con);
        for (int i = 0; i < kMarket / 100; ++i) model.market[random() % kMarket]->dependencies.change = 2.0;
        if (rskrsvx(con, 0, 0) != 0) std::exit(1);
    };
    one_state();   // the first state allocates the state list
    size_t blocks = qor_pool_live_blocks(model.run.pool);
    constexpr int kStates = 1000;
    double seconds = bench::best_seconds(3, [&] {
        for (int s = 0; s < kStates; ++s) one_state();
    });
    size_t after = qor_pool_live_blocks(model.run.pool);
    int running = 0;
    for (int32_t k = 0; k < model.run.matrix.numbered; ++k) running += model.run.states[k] == RSKSTATE_RUN ? 1 : 0;
    std::printf("rskrsvx, %d actions, 1%% of %d market variables changed: %.1f us per state (%d actions run in the "
                "last); pool blocks after the first state %zu, after %d more states %zu\n",
                kActions, kMarket, 1e6 * seconds / kStates, running, blocks, 3 * kStates, after);
    if (after != blocks) {
        std::fprintf(stderr, "rskrsvx allocated after the first state\n");
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    qor_print_set_log_file("/dev/null");
    {
        Model model;
        closure_ratio(model);
        run_list_speed(model);
    }
    std::printf("%s\n", bench::machine_line().c_str());
    benchmark::Shutdown();
    return 0;
}
