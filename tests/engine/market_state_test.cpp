// The market-state buffer over a hand-laid run: change flags against the base state (missing
// values included), appending read-back states with their headers, fetching states by number,
// and refusing an append beyond the buffer.
#include <cstring>
#include <vector>

#include "engine/model/fx/fx_matrix.h"
#include "engine/model/variables/variables.h"
#include "engine/run/market_state.h"
#include "host/missing.h"
#include "tests/engine/definitions_fixture.h"

namespace {

constexpr uint32_t kFactor = 2, kNum = 1, kIr = 321;
constexpr int kFactors = 3;

class MarketStates : public DefinitionsTest {
protected:
    void SetUp() override {
        DefinitionsTest::SetUp();
        double maturity = 1;   // one factor per maturity of the USD curve
        for (const char* name : {"spot", "rate", "sigma"})
            ASSERT_EQ(declare(name, kFactor, kNum, kIr, 0, "USD", maturity++), 0) << log();
        run = con->run_block;
        saved_run.resize(sizeof *run);
        std::memcpy(saved_run.data(), static_cast<void*>(run), sizeof *run);
        for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) {
            v->dependencies.mask_position = -1;
            v->run.state_offset = -1;
        }
        // Header, a one-word mask, then the three factors: the layout rskmem2 makes.
        const int32_t values = static_cast<int32_t>((sizeof(RSKSTATEHEADER) + 4 + 7) / 8 * 8);
        run->state_size = values + 8 * kFactors;
        run->vector_size = run->state_size;
        vectors.assign(2 * static_cast<size_t>(run->state_size), 0);
        run->market_vectors[0] = vectors.data();
        run->market_vectors[1] = vectors.data() + run->state_size;
        run->mask_bits = kFactors;
        run->mask_bytes = 4;
        run->masks[0] = masks;
        run->masks[1] = masks + 4;
        const char* names[] = {"spot", "rate", "sigma"};
        for (int i = 0; i < kFactors; ++i) {
            RSKVARIABLE* v = variable(names[i]);
            ASSERT_NE(v, nullptr);
            v->dependencies.mask_position = i;
            v->run.state_offset = values + 8 * i;
            v->run.state_address[0] = run->market_vectors[0] + v->run.state_offset;
            v->run.state_address[1] = run->market_vectors[1] + v->run.state_offset;
            factors[i] = v;
        }
        run->state_buffer = RSKSTATEBUF{};
        run->state_buffer.read_back = 1;
    }
    void TearDown() override {
        if (con != nullptr) {
            for (RSKVARIABLE* v : factors)
                if (v != nullptr) v->run = RSKVARRUN{};
            std::memcpy(static_cast<void*>(run), saved_run.data(), sizeof *run);
        }
        DefinitionsTest::TearDown();
    }
    void set(int vector, int factor, double value) {
        std::memcpy(factors[factor]->run.state_address[vector], &value, sizeof value);
    }
    double value_in(const uint8_t* state, int factor) {
        double value;
        std::memcpy(&value, state + factors[factor]->run.state_offset, sizeof value);
        return value;
    }

    RSKRUNBLOCK* run = nullptr;
    RSKVARIABLE* factors[kFactors] = {};
    std::vector<uint8_t> vectors;
    std::vector<uint8_t> saved_run;
    uint8_t masks[8] = {};
};

TEST_F(MarketStates, ChangeFlagsCompareWithTheBaseState) {
    const double m = qor::missing();
    struct Case {
        double base[kFactors], current[kFactors];
        uint8_t mask;   // spot 0x80, rate 0x40, sigma 0x20
    };
    const Case cases[] = {
        {{1, 2, 3}, {1, 2, 3}, 0x00},        // nothing moved: all zero
        {{m, m, 3}, {m, m, 3}, 0x00},        // missing in both: unchanged
        {{m, 2, 3}, {1, m, 3}, 0xC0},        // missing in one only: changed
        {{1, 2, 3}, {1, 2.5, -3}, 0x60},
    };
    for (const Case& c : cases) {
        for (int i = 0; i < kFactors; ++i) {
            set(1, i, c.base[i]);
            set(0, i, c.current[i]);
        }
        std::memset(masks + 4, 0xFF, 4);
        ASSERT_EQ(set_change_flags(con), 0);
        EXPECT_EQ(masks[4], c.mask);
        EXPECT_EQ(masks[5] | masks[6] | masks[7], 0);
    }
}

