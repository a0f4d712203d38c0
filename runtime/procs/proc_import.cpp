// PROC IMPORT: reads a CSV file with a header row into a data set. Column types are guessed
// from every value of the column unless INFORMAT declares them; FORMAT sets display formats.
#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "host/formats.h"
#include "host/missing.h"
#include "host/print.h"
#include "runtime/procs/csv.h"
#include "runtime/procs/import_names.h"
#include "runtime/procs/proc_datasets.h"
#include "runtime/procs/proc_formats.h"
#include "runtime/procs/proc_statements.h"
#include "runtime/procs/procedures.h"

namespace qor::runtime {

namespace {

constexpr const char* kProc = "IMPORT";
constexpr int kInvalidValuesShown = 10;

// One column of the file and how it becomes a variable.
struct ImportColumn {
    std::string name;
    bool declared_informat = false;   // an INFORMAT statement chose the type
    bool character = false;
    int length = 1;                   // character length
    bool keep_blanks = false;         // $CHAR. keeps leading blanks
    int informat_code = 0;            // numeric columns: the informat that reads the values
    int informat_decimals = 0;
    std::string informat_text;        // for messages
    FormatSpec format;
    bool has_format = false;
    int format_line = 0;              // the FORMAT statement's line
};

struct ImportRequest {
    std::string file;
    DatasetName out;
    bool replace = false;
    std::vector<FormatAssignment> informats;
    std::vector<FormatAssignment> formats;
};

bool read_request(const std::vector<ProcStatement>& statements, ImportRequest* request) {
    const ProcStatement& proc = statements.front();
    std::vector<ProcOption> options;
    if (!read_proc_options(proc, kProc,
                           {{"DATAFILE", true}, {"OUT", true}, {"DBMS", true}, {"REPLACE", false}},
                           &options))
        return false;
    const ProcOption* file = find_option(options, "DATAFILE");
    const ProcOption* out = find_option(options, "OUT");
    const ProcOption* dbms = find_option(options, "DBMS");
    if (!file || !out) {
        xpslog("%1zPROC %s on line %i needs DATAFILE=\"file\" and OUT=data set.", kProc, proc.line);
        return false;
    }
    if (file->value.empty()) {
        xpslog("%1zPROC %s: DATAFILE= on line %i names no file.", kProc, proc.line);
        return false;
    }
    if (dbms && upper_text(dbms->value) != "CSV") {
        xpslog("%1zPROC %s: DBMS=%s on line %i is not supported: only DBMS=CSV is.", kProc,
               dbms->value.c_str(), proc.line);
        return false;
    }
    request->file = file->value;
    request->replace = find_option(options, "REPLACE") != nullptr;
    if (!parse_dataset_name(out->value, kProc, proc.line, &request->out)) return false;
    for (size_t i = 1; i < statements.size(); ++i) {
        const ProcStatement& st = statements[i];
        if (st.keyword == "INFORMAT") {
            if (!read_format_statement(st, kProc, &request->informats)) return false;
        } else if (st.keyword == "FORMAT") {
            if (!read_format_statement(st, kProc, &request->formats)) return false;
        } else {
            report_unknown_statement(st, kProc);
            return false;
        }
    }
    return true;
}

bool read_file(const std::string& path, std::string* text) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        xpslog("%1zPROC %s: the file %s cannot be opened: %s.", kProc, path.c_str(),
               std::strerror(errno));
        return false;
    }
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text->append(buffer, n);
    bool failed = std::ferror(f) != 0;
    int error = errno;
    std::fclose(f);
    if (failed) {
        xpslog("%1zPROC %s: the file %s cannot be read: %s.", kProc, path.c_str(),
               std::strerror(error));
        return false;
    }
    return true;
}

int column_of(const std::vector<ImportColumn>& columns, const std::string& name) {
    for (size_t i = 0; i < columns.size(); ++i)
        if (upper_text(columns[i].name) == upper_text(name)) return static_cast<int>(i);
    return -1;
}

