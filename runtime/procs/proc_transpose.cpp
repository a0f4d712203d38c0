// PROC TRANSPOSE DATA= OUT= [PREFIX=] [NAME=]; BY v ... [NOTSORTED]; ID v; VAR v ...; each VAR
// variable of a BY group becomes one output observation, with _NAME_ (its name), _LABEL_ (its
// label) and one column per observation of the group, named by the ID value (made a valid name,
// after PREFIX=) or COL1, COL2, ... without ID. The columns are numeric unless a VAR variable is
// character. BY groups must be in order unless NOTSORTED, which takes each run of equal BY values.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/procs/procedures.h"
#include "runtime/procs/record_io.h"
#include "runtime/procs/sort_records.h"

namespace qor::runtime {

namespace {

constexpr const char* kProc = "TRANSPOSE";
constexpr int kNumberTextWidth = 16;

bool error(const std::string& text, int line) {
    xpslog("%1zPROC TRANSPOSE: %s on line %i.", text.c_str(), line);
    return false;
}

struct NameAt {
    std::string name;
    bool descending = false;
    int line = 0;
};

struct TransposeRequest {
    DatasetSpec data, out;
    bool has_data = false, has_out = false;
    std::string prefix;
    bool has_prefix = false;
    std::string name_column = "_NAME_";
    std::vector<NameAt> by;
    bool notsorted = false;
    NameAt id;
    bool has_id = false;
    std::vector<NameAt> vars;
    int line = 0;
};

bool read_names(const StepStatement& st, std::vector<NameAt>* names, bool by, bool* notsorted) {
    TokenCursor cursor(st.tokens, 1, st.line);
    bool descending = false;
    while (!cursor.done()) {
        const StepToken& t = cursor.take();
        if (by && t.is("NOTSORTED")) { *notsorted = true; continue; }
        if (by && t.is("DESCENDING")) { descending = true; continue; }
        if (t.kind != StepToken::Word || !valid_word_name(t.text, 32))
            return error("\"" + t.text + "\" in the " + st.keyword + " statement is not a variable name", t.line);
        names->push_back({t.text, descending, t.line});
        descending = false;
    }
    if (names->empty()) return error("the " + st.keyword + " statement names no variables", st.line);
    return true;
}

bool read_proc_statement(const StepStatement& st, TransposeRequest* r) {
    TokenCursor cursor(st.tokens, 2, st.line);
    while (!cursor.done()) {
        const StepToken& option = cursor.take();
        std::string word = upper_word(option.text);
        if (!cursor.accept("="))
            return error("\"" + option.text + "\" is not an option of PROC TRANSPOSE (DATA=, OUT=, PREFIX=, NAME= are)",
                         option.line);
        if (word == "DATA" || word == "OUT") {
            bool data = word == "DATA";
            bool& given = data ? r->has_data : r->has_out;
            if (given) return error(word + "= is given twice", option.line);
            if (!read_dataset_spec(cursor, kProc, data ? &r->data : &r->out)) return false;
            given = true;
        } else if (word == "PREFIX" || word == "NAME") {
            const StepToken& value = cursor.take();
            if (value.kind == StepToken::Punct || value.text.empty())
                return error(word + "= needs a value", option.line);
            if (word == "PREFIX") {
                r->prefix = value.text;
                r->has_prefix = true;
            } else {
                if (!valid_word_name(value.text, 32)) return error("NAME=" + value.text + " is not a valid name", option.line);
                r->name_column = value.text;
            }
        } else {
            return error("\"" + option.text + "\" is not an option of PROC TRANSPOSE (DATA=, OUT=, PREFIX=, NAME= are)",
                         option.line);
        }
    }
    if (!r->has_data) return error("DATA= names no data set", st.line);
    if (!r->has_out) return error("OUT= names no data set", st.line);
    return true;
}

bool read_request(const qor_step* step, TransposeRequest* r) {
    std::vector<StepStatement> statements;
    if (!read_step_statements(step, kProc, &statements)) return false;
    for (const StepStatement& st : statements) {
        bool unused = false;
        if (st.keyword == "PROC") {
            r->line = st.line;
            if (!read_proc_statement(st, r)) return false;
        } else if (st.keyword == "BY") {
            if (!r->by.empty()) return error("a second BY statement is given", st.line);
            if (!read_names(st, &r->by, true, &r->notsorted)) return false;
        } else if (st.keyword == "ID") {
            std::vector<NameAt> ids;
            if (r->has_id) return error("a second ID statement is given", st.line);
            if (!read_names(st, &ids, false, &unused)) return false;
            if (ids.size() != 1) return error("the ID statement names more than one variable", st.line);
            r->id = ids[0];
            r->has_id = true;
        } else if (st.keyword == "VAR") {
            if (!read_names(st, &r->vars, false, &unused)) return false;
        } else {
            return error("the statement " + st.keyword + " is not valid in PROC TRANSPOSE", st.line);
        }
    }
    return true;
}

// An ID value as a valid variable name: PREFIX= first, every character that cannot be in a
// name replaced by '_', a leading digit preceded by '_', cut to 32 characters.
std::string column_name(const std::string& prefix, std::string value) {
    std::string name = prefix + value;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_') c = '_';
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) name = "_" + name;
    return name.substr(0, 32);
}

std::string number_text(double value) {
    if (qor::is_missing(value)) return ".";
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.12g", value);
    return buffer;
}

std::string trimmed(std::string_view text) {
    size_t end = text.find_last_not_of(' ');
    size_t begin = text.find_first_not_of(' ');
    return end == std::string_view::npos ? "" : std::string(text.substr(begin, end - begin + 1));
}

struct Plan {
    std::vector<ds_variable> by;        // in the input records
    std::vector<ds_variable> vars;
    ds_variable id;
    bool has_id = false;
    bool character = false;             // the transposed columns hold text
    int value_length = 8;
};

bool plan(const TransposeRequest& r, const RecordReader& reader, Plan* p) {
    const auto& all = reader.variables();
    auto lookup = [&](const NameAt& n, ds_variable* v) {
        int i = find_variable(all, n.name);
        if (i < 0) return error("variable " + n.name + " is not in " + reader.name(), n.line);
        *v = all[static_cast<size_t>(i)];
        return true;
    };
    for (const NameAt& n : r.by) {
        p->by.emplace_back();
        if (!lookup(n, &p->by.back())) return false;
    }
    if (r.has_id && !lookup(r.id, &p->id)) return false;
    p->has_id = r.has_id;
    auto taken = [&](const ds_variable& v) {
        for (const ds_variable& b : p->by)
            if (upper_word(b.name) == upper_word(v.name)) return true;
        return p->has_id && upper_word(p->id.name) == upper_word(v.name);
    };
    if (r.vars.empty()) {
        for (const ds_variable& v : all)
            if (v.type == QOR_VAR_NUMERIC && !taken(v)) p->vars.push_back(v);
    } else {
        for (const NameAt& n : r.vars) {
            p->vars.emplace_back();
            if (!lookup(n, &p->vars.back())) return false;
        }
    }
    if (p->vars.empty()) return error("there is no variable to transpose in " + reader.name(), r.line);
    int longest_text = 0;
    for (const ds_variable& v : p->vars)
        if (v.type == QOR_VAR_CHARACTER) {
            p->character = true;
            longest_text = std::max(longest_text, v.length);
        }
    if (p->character) p->value_length = std::max(longest_text, kNumberTextWidth);
    return true;
}

// A stored value as the output column holds it.
void put_value(const unsigned char* record, const ds_variable& v, const Plan& p, unsigned char* to) {
    if (!p.character) {
        double value = record_number(record, v);
        std::memcpy(to, &value, 8);
        return;
    }
    std::memset(to, ' ', static_cast<size_t>(p.value_length));
    std::string text = v.type == QOR_VAR_NUMERIC ? number_text(record_number(record, v)) : std::string(record_text(record, v));
    std::memcpy(to, text.data(), std::min(text.size(), static_cast<size_t>(p.value_length)));
}

ds_variable make_variable(const std::string& name, int type, int length, int offset) {
    ds_variable v;
    v.name = name;
    v.type = type;
    v.length = length;
    v.offset = offset;
    return v;
}

}  // namespace