TEST_F(MarketStates, AppendedStatesAreFetchedByNumber) {
    std::vector<uint8_t> buffer(3 * static_cast<size_t>(run->state_size), 0xEE);
    ASSERT_EQ(rskmkt_attach(con, buffer.data(), 2), 0);
    EXPECT_EQ(rskmkti(con, -1), run->market_vectors[1]);     // the base state
    for (int i = 0; i < kFactors; ++i) {
        set(1, i, 1.0);
        set(0, i, 1.0);
    }
    RSKSTATEBUF& buf = run->state_buffer;
    // Read back: state 8 of analysis 2, item 3, case 2, no draw, horizon 4.
    const double read[] = {8, 2, 3, 2, qor::missing(), 4};
    std::memcpy(buf.read_values, read, sizeof read);
    set(0, 1, 1.5);
    ASSERT_EQ(rskmktu(con, 1), 0) << log();
    set(0, 1, 1.0);
    ASSERT_EQ(rskmktu(con, 1), 0) << log();
    EXPECT_EQ(buf.appended, 2);

    const uint8_t* first = rskmkti(con, 0);
    ASSERT_EQ(first, buffer.data());
    RSKSTATEHEADER header;
    std::memcpy(&header, first, sizeof header);
    EXPECT_EQ(std::memcmp(header.check, "ZOZU", 4), 0);
    EXPECT_EQ(header.state, 7);
    EXPECT_EQ(header.analysis_number, 2);
    EXPECT_EQ(header.item, 2);
    EXPECT_EQ(header.simulation_case, 1);
    EXPECT_EQ(header.draw, -1);
    EXPECT_EQ(header.horizon, 3);
    EXPECT_EQ(value_in(first, 1), 1.5);
    EXPECT_EQ(first[sizeof(RSKSTATEHEADER)], 0x40);                          // rate moved
    EXPECT_EQ(rskmkti(con, 1)[sizeof(RSKSTATEHEADER)], 0x00);                // nothing moved
    EXPECT_EQ(buffer[2 * static_cast<size_t>(run->state_size)], 0xEE);      // nothing beyond

    // A third append does not fit: refused, nothing counted.
    EXPECT_EQ(rskmktu(con, 1), 1);
    EXPECT_EQ(buf.appended, 2);
    EXPECT_EQ(count_of(log(), "rskmktu: state 2 is beyond"), 1);
    EXPECT_EQ(buffer[2 * static_cast<size_t>(run->state_size)], 0xEE);

    // States outside the appended ones: none, with an internal error for the first ten.
    EXPECT_EQ(rskmkti(con, 2), nullptr);
    EXPECT_EQ(rskmkti(con, -2), nullptr);
    for (int i = 0; i < 10; ++i) rskmkti(con, 5);
    EXPECT_EQ(count_of(log(), "not in buffer"), 10);
}

TEST_F(MarketStates, BufferBytesAreComputedInSixtyFourBits) {
    EXPECT_EQ(rskmkt_buffer_bytes(con, 3), 3 * static_cast<size_t>(run->state_size));
    EXPECT_EQ(rskmkt_buffer_bytes(con, -1), 0u);
    EXPECT_EQ(rskmkt_buffer_bytes(con, INT64_MAX), 0u);
    EXPECT_EQ(rskmkt_buffer_bytes(con, 3000000000LL), 3000000000ULL * static_cast<size_t>(run->state_size));
}

TEST_F(MarketStates, BadExchangeRatesAreReportedOnceAtTheBase) {
    // 41 direct rates over one spot factor; the first factor's value is 0, the others missing.
    double zero = 0, none = qor::missing();
    RSKVARIABLE legs[2] = {};
    legs[0].value = &zero;
    legs[1].value = &none;
    std::vector<RSKFXENTRY> rates(41);
    std::vector<double> slots(rates.size(), 7.0);
    for (size_t i = 0; i < rates.size(); ++i) {
        RSKFXENTRY& e = rates[i];
        std::memcpy(e.name.buffer, i == 0 ? "EUR->USD" : "GBP->USD", 8);
        e.state = RSKFX_DIRECT;
        e.slots[0] = &legs[i == 0 ? 0 : 1];
        e.run.mask_position = -1;
        e.run.state_offset = -1;
        e.run.value_address = &slots[i];
        e.run.next_flagged = i + 1 < rates.size() ? &rates[i + 1] : nullptr;
    }
    run->fx_first = rates.data();
    std::vector<uint8_t> buffer(4 * static_cast<size_t>(run->state_size));
    ASSERT_EQ(rskmkt_attach(con, buffer.data(), 4), 0);
    for (int state = 0; state < 3; ++state) ASSERT_EQ(rskmktu(con, 1), 0) << log();
    const std::string text = log();
    EXPECT_EQ(count_of(text, "598/1715"), 1) << text;     // the rate of 0, once
    EXPECT_EQ(count_of(text, "598/1714"), 39) << text;    // then missing ones up to 40 in all
    EXPECT_EQ(count_of(text, "598/1716"), 1) << text;
    for (double slot : slots) EXPECT_TRUE(qor::is_missing(slot));
    run->fx_first = nullptr;
}

}  // namespace
