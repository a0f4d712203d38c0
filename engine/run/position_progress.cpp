// When the position loop gives a progress note, which positions a portfolio part prices, and
// the state range of an analysis.
#include "engine/run/analysis_processing.h"
#include "engine/run/position_loop.h"

double rsk_progress_interval(int32_t notes) {
    if (notes < 10) return 5;
    if (notes < 50) return 30;
    if (notes < 100) return 60;
    if (notes < 200) return 300;
    return 900;
}

int rsk_progress_due(RSKPROGRESS* p, double now, int generic, double valued, double in_file) {
    if (p->every <= 0) return 0;
    ++p->since_note;
    const bool counted = p->since_note >= p->every;
    const bool timed = !generic && now - p->reference > rsk_progress_interval(p->notes);
    if (!(counted || timed) || valued >= in_file) return 0;
    // The reference moves only with a note: a loop of slow positions still gets its notes.
    ++p->notes;
    p->since_note = 0;
    p->reference = now;
    if (p->notes % 10 == 0) p->every *= 2;
    return 1;
}

int rsk_part_range(int32_t part, int32_t parts, double positions, int64_t* first, int64_t* last, uint8_t* range_on) {
    if (parts <= 1) {
        *first = 1;
        *last = static_cast<int64_t>(positions);
        *range_on = 0;
        return part <= 1 ? 0 : 1;
    }
    if (part < 1 || part > parts) return 1;
    const double low = (part - 1) * positions / parts + 1;
    const double high = part * positions / parts;
    *first = static_cast<int64_t>(low);
    *last = static_cast<int64_t>(high < positions ? high : positions);
    *range_on = 1;
    return 0;
}

int get_range(RSKCON*, const RSKANLPROC* result, int64_t generated, int64_t* first, int64_t* last) {
    *first = 0;
    *last = static_cast<int64_t>(result->state_count) - 1;
    if (result->first_state < 0 || static_cast<int64_t>(result->first_state) + result->state_count > generated) return 1;
    return 0;
}
