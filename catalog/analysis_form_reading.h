// What the readers of the analysis list form share: the call of an engine definition through
// its slot, the definition-failure message, the name-list readers and the simulation readers.
#pragma once
#include <string_view>
#include <type_traits>

#include "catalog/analysis_form_items.h"
#include "catalog/form_items.h"
#include "engine/model/analyses/analysis_record.h"
#include "engine/tables/engine_table.h"

// Calls a definition of the engine through its slot (see form_items::engine_call).
template <EngineSlot S, typename... Args>
int rss_define(RSKCON* con, Args... args) {
    return form_items::engine_call<S>(con, args...);
}

// 598/3013 naming the analysis whose definition failed; 1.
int rss_definition_failed(const RSKANALYSIS* analysis);
// OUTVARS (list 2) and CONDITIONAL, MARGINAL (lists 0 and 1) through rsasimb; unreadable items
// are skipped. 0.
int set_outvars(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details);
int set_categories(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details);
// The horizons of "HLIST" into an array from the control structure's general pool (*count 0 and
// null when absent); 1 after 598/2797 when the array cannot be had. rss_free_horizons gives it back.
int rss_read_horizons(RSKCON* con, qor_list_id details, int32_t** horizons, int32_t* count);
void rss_free_horizons(RSKCON* con, int32_t* horizons, int32_t count);
// Readers of the simulation kinds and of optimisation (kinds 6 to 9, 15 and 17).
int set_covs_opts(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details);
int set_mcs_opts(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details);
int set_pot_exp(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details);
int set_hiss_opts(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details);
int set_ssm_opts(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details);
int set_optimization_opts(RSKCON* con, RSKANALYSIS* analysis, qor_list_id details);

// The analysis kind whose registry text it is (trailing blanks and case aside); 0 when none.
int rss_analysis_code(RSKCON* con, std::string_view text);
// Codes of registry texts (perturbation types, generators, error models), compared the same
// way: an empty text gives 0; a text the registry does not hold gives -1 after an
// internal-error line.
int rss_perturbation_code(RSKCON* con, std::string_view text);
int rss_generator_code(RSKCON* con, std::string_view text);
int rss_error_model_code(RSKCON* con, std::string_view text);
