// The part options of RUNPROJECT: which part of a split run this run is, where it stops, and
// which earlier parts a combining run reads back, checked against each other.
#include "procedure/run_partitions.h"

#include <cmath>
#include <cstring>

#include "host/missing.h"
#include "host/pool.h"
#include "host/print.h"
#include "procedure/operand_lists.h"

namespace zozu {

namespace {

constexpr int kNotGiven = -1;
constexpr int kLastMode = 4;

int length_of(const char* text) { return static_cast<int>(std::strlen(text)); }

// An integer option: kNotGiven when absent or missing.
int integer_option(const statement_node* node, int field) {
    const operand_field* f = qor_operand(node, field);
    if (f == nullptr || !f->given) return kNotGiven;
    const double value = operand_number(node, field, qor::make_missing());
    if (qor::is_missing(value) || std::isnan(value) || value < -2147483647.0 || value > 2147483647.0) return 0;
    return static_cast<int>(value);
}

void blank_copy(char (&to)[8], const char* text, int length) {
    std::memset(to, ' ', sizeof to);
    std::memcpy(to, text, static_cast<size_t>(length < 8 ? length : 8));
}

// One split of the run (portfolio or analysis): the part this run is and the count of parts.
struct Split {
    const char* word;            // "PORTFOLIO" or "ANALYSIS"
    const char* part_option;     // "PORTFOLIOPART="
    const char* count_option;    // "N_PORTFOLIOPARTS="
    const char* counts_word;     // "PORTFOLIOPARTS"
    int part;
    int count;
};

// Checks one split: 0, or 1 when the part number is above the count (the run is refused).
int check_split(Split& split) {
    if (split.count != kNotGiven && split.count < 1) {
        xpmlog(670, 1193, length_of(split.count_option), split.count_option, split.count);
        split.count = 1;
    }
    if (split.part == kNotGiven) return 0;
    if (split.count == kNotGiven) {
        xpmlog(670, 1192, length_of(split.part_option), split.part_option, length_of(split.count_option),
               split.count_option);
        split.part = kNotGiven;
        return 0;
    }
    if (split.part < 1) {
        xpmlog(670, 1193, length_of(split.part_option), split.part_option, split.part);
        split.part = 1;
    }
    if (split.part > split.count) {
        xpmlog(670, 1194, split.part, split.count, length_of(split.counts_word), split.counts_word);
        return 1;
    }
    return 0;
}

// A part option that the results kind does not allow: reported and dropped.
void refuse_with_kind(Split& split, const char* kind_word) {
    if (split.part == kNotGiven) return;
    xpmlog(670, 1197, length_of(split.part_option), split.part_option, length_of(kind_word), kind_word);
    split.part = kNotGiven;
}

}  // namespace

int get_rpb_options(RSKCON* con, const statement_node* node, const char* output_library, RSKRUNPARMS* parms) {
    std::memset(parms, 0, sizeof *parms);
    parms->mode = RSKRUN_MODE_COMPLETE;
    parms->analysis_part = parms->analysis_parts = 1;
    parms->portfolio_part = parms->portfolio_parts = 1;
    parms->state_sources = 1;
    std::memset(parms->results_ref, ' ', sizeof parms->results_ref);
    std::memcpy(parms->output_library, output_library, sizeof parms->output_library);

    Split portfolio{"PORTFOLIO", "PORTFOLIOPART=", "N_PORTFOLIOPARTS=", "PORTFOLIOPARTS",
                    integer_option(node, kPortfolioPartField), integer_option(node, kPortfolioPartsField)};
    Split analysis{"ANALYSIS", "ANALYSISPART=", "N_ANALYSISPARTS=", "ANALYSISPARTS",
                   integer_option(node, kAnalysisPartField), integer_option(node, kAnalysisPartsField)};
    // A part number above its count would run positions or analyses of no part: refused.
    if (check_split(portfolio) != 0 || check_split(analysis) != 0) return 1;

    const int end_part = integer_option(node, kEndPartField);
    if (end_part != kNotGiven) {
        if (end_part >= RSKRUN_MODE_STATES && end_part <= kLastMode) parms->mode = end_part;
        else xpmlog(670, 1198, end_part);
    }

    const int kind = integer_option(node, kResultsKindField);
    if (kind == kResultsKind) {
        refuse_with_kind(portfolio, "RESULTS");
        refuse_with_kind(analysis, "RESULTS");
    } else if (kind == kAggregationsKind) {
        refuse_with_kind(analysis, "AGGREGATIONS");
        // A run that reads aggregated parts back cannot itself be one of the parts.
        if (portfolio.part != kNotGiven) {
            xpmlog(670, 1195, 9, "PORTFOLIO", 12, "AGGREGATIONS");
            portfolio.part = kNotGiven;
        }
    }
    // One split at a time: a run that is a portfolio part covers every analysis.
    if (portfolio.part != kNotGiven && analysis.part != kNotGiven) {
        xpmlog(670, 1195, length_of(portfolio.word), portfolio.word, length_of(analysis.word), analysis.word);
        analysis.part = kNotGiven;
    }
    if (portfolio.part != kNotGiven) {
        parms->portfolio_part = portfolio.part;
        parms->portfolio_parts = portfolio.count;
    }
    if (analysis.part != kNotGiven) {
        parms->analysis_part = analysis.part;
        parms->analysis_parts = analysis.count;
    }

    const OperandText library = operand_text(node, kPartLibraryField);
    const OperandText portfolio_file = operand_text(node, kPortfolioField);
    const bool combining = kind == kResultsKind || kind == kAggregationsKind;
    if (!combining && portfolio_file.length == 0) return 0;

    const size_t bytes = sizeof(RSKPORTENTRY);
    qor_pool* pool = con->current_pool;
    auto* entry = static_cast<RSKPORTENTRY*>(pool->allocate(pool, bytes, QOR_ALLOC_ZERO));
    if (entry == nullptr) {
        xpmlog(598, 2797, static_cast<long>(bytes), "PORTLIBINFO");
        con->error = 1;
        return 1;
    }
    parms->entries = entry;
    parms->entry_count = 1;
    if (combining) {
        entry->kind = kind == kResultsKind ? RSKPORT_READ_PRICES : RSKPORT_READ_AGGREGATION;
        // The parts live in the partition library, else in the run's output library.
        if (library.length > 0) blank_copy(entry->file_ref, library.text, library.length);
        else std::memcpy(entry->file_ref, output_library, sizeof entry->file_ref);
        std::memcpy(parms->results_ref, entry->file_ref, sizeof parms->results_ref);
        entry->portfolio_parts = portfolio.count != kNotGiven ? portfolio.count : 1;
        entry->analysis_parts = analysis.count != kNotGiven ? analysis.count : 1;
        entry->current_part = 1;
    } else {
        entry->kind = RSKPORT_PRICE;
    }
    // The entry's name: the instrument file named on the statement, else the project's (the
    // driver fills an empty name).
    if (portfolio_file.length > 0) {
        const int length = portfolio_file.length < kRskObjectNameCapacity ? portfolio_file.length
                                                                          : kRskObjectNameCapacity;
        std::memcpy(entry->name.buffer, portfolio_file.text, static_cast<size_t>(length));
        entry->name.name = RSKNAMEREC{kRskObjectNameCapacity, static_cast<uint16_t>(length), entry->name.buffer};
    } else {
        entry->name.name = RSKNAMEREC{kRskObjectNameCapacity, 0, entry->name.buffer};
    }
    ++parms->kind_counts[entry->kind];
    return 0;
}

void free_rpb_options(RSKCON* con, RSKRUNPARMS* parms) {
    if (parms->entries != nullptr) {
        qor_pool* pool = con->current_pool;
        pool->release(pool, parms->entries, sizeof(RSKPORTENTRY) * static_cast<size_t>(parms->entry_count),
                      QOR_FREE_SIZED);
    }
    parms->entries = nullptr;
    parms->entry_count = 0;
}

}  // namespace zozu