// Applies INFORMAT and FORMAT statements to the columns they name.
bool apply_declarations(const ImportRequest& request, std::vector<ImportColumn>& columns) {
    for (size_t i = 0; i < request.informats.size(); ++i) {
        const auto& [name, spec, line] = request.informats[i];
        int c = column_of(columns, name);
        if (c < 0) {
            xpslog("%1zPROC %s: the INFORMAT statement on line %i names %s, which is not a column "
                   "of the file.", kProc, line, name.c_str());
            return false;
        }
        ImportColumn& col = columns[static_cast<size_t>(c)];
        col.declared_informat = true;
        col.character = spec.character();
        col.informat_text = spec.text();
        if (col.character) {
            col.length = spec.width;
            col.keep_blanks = spec.name == "$CHAR";
            continue;
        }
        int code = 0;
        double probe = 0;
        xfrname(nullptr, spec.name.data(), static_cast<int>(spec.name.size()), 0, nullptr, &code);
        if (xffmt(code, 0, spec.decimals, "", 0, &probe) == QOR_FORMAT_UNKNOWN) {
            xpslog("%1zPROC %s: %s on line %i is a format that cannot read text.", kProc,
                   col.informat_text.c_str(), line);
            return false;
        }
        col.informat_code = code;
        col.informat_decimals = spec.decimals;
    }
    for (size_t i = 0; i < request.formats.size(); ++i) {
        const auto& [name, spec, line] = request.formats[i];
        int c = column_of(columns, name);
        if (c < 0) {
            xpslog("%1zPROC %s: the FORMAT statement on line %i names %s, which is not a column "
                   "of the file.", kProc, line, name.c_str());
            return false;
        }
        columns[static_cast<size_t>(c)].format = spec;
        columns[static_cast<size_t>(c)].has_format = true;
        columns[static_cast<size_t>(c)].format_line = line;
    }
    return true;
}

// The informat and display format of a column whose type was not declared, from its values.
void guess_column(const CsvTable& table, size_t c, ImportColumn* col) {
    std::vector<const char*> texts;
    std::vector<int> lengths;
    for (size_t r = 1; r < table.rows.size(); ++r) {
        texts.push_back(table.rows[r][c].data());
        lengths.push_back(static_cast<int>(table.rows[r][c].size()));
    }
    qor_guess guess{};
    xfguess(texts.data(), lengths.data(), static_cast<int>(texts.size()), &guess);
    col->character = guess.format_class == QOR_FORMAT_CHARACTER;
    if (col->character) return;
    FormatSpec informat;
    std::string why;
    parse_format(guess.informat, &informat, &why);
    xfrname(nullptr, informat.name.data(), static_cast<int>(informat.name.size()), 0, nullptr,
            &col->informat_code);
    col->informat_text = informat.text();
    if (col->has_format) return;
    // Dates and date-times get the host's usual display forms; numbers keep the guessed one.
    const char* display = guess.format_class == QOR_FORMAT_DATE       ? "DATE9."
                          : guess.format_class == QOR_FORMAT_DATETIME ? "DATETIME19."
                                                                      : guess.format;
    col->has_format = parse_format(display, &col->format, &why);
}

std::string without_trailing_blanks(const std::string& text) {
    size_t n = text.find_last_not_of(' ');
    return n == std::string::npos ? "" : text.substr(0, n + 1);
}

// The rows of the file (after the header) all have the header's number of fields.
bool check_rows(const ImportRequest& request, const CsvTable& table) {
    const size_t want = table.rows.front().size();
    for (size_t r = 1; r < table.rows.size(); ++r) {
        if (table.rows[r].size() == want) continue;
        xpslog("%1zPROC %s: the row on line %i of %s has %i fields; the header row has %i.", kProc,
               table.lines[r], request.file.c_str(), static_cast<int>(table.rows[r].size()),
               static_cast<int>(want));
        return false;
    }
    return true;
}

