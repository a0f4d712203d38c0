// Delta-normal value at risk: the build (market data opened as covariance or correlation, the
// run factors it holds, the matrix read and tested, the category masks) and the shifted states.
#include "engine/analyses/delta_normal.h"

#include <algorithm>
#include <cstring>

#include "common/numeric/linalg.h"
#include "engine/analyses/sensitivity_shifts.h"
#include "engine/model/categories/categories.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/names/name_records.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/services/catalog.h"
#include "engine/model/variables/variable_record.h"
#include "engine/output/result_datasets.h"
#include "engine/run/analysis_processing.h"
#include "engine/run/project_run.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

constexpr int32_t kDeltaNormalLabel = 5612;
constexpr int32_t kResultsLevel = 4;           // run level through to results
constexpr double kCholeskyTolerance = 1e-8;

int other_type(int type) { return type == RSKMDS_COVARIANCE ? RSKMDS_CORRELATION : RSKMDS_COVARIANCE; }

int run_level(const RSKCON* con) {
    const RSKRUNBLOCK* run = con->run_block;
    return run->parms != nullptr && run->parms->mode != 0 ? run->parms->mode : kResultsLevel;
}

bool generating(const RSKCON* con) { return con->run_block->own_states != 0 || con->run_block->generate_states != 0; }

uint8_t psd_method(const RSKCON* con) {
    const RSKRUNBLOCK* run = con->run_block;
    const RSKOPTREC* options = run->run_options != nullptr ? run->run_options : run->options;
    return options != nullptr ? options->psdmethod : 0;
}

void analysis_name(const RSKANLPROC* run, int* length, const char** text) { *length = rsa_analysis_name(run, text); }

// The open type INPUTDS asks for: a named market data definition of type Correlation opens as a
// correlation, anything else as a covariance.
int first_type(RSKCON* con, const RSKANALYSIS* analysis) {
    if (analysis->input_data.name.length <= 0) return RSKMDS_COVARIANCE;
    RSKCATOBJ* object = rskids(con, &analysis->input_data.name);
    if (object == nullptr) return RSKMDS_COVARIANCE;
    const auto* definition = static_cast<const RSKINPUTDS*>(rssofiq(con, object, 4));
    return definition != nullptr && definition->type == RSKMDSTYPE_CORRELATION ? RSKMDS_CORRELATION
                                                                                : RSKMDS_COVARIANCE;
}

// Opens the market data, trying the other type once when the first finds nothing. 0 or 1.
int open_market_data(RSKCON* con, RSKANLPROC* run, RSKDVRWORK* w) {
    RSKANALYSIS* analysis = run->analysis;
    RSKNAMECELL cell{};
    const RSKNAMECELL* names = nullptr;
    if (analysis->input_data.name.length > 0) {
        cell.name = analysis->input_data;
        cell.name.name.text = cell.name.buffer;
        names = &cell;
    }
    int type = first_type(con, analysis);
    int rc = rskmdso(con, &w->market, type, analysis, names, &w->interval, nullptr);
    if (rc == 2 || (rc == 0 && w->market.definition == nullptr)) {
        rskmdsc(con, &w->market);
        type = other_type(type);
        rc = rskmdso(con, &w->market, type, analysis, names, &w->interval, nullptr);
    }
    int length = 0;
    const char* name = nullptr;
    analysis_name(run, &length, &name);
    const char* description = type == RSKMDS_CORRELATION ? "Correlation" : "Covariance";
    if (rc == 2 || (rc == 0 && w->market.definition == nullptr)) {
        xpmlog(598, 2641, static_cast<int>(std::strlen(description)), description, length, name);
        rskmdsc(con, &w->market);
        return 1;
    }
    if (rc != 0) {
        const RSKNAMEREC* md = w->market.definition != nullptr ? &w->market.definition->name.name : nullptr;
        xpmlog(598, 2642, md != nullptr ? md->length : 0, md != nullptr ? md->text : "",
               static_cast<int>(std::strlen(description)), description, length, name);
        rskmdsc(con, &w->market);
        return 1;
    }
    w->open_type = type;
    w->columns = w->market.factor_count;
    // The run factors are chosen among the risk factors this data set found.
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) v->market_found = 0;
    for (int32_t i = 0; i < w->market.factor_count; ++i)
        if (w->market.factors != nullptr && w->market.factors[i] != nullptr) w->market.factors[i]->market_found = 1;
    return 0;
}

