// Completing and appending market states: the market program's derived variables, the exchange
// rates checked, the change flags against the base state, the copy into the state buffer and the
// state data sets; and fetching a state of the buffer by number.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/compiler/compiler_driver.h"
#include "engine/compiler/dependencies.h"
#include "engine/model/arrays/arrays.h"
#include "engine/model/fx/fx_matrix.h"
#include "engine/model/lags/lags.h"
#include "engine/model/variables/variables.h"
#include "engine/output/result_datasets.h"
#include "engine/run/market_state.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr char kStateCheck[4] = {'Z', 'O', 'Z', 'U'};
constexpr double kRateLow = 1e-9;
constexpr double kRateHigh = 1e9;
constexpr uint32_t kFourByteType = 11;   // data type compared on its first 4 bytes

bool is_market(const RSKVARIABLE* v) { return v->kind == RSKVKIND_FACTOR || v->kind == RSKVKIND_STATE; }

// The base state: the buffer's own when the run keeps one, else the saved base market vector.
const uint8_t* base_state(const RSKRUNBLOCK* run) {
    return run->state_buffer.base != nullptr ? run->state_buffer.base : run->market_vectors[1];
}

void set_bit(uint8_t* mask, int32_t position) { mask[position / 8] |= static_cast<uint8_t>(128u >> (position % 8)); }

double read_double(const uint8_t* at) {
    double value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// Both missing: unchanged; one missing: changed; else changed when not equal.
bool differ(double a, double b) {
    const bool ma = qor::is_missing(a), mb = qor::is_missing(b);
    if (ma || mb) return ma != mb;
    return a != b;
}

bool value_changed(const RSKVARIABLE* v, const uint8_t* current, const uint8_t* base) {
    if (v->run.state_offset < 0) return false;
    const uint8_t* a = current + v->run.state_offset;
    const uint8_t* b = base + v->run.state_offset;
    if (v->data_type == kFourByteType) return std::memcmp(a, b, 4) != 0;
    return differ(read_double(a), read_double(b));
}

bool array_changed(const RSKVARIABLE* array, const uint8_t* current, const uint8_t* base) {
    for (int32_t i = 0, n = array_element_count(array); i < n; ++i)
        if (array->elements[i] != nullptr && value_changed(array->elements[i], current, base)) return true;
    return false;
}

// A rate's value: missing when it cannot be formed, 0 when a leg is 0 (out of range, not absent).
double rate_value(const RSKFXENTRY* entry) {
    double value = qor::missing();
    rskfxv(entry, &value);
    if (!qor::is_missing(value)) return value;
    bool zero = false;
    for (const RSKVARIABLE* v : entry->slots) {
        if (v == nullptr) continue;
        if (v->value == nullptr) return value;
        const double leg = read_double(static_cast<const uint8_t*>(v->value));
        if (qor::is_missing(leg)) return value;
        zero = zero || leg == 0;
    }
    return zero ? 0.0 : value;
}

// Every exchange rate of the run resolved and valued; a bad one becomes missing and, while the run
// is at its base state, is reported once (40 at most, then 598/1716).
void check_rates(RSKCON* con, RSKRUNBLOCK* run) {
    RSKSTATEBUF& buf = run->state_buffer;
    for (RSKFXENTRY* entry = run->fx_first; entry != nullptr; entry = entry->run.next_flagged) {
        rskrsvf(con, entry->slots, kRskFxLegs, entry->run.mask_position);
        double value = rate_value(entry);
        const bool missing = qor::is_missing(value);
        if (missing || value < kRateLow || value > kRateHigh) {
            ++buf.bad_rates;
            if (buf.appended <= 1 && !entry->run.reported && buf.bad_rates <= kRskMktBadRates) {
                const char* name = entry->name.buffer;
                xpmlog(598, missing ? 1714 : 1715, 3, name, 3, name + 5, value);
                entry->run.reported = 1;
                if (buf.bad_rates == kRskMktBadRates) xpmlog(598, 1716, kRskMktBadRates);
            }
            value = qor::missing();
        }
        if (entry->run.value_address != nullptr) std::memcpy(entry->run.value_address, &value, sizeof value);
    }
}

void switch_market_actions(RSKCON* con, RSKRUNBLOCK* run, int on) {
    const RSKRUNCOMPILE& compile = run->compile;
    // The base state runs the base-case list (every action, rskrsvb); other states the list
    // resolved from their changes.
    const uint8_t* states = run->building_base && compile.states_alternate != nullptr ? compile.states_alternate
                                                                                      : compile.states;
    if (states == nullptr) return;
    for (RSKACTION* action = compile.actions_first; action != nullptr; action = action->next)
        if (action->type == nullptr && action->index >= 0 && action->index < compile.action_count &&
            states[action->index] != 0)
            rskmact(con, action, 2, on, 0);
}

void stamp_header(RSKRUNBLOCK* run, const RSKSTATEHEADER* header) {
    uint8_t* current = run->market_vectors[0];
    if (header != nullptr) std::memcpy(current, header, sizeof *header);
    std::memcpy(current, kStateCheck, sizeof kStateCheck);
}

int resolve(RSKCON* con, int flag) {
    const RSKSTATEBUF& buf = con->run_block->state_buffer;
    if (flag != 0 && !buf.resolve_every) return 0;
    return rskrsvx(con, 0, 0) != 0 ? 1 : 0;
}

// The variable's value in the current market vector (or its own storage outside the vectors).
void* current_slot(RSKVARIABLE* v) { return v->run.state_address[0] != nullptr ? v->run.state_address[0] : v->value; }

int16_t index16(double value, double less) {
    return qor::is_missing(value) ? static_cast<int16_t>(-1) : static_cast<int16_t>(value - less);
}

}  // namespace

