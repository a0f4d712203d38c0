// The engine as a procedure step has it, for benchmarks that call its routines: both modules
// installed, a step begun, a control structure started in the temporary environment.
#pragma once
#include <cstdio>
#include <cstdlib>

#include "engine/tables/catalog_table.h"
#include "engine/tables/engine_table.h"
#include "host/kernel.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/step.h"

namespace bench {

struct EngineStep {
    RSKCON* con = nullptr;
    qor_step* step = nullptr;
    EngineStep() {
        qor_print_set_log_file("/dev/null");
        if (wiinstl((14 << 16) | 381, "TOLVANEA", 1) != 0 || wiinstl((14 << 16) | 383, "TOLVANEC", 1) != 0) {
            std::fprintf(stderr, "the engine modules cannot be installed\n");
            std::exit(1);
        }
        step = qor::runtime::begin_step("ZOZU", "", 0, 1);
        engine_routine<EngineSlot::rskinit>()(&con, 0, 0, 0);
        catalog_routine<CatalogSlot::rssenvt>()(con);
    }
    ~EngineStep() {
        engine_routine<EngineSlot::rskterm>()(con);
        qor::runtime::end_step(step);
    }
    EngineStep(const EngineStep&) = delete;
    EngineStep& operator=(const EngineStep&) = delete;
};

}  // namespace bench
