// The view runner of PROC SQL views: opening a view translates its stored query (one-level
// names in the view's own library), runs it and writes the rows to a transient WORK member.
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/print.h"
#include "runtime/sql/sql_query.h"
#include "runtime/sql/sql_tokens.h"
#include "runtime/sql/sql_translate.h"

namespace qor::runtime::sql {

namespace {

// A view reading itself, directly or through others, would never end.
constexpr int kDeepestViews = 16;
thread_local int t_view_depth = 0;
std::atomic<long> g_next_result{1};

int run_view(const char* libref, const char* member, const char* program, size_t length,
             char out_libref[8], qor_member_name* out_member) {
    std::string name = member_text(libref, member);
    if (t_view_depth >= kDeepestViews) {
        xpslog("%1zThe view %s cannot be opened: views nest more than %i deep (does a view read "
               "itself?).", name.c_str(), kDeepestViews);
        return QOR_DS_VIEW_FAILED;
    }
    struct Depth {
        Depth() { ++t_view_depth; }
        ~Depth() { --t_view_depth; }
    } depth;
    std::string text(program, length), error;
    std::vector<Token> tokens;
    QueryRun run(libref);
    Translation query;
    std::string result = std::string(QOR_VIEW_RESULT_PREFIX) + std::to_string(g_next_result++);
    int64_t rows = 0;
    int variables = 0;
    if (!tokenize(text, 1, &tokens, &error) || !run.open(&error) ||
        !translate_query(text, tokens, 0, tokens.size() - 1, run, &query, &error) ||
        !run.write(query, "WORK", result, &rows, &variables, &error)) {
        xpslog("%1zThe view %s cannot be opened: %s%s.", name.c_str(),
               error.compare(0, 5, "line ") == 0 ? "in its query at " : "", error.c_str());
        return QOR_DS_VIEW_FAILED;
    }
    std::memset(out_libref, ' ', 8);
    std::memcpy(out_libref, "WORK", 4);
    out_member->length = static_cast<int16_t>(result.size());
    std::memcpy(out_member->text, result.data(), result.size());
    return 0;
}

// PROC SQL views are the runtime's views from the start.
[[maybe_unused]] const bool g_registered = (qor_set_view_runner(run_view), true);

}  // namespace

}  // namespace qor::runtime::sql