// Writes the data set: variables from the columns, one observation per row.
bool write_dataset(const ImportRequest& request, const CsvTable& table,
                   const std::vector<ImportColumn>& columns) {
    const size_t n = columns.size();
    std::vector<double> numbers(n, 0.0);
    std::vector<std::string> texts(n);
    for (size_t c = 0; c < n; ++c)
        if (columns[c].character) texts[c].assign(static_cast<size_t>(columns[c].length), ' ');

    qor_open_request open = open_request(request.out, QOR_OPEN_OUTPUT);
    qor_dataset* ds = nullptr;
    int rc = xoopen(&ds, &open);
    if (rc != 0) {
        xpslog("%1zPROC %s: data set %s cannot be created.", kProc, request.out.text().c_str());
        xprrlog(1, rc);
        return false;
    }
    qor_putlist* put = nullptr;
    rc = xvputi(ds, static_cast<int>(n), &put);
    for (size_t c = 0; c < n && rc == 0; ++c) {
        const ImportColumn& col = columns[c];
        qor_var_desc desc;
        xvnamei(&desc);
        std::snprintf(desc.name, sizeof desc.name, "%s", col.name.c_str());
        desc.name_length = static_cast<int16_t>(std::strlen(desc.name));
        desc.type = static_cast<int16_t>(col.character ? QOR_VAR_CHARACTER : QOR_VAR_NUMERIC);
        desc.length = col.character ? col.length : 8;
        if (col.has_format) set_variable_format(&desc, col.format);
        rc = col.character ? xvputd(put, &desc, texts[c].data(), col.length, nullptr)
                           : xvputd(put, &desc, &numbers[c], 8, nullptr);
    }
    if (rc == 0) rc = xvpute(put);
    qor_obs_request obs{};
    obs.dataset = ds;
    int invalid = 0;
    for (size_t r = 1; r < table.rows.size() && rc == 0; ++r) {
        for (size_t c = 0; c < n; ++c) {
            const ImportColumn& col = columns[c];
            const std::string& field = table.rows[r][c];
            if (col.character) {
                std::string value = without_trailing_blanks(field);
                if (col.declared_informat) {
                    std::vector<char> read(static_cast<size_t>(col.length) + 1);
                    int length = 0;
                    xfinc(field.data(), static_cast<int>(field.size()), col.length, col.keep_blanks, read.data(),
                          static_cast<int>(read.size()), &length);
                    value.assign(read.data(), static_cast<size_t>(length));
                }
                texts[c].assign(static_cast<size_t>(col.length), ' ');
                texts[c].replace(0, std::min(value.size(), texts[c].size()), value, 0,
                                 std::min(value.size(), texts[c].size()));
                continue;
            }
            if (xffmt(col.informat_code, 0, col.informat_decimals, field.data(),
                      static_cast<int>(field.size()), &numbers[c]) != 0) {
                numbers[c] = qor::missing();
                if (++invalid <= kInvalidValuesShown)
                    xpslog("%2zPROC %s: the value '%s' of column %s on line %i cannot be read with "
                           "%s; it is missing.", kProc, field.c_str(), col.name.c_str(),
                           table.lines[r], col.informat_text.c_str());
            }
        }
        rc = xyvput(put, 0);
        if (rc == 0) rc = xoadd(&obs);
    }
    xvputt(put);
    if (invalid > kInvalidValuesShown)
        xpslog("%2zPROC %s: %i values in all could not be read and are missing.", kProc, invalid);
    if (rc != 0) {
        xpslog("%1zPROC %s: data set %s cannot be written.", kProc, request.out.text().c_str());
        xprrlog(1, rc);
        xoclose(ds, 1);
        return false;
    }
    rc = xoclose(ds, 0);
    if (rc != 0) {
        xpslog("%1zPROC %s: data set %s cannot be written.", kProc, request.out.text().c_str());
        xprrlog(1, rc);
        return false;
    }
    return true;
}

}  // namespace

int proc_import(qor_step* step) {
    std::vector<ProcStatement> statements;
    if (!read_proc_step(step, &statements) || statements.empty()) return 1;
    ImportRequest request;
    if (!read_request(statements, &request)) return 1;
    if (!request.replace && dataset_exists(request.out)) {
        xpslog("%1zPROC %s: data set %s already exists; add REPLACE to overwrite it.", kProc,
               request.out.text().c_str());
        return 1;
    }
    std::string text;
    if (!read_file(request.file, &text)) return 1;
    CsvTable table;
    std::string error = read_csv(text, &table);
    if (!error.empty()) {
        xpslog("%1zPROC %s: %s: %s", kProc, request.file.c_str(), error.c_str());
        return 1;
    }
    if (table.rows.empty()) {
        xpslog("%1zPROC %s: the file %s is empty: it needs a header row.", kProc,
               request.file.c_str());
        return 1;
    }
    if (!check_rows(request, table)) return 1;

    std::vector<std::string> names = import_variable_names(table.rows.front());
    std::vector<ImportColumn> columns(names.size());
    for (size_t c = 0; c < names.size(); ++c) columns[c].name = names[c];
    if (!apply_declarations(request, columns)) return 1;
    for (size_t c = 0; c < columns.size(); ++c) {
        ImportColumn& col = columns[c];
        if (!col.declared_informat) guess_column(table, c, &col);
        if (col.character && !col.declared_informat) {
            col.length = 1;
            for (size_t r = 1; r < table.rows.size(); ++r)
                col.length = std::max(col.length, static_cast<int>(without_trailing_blanks(table.rows[r][c]).size()));
        }
        if (col.has_format && col.format.character() != col.character) {
            xpslog("%1zPROC %s: format %s on line %i cannot show the %s column %s.", kProc,
                   col.format.text().c_str(), col.format_line,
                   col.character ? "character" : "numeric", col.name.c_str());
            return 1;
        }
        if (col.character && col.length > QOR_CHARACTER_MAX_LENGTH) {
            xpslog("%1zPROC %s: column %s holds values longer than %i characters.", kProc,
                   col.name.c_str(), QOR_CHARACTER_MAX_LENGTH);
            return 1;
        }
    }
    if (!write_dataset(request, table, columns)) return 1;
    xpslog("%3z%i observations and %i variables were written to %s.",
           static_cast<int>(table.rows.size() - 1), static_cast<int>(columns.size()),
           request.out.text().c_str());
    return 0;
}

}  // namespace qor::runtime