// The matrix of the run factors (and their volatilities for a correlation), read and closed.
int read_matrix(RSKCON* con, RSKDVRWORK* w) {
    const int64_t n = w->n;
    for (RSKVARIABLE* v = con->variables_head; v != nullptr; v = v->next) v->matrix_index = -2;
    for (int32_t i = 0; i < w->n; ++i) w->factors[i]->matrix_index = static_cast<int16_t>(i);
    const int64_t bytes = 2 * 4 * n * (n + 1);
    w->matrix = static_cast<double*>(rsa_run_alloc(con, static_cast<size_t>(bytes), "delta-normal covariance matrix"));
    if (w->matrix == nullptr) return 1;
    if (w->open_type == RSKMDS_CORRELATION) {
        w->volatilities = static_cast<double*>(rsa_run_alloc(con, static_cast<size_t>(16 * n), "volatility vector"));
        if (w->volatilities == nullptr) return 1;
        for (int64_t i = 0; i < n; ++i) {
            w->volatilities[i] = 1.0;
            w->volatilities[n + i] = 0.0;
        }
    }
    w->market.covariance = w->matrix;
    w->market.deviations = w->volatilities;
    const int rc = rskmdsr(con, &w->market, qor::missing());
    rskmdsc(con, &w->market);
    return rc != 0 ? 1 : 0;
}

// The categories of lists 0 (conditional) and 1 (marginal) as names and factor masks; unknown or
// empty categories are left out after 598/2800. 0 or 1.
int build_categories(RSKCON* con, RSKANLPROC* run, RSKDVRWORK* w) {
    const RSKANALYSIS* analysis = run->analysis;
    const int64_t c = static_cast<int64_t>(analysis->conditional_count) + analysis->marginal_count;
    w->results = 1;
    if (c <= 0) return 0;
    const int64_t row = kRskCategoryNameWidth + static_cast<int64_t>(w->n);
    auto* block = static_cast<uint8_t*>(rsa_run_alloc(con, static_cast<size_t>(c * row), "simulation work vector"));
    if (block == nullptr) return 1;
    w->category_names = reinterpret_cast<char*>(block);
    w->category_masks = block + c * kRskCategoryNameWidth;
    std::memset(w->category_names, ' ', static_cast<size_t>(c * kRskCategoryNameWidth));
    int length = 0;
    const char* name = nullptr;
    analysis_name(run, &length, &name);
    RSKRUNRESULTS* results = rskres_run(con);
    for (int list = 0; list < 2; ++list) {
        const bool conditional = list == 0;
        for (const RSKNAMECELL* cell = conditional ? analysis->conditional_head : analysis->marginal_head;
             cell != nullptr; cell = cell->next) {
            const RSKCATEGORY* category = rskcat(con, &cell->name.name);
            if (category == nullptr || category->count == 0) {
                xpmlog(598, 2800, cell->name.name.length, cell->name.name.text, length, name);
                continue;
            }
            const int32_t t = w->results - 1;
            const int width = std::min<int>(cell->name.name.length, kRskCategoryNameWidth);
            std::memcpy(w->category_names + t * kRskCategoryNameWidth, cell->name.name.text, static_cast<size_t>(width));
            if (results != nullptr && width > results->longest_category) results->longest_category = width;
            uint8_t* mask = w->category_masks + static_cast<int64_t>(t) * w->n;
            std::memset(mask, conditional ? 0 : 1, static_cast<size_t>(w->n));
            for (const RSKMEMBERLINK* member = category->head; member != nullptr; member = member->next) {
                const RSKVARIABLE* v = member->variable;
                if (v == nullptr) continue;
                if (v->data_type == RSKDTYPE_ARRAY && v->elements != nullptr && !(v->class_flags & RSKVAROUT_ARRAY)) {
                    for (uint32_t e = 0; e < v->elements_allocated; ++e) {
                        const RSKVARIABLE* element = v->elements[e];
                        if (element != nullptr && element->matrix_index >= 0 && element->matrix_index < w->n)
                            mask[element->matrix_index] = conditional ? 1 : 0;
                    }
                } else if (v->matrix_index >= 0 && v->matrix_index < w->n) {
                    mask[v->matrix_index] = conditional ? 1 : 0;
                }
            }
            ++w->results;
            if (conditional) ++w->conditional;
            else ++w->marginal;
        }
    }
    return 0;
}

}  // namespace