uint8_t* rskmkti(RSKCON* con, int32_t state) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr) return nullptr;
    RSKSTATEBUF& buf = run->state_buffer;
    if (state == -1) return const_cast<uint8_t*>(base_state(run));
    if (state < 0 || state >= buf.appended || buf.states == nullptr) {
        if (buf.internal_errors++ < kRskMktInternalErrors) xebug("rskmkti: state number %i not in buffer.", state);
        return nullptr;
    }
    return buf.states + static_cast<size_t>(state) * static_cast<size_t>(run->state_size);
}

int rskmktx(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKSTATEBUF& buf = run->state_buffer;
    switch_market_actions(con, run, 1);
    const int rc = rskrcmp(con, buf.market_program, buf.append_index);
    switch_market_actions(con, run, 0);
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next)
        if (v->data_type == RSKDTYPE_ARRAY && is_market(v)) rskaryl(con, v);
    stamp_header(run, buf.prepared);
    check_rates(con, run);
    return rc;
}

int rskmktx1(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    RSKSTATEBUF& buf = run->state_buffer;
    const double* read = buf.read_values;
    RSKSTATEHEADER header{};
    std::memcpy(&header, run->market_vectors[0], sizeof header);
    header.state = qor::is_missing(read[RSKMKT_READ_STATE]) ? -1 : static_cast<int32_t>(read[RSKMKT_READ_STATE] - 1);
    header.analysis_number =
        qor::is_missing(read[RSKMKT_READ_ANALYSIS]) ? 0 : static_cast<int16_t>(read[RSKMKT_READ_ANALYSIS]);
    header.item = qor::is_missing(read[RSKMKT_READ_ITEM]) ? -1 : static_cast<int32_t>(read[RSKMKT_READ_ITEM] - 1);
    header.simulation_case =
        qor::is_missing(read[RSKMKT_READ_SIM1]) ? -1 : static_cast<int32_t>(read[RSKMKT_READ_SIM1] - 1);
    header.draw = index16(read[RSKMKT_READ_SIM2], 0);
    header.horizon = index16(read[RSKMKT_READ_SIM3], 1);
    for (int k = 0; k < 2; ++k) {
        const RSKNAMEREC& name = buf.read_names[k].name;
        int length = name.length;
        while (length > 0 && name.text[length - 1] == ' ') --length;
        RSKNAMEREC stripped{static_cast<uint16_t>(length), static_cast<uint16_t>(length), name.text};
        header.names[k] = length > 0 ? rskvf(con, &stripped) : nullptr;
    }
    stamp_header(run, &header);
    check_rates(con, run);
    return 0;
}

