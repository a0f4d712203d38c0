// Several quantiles of an ascending frequency list in one walk (count- or weight-based definitions),
// the mode on the way, and the confidence limits of each quantile at the probability's own index.
#include "common/statistics/frequency_quantiles.h"

#include <cmath>
#include <vector>

#include "common/statistics/frequency_limits.h"
#include "common/statistics/tail_index.h"
#include "host/missing.h"

namespace {

// Walk state: the current node, the running total and what the mode needs.
struct list_walk {
    frequency_node* node;
    double cum;
    bool weighted;
    int32_t distinct;
    int32_t largest;
    int32_t largest_nodes;
    double mode;
    bool bad_count;
};

double node_weight(const frequency_node* node) {
    if (node->weight == nullptr) return 0.0;
    double w = *node->weight;
    return w > 0.0 ? w : 0.0;   // missing (NaN) and negative weights carry nothing
}

void note_for_mode(list_walk* w, const frequency_node* node) {
    if (node->count < 0) w->bad_count = true;
    if (node->count <= 0) return;
    w->distinct++;
    if (node->count > w->largest) {
        w->largest = node->count;
        w->largest_nodes = 1;
        w->mode = node->value;
    } else if (node->count == w->largest) {
        w->largest_nodes++;
    }
}

void start_walk(list_walk* w, frequency_node* first, bool weighted) {
    *w = list_walk{first, 0.0, weighted, 0, 0, 0, qor::missing(), false};
    first->previous = nullptr;
    note_for_mode(w, first);
    w->cum = weighted ? node_weight(first) : (first->count > 0 ? first->count : 0.0);
}

// Moves to the next node; false at the end of the list or after a negative count.
bool advance(list_walk* w) {
    frequency_node* next = w->node->next;
    if (next == nullptr || w->bad_count) return false;
    next->previous = w->node;
    w->node = next;
    note_for_mode(w, next);
    if (w->bad_count) return false;
    w->cum += w->weighted ? node_weight(next) : next->count;
    return true;
}

// The next node after this one that holds observations (positive count, or positive weight).
const frequency_node* next_holding(const frequency_node* node, bool weighted) {
    for (const frequency_node* n = node->next; n != nullptr; n = n->next)
        if (weighted ? node_weight(n) > 0.0 : n->count > 0) return n;
    return nullptr;
}

int probability_index(const quantile_request* r, int i) { return r->order ? r->order[i] : i; }

bool request_is_sound(int definition, const frequency_summary* s, const frequency_node* first,
                      const quantile_request* r) {
    if (s == nullptr || first == nullptr || r == nullptr || definition < 1 || definition > 6 || r->m < 0) return false;
    if (r->df_kind < DFCI_NONE || r->df_kind > DFCI_TWO_OR_ONE) return false;
    if (r->normal_kind < NORMAL_CI_NONE || r->normal_kind > NORMAL_CI_BOTH) return false;
    if (r->m == 0) return true;
    if (r->probabilities == nullptr || r->quantiles == nullptr || !(s->count >= 1.0)) return false;
    if (r->normal_kind != NORMAL_CI_NONE) {
        if (!(r->normal_alpha > 0.0 && r->normal_alpha < 1.0)) return false;
        if (r->normal_kind != NORMAL_CI_UPPER && r->normal_lower == nullptr) return false;
        if (r->normal_kind != NORMAL_CI_LOWER && r->normal_upper == nullptr) return false;
    }
    if (r->df_kind != DFCI_NONE) {
        if (!(r->df_alpha > 0.0 && r->df_alpha <= 0.5)) return false;
        if (!r->df_lower_value || !r->df_upper_value || !r->df_lower_position || !r->df_upper_position ||
            !r->df_coverage)
            return false;
    }
    if (r->order != nullptr) {
        std::vector<bool> seen(r->m, false);
        for (int i = 0; i < r->m; ++i) {
            int k = r->order[i];
            if (k < 0 || k >= r->m || seen[k]) return false;
            seen[k] = true;
        }
    }
    // One walk down the list serves every probability only when they are taken in ascending order.
    for (int i = 0; i < r->m; ++i) {
        double p = r->probabilities[probability_index(r, i)];
        if (!(p >= 0.0 && p <= 1.0)) return false;
        if (i > 0 && p < r->probabilities[probability_index(r, i - 1)]) return false;
    }
    return true;
}

// Quantiles (and their normal limits) not reached are missing.
void set_remaining_missing(quantile_request* r, int from) {
    for (int i = from; i < r->m; ++i) {
        const int k = probability_index(r, i);
        r->quantiles[k] = qor::missing();
        if (r->normal_kind != NORMAL_CI_NONE) frequency_clear_limits(r, k);
    }
}

// Count-based definitions 1 to 5. FQ_OK, or FQ_SHORT_LIST when the list ends before a position.
int count_quantiles(int definition, const frequency_summary* s, list_walk* w, quantile_request* r) {
    for (int i = 0; i < r->m; ++i) {
        const int k = probability_index(r, i);
        const double p = r->probabilities[k];
        double lower, upper;
        const double g = zunifct(definition, s->count, p, &lower, &upper);
        while (w->cum <= lower) {
            if (!advance(w)) {
                set_remaining_missing(r, i);
                return FQ_SHORT_LIST;
            }
        }
        const frequency_node* next = w->cum <= upper ? next_holding(w->node, false) : nullptr;
        double q = w->node->value;
        if (next != nullptr && g != 0.0) q = g * next->value + (1.0 - g) * w->node->value;
        r->quantiles[k] = q;
        if (r->normal_kind != NORMAL_CI_NONE) frequency_normal_limits(s, r, p, k);
    }
    return FQ_OK;
}

// Weight-based definition 6: the quantile where the running weight reaches W p.
void weight_quantiles(const frequency_summary* s, list_walk* w, quantile_request* r) {
    bool ended = false;
    for (int i = 0; i < r->m; ++i) {
        const int k = probability_index(r, i);
        double lower, upper;
        zunifct(6, s->weight, r->probabilities[k], &lower, &upper);
        while (!ended && w->cum < lower) {
            if (!advance(w)) ended = true;
        }
        double q = w->node->value;
        if (!ended && w->cum <= upper) {
            const frequency_node* next = next_holding(w->node, true);
            if (next != nullptr) q = 0.5 * (w->node->value + next->value);
        }
        r->quantiles[k] = q;
    }
}

}  // namespace

