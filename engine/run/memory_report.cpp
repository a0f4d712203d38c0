// The memory report of a run: under NOTES (and without GENERIC) one line per category of the
// run's storage that holds anything, in kilobytes, then the total.
#include "engine/run/run_storage.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr int kMessageOfCategory[RSKMEM_CATEGORIES] = {4101, 4102, 4103, 4104, 4111, 4105,
                                                       4110, 4106, 4107, 4108, 4109, 4120};
constexpr int kAggregationMessage = 4121;
constexpr int kTotalMessage = 4113;
constexpr int kSmallOffset = 50;   // the message for less than a kilobyte, without a count

void line(int number, uint64_t bytes) {
    if (bytes < 1024) xpm(598, number + kSmallOffset);
    else xpm(598, number, static_cast<long>((bytes + 511) / 1024));
    xpoflsh();
}

}  // namespace

int rskmemp(RSKCON* con, int number, const char* name, int length) {
    const RSKRUNBLOCK* run = con->run_block;
    if (run == nullptr || con->generic) return 0;
    int notes = 0;
    if (xoptbgt("NOTES", &notes) != 0 || notes == 0) return 0;
    if (number != 4100 && number != 4112 && number != 4114) return 0;
    const int previous = xpselec(0, -1);
    xpm(598, number, length, name);
    xpoflsh();
    uint64_t total = 0;
    for (int c = 0; c < RSKMEM_CATEGORIES; ++c) {
        const uint64_t bytes = run->memory[c];
        if (bytes == 0) continue;
        total += bytes;
        int message = kMessageOfCategory[c];
        if (c == RSKMEM_RESULTS && run->aggregation_memory) message = kAggregationMessage;
        line(message, bytes);
    }
    line(kTotalMessage, total);
    xpselec(0, previous);
    return 0;
}
