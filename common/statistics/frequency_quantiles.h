// Quantiles of a sample held as an ascending list of distinct values with counts, with the mode and
// optional confidence limits (normal model by noncentral t quantiles, or distribution-free).
#pragma once
#include <cstdint>

// One distinct value of the sample; the caller links the nodes in ascending order of value.
struct frequency_node {
    frequency_node* next;
    frequency_node* previous;   // written by zuniqnt as it walks
    int32_t reserved;           // not read
    int32_t count;              // number of observations with this value (0 or more)
    const double* weight;       // weight of the node (definition 6); null or missing counts as 0
    double value;
};

// Sample summary, the caller's.
struct frequency_summary {
    double count;      // N, the total of the counts
    double mean;
    double std_dev;
    double weight;     // W, the total weight (definition 6); missing when there is none
};

enum : int32_t {
    DFCI_NONE = 0,
    DFCI_LOWER = 1,          // lower limit
    DFCI_UPPER = 2,          // upper limit
    DFCI_POSITIONS = 3,      // two-sided, positions and coverage only
    DFCI_TWO_SIDED = 4,
    DFCI_TWO_OR_ONE = 5,     // two-sided, else one-sided towards the nearer end
};
enum : int32_t { NORMAL_CI_NONE = 0, NORMAL_CI_LOWER = 1, NORMAL_CI_UPPER = 2, NORMAL_CI_BOTH = 3 };

// Request and results. Every result array has m elements, indexed like the probabilities.
struct quantile_request {
    int32_t mode_wanted;
    int32_t df_kind;            // DFCI_*
    int32_t normal_kind;        // NORMAL_CI_*
    int32_t m;                  // number of probabilities
    const int32_t* order;       // null (probabilities ascending), or indices in ascending order
    const double* probabilities;
    double df_alpha;            // 1 - confidence of the distribution-free limits
    double normal_alpha;        // 1 - confidence of the normal limits (split over both sides for kind 3)
    frequency_node* last_node;  // out (mode wanted)
    int32_t distinct_values;    // out (mode wanted)
    int32_t mode_count;         // out (mode wanted): number of values sharing the largest count
    int32_t largest_count;      // out (mode wanted)
    double* quantiles;
    double* normal_lower;       // needed for normal kinds 1 and 3
    double* normal_upper;       // needed for normal kinds 2 and 3
    double* df_lower_value;     // the five distribution-free arrays, needed when df_kind is set
    double* df_upper_value;
    double* df_lower_position;  // 1-based order-statistic positions
    double* df_upper_position;
    double* df_coverage;        // percent
    double mode;                // out (mode wanted); missing when every value occurs once
};

enum : int {
    FQ_OK = 0,
    FQ_BAD_REQUEST = 1,     // null pointers, m < 0, definition outside 1..6, probability outside [0, 1]
                            // or missing, a bad order, or probabilities not ascending in the order taken
    FQ_NO_WEIGHT = 2,       // definition 6 without a positive total weight: quantiles missing
    FQ_SHORT_LIST = 3,      // the list holds fewer observations than N, or a negative count:
                            // quantiles not reached are missing
};

// Quantiles under percentile definition 1 to 5 (count-based) or 6 (weight-based). FQ_* code.
int zuniqnt(int definition, const frequency_summary* summary, frequency_node* first, quantile_request* request);
// p-quantile of the noncentral t with nu degrees of freedom and noncentrality delta: by zqtnc, else
// by the log-scale search of zlogtnc. 0, or the code of zlogtnc (quantile then unchanged).
int zuniqnc(double p, double nu, double delta, double* quantile);
