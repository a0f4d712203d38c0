// The counterparty run over an input source: for every observation of each of its data sets the
// type's method runs INST_INIT, MAIN in the base case and every market state, and INST_TERM, and
// the counterparty's rows of values go to the data set's output member as one block.
#include <algorithm>
#include <cctype>
#include <cstring>

#include "common/memory/pool_memory.h"
#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/dependencies.h"
#include "engine/counterparty/containers.h"
#include "engine/counterparty/counterparty_run.h"
#include "engine/counterparty/counterparty_storage.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "engine/tables/method_records.h"
#include "host/print.h"

namespace {

constexpr int kCounterpartyTableHint = 10000;

// The program record the counterparty methods run on: block 0's instance on the current market
// vector (null before the pricing is laid out: the program's block 0).
RSKPROGRECORD* method_record(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || run->compile.programs == nullptr) return nullptr;
    RSKPROGRECORD* record = &run->compile.programs[0];
    if (run->market_vectors[0] != nullptr) record->market_vector = reinterpret_cast<double*>(run->market_vectors[0]);
    if (run->row0 != nullptr) record->row_vector = run->row0;
    return record;
}

// Writes the base-case indicator into the current market vector.
void set_base_indicator(RSKCON* con, double value) {
    const RSKSYSVARS* sys = con->system_variables;
    if (sys == nullptr || sys->base_case == nullptr) return;
    if (auto* slot = static_cast<double*>(sys->base_case->run.state_address[0])) *slot = value;
}

// Runs one block of the type's method once. 0, or the program's code.
int run_block(RSKCON* con, RSKTYPEMETHOD* method, int block, int state) {
    rskmact(con, &method->action, block, 1, 0);
    const int rc = rskrcmp(con, method_record(con), state);
    rskmact(con, &method->action, block, 0, 0);
    return rc;
}

int runcptyinit(RSKCON* con, RSKTYPEMETHOD* method) { return run_block(con, method, RSKBLK_INST_INIT, 0); }
int runcptyterm(RSKCON* con, RSKTYPEMETHOD* method) { return run_block(con, method, RSKBLK_INST_TERM, 0); }

// MAIN in one state (0 the base case) into row `state` of the value buffer. 0 or the code.
int score_row(RSKCON* con, RSKTYPEMETHOD* method, int32_t state) {
    RSKCPTYCON* c = con->cpty_container;
    std::memset(c->value_vector, 0, static_cast<size_t>(c->statelength));
    const int rc = run_block(con, method, RSKBLK_MAIN, state);
    if (rc == 0) std::memcpy(cpty_state_row(c, state), c->value_vector, static_cast<size_t>(c->statelength));
    return rc;
}

int scorebasecase(RSKCON* con, RSKTYPEMETHOD* method) {
    RSKRUNBLOCK* run = con->run_block;
    if (run->market_vectors[0] != nullptr && run->market_vectors[1] != nullptr)
        std::memcpy(run->market_vectors[0], run->market_vectors[1], static_cast<size_t>(run->vector_size));
    const uint8_t marker = run->pricing.base_in_progress;
    run->pricing.base_in_progress = 1;
    set_base_indicator(con, 1.0);
    const int rc = score_row(con, method, 0);
    run->pricing.base_in_progress = marker;
    return rc;
}

int scorestate(RSKCON* con, RSKTYPEMETHOD* method, int32_t state) {
    RSKRUNBLOCK* run = con->run_block;
    const RSKSTATEBUF& buffer = run->state_buffer;
    if (buffer.states == nullptr || state - 1 >= buffer.capacity || run->market_vectors[0] == nullptr) return 1;
    std::memcpy(run->market_vectors[0], buffer.states + static_cast<int64_t>(state - 1) * run->state_size,
                static_cast<size_t>(run->state_size));
    set_base_indicator(con, 0.0);
    return score_row(con, method, state);
}

// The type's method when it has been compiled, else null.
RSKTYPEMETHOD* compiled_method(const RSKCPTY* counterparty) {
    RSKTYPEMETHOD* method = counterparty->type->method_record;
    return method != nullptr && method->method != nullptr && method->method->compiled ? method : nullptr;
}

// Records the counterparty under its identifier; an identifier already there keeps its first
// record and the new one is given back. 0, or 1 after 598/7711.
int record_cpty(RSKCON* con, RSKCPTY* counterparty) {
    RSKCPTYCON* c = con->cpty_container;
    qor_pool* pool = con->current_pool;
    if (hash_item* first = hash_query(c->counterparties, counterparty->id)) {
        c->current = static_cast<RSKCPTY*>(first->value);
        delete_cpty(pool, counterparty);
        return 0;
    }
    hash_item* item = create_hash_item(pool, counterparty->id, counterparty);
    if (item == nullptr || hash_insert(c->counterparties, item) != HASH_INSERTED) {
        if (item != nullptr) del_hash_item(pool, item);
        delete_cpty(pool, counterparty);
        c->current = nullptr;
        xpmlog(598, 7711);
        return 1;
    }
    return 0;
}

// Runs the method of one counterparty over the base case and every state into the value
// buffer. 0, or 1 after its message.
int score_cpty(RSKCON* con, RSKTYPEMETHOD* method, const RSKCPTY* counterparty) {
    RSKCPTYCON* c = con->cpty_container;
    cpty_compare_cptyvars_args(method->method, counterparty, c);
    if (runcptyinit(con, method) != 0) {
        xpmlog(598, 7712);
        xpmlog(598, 7707);
        return 1;
    }
    if (scorebasecase(con, method) != 0) {
        xpmlog(598, 7708);
        return 1;
    }
    for (int32_t state = 1; state < c->state_count; ++state) {
        if (scorestate(con, method, state) != 0) {
            xpmlog(598, 7708);
            return 1;
        }
    }
    if (runcptyterm(con, method) != 0) {
        xpmlog(598, 7709);
        xpmlog(598, 7709);
        return 1;
    }
    return 0;
}

