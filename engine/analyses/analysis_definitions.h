// The definition entries of the analysis kinds: each sets the kind of an analysis record and the
// settings its statement or its stored form gives, and the options every simulation shares.
#pragma once
#include <cstdint>

#include "common/intervals/interval_spec.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/model/services/analyses.h"
#include "engine/tables/control_structure.h"

// Sensitivity (kind 2): the four switches as 0 or 1 and the optional row labels. 0.
int rsadela(RSKCON* con, RSKANALYSIS* analysis, int32_t theta, int32_t vega, int32_t cross_gamma,
            int32_t numeric_derivatives, const RSKNAMEREC* instrument_type, const RSKNAMEREC* instrument_id);
// Scenario (kind 5) with its default perturbation type. 0.
int rsascna(RSKCON* con, RSKANALYSIS* analysis, int32_t default_type);
// P/L curve (kind 3) and P/L surface (kind 4): the grids are the factor entries. 0.
int rsaplca(RSKCON* con, RSKANALYSIS* analysis);
int rsaplsa(RSKCON* con, RSKANALYSIS* analysis);
// Delta-normal value at risk (kind 10): its covariance input and horizon interval. 0.
int rsadvra(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* input, const interval_spec* interval);
// Position equivalents (kind 12): the benchmark factor and its time. 0; -1 when the benchmark is
// listed already; 1 out of memory.
int rsapeqa(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* benchmark, double benchmark_time);
// Cash flows: method, bucket and duration types, the source analysis of method 99 and the two
// dates; the caller sets kind 13. 0, or 1 when method 99 names no analysis (670/3527, 3528).
int rsacfla(RSKCON* con, RSKANALYSIS* analysis, int32_t method, int32_t bucket_type, int32_t duration_type,
            const RSKNAMEREC* source, double evaluation_date, double more_dates);

// The simulation kinds: covariance (6), model Monte Carlo (7; potential exposure sets 15 after
// it), historical (8) and series (9). 0, or 1 when the horizon list cannot be stored.
int rsacsma(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options);
int rsamsma(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options);
int rsahsma(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options);
int rsassma(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options);
// Optimisation (kind 17) over the draws of an existing simulation analysis. 0 or 1.
int rsaporta(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* simulation, int32_t objective,
             int32_t constraint, int32_t horizon_count, const int32_t* horizons, int32_t target_total,
             const double* targets, int32_t list_count, const int32_t* list_ends, const RSKNAMEREC* constraint_data,
             const RSKNAMEREC* bounds_data, int32_t value_mode);
// Appends a name to list 0 (conditional categories), 1 (marginal categories) or 2 (output
// variables). 0, or 1 when no cell can be had; another list number is an internal error (0).
int rsasimb(RSKCON* con, RSKANALYSIS* analysis, const RSKNAMEREC* name, int32_t list);

// The options every simulation kind stores: flags, input name, interval, the two dates (each
// below 365 is no date), horizons, replications, seed, generator, scale, error model and the
// generator's further values. 0, or 1 when the horizon list cannot be stored (598/2797).
int rsasima(RSKCON* con, RSKANALYSIS* analysis, const RSKSIMOPTS* options, int32_t replications,
            double first_date, double second_date);

// The replication count of a simulation statement: the define routines use 100 when none or
// none above 0 is given.
constexpr int32_t kRskDefaultReplications = 100;
constexpr int32_t kRskMostReplications = 100000000;