int zuniqnt(int definition, const frequency_summary* summary, frequency_node* first, quantile_request* request) {
    if (!request_is_sound(definition, summary, first, request)) return FQ_BAD_REQUEST;
    quantile_request* r = request;
    list_walk w;
    int rc = FQ_OK;
    if (definition == 6) {
        // No interval belongs to the weighted definition.
        for (int k = 0; k < r->m; ++k) frequency_clear_limits(r, k);
        if (!(summary->weight > 0.0)) {
            set_remaining_missing(r, 0);
            rc = FQ_NO_WEIGHT;
            start_walk(&w, first, false);
        } else {
            start_walk(&w, first, true);
            weight_quantiles(summary, &w, r);
        }
    } else {
        start_walk(&w, first, false);
        rc = count_quantiles(definition, summary, &w, r);
        // Distribution-free limits, in array order, stored at each probability's own index; a list
        // shorter than N gives no order statistics to trust.
        for (int k = 0; k < r->m && r->df_kind != DFCI_NONE; ++k) {
            if (rc == FQ_OK) frequency_df_limits(summary, first, r, r->probabilities[k], k);
            else frequency_clear_limits(r, k);
        }
    }
    if (r->mode_wanted) {
        while (advance(&w)) {
        }
        if (w.bad_count) rc = FQ_SHORT_LIST;
        r->last_node = w.node;
        r->distinct_values = w.distinct;
        r->largest_count = w.largest;
        bool no_mode = w.largest <= 1 && w.distinct > 1;
        r->mode_count = no_mode ? 0 : w.largest_nodes;
        r->mode = no_mode ? qor::missing() : w.mode;
    }
    return rc;
}
