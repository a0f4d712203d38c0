// PROC SORT: DATA= [OUT=]; BY [DESCENDING] v ...; a stable sort of the observations, written to
// OUT= or back to DATA= (the member is replaced only when the sorted one is complete), with the
// BY keys recorded in the new member's header.
#include <unistd.h>

#include <string>
#include <vector>

#include "host/options.h"
#include "host/print.h"
#include "runtime/procs/procedures.h"
#include "runtime/procs/record_io.h"
#include "runtime/procs/sort_records.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime {

namespace {

constexpr const char* kProc = "SORT";
constexpr size_t kMergeFanIn = 16;

struct ByName {
    std::string name;
    bool descending;
    int line;
};

struct SortRequest {
    DatasetSpec data;
    DatasetSpec out;
    bool has_data = false;
    bool has_out = false;
    std::vector<ByName> by;
    int line = 0;
};

bool error(const std::string& text, int line) {
    xpslog("%1zPROC SORT: %s on line %i.", text.c_str(), line);
    return false;
}

bool read_proc_statement(const StepStatement& st, SortRequest* request) {
    TokenCursor cursor(st.tokens, 2, st.line);   // after PROC SORT
    while (!cursor.done()) {
        const StepToken& option = cursor.take();
        std::string word = upper_word(option.text);
        if ((word == "DATA" || word == "OUT") && cursor.accept("=")) {
            bool data = word == "DATA";
            if ((data && request->has_data) || (!data && request->has_out))
                return error(word + "= is given twice", option.line);
            if (!read_dataset_spec(cursor, kProc, data ? &request->data : &request->out)) return false;
            (data ? request->has_data : request->has_out) = true;
        } else {
            return error("\"" + option.text + "\" is not an option of PROC SORT (DATA= and OUT= are)", option.line);
        }
    }
    if (!request->has_data) return error("DATA= names no data set to sort", st.line);
    return true;
}

bool read_by_statement(const StepStatement& st, SortRequest* request) {
    if (!request->by.empty()) return error("a second BY statement is given", st.line);
    TokenCursor cursor(st.tokens, 1, st.line);
    bool descending = false;
    while (!cursor.done()) {
        const StepToken& t = cursor.take();
        if (t.is("DESCENDING")) {
            descending = true;
            continue;
        }
        if (t.kind != StepToken::Word || !valid_word_name(t.text, 32))
            return error("\"" + t.text + "\" in the BY statement is not a variable name", t.line);
        request->by.push_back({t.text, descending, t.line});
        descending = false;
    }
    if (descending) return error("DESCENDING ends the BY statement without a variable", st.line);
    if (request->by.empty()) return error("the BY statement names no variables", st.line);
    return true;
}

bool read_request(const qor_step* step, SortRequest* request) {
    std::vector<StepStatement> statements;
    if (!read_step_statements(step, kProc, &statements)) return false;
    for (const StepStatement& st : statements) {
        if (st.keyword == "PROC") {
            request->line = st.line;
            if (!read_proc_statement(st, request)) return false;
        } else if (st.keyword == "BY") {
            if (!read_by_statement(st, request)) return false;
        } else {
            return error("the statement " + st.keyword + " is not valid in PROC SORT", st.line);
        }
    }
    if (request->by.empty()) return error("a BY statement is needed", request->line);
    return true;
}

// The keys in the reader's variables; false after a message naming a missing variable.
bool plan_keys(const SortRequest& request, const RecordReader& reader, std::vector<SortKey>* keys,
               std::vector<std::pair<size_t, bool>>* header_keys) {
    for (const ByName& b : request.by) {
        int i = find_variable(reader.variables(), b.name);
        if (i < 0) return error("BY variable " + b.name + " is not in " + reader.name(), b.line);
        const ds_variable& v = reader.variables()[static_cast<size_t>(i)];
        keys->push_back(SortKey{v.offset, v.length, v.type == QOR_VAR_NUMERIC, b.descending});
        header_keys->push_back({static_cast<size_t>(i), b.descending});
    }
    return true;
}

std::string by_text(const std::vector<ByName>& by) {
    std::string text;
    for (const ByName& b : by) text += (text.empty() ? "" : " ") + std::string(b.descending ? "DESCENDING " : "") + b.name;
    return text;
}

}  // namespace

int proc_sort(qor_step* step) {
    SortRequest request;
    if (!read_request(step, &request)) return 1;
    RecordReader reader;
    if (!reader.open(request.data, kProc)) return 1;
    std::vector<SortKey> keys;
    std::vector<std::pair<size_t, bool>> header_keys;
    if (!plan_keys(request, reader, &keys, &header_keys)) return 1;
    DatasetSpec out = request.has_out ? request.out : DatasetSpec{};
    if (!request.has_out && reader.is_view()) {
        error(reader.name() + " is a view and cannot be sorted in place: give OUT=", request.line);
        return 1;
    }
    if (!request.has_out) {   // in place: the member itself, without the input's options
        out.name = request.data.name;
        out.line = request.data.line;
    }
    RecordWriter writer;
    if (!writer.open(out, reader.variables(), kProc)) return 1;
    long sort_size = 256L << 20;
    xoptigt("SORTSIZE", &sort_size);
    std::string work = library_directory("WORK");
    SortResult result;
    auto sink = [&](const unsigned char* record) { return writer.write(record); };
    if (!sort_records(reader, RecordOrder(keys), static_cast<size_t>(sort_size), work, kMergeFanIn, sink,
                      kProc, &result)) {
        xpslog("%1zPROC SORT: %s was not written; existing members are unchanged.", out.name.text().c_str());
        return 1;
    }
    writer.set_sort_keys(header_keys);
    writer.set_label(reader.label());
    reader.close();
    if (!writer.close()) return 1;
    if (result.runs > 0)
        xpslog("%3zThe sort merged %li sorted runs written to WORK (SORTSIZE=%li); merge passes: %i.",
               static_cast<long>(result.runs), sort_size, result.merge_passes);
    xpslog("%3z%li observations of %s were sorted by %s into %s.", static_cast<long>(result.observations),
           request.data.name.text().c_str(), by_text(request.by).c_str(), out.name.text().c_str());
    return 0;
}

}  // namespace qor::runtime