int proc_transpose(qor_step* step) {
    TransposeRequest r;
    if (!read_request(step, &r)) return 1;
    RecordReader reader;
    if (!reader.open(r.data, kProc)) return 1;
    Plan p;
    if (!plan(r, reader, &p)) return 1;
    std::vector<SortKey> keys;
    for (size_t i = 0; i < p.by.size(); ++i)
        keys.push_back(SortKey{p.by[i].offset, p.by[i].length, p.by[i].type == QOR_VAR_NUMERIC, r.by[i].descending});
    RecordOrder order(keys);

    // Pass over the input: the groups (first observation, count) and the column of each
    // observation, so that the columns of every group are known before anything is written.
    const size_t length = static_cast<size_t>(std::max(reader.record_length(), 1));
    std::vector<unsigned char> records;
    std::vector<std::pair<size_t, size_t>> groups;
    std::vector<int> column_of;                     // per stored observation; -1 skipped
    std::vector<std::string> columns;
    std::map<std::string, int> column_index;        // by upper-case name
    std::vector<int> group_columns;                 // columns used in the current group
    size_t count = 0;
    while (const unsigned char* record = reader.next()) {
        records.insert(records.end(), record, record + length);
        const unsigned char* stored = records.data() + count * length;
        bool new_group = groups.empty() || order.compare(records.data() + groups.back().first * length, stored) != 0;
        if (new_group && !groups.empty() && !r.notsorted &&
            order.compare(records.data() + groups.back().first * length, stored) > 0) {
            xpslog("%1zPROC TRANSPOSE: %s is not sorted by the BY variables: observation %li is out of order "
                   "(add NOTSORTED to the BY statement on line %i for groups in order of appearance).",
                   reader.name().c_str(), static_cast<long>(reader.observation()), r.by.front().line);
            return 1;
        }
        if (new_group) {
            groups.push_back({count, 0});
            group_columns.clear();
        }
        std::string name;
        if (p.has_id) {
            std::string value = p.id.type == QOR_VAR_NUMERIC ? number_text(record_number(stored, p.id))
                                                             : trimmed(record_text(stored, p.id));
            if (value == "." || value.empty()) {
                xpslog("%2zObservation %li of %s has a missing ID value and is not transposed.",
                       static_cast<long>(reader.observation()), reader.name().c_str());
                column_of.push_back(-1);
                ++groups.back().second;
                ++count;
                continue;
            }
            name = column_name(r.prefix, value);
        } else {
            name = (r.has_prefix ? r.prefix : "COL") + std::to_string(groups.back().second + 1);
            name = column_name("", name);
        }
        auto found = column_index.find(upper_word(name));
        int c;
        if (found == column_index.end()) {
            c = static_cast<int>(columns.size());
            columns.push_back(name);
            column_index[upper_word(name)] = c;
        } else {
            c = found->second;
        }
        if (std::find(group_columns.begin(), group_columns.end(), c) != group_columns.end()) {
            xpslog("%1zPROC TRANSPOSE: the ID value of observation %li of %s gives the column %s a second time in "
                   "its BY group.", static_cast<long>(reader.observation()), reader.name().c_str(), name.c_str());
            return 1;
        }
        group_columns.push_back(c);
        column_of.push_back(c);
        ++groups.back().second;
        ++count;
    }
    if (reader.failed()) return 1;

    // The output layout: BY variables, _NAME_, _LABEL_, the columns.
    std::vector<ds_variable> out;
    int offset = 0;
    for (const ds_variable& b : p.by) {
        ds_variable v = b;
        v.offset = offset;
        offset += v.length;
        out.push_back(v);
    }
    int name_length = 8, label_length = 1;
    for (const ds_variable& v : p.vars) {
        name_length = std::max(name_length, static_cast<int>(v.name.size()));
        label_length = std::max(label_length, static_cast<int>(v.label.size()));
    }
    size_t name_at = out.size();
    out.push_back(make_variable(r.name_column, QOR_VAR_CHARACTER, name_length, offset));
    offset += name_length;
    out.push_back(make_variable("_LABEL_", QOR_VAR_CHARACTER, label_length, offset));
    offset += label_length;
    size_t first_column = out.size();
    for (const std::string& c : columns) {
        if (find_variable(out, c) >= 0) {
            error("the transposed column " + c + " has the name of another output variable", r.line);
            return 1;
        }
        out.push_back(make_variable(c, p.character ? QOR_VAR_CHARACTER : QOR_VAR_NUMERIC, p.value_length, offset));
        offset += p.value_length;
    }
    RecordWriter writer;
    if (!writer.open(r.out, out, kProc)) return 1;
    std::vector<unsigned char> row(static_cast<size_t>(offset));
    for (const auto& [first, n] : groups) {
        const unsigned char* head = records.data() + first * length;
        for (const ds_variable& var : p.vars) {
            for (size_t i = 0; i < p.by.size(); ++i)
                std::memcpy(row.data() + out[i].offset, head + p.by[i].offset, static_cast<size_t>(p.by[i].length));
            std::memset(row.data() + out[name_at].offset, ' ', static_cast<size_t>(name_length + label_length));
            std::memcpy(row.data() + out[name_at].offset, var.name.data(), var.name.size());
            std::memcpy(row.data() + out[name_at + 1].offset, var.label.data(), var.label.size());
            for (size_t c = first_column; c < out.size(); ++c) {
                unsigned char* at = row.data() + out[c].offset;
                if (p.character) std::memset(at, ' ', static_cast<size_t>(p.value_length));
                else ds_store_number(at, 8, qor::missing());
            }
            for (size_t k = first; k < first + n; ++k)
                if (column_of[k] >= 0)
                    put_value(records.data() + k * length, var, p, row.data() + out[first_column + static_cast<size_t>(column_of[k])].offset);
            if (!writer.write(row.data())) return 1;
        }
    }
    reader.close();
    if (!writer.close()) return 1;
    xpslog("%3z%li observations of %s in %li BY groups were transposed into %li observations of %s.",
           static_cast<long>(count), r.data.name.text().c_str(), static_cast<long>(groups.size()),
           static_cast<long>(writer.written()), r.out.name.text().c_str());
    return 0;
}

}  // namespace qor::runtime
