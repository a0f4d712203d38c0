// A query run: the SQLite connection with the qor functions and the data set module, the data
// sets the translator asks for, and the writing of the result rows into a data set.
#include "runtime/sql/sql_query.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "host/missing.h"
#include "host/options.h"
#include "host/print.h"
#include "runtime/procs/proc_formats.h"
#include "runtime/sql/sql_dataset_table.h"
#include "runtime/sql/sql_missing.h"
#include "runtime/storage/libraries.h"

namespace qor::runtime::sql {

namespace {

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

qor_open_request request_for(const std::string& libref, const std::string& member, int mode) {
    qor_open_request r;
    std::memset(&r, 0, sizeof r);
    std::memset(r.libref, ' ', sizeof r.libref);
    std::memcpy(r.libref, libref.data(), libref.size());
    r.member.length = static_cast<int16_t>(member.size());
    std::memcpy(r.member.text, member.data(), member.size());
    std::memcpy(r.member_type, "DATA    ", 8);
    r.mode = mode;
    return r;
}

struct Statement {
    sqlite3_stmt* s = nullptr;
    ~Statement() { sqlite3_finalize(s); }
};

// One variable of the result and the buffer its values pass through.
struct OutputColumn {
    int column = 0;               // result column number
    qor_var_desc desc{};
    bool known = true;            // type and length known before the rows are read
    double number = 0;
    std::vector<char> text;
};

bool valid_variable_name(const std::string& name) {
    if (name.empty() || name.size() > QOR_VAR_NAME_MAX) return false;
    for (char c : name)
        if (c == ' ' || !std::isprint(static_cast<unsigned char>(c))) return false;
    return true;
}

void set_text(char* field, int16_t* length, const std::string& text, size_t limit) {
    size_t n = text.size() < limit ? text.size() : limit;
    std::memcpy(field, text.data(), n);
    field[n] = '\0';
    *length = static_cast<int16_t>(n);
}

// A result value into a numeric buffer: numbers, missing codes; other values are missing.
double number_of(sqlite3_value* value) {
    QorValue v = qor_value(value);
    if (v.kind != QorValue::Text) return v.number;
    std::string text(reinterpret_cast<const char*>(v.text), static_cast<size_t>(v.length));
    char* end = nullptr;
    double x = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' ? x : qor::missing();
}

// A result value into a character buffer, blank-padded; missing values are blank.
void text_of(sqlite3_value* value, std::vector<char>* buffer) {
    std::fill(buffer->begin(), buffer->end(), ' ');
    QorValue v = qor_value(value);
    if (v.kind == QorValue::Missing) return;
    std::string shown;
    const char* bytes;
    size_t n;
    if (v.kind == QorValue::Number) {
        char b[40];
        std::snprintf(b, sizeof b, "%.15g", v.number);
        shown = b;
        bytes = shown.data();
        n = shown.size();
    } else {
        bytes = reinterpret_cast<const char*>(v.text);
        n = static_cast<size_t>(v.length);
    }
    std::memcpy(buffer->data(), bytes, n < buffer->size() ? n : buffer->size());
}

}  // namespace

std::string member_text(const std::string& libref, const std::string& member) {
    return upper(libref) + "." + upper(member);
}

QueryRun::QueryRun(std::string default_libref) : default_libref_(upper(std::move(default_libref))) {}

QueryRun::~QueryRun() {
    if (db_ != nullptr) sqlite3_close_v2(db_);
    for (auto& s : sources_)
        if (s->dataset != nullptr) xoclose(s->dataset, 0);
}

bool QueryRun::open(std::string* error) {
    int rc = sqlite3_open_v2(":memory:", &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE |
                                                   SQLITE_OPEN_NOMUTEX | SQLITE_OPEN_PRIVATECACHE,
                             nullptr);
    if (rc == SQLITE_OK) {
        // A double-quoted name that names no column is an error, never a string.
        sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(db_, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        rc = register_functions(db_);
    }
    if (rc == SQLITE_OK) rc = register_dataset_module(db_, this);
    if (rc == SQLITE_OK) rc = sqlite3_exec(db_, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) {
        *error = std::string("the SQL engine cannot be started: ") +
                 (db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc));
        return false;
    }
    return true;
}

bool QueryRun::table(const std::string& libref_written, const std::string& member, int,
                     std::string* sql_name, std::string* error) {
    std::string libref = upper(libref_written.empty() ? default_libref_ : libref_written);
    std::string name = member_text(libref, member);
    if (libref.size() > 8 || member.size() > 32) {
        *error = name + " is not a valid data set name";
        return false;
    }
    auto known = table_names_.find(name);
    if (known != table_names_.end()) {
        *sql_name = known->second;
        return true;
    }
    if (library_directory(libref).empty()) {
        *error = "library " + libref + " is not assigned";
        return false;
    }
    auto source = std::make_unique<QuerySource>();
    source->name = name;
    qor_open_request r = request_for(libref, member, QOR_OPEN_INPUT);
    int rc = xoopen(&source->dataset, &r);
    if (rc == QOR_DS_NO_MEMBER) {
        *error = "the table " + name + " does not exist";
        return false;
    }
    if (rc != 0) {
        if (rc != QOR_DS_VIEW_FAILED) xprrlog(1, rc);
        *error = "the table " + name + " cannot be opened";
        return false;
    }
    int32_t count = 0;
    xoinfo(source->dataset, QOR_INFO_VARIABLES, &count);
    xoinfo(source->dataset, QOR_INFO_OBSERVATIONS, &source->observations);
    // OPTIONS OBS=n: a query reads at most the first n observations of each data set.
    long limit = 0;
    if (xoptigt("OBS", &limit) == 0 && limit >= 0 && limit < source->observations)
        source->observations = limit;
    for (int i = 1; i <= count; ++i) {
        qor_var_desc desc{};
        if (xvname(source->dataset, i, &desc) != 0) {
            *error = "the variables of " + name + " cannot be read";
            xoclose(source->dataset, 0);
            return false;
        }
        source->variables.push_back(desc);
    }
    size_t index = sources_.size();
    sources_.push_back(std::move(source));
    std::string table = "S" + std::to_string(index);
    std::string create = "CREATE VIRTUAL TABLE temp." + table + " USING qor_dataset(" +
                         std::to_string(index) + ")";
    char* message = nullptr;
    if (sqlite3_exec(db_, create.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
        *error = "the table " + name + " cannot be read: " + (message ? message : "");
        sqlite3_free(message);
        return false;
    }
    table_names_[name] = table;
    *sql_name = table;
    return true;
}

bool QueryRun::columns(const std::string& select_sql, std::vector<std::string>* names,
                       std::string* error) {
    Statement st;
    if (sqlite3_prepare_v2(db_, select_sql.c_str(), -1, &st.s, nullptr) != SQLITE_OK) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    names->clear();
    for (int i = 0; i < sqlite3_column_count(st.s); ++i) names->push_back(sqlite3_column_name(st.s, i));
    return true;
}

bool QueryRun::check(const Translation& query, std::string* error) {
    Statement st;
    if (sqlite3_prepare_v2(db_, query.sql.c_str(), -1, &st.s, nullptr) == SQLITE_OK) return true;
    *error = sqlite3_errmsg(db_);
    return false;
}

bool QueryRun::write(const Translation& query, const std::string& libref, const std::string& member,
                     int64_t* rows, int* variables, std::string* error) {
    Statement st;
    if (sqlite3_prepare_v2(db_, query.sql.c_str(), -1, &st.s, nullptr) != SQLITE_OK) {
        *error = sqlite3_errmsg(db_);
        return false;
    }
    // The variables: from the data set a column comes from, else numeric when the translator
    // knows it is, else found out from the values.
    std::vector<OutputColumn> out;
    bool unknown = false;
    for (int i = 0; i < sqlite3_column_count(st.s); ++i) {
        std::string name = sqlite3_column_name(st.s, i);
        bool repeated = false;
        for (const OutputColumn& o : out)
            repeated = repeated || upper(std::string(o.desc.name, static_cast<size_t>(o.desc.name_length))) == upper(name);
        if (repeated) {
            xpslog("%3zPROC SQL: the column %s is in the result more than once; the first is kept.",
                   name.c_str());
            continue;
        }
        if (!valid_variable_name(name)) {
            *error = "the result column \"" + name + "\" is not a valid variable name; name it with AS";
            return false;
        }
        OutputColumn o;
        o.column = i;
        xvnamei(&o.desc);
        bool numeric = true;
        int length = 8, variable = 0;
        size_t source = 0;
        if (parse_declared_type(sqlite3_column_decltype(st.s, i), &numeric, &length, &source, &variable) &&
            this->source(source) != nullptr &&
            static_cast<size_t>(variable) < this->source(source)->variables.size()) {
            o.desc = this->source(source)->variables[static_cast<size_t>(variable)];
        } else if (query.numeric_columns.count(upper(name)) != 0) {
            o.desc.type = QOR_VAR_NUMERIC;
        } else {
            o.known = false;
            o.desc.type = QOR_VAR_NUMERIC;
            o.desc.length = 8;
            unknown = true;
        }
        o.desc.number = 0;
        set_text(o.desc.name, &o.desc.name_length, name, QOR_VAR_NAME_MAX);
        out.push_back(std::move(o));
    }
    if (unknown) {
        // A first pass over the rows: a column holding any text is character, as long as its
        // longest value.
        int rc;
        while ((rc = sqlite3_step(st.s)) == SQLITE_ROW) {
            for (OutputColumn& o : out) {
                if (o.known) continue;
                QorValue v = qor_value(sqlite3_column_value(st.s, o.column));
                if (v.kind != QorValue::Text) continue;
                if (o.desc.type == QOR_VAR_NUMERIC) {
                    o.desc.type = QOR_VAR_CHARACTER;
                    o.desc.length = 1;
                }
                if (v.length > o.desc.length) o.desc.length = v.length;
            }
        }
        if (rc != SQLITE_DONE) {
            *error = sqlite3_errmsg(db_);
            return false;
        }
        sqlite3_reset(st.s);
        for (OutputColumn& o : out)
            if (o.desc.length > QOR_CHARACTER_MAX_LENGTH) o.desc.length = QOR_CHARACTER_MAX_LENGTH;
    }
    for (OutputColumn& o : out) {
        std::string key = upper(std::string(o.desc.name, static_cast<size_t>(o.desc.name_length)));
        auto a = query.attributes.find(key);
        if (a == query.attributes.end()) continue;
        if (!a->second.format.empty()) {
            FormatSpec spec;
            std::string why;
            if (!parse_format(a->second.format, &spec, &why)) {
                *error = "FORMAT=" + a->second.format + " of the column " + key + ": " + why;
                return false;
            }
            if (spec.character() != (o.desc.type == QOR_VAR_CHARACTER)) {
                *error = "FORMAT=" + a->second.format + " cannot show the " +
                         (o.desc.type == QOR_VAR_CHARACTER ? "character" : "numeric") + " column " + key;
                return false;
            }
            set_variable_format(&o.desc, spec);
        }
        if (a->second.has_label) set_text(o.desc.label, &o.desc.label_length, a->second.label, QOR_VAR_LABEL_MAX);
    }

    qor_dataset* ds = nullptr;
    qor_open_request r = request_for(libref, member, QOR_OPEN_OUTPUT);
    int rc = xoopen(&ds, &r);
    if (rc != 0) {
        xprrlog(1, rc);
        *error = "the data set " + member_text(libref, member) + " cannot be created";
        return false;
    }
    qor_putlist* put = nullptr;
    rc = xvputi(ds, static_cast<int>(out.size()), &put);
    for (OutputColumn& o : out) {
        if (rc != 0) break;
        if (o.desc.type == QOR_VAR_NUMERIC) {
            rc = xvputd(put, &o.desc, &o.number, 8, nullptr);
        } else {
            o.text.assign(static_cast<size_t>(o.desc.length), ' ');
            rc = xvputd(put, &o.desc, o.text.data(), o.desc.length, nullptr);
        }
    }
    if (rc == 0) rc = xvpute(put);
    if (rc != 0) {
        xprrlog(1, rc);
        xvputt(put);
        xoclose(ds, 1);
        *error = "the variables of " + member_text(libref, member) + " cannot be defined";
        return false;
    }
    int64_t count = 0;
    int step;
    while ((step = sqlite3_step(st.s)) == SQLITE_ROW) {
        for (OutputColumn& o : out) {
            sqlite3_value* v = sqlite3_column_value(st.s, o.column);
            if (o.desc.type == QOR_VAR_NUMERIC) o.number = number_of(v);
            else text_of(v, &o.text);
        }
        qor_obs_request obs{};
        obs.dataset = ds;
        rc = xyvput(put, 0);
        if (rc == 0) rc = xoadd(&obs);
        if (rc != 0) {
            xofprc(&obs, rc);
            break;
        }
        ++count;
    }
    xvputt(put);
    if (rc != 0 || step != SQLITE_DONE) {
        if (step != SQLITE_DONE && step != SQLITE_ROW) *error = sqlite3_errmsg(db_);
        else *error = "the rows cannot be written to " + member_text(libref, member);
        xoclose(ds, 1);
        return false;
    }
    if ((rc = xoclose(ds, 0)) != 0) {
        *error = "the data set " + member_text(libref, member) + " cannot be put into its library";
        return false;
    }
    *rows = count;
    *variables = static_cast<int>(out.size());
    return true;
}

}  // namespace qor::runtime::sql