int set_change_flags(RSKCON* con) {
    RSKRUNBLOCK* run = con->run_block;
    uint8_t* mask = run->masks[1];
    if (mask == nullptr) return 0;
    std::memset(mask, 0, static_cast<size_t>(run->mask_bytes));
    const uint8_t* current = run->market_vectors[0];
    const uint8_t* base = base_state(run);
    if (current == nullptr || base == nullptr) return 0;
    auto bit = [&](const RSKVARIABLE* v) {
        const int32_t k = v->dependencies.mask_position;
        return k >= 0 && k < run->mask_bits ? k : -1;
    };
    for (const RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
        if (!is_market(v) || bit(v) < 0) continue;
        const bool changed = v->data_type == RSKDTYPE_ARRAY ? array_changed(v, current, base)
                                                            : value_changed(v, current, base);
        if (changed) set_bit(mask, bit(v));
    }
    const RSKSYSVARS* sys = con->system_variables;
    if (sys != nullptr) {
        const RSKVARIABLE* const in_state[] = {sys->base_case, sys->simulation_replication, sys->simulation_time,
                                               sys->simulation_horizon, sys->simulation_case};
        for (const RSKVARIABLE* v : in_state)
            if (v != nullptr && bit(v) >= 0 && v->run.placed_in_state) set_bit(mask, bit(v));
    }
    for (const RSKFXENTRY* e = run->fx_first; e != nullptr; e = e->run.next_flagged) {
        if (e->run.mask_position < 0 || e->run.state_offset < 0) continue;
        if (differ(read_double(current + e->run.state_offset), read_double(base + e->run.state_offset)))
            set_bit(mask, e->run.mask_position);
    }
    return 0;
}

int rskmktu(RSKCON* con, int resolve_flag) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr || run->market_vectors[0] == nullptr) return 1;
    RSKSTATEBUF& buf = run->state_buffer;
    const int32_t number = buf.appended;
    RSKVARIABLE* saved = buf.saved_variable;
    if (!buf.read_back) {
        if (saved != nullptr && current_slot(saved) != nullptr)
            std::memcpy(current_slot(saved), buf.saved_value, sizeof buf.saved_value);
        if (resolve(con, resolve_flag) != 0 || rskmktx(con) != 0 || rsklagu(con) != 0) return 1;
    } else {
        if (resolve(con, resolve_flag) != 0) return 1;
        if (saved != nullptr && current_slot(saved) != nullptr)
            std::memcpy(buf.saved_value, current_slot(saved), sizeof buf.saved_value);
        rskmktx1(con);
    }
    if (!buf.read_back) std::memcpy(run->market_vectors[0] + offsetof(RSKSTATEHEADER, state), &number, sizeof number);
    if (buf.keep) {
        if (buf.states == nullptr || buf.append_index < 0 || buf.append_index >= buf.capacity) {
            xebug("rskmktu: state %i is beyond the state buffer of %lli states.", buf.append_index,
                  static_cast<long long>(buf.capacity));
            return 1;
        }
        set_change_flags(con);
        if (run->masks[1] != nullptr && run->mask_bytes > 0)
            std::memcpy(run->market_vectors[0] + sizeof(RSKSTATEHEADER), run->masks[1],
                        static_cast<size_t>(run->mask_bytes));
        const size_t size = static_cast<size_t>(run->state_size);
        std::memcpy(buf.states + static_cast<size_t>(buf.append_index) * size, run->market_vectors[0], size);
    }
    // Every appended state is priced: it takes the next entry of the run's list of states to price.
    if (run->price_index != nullptr && run->states_to_price >= 0 && run->states_to_price < run->price_slots)
        run->price_index[run->states_to_price] = buf.append_index;
    ++run->states_to_price;
    ++buf.appended;
    ++buf.append_index;
    if (buf.output != nullptr) rskput(con, buf.output);
    if (buf.second_output != nullptr) rskput(con, buf.second_output);
    return 0;
}

size_t rskmkt_buffer_bytes(const RSKCON* con, int64_t count) {
    const RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr || count < 0 || run->state_size < 1) return 0;
    const uint64_t size = static_cast<uint64_t>(run->state_size);
    const uint64_t states = static_cast<uint64_t>(count);
    if (states != 0 && size > SIZE_MAX / states) return 0;
    return static_cast<size_t>(size * states);
}

int rskmkt_attach(RSKCON* con, uint8_t* states, int64_t count) {
    RSKRUNBLOCK* run = con != nullptr ? con->run_block : nullptr;
    if (run == nullptr) return 1;
    RSKSTATEBUF& buf = run->state_buffer;
    buf.states = states;
    buf.capacity = states != nullptr ? count : 0;
    buf.appended = 0;
    buf.append_index = 0;
    buf.keep = states != nullptr ? 1 : 0;
    return 0;
}
