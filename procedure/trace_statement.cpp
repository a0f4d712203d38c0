// The TRACE statement: trace levels, mode, instrument and method selections, detail, categories,
// thread and output flags, all kept in the control structure for the run engine.
#include <cctype>
#include <cmath>
#include <cstring>

#include "host/kernel.h"
#include "host/pool.h"
#include "host/print.h"
#include "procedure/housekeeping.h"
#include "procedure/operand_reading.h"

namespace zozu {

namespace {

// Trace field numbers and bits, as the grammar fills them.
constexpr int kLevelField = 1, kModeField = 2, kSelectionField = 3, kDetailField = 4,
              kCategoryField = 5, kMethodField = 6, kThreadField = 7;
constexpr int kSubmitsBit = 2, kListBit = 3, kDebugBit = 4, kPrintBit = 5, kTraceBit = 6;

struct TraceCategory {
    const char* word;
    uint32_t bit;
};
const TraceCategory kCategories[] = {
    {"FACTORS", RSKTRACE_FACTORS}, {"DEPS", RSKTRACE_DEPS},       {"RFTORDER", RSKTRACE_RFTORDER},
    {"SETVARS", RSKTRACE_SETVARS}, {"TRANS", RSKTRACE_TRANS},     {"PRICE", RSKTRACE_PRICE},
    {"PRICING", RSKTRACE_PRICE},   {"INPUT", RSKTRACE_INPUT},
};

bool same_word(const char* word, int length, const char* want) {
    return static_cast<size_t>(length) == std::strlen(want) && std::strncmp(word, want, static_cast<size_t>(length)) == 0;
}

// Replaces a selection buffer by an upper-cased copy of text. Out of memory ends the step.
void copy_selection(RSKCON* con, char** buffer, const char* text, int length, const char* label) {
    qor_pool* pool = con->general_pool;
    char* copy = pool != nullptr ? static_cast<char*>(xmalloc_labelled(pool, static_cast<size_t>(length) + 1,
                                                                       QOR_ALLOC_PLAIN, label))
                                 : nullptr;
    if (copy == nullptr) {
        xpmlog(598, 500);
        xexit(1016);
    }
    for (int i = 0; i < length; ++i) copy[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[i])));
    copy[length] = '\0';
    if (*buffer != nullptr) pool->release(pool, *buffer, std::strlen(*buffer) + 1, QOR_FREE_SIZED);
    *buffer = copy;
}

void set_levels(RSKCON* con, const statement_node* node) {
    const double* levels = nullptr;
    int count = field_numbers(node, kLevelField, &levels);
    if (count == 0 || std::isnan(levels[0])) return;
    int low = static_cast<int>(levels[0]);
    int high = count > 1 && !std::isnan(levels[1]) ? static_cast<int>(levels[1]) : low;
    if (high < low) {
        xpmlog(670, 1100, high, low);
        xpmlog(670, 1101);
        low = 0;
        high = 9;
    }
    con->trace_level_low = low;
    con->trace_level_high = high;
}

void set_categories(RSKCON* con, const statement_node* node) {
    if (given_field(node, kCategoryField) == nullptr) return;
    uint32_t categories = 0;
    bool all = false, none = false;
    for_each_name(node, kCategoryField, [&](const char* word, int length) {
        if (same_word(word, length, "ALL")) all = true;
        if (same_word(word, length, "NONE")) none = true;
        for (const TraceCategory& c : kCategories)
            if (same_word(word, length, c.word)) categories |= c.bit;
    });
    con->trace_categories = all ? RSKTRACE_ALL : none ? 0u : categories;
}

}  // namespace

int trace_stmt(RSKCON* con, statement_node* node) {
    set_levels(con, node);

    const double* mode = nullptr;
    int length = 0;
    const char* selection = field_text(node, kSelectionField, &length);
    if (field_numbers(node, kModeField, &mode) > 0 && (mode[0] == 1 || mode[0] == 2)) {
        con->trace_mode = static_cast<int32_t>(mode[0]);
    } else if (given_field(node, kSelectionField) != nullptr) {
        copy_selection(con, &con->trace_selection, selection, length, "trace selection");
        con->trace_mode = 0;
    }

    const double* detail = nullptr;
    if (field_numbers(node, kDetailField, &detail) > 0 && (detail[0] == 1 || detail[0] == 2))
        con->trace_detail = static_cast<int32_t>(detail[0]);
    else if (con->trace_detail == 0)
        con->trace_detail = 1;

    set_categories(con, node);

    if (given_field(node, kMethodField) != nullptr) {
        const char* methods = field_text(node, kMethodField, &length);
        copy_selection(con, &con->trace_method_selection, methods, length, "trace method selection");
    }

    const double* thread = nullptr;
    if (field_numbers(node, kThreadField, &thread) > 0) {
        // Threads are numbered from 1; 0 or less would select no thread at all.
        if (std::isnan(thread[0]) || thread[0] < 1) {
            xpslog("%2zTHREAD= needs a thread number of at least 1; the thread selection is unchanged.");
        } else {
            con->trace_thread = static_cast<int32_t>(thread[0]) - 1;
            con->trace_thread_on = 1;
        }
    }

    if (qor_option_bit(node, kSubmitsBit)) con->trace_submits = 1;
    if (qor_option_bit(node, kListBit)) con->trace_list = 1;
    if (qor_option_bit(node, kDebugBit)) con->trace_debug = 1;
    if (qor_option_bit(node, kPrintBit)) con->trace_print = 1;
    if (qor_option_bit(node, kTraceBit)) con->trace_trace = 1;
    return 0;
}

}  // namespace zozu
