// Handlers of the analysis statements and what they share: the analysis of a statement, the
// perturbation type and time unit codes, grid options, simulation options and category lists.
#pragma once
#include "engine/tables/control_structure.h"
#include "host/parser.h"
#include "procedure/operand_lists.h"

struct RSKANALYSIS;
struct RSKCATOBJ;

namespace zozu {

int scenario_stmt(RSKCON* con, statement_node* node);
int sensitivity_stmt(RSKCON* con, statement_node* node);
int plcurve_stmt(RSKCON* con, statement_node* node);
int plsurface_stmt(RSKCON* con, statement_node* node);
int curexposure_stmt(RSKCON* con, statement_node* node);
int mtmanalysis_stmt(RSKCON* con, statement_node* node);
int nloptions_stmt(RSKCON* con, statement_node* node);
int poseq_stmt(RSKCON* con, statement_node* node);
int deltanormal_stmt(RSKCON* con, statement_node* node);
int simulation_stmt(RSKCON* con, statement_node* node);
int potexp_stmt(RSKCON* con, statement_node* node);
int cashflow_stmt(RSKCON* con, statement_node* node);
int optimization_stmt(RSKCON* con, statement_node* node);

// Defines (or reuses) the analysis named in field 1 with the label of field 2; *object gets its
// catalog object. Null after 670/1089 when it cannot be had.
RSKANALYSIS* get_analysis(RSKCON* con, const statement_node* node, RSKCATOBJ** object);
// The start both grid statements share: the rights code, the analysis, its kind (P/L surface or
// curve); *object gets its catalog object and *name its name. Null after 670/1089 or 670/1037.
RSKANALYSIS* start_grid_analysis(RSKCON* con, statement_node* node, bool surface, RSKCATOBJ** object,
                                 OperandText* name);

// Perturbation types of the perturbation registry.
enum : int { kPerturbValue = 1, kPerturbAbsolute = 2, kPerturbRelative = 3, kPerturbStd = 4 };
// The perturbation type of a statement's code word (ABS 1, REL 2, VALUE 3, STD 4 as the grammar
// numbers them): ABS absolute (2), REL relative (3), VALUE value (1), STD standard deviations (4).
// A missing code or 0 takes `default_type`; any other value logs 670/1088 and gives absolute.
int get_perturb_type(double code, int default_type);

// Grid options of a P/L curve or surface factor (codes of the grammar: 1 MIN, 2 MAX, 3 N,
// 4 VALUE). Each value is missing until given.
struct GridOptions {
    double lower, upper, points, fourth;
};
// Stores one option: a second value of the same option is reported (670/1155 .. 1158 with the
// factor and analysis names) and replaces the first. 0, or 99 for an unknown code.
int get_gridopt(int code, double value, GridOptions* grid, const char* factor, int factor_length,
                const char* analysis, int analysis_length);
// Reads the grid options of factor `index` of a statement's factor entries; *option_at is the
// place of its first option in the option lists and is advanced past them. The largest code.
int read_grid(const statement_node* node, long long index, long long* option_at, GridOptions* grid,
              const char* factor, int factor_length, const char* analysis, int analysis_length);
// A grid needs its three values, an upper end above the lower and 2 to 32767 points: 0, or 1
// after 670/1159 .. 1163.
int check_gridopt(double lower, double upper, double points, const char* factor, int factor_length,
                  const char* analysis, int analysis_length);

// Adds each name of a NUL-separated list (`length` bytes) to category list 0, 1 or 2 of the
// analysis. The largest code.
int setAnalysisCategories(RSKCON* con, RSKANALYSIS* analysis, const char* names, int length, int list);

// The options a SIMULATION (potential_exposure 0) or POTEXP (1) statement gives its analysis,
// then its category lists. 0, or the failing code (99 for an unknown method).
int get_simulation_opts(RSKCON* con, const statement_node* node, RSKANALYSIS* analysis, int potential_exposure);

}  // namespace zozu