int score_cptys_in_dataset(RSKCON* con, RSKCPTYDS* set) {
    RSKCPTYCON* c = con->cpty_container;
    auto* obs = build_input_obs(con, set);
    if (obs == nullptr) return 1;
    int64_t block = 0;
    if (__builtin_mul_overflow(static_cast<int64_t>(c->state_count), static_cast<int64_t>(c->statelength), &block))
        return 1;
    for (int32_t n = 1; n <= set->observations; ++n) {
        int64_t offset = 0;
        if (__builtin_mul_overflow(static_cast<int64_t>(n - 1), block, &offset)) return 1;
        set->current = n;
        obs->number = n;
        cpty_zero_vars(c);
        RSKCPTY* counterparty = get_cpty(con, set, obs);
        if (counterparty == nullptr) {
            xpmlog(598, 7706);
            return 1;
        }
        c->current = counterparty;
        std::memset(c->value_buffer, 0, static_cast<size_t>(block));
        RSKTYPEMETHOD* method = compiled_method(counterparty);
        if (method == nullptr) {
            // Its block stays zero so that the next counterparty's block lands where it belongs;
            // it is not recorded, so positions naming it are told it is unknown.
            if (c->method_failures++ < kRskCptyMessageCap)
                xpmlog(598, 7741, static_cast<int>(counterparty->type->name_length), counterparty->type->name);
            c->current = nullptr;
            delete_cpty(con->current_pool, counterparty);
        } else if (score_cpty(con, method, counterparty) != 0) {
            c->current = nullptr;
            delete_cpty(con->current_pool, counterparty);
            return 1;
        }
        if (utility_write(set->output, c->value_buffer, block, offset) != 0) {
            xpmlog(598, 7710);
            if (method != nullptr) {
                c->current = nullptr;
                delete_cpty(con->current_pool, counterparty);
            }
            return 1;
        }
        if (method != nullptr && record_cpty(con, counterparty) != 0) return 1;
    }
    return 0;
}

// The two part numbers that tell this run's part apart: the portfolio's when the analyses are
// not divided, else the analyses'.
void part_numbers(const RSKCON* con, int32_t* first, int32_t* second) {
    const RSKRUNPARMS* parms = con->run_block != nullptr ? con->run_block->parms : nullptr;
    *first = *second = 1;
    if (parms == nullptr) return;
    if (parms->analysis_part == 1 && parms->analysis_parts == 1) {
        *first = parms->portfolio_part;
        *second = parms->portfolio_parts;
    } else {
        *first = parms->analysis_part;
        *second = parms->analysis_parts;
    }
}

// Runs one data set of the input source. 0, or 1 after its message.
int run_dataset(RSKCON* con, RSKCPTYDS* set) {
    int32_t first = 1, second = 1;
    part_numbers(con, &first, &second);
    if (set->output == nullptr || set->input == nullptr || set->input->member == nullptr ||
        cpty_output_member(set->input->member, first, second, set->output->member) != 0) {
        xpmlog(598, 7703);
        return 1;
    }
    if (open_cpty_output(con, set) != 0) {
        xpmlog(598, 7703);
        return 1;
    }
    if (open_cpty_input(con, set) != 0) {
        xpmlog(598, 7704);
        return 1;
    }
    if (score_cptys_in_dataset(con, set) != 0) {
        xpmlog(598, 7705);
        return 1;
    }
    return 0;
}

}  // namespace

int rskruncpty(RSKCON* con, const char* source) {
    RSKCPTYCON* c = con->cpty_container;
    if (c == nullptr || con->cpty_container_state != RSKCON_CONTAINER_LOADED || c->input_sources == nullptr ||
        source == nullptr)
        return 0;
    char name[kRskObjectNameCapacity + 1];
    int length = 0;
    for (; source[length] != 0 && length < kRskObjectNameCapacity; ++length)
        name[length] = static_cast<char>(std::toupper(static_cast<unsigned char>(source[length])));
    while (length > 0 && name[length - 1] == ' ') --length;
    name[length] = 0;
    const hash_item* item = hash_query(c->input_sources, name);
    const auto* input = item != nullptr ? static_cast<const RSKCPTYINSRC*>(item->value) : nullptr;
    if (input == nullptr || input->datasets == nullptr || input->datasets->item_count == 0) return 0;
    // The states of the run part may have been counted after the program was generated.
    if (c->value_vector == nullptr || cpty_value_rows(con) != 0) {
        xpmlog(598, 7702);
        return 1;
    }
    if (c->counterparties == nullptr) {
        c->counterparties = new_hash_table(con->current_pool, kCounterpartyTableHint);
        if (c->counterparties == nullptr) {
            xpmlog(598, 7711);
            return 1;
        }
    }
    c->method_failures = 0;
    c->unknown_identifiers = 0;
    for (const hash_item* d = enumerate_table(input->datasets); d != nullptr; d = d->next) {
        auto* set = static_cast<RSKCPTYDS*>(d->value);
        if (set != nullptr && run_dataset(con, set) != 0) return 1;
    }
    if (c->method_failures > kRskCptyMessageCap)
        xpslog("%1z%d counterparties had a type without compiled method.", c->method_failures);
    return 0;
}