int rsadvr_test_matrix(RSKCON* con, RSKDVRWORK* w) {
    const int64_t n = w->n, packed = n * (n + 1) / 2;
    double* copy = w->matrix + packed;
    std::memcpy(copy, w->matrix, static_cast<size_t>(packed) * sizeof(double));
    int positive = 0, negative = 0;
    for (int i = 0; i < w->n; ++i) {
        const double pivot = zchol(i, copy, kCholeskyTolerance);
        if (pivot > kCholeskyTolerance) ++positive;
        else if (pivot < -kCholeskyTolerance) ++negative;
    }
    if (negative == 0) return 0;
    const RSKNAMEREC* md = w->market.definition != nullptr ? &w->market.definition->name.name : nullptr;
    xpmlog(598, 2649, md != nullptr ? md->length : 0, md != nullptr ? md->text : "");
    int rank = std::min(positive + 10, w->n);
    return wfxmat(w->n, &rank, w->matrix, psd_method(con)) != 0 ? 1 : 0;
}

int rsadvr_categories(RSKCON* con, RSKANLPROC* run, RSKDVRWORK* w) {
    if (build_categories(con, run, w) != 0) return 1;
    w->multi = static_cast<uint8_t>(w->results > 1);
    RSKRUNRESULTS* results = rskres_run(con);
    if (results != nullptr) {
        if (w->multi) results->deltanormal_category = 1;
        results->longest_category = std::min(results->longest_category, kRskCategoryNameWidth);
    }
    return 0;
}

RSKDVRWORK* rsadvr_work(RSKCON* con, RSKANLPROC* run) {
    auto* w = static_cast<RSKDVRWORK*>(rsa_run_alloc(con, sizeof(RSKDVRWORK), "delta-normal work area"));
    if (w == nullptr) return nullptr;
    w->results = 1;
    run->work = w;
    run->work_size = sizeof(RSKDVRWORK);
    return w;
}

int rsadvr_factors(RSKCON* con, RSKANLPROC* run, RSKDVRWORK* w) {
    const int32_t n = run->run_factor_count;
    const size_t count = static_cast<size_t>(n > 0 ? n : 1);
    auto* block = static_cast<unsigned char*>(
        rsa_run_alloc(con, count * (sizeof(RSKVARIABLE*) + 3 * sizeof(double)), "delta-normal factor table"));
    if (block == nullptr) return 1;
    w->n = n;
    w->factors = reinterpret_cast<RSKVARIABLE**>(block);
    auto* doubles = reinterpret_cast<double*>(block + count * sizeof(RSKVARIABLE*));
    w->base_values = doubles;
    w->shifts = doubles + count;
    w->weights = doubles + 2 * count;
    for (size_t i = 0; i < 2 * count; ++i) doubles[i] = qor::missing();
    int32_t k = 0;
    for (RSKRUNFACTOR* f = run->run_factors_head; f != nullptr && k < n; f = f->next) w->factors[k++] = f->variable;
    return 0;
}

