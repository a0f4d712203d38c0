// The cell report of an aggregation run: an upper bound of the cells every crossing of the
// cross-classification can make over the run's instruments, and of the memory they take.
#include <cmath>
#include <cstring>

#include "engine/model/categories/categories.h"
#include "engine/model/projects/projects.h"
#include "engine/model/variables/variable_record.h"
#include "engine/model/variables/variables.h"
#include "engine/output/cell_report.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr int kMaxCounts = 32;
constexpr double kRoundUp = 511.9;

// Adds, for every subset of counts[from..k) added to a subset whose product divides `rest`,
// min(n, rest / product). Subsets grow in increasing index order, each count at most once.
double subsets(const double* counts, int from, int k, double rest, double n) {
    double sum = 0;
    for (int i = from; i < k; ++i) {
        const double smaller = rest / counts[i];
        sum += std::fmin(n, smaller) + subsets(counts, i + 1, k, smaller, n);
    }
    return sum;
}

bool is_instid(const RSKNAMEREC& name) {
    static constexpr char kInstId[] = "InstID";
    if (name.length != 6) return false;
    for (int i = 0; i < 6; ++i) {
        char a = name.text[i], b = kInstId[i];
        if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 'a' + 'A');
        if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 'a' + 'A');
        if (a != b) return false;
    }
    return true;
}

}  // namespace

double rskrung_crossing_cells(const double* counts, int k, double n) {
    double product = 1;
    for (int i = 0; i < k; ++i) product *= counts[i];
    return std::fmin(n, product) + subsets(counts, 0, k, product, n) - 1;
}

double rskrung_report(RSKCON* con, const RSKPROJECT* project, const RSKCROSSCLASS* cross, int32_t cell_size,
                      int32_t instruments, const RSKNAMEREC* instrument_data) {
    int notes = 0;
    if (con == nullptr || instruments < 1 || xoptbgt("NOTES", &notes) != 0 || !notes) return 0;
    static const RSKNAMEREC kNone{0, 0, const_cast<char*>("")};
    const RSKNAMEREC& project_name = project != nullptr ? project->name.name : kNone;
    const RSKNAMEREC& data_name = instrument_data != nullptr ? *instrument_data : kNone;
    const double n = instruments;
    double total = 1;   // the grand total
    for (const RSKHIERARCHY* crossing = cross != nullptr ? cross->head : nullptr; crossing != nullptr;
         crossing = crossing->next) {
        double counts[kMaxCounts];
        int k = 0;
        for (const RSKHIERCELL* member = crossing->head; member != nullptr && k < kMaxCounts; member = member->next) {
            const RSKVARIABLE* variable = rskvar(con, &member->name.name);
            if (variable == nullptr) {
                xebug("rskrung: var %*s not found.", member->name.name.length, member->name.name.text);
                continue;
            }
            double levels = variable->level_count;
            if (levels == 0 && is_instid(member->name.name)) levels = n;
            if (levels < 1) {
                xpmlog(598, 4124, member->name.name.length, member->name.name.text, cross->name.name.length,
                       cross->name.name.text, project_name.length, project_name.text, data_name.length, data_name.text);
                continue;
            }
            if (levels > 1) counts[k++] = levels;
        }
        total += k == 0 ? 1 : rskrung_crossing_cells(counts, k, n);
    }
    double kilobytes = std::floor((static_cast<double>(cell_size) * total + kRoundUp) / 1024.0);
    if (kilobytes < 1) kilobytes = 1;
    const bool generic = con->generic != 0;
    xpmlog(598, 4122, project_name.length, project_name.text, total, generic ? -1 : cell_size, total,
           generic ? -1.0 : kilobytes);
    xpmlog(598, 4123);
    return total;
}
