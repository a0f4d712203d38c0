// PROC APPEND BASE= DATA= [FORCE]: the observations of DATA= added after those of BASE=. A
// missing BASE= is created from DATA=. Variables of DATA= that BASE= lacks, or holds with another
// type or a shorter length, are refused unless FORCE is given (then they are dropped, set
// missing or cut). The base is rewritten under a temporary name and replaced on success.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/procs/procedures.h"
#include "runtime/procs/record_io.h"

namespace qor::runtime {

namespace {

constexpr const char* kProc = "APPEND";

struct AppendRequest {
    DatasetSpec base;
    DatasetSpec data;
    bool has_base = false;
    bool has_data = false;
    bool force = false;
    int line = 0;
};

bool error(const std::string& text, int line) {
    xpslog("%1zPROC APPEND: %s on line %i.", text.c_str(), line);
    return false;
}

bool read_request(const qor_step* step, AppendRequest* request) {
    std::vector<StepStatement> statements;
    if (!read_step_statements(step, kProc, &statements)) return false;
    for (const StepStatement& st : statements) {
        if (st.keyword != "PROC") return error("the statement " + st.keyword + " is not valid in PROC APPEND", st.line);
        request->line = st.line;
        TokenCursor cursor(st.tokens, 2, st.line);
        while (!cursor.done()) {
            const StepToken& option = cursor.take();
            std::string word = upper_word(option.text);
            if (word == "FORCE") {
                request->force = true;
            } else if ((word == "BASE" || word == "OUT" || word == "DATA" || word == "NEW") && cursor.accept("=")) {
                bool base = word == "BASE" || word == "OUT";
                bool& given = base ? request->has_base : request->has_data;
                if (given) return error(word + "= is given twice", option.line);
                if (!read_dataset_spec(cursor, kProc, base ? &request->base : &request->data)) return false;
                given = true;
            } else {
                return error("\"" + option.text + "\" is not an option of PROC APPEND (BASE=, DATA= and FORCE are)",
                             option.line);
            }
        }
    }
    if (!request->has_base) return error("BASE= names no data set", request->line);
    if (!request->has_data) return error("DATA= names no data set", request->line);
    return true;
}

// How one variable of the base gets its value from an observation of DATA=.
struct Mapping {
    ds_variable base;   // offsets in the base's records
    int source = -1;    // index among the DATA= variables; -1: none (missing or blank)
};

// The base's variables with their sources; false after naming every refused difference.
bool plan_mapping(const AppendRequest& request, const std::vector<ds_variable>& base,
                  const std::vector<ds_variable>& data, std::vector<Mapping>* mapping) {
    bool refused = false;
    for (const ds_variable& v : data) {
        int b = find_variable(base, v.name);
        std::string problem;
        if (b < 0) problem = "is not in the base data set";
        else if (base[static_cast<size_t>(b)].type != v.type) problem = "has another type in the base data set";
        else if (v.type == QOR_VAR_CHARACTER && base[static_cast<size_t>(b)].length < v.length)
            problem = "is longer than in the base data set";
        if (problem.empty()) continue;
        if (request.force)
            xpslog("%2zPROC APPEND: variable %s of %s %s: FORCE appends without it.", v.name.c_str(),
                   request.data.name.text().c_str(), problem.c_str());
        else
            xpslog("%1zPROC APPEND: variable %s of %s %s (FORCE appends anyway).", v.name.c_str(),
                   request.data.name.text().c_str(), problem.c_str());
        refused = true;
    }
    if (refused && !request.force) {
        xpslog("%1zPROC APPEND on line %i was refused: the variables of %s and %s differ; %s is unchanged.",
               request.line, request.data.name.text().c_str(), request.base.name.text().c_str(),
               request.base.name.text().c_str());
        return false;
    }
    for (const ds_variable& v : base) {
        Mapping m{v, find_variable(data, v.name)};
        if (m.source >= 0 && data[static_cast<size_t>(m.source)].type != v.type) m.source = -1;
        if (m.source < 0)
            xpslog("%3zVariable %s is not in %s: the appended observations have it missing.", v.name.c_str(),
                   request.data.name.text().c_str());
        mapping->push_back(m);
    }
    return true;
}

// An observation of DATA= rebuilt in the base's layout.
void convert(const unsigned char* from, const std::vector<ds_variable>& data, const std::vector<Mapping>& mapping,
             unsigned char* to) {
    for (const Mapping& m : mapping) {
        unsigned char* at = to + m.base.offset;
        if (m.base.type == QOR_VAR_NUMERIC) {
            double value = m.source < 0 ? qor::missing() : record_number(from, data[static_cast<size_t>(m.source)]);
            ds_store_number(at, m.base.length, value);
        } else {
            std::memset(at, ' ', static_cast<size_t>(m.base.length));
            if (m.source >= 0) {
                std::string_view text = record_text(from, data[static_cast<size_t>(m.source)]);
                std::memcpy(at, text.data(), std::min(text.size(), static_cast<size_t>(m.base.length)));
            }
        }
    }
}

}  // namespace

int proc_append(qor_step* step) {
    AppendRequest request;
    if (!read_request(step, &request)) return 1;
    if (request.base.has_options()) {
        error("BASE= takes no data set options", request.line);
        return 1;
    }
    RecordReader data;
    if (!data.open(request.data, kProc)) return 1;
    RecordReader base;
    bool base_exists = dataset_exists(request.base.name);
    DatasetSpec out;
    out.name = request.base.name;
    out.line = request.base.line;
    RecordWriter writer;
    int64_t kept = 0;
    if (!base_exists) {
        xpslog("%3zBase data set %s does not exist: it is created from %s.", request.base.name.text().c_str(),
               request.data.name.text().c_str());
        if (!writer.open(out, data.variables(), kProc)) return 1;
        while (const unsigned char* record = data.next())
            if (!writer.write(record)) return 1;
    } else {
        if (!base.open(out, kProc, true)) return 1;
        std::vector<Mapping> mapping;
        if (!plan_mapping(request, base.variables(), data.variables(), &mapping)) return 1;
        if (!writer.open(out, base.variables(), kProc)) return 1;
        writer.set_label(base.label());
        while (const unsigned char* record = base.next())
            if (!writer.write(record)) return 1;
        if (base.failed()) return 1;
        kept = writer.written();
        std::vector<unsigned char> converted(static_cast<size_t>(std::max(base.record_length(), 1)));
        while (const unsigned char* record = data.next()) {
            convert(record, data.variables(), mapping, converted.data());
            if (!writer.write(converted.data())) return 1;
        }
        base.close();
    }
    if (data.failed()) return 1;
    data.close();
    int64_t added = writer.written() - kept;
    if (!writer.close()) return 1;
    xpslog("%3z%li observations of %s were appended to %s, which now has %li.", static_cast<long>(added),
           request.data.name.text().c_str(), request.base.name.text().c_str(),
           static_cast<long>(kept + added));
    return 0;
}

}  // namespace qor::runtime