int rsadvr0(RSKCON* con, RSKANLPROC* run, RSKANALYSIS* analysis) {
    if (con == nullptr || run == nullptr || analysis == nullptr || con->run_block == nullptr) return 1;
    run->label = kDeltaNormalLabel;
    RSKDVRWORK* w = rsadvr_work(con, run);
    if (w == nullptr) return 1;
    w->interval = analysis->interval;
    if (w->interval.code == 0 && analysis->input_data.name.length <= 0) zintstr("WEEKDAY", -1, &w->interval);

    const bool results_level = run_level(con) == kResultsLevel;
    const bool needs_data = generating(con) || results_level;
    if (needs_data && open_market_data(con, run, w) != 0) return 1;
    if (rsafacb(con, run, 1) != 0 || run->failed) {
        rskmdsc(con, &w->market);
        return 1;
    }
    if (rsadvr_factors(con, run, w) != 0) return 1;
    int length = 0;
    const char* name = nullptr;
    analysis_name(run, &length, &name);
    if (needs_data) {
        if (w->n > w->columns) {
            xebug("rsadvr.c: n=%i > mds->m=%i.", w->n, w->columns);
            rskmdsc(con, &w->market);
            return 1;
        }
        if (w->n < 1) {
            const RSKNAMEREC* md = w->market.definition != nullptr ? &w->market.definition->name.name : nullptr;
            xpmlog(598, 2646, md != nullptr ? md->length : 0, md != nullptr ? md->text : "", length, name);
            rskmdsc(con, &w->market);
            return 1;
        }
    }
    if (results_level) {
        // The block is 2 x 4n(n+1) bytes: refused before it is asked for when a run cannot hold it.
        const int64_t n = w->n;
        if (n > 16000) {
            xpmlog(598, 2797, static_cast<long>(8 * n * (n + 1)), "delta-normal covariance matrix");
            rskmdsc(con, &w->market);
            return 1;
        }
        if (read_matrix(con, w) != 0 || rsadvr_test_matrix(con, w) != 0) {
            rskmdsc(con, &w->market);
            return 1;
        }
        if (rsadvr_categories(con, run, w) != 0) return 1;
    } else {
        rskmdsc(con, &w->market);
    }
    run->cell_size = 8 * (w->n + w->results);
    int32_t part = 1, parts = 1, first = 0, end = w->n;
    rsa_analysis_part(con, &part, &parts);
    rsa_part_factors(w->n, part, parts, &first, &end);
    con->run_block->planned_states += 2 * (end - first);
    return 0;
}

int rsadvr1(RSKCON* con, RSKANLPROC* run) {
    if (con == nullptr || run == nullptr || run->work == nullptr) return 1;
    auto* w = static_cast<RSKDVRWORK*>(run->work);
    const RSKSHIFTOPTIONS options = rsa_shift_options(con);
    int32_t part = 1, parts = 1, first = 0, end = w->n;
    rsa_analysis_part(con, &part, &parts);
    rsa_part_factors(w->n, part, parts, &first, &end);
    int64_t before = 0, after = 0;
    for (int32_t i = 0; i < w->n; ++i) {
        const double x = rsa_factor_value(w->factors[i]);
        w->base_values[i] = x;
        w->shifts[i] = rsa_shift(&options, x);
        if (qor::is_missing(x)) continue;
        if (i < first) before += 2;
        else if (i >= end) after += 2;
    }
    rsa_skip_states(con, before);
    int rc = 0;
    for (int32_t i = first; i < end && rc == 0; ++i) {
        RSKVARIABLE* v = w->factors[i];
        const double x = w->base_values[i];
        if (qor::is_missing(x)) continue;
        rsa_set_factor(v, x + w->shifts[i]);
        rc = rsa_append_state(con, v, nullptr, i, 0);
        rsa_set_factor(v, x - w->shifts[i]);
        if (rc == 0) rc = rsa_append_state(con, v, nullptr, i, 1);
        rsa_set_factor(v, x);
    }
    rsa_skip_states(con, after);
    return rc;
}
