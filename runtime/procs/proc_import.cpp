// PROC IMPORT: reads a CSV file with a header row into a data set row by row. Column types are
// guessed from the first rows unless INFORMAT declares them; FORMAT sets display formats.
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
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
// Types are guessed from the first rows after the header: this many, or fewer when they take
// this many bytes (each field counts 4 bytes besides its text; 16 MiB stays below 4 GiB). A regular file is read to its end for the lengths of character columns and
// for values that the guessed type cannot read; a pipe is read once, with what was guessed.
constexpr size_t kGuessRows = 10000;
constexpr size_t kGuessBytes = size_t{16} << 20;
// The longest row read (quotes and commas included): a file without line ends cannot fill the
// memory.
constexpr size_t kLongestRow = size_t{4} << 20;

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

// The grammar of the step: PROC IMPORT options, then INFORMAT and FORMAT statements.
const qor_option_def kOptions[] = {
    {"DATAFILE", QOR_FORM_TEXT, 0, 0}, {"OUT", QOR_FORM_TEXT, 0, 0},
    {"DBMS", QOR_FORM_TEXT, 0, 0},     {"REPLACE", QOR_FORM_FLAG, 0, 0},
    {nullptr, 0, 0, 0},
};
const qor_clause kProcClauses[] = {
    {QOR_CLAUSE_OPTIONLIST, 0, 0, 0, 0, nullptr, nullptr, kOptions, nullptr},
};
const qor_statement_schema kProcSchema = {"IMPORT", nullptr, 0, kProcClauses, 1, QOR_OPTIONS_FIELDS};
const qor_statement_schema kStatements[] = {
    {"INFORMAT", nullptr, 0, kFormatStatementClauses, 1, 1},
    {"FORMAT", nullptr, 0, kFormatStatementClauses, 1, 1},
};
const qor_grammar kGrammar = {kProc, &kProcSchema, kStatements, 2, 0};

bool read_request(const ParsedStep& step, ImportRequest* request) {
    const statement_node* proc = step.proc();
    std::vector<ProcOption> options;
    if (!read_proc_options(proc, 0, kProc, &options)) return false;
    const ProcOption* file = find_option(options, "DATAFILE");
    const ProcOption* out = find_option(options, "OUT");
    const ProcOption* dbms = find_option(options, "DBMS");
    if (!file || !out) {
        xpslog("%1zPROC %s on line %i needs DATAFILE=\"file\" and OUT=data set.", kProc, proc->line);
        return false;
    }
    if (file->text.empty()) {
        xpslog("%1zPROC %s: DATAFILE= on line %i names no file.", kProc, proc->line);
        return false;
    }
    if (dbms && upper_text(dbms->text) != "CSV") {
        xpslog("%1zPROC %s: DBMS=%s on line %i is not supported: only DBMS=CSV is.", kProc,
               dbms->text.c_str(), proc->line);
        return false;
    }
    request->file = file->text;
    request->replace = find_option(options, "REPLACE") != nullptr;
    if (!parse_dataset_name(out->text, kProc, proc->line, &request->out)) return false;
    for (const statement_node* st = step.statements(); st; st = st->next) {
        bool informat = node_keyword(st) == "INFORMAT";
        if (!read_format_statement(st, kProc, informat ? &request->informats : &request->formats))
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

// The first rows of the file after the header, kept to guess the columns' types: the fields of
// every row back to back (each row has the header's number of fields).
struct HeldRows {
    size_t columns = 0;
    std::string bytes;
    std::vector<uint32_t> ends;   // where each field ends in bytes
    std::vector<int> lines;       // line on which each row starts

    size_t count() const { return lines.size(); }
    // What the rows take, empty fields included.
    size_t memory() const { return bytes.size() + ends.size() * sizeof(uint32_t); }
    std::string_view field(size_t row, size_t column) const {
        size_t i = row * columns + column;
        size_t start = i == 0 ? 0 : ends[i - 1];
        return std::string_view(bytes).substr(start, ends[i] - start);
    }
    void add(const CsvRow& row, int line) {
        for (const std::string& f : row) {
            bytes += f;
            ends.push_back(static_cast<uint32_t>(bytes.size()));
        }
        lines.push_back(line);
    }
};

std::string_view without_trailing_blanks(std::string_view text) {
    size_t n = text.find_last_not_of(' ');
    return n == std::string_view::npos ? std::string_view() : text.substr(0, n + 1);
}

// The informat, display format and length of a column whose type was not declared, from the
// rows held for guessing.
void guess_column(const HeldRows& held, size_t c, ImportColumn* col) {
    std::vector<const char*> texts;
    std::vector<int> lengths;
    col->length = 1;
    for (size_t r = 0; r < held.count(); ++r) {
        std::string_view f = held.field(r, c);
        texts.push_back(f.data());
        lengths.push_back(static_cast<int>(f.size()));
        col->length = std::max(col->length, static_cast<int>(without_trailing_blanks(f).size()));
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

// The CSV file read row by row; a regular file can be read again from its start.
class ImportFile {
public:
    explicit ImportFile(std::FILE* f) : file_(f) { start(); }
    ~ImportFile() { std::fclose(file_); }
    ImportFile(const ImportFile&) = delete;
    ImportFile& operator=(const ImportFile&) = delete;

    bool seekable() const {
        struct stat info;
        return ::fstat(::fileno(file_), &info) == 0 && S_ISREG(info.st_mode);
    }
    // Reading starts again at the first row; false after logging.
    bool rewind(const ImportRequest& request) {
        if (std::fseek(file_, 0, SEEK_SET) != 0) {
            xpslog("%1zPROC %s: the file %s cannot be read again: %s.", kProc,
                   request.file.c_str(), std::strerror(errno));
            return false;
        }
        start();
        return true;
    }
    // The next row: 1, 0 at the end, -1 after logging why the file cannot be read.
    int next(const ImportRequest& request, CsvRow* row, int* line) {
        int rc = reader_->next(row, line);
        if (rc >= 0) return rc;
        if (reader_->read_errno() != 0)
            xpslog("%1zPROC %s: the file %s cannot be read: %s.", kProc, request.file.c_str(),
                   std::strerror(reader_->read_errno()));
        else
            xpslog("%1zPROC %s: %s: %s", kProc, request.file.c_str(), reader_->error().c_str());
        return -1;
    }

private:
    void start() {
        std::FILE* f = file_;
        reader_ = std::make_unique<CsvRowReader>(
            [f](char* buffer, size_t size) -> long {
                size_t n = std::fread(buffer, 1, size, f);
                if (n == 0 && std::ferror(f)) return -1;
                return static_cast<long>(n);
            },
            kLongestRow);
    }
    std::FILE* file_;
    std::unique_ptr<CsvRowReader> reader_;
};

// A row of the file after the header has the header's number of fields.
bool check_row(const ImportRequest& request, size_t fields, size_t want, int line) {
    if (fields == want) return true;
    xpslog("%1zPROC %s: the row on line %i of %s has %i fields; the header row has %i.", kProc,
           line, request.file.c_str(), static_cast<int>(fields), static_cast<int>(want));
    return false;
}

// The output data set while it is written; closing without commit() leaves nothing behind.
class ImportWriter {
public:
    ImportWriter(const ImportRequest& request, const std::vector<ImportColumn>& columns)
        : request_(request), columns_(columns), numbers_(columns.size(), 0.0),
          texts_(columns.size()) {}
    ~ImportWriter() {
        if (put_) xvputt(put_);
        if (ds_) xoclose(ds_, 1);
    }
    ImportWriter(const ImportWriter&) = delete;
    ImportWriter& operator=(const ImportWriter&) = delete;

    // Creates the data set with a variable per column; false after logging.
    bool open() {
        const size_t n = columns_.size();
        for (size_t c = 0; c < n; ++c)
            if (columns_[c].character) texts_[c].assign(static_cast<size_t>(columns_[c].length), ' ');
        // Without REPLACE the member must still be new when it is put into place.
        qor_open_request open = open_request(request_.out,
                                             QOR_OPEN_OUTPUT | (request_.replace ? 0 : QOR_OPEN_NO_REPLACE));
        int rc = xoopen(&ds_, &open);
        if (rc != 0) {
            xpslog("%1zPROC %s: data set %s cannot be created.", kProc, request_.out.text().c_str());
            xprrlog(1, rc);
            return false;
        }
        rc = xvputi(ds_, static_cast<int>(n), &put_);
        for (size_t c = 0; c < n && rc == 0; ++c) {
            const ImportColumn& col = columns_[c];
            qor_var_desc desc;
            xvnamei(&desc);
            std::snprintf(desc.name, sizeof desc.name, "%s", col.name.c_str());
            desc.name_length = static_cast<int16_t>(std::strlen(desc.name));
            desc.type = static_cast<int16_t>(col.character ? QOR_VAR_CHARACTER : QOR_VAR_NUMERIC);
            desc.length = col.character ? col.length : 8;
            if (col.has_format) set_variable_format(&desc, col.format);
            rc = col.character ? xvputd(put_, &desc, texts_[c].data(), col.length, nullptr)
                               : xvputd(put_, &desc, &numbers_[c], 8, nullptr);
        }
        if (rc == 0) rc = xvpute(put_);
        return written(rc);
    }

    // One observation from the fields of a row; false after logging.
    bool add(const std::vector<std::string_view>& fields, int line) {
        for (size_t c = 0; c < columns_.size(); ++c) {
            const ImportColumn& col = columns_[c];
            if (col.character)
                set_text(c, fields[c], line);
            else
                set_number(c, fields[c], line);
        }
        qor_obs_request obs{};
        obs.dataset = ds_;
        int rc = xyvput(put_, 0);
        if (rc == 0) rc = xoadd(&obs);
        ++observations_;
        return written(rc);
    }

    // Closes the data set into place; false after logging.
    bool commit() {
        if (invalid_ > kInvalidValuesShown)
            xpslog("%2zPROC %s: %li values in all could not be read and are missing.", kProc, invalid_);
        if (cut_ > kInvalidValuesShown)
            xpslog("%2zPROC %s: %li values in all were longer than their column and are cut.", kProc,
                   cut_);
        xvputt(put_);
        put_ = nullptr;
        int rc = xoclose(ds_, 0);
        ds_ = nullptr;
        if (rc == QOR_DS_MEMBER_EXISTS) {
            // Another program created the member while this one read the file.
            xpslog("%1zPROC %s: data set %s already exists; add REPLACE to overwrite it.", kProc,
                   request_.out.text().c_str());
            return false;
        }
        return written(rc);
    }
    long observations() const { return observations_; }

private:
    bool written(int rc) {
        if (rc == 0) return true;
        xpslog("%1zPROC %s: data set %s cannot be written.", kProc, request_.out.text().c_str());
        xprrlog(1, rc);
        return false;
    }
    void set_text(size_t c, std::string_view field, int line) {
        const ImportColumn& col = columns_[c];
        std::string_view value = without_trailing_blanks(field);
        std::vector<char> read;
        if (col.declared_informat) {
            read.resize(static_cast<size_t>(col.length) + 1);
            int length = 0;
            xfinc(field.data(), static_cast<int>(field.size()), col.length, col.keep_blanks,
                  read.data(), static_cast<int>(read.size()), &length);
            value = std::string_view(read.data(), static_cast<size_t>(length));
        } else if (value.size() > static_cast<size_t>(col.length) && ++cut_ <= kInvalidValuesShown) {
            // Only a file read once (a pipe) gets here: its lengths come from the first rows.
            xpslog("%2zPROC %s: the value of column %s on line %i is longer than the %i "
                   "characters of the column and is cut (INFORMAT %s $w. sets a length).", kProc,
                   col.name.c_str(), line, col.length, col.name.c_str());
        }
        std::string& text = texts_[c];
        size_t n = std::min(value.size(), text.size());
        if (n > 0) std::memcpy(text.data(), value.data(), n);
        std::memset(text.data() + n, ' ', text.size() - n);
    }
    void set_number(size_t c, std::string_view field, int line) {
        const ImportColumn& col = columns_[c];
        if (xffmt(col.informat_code, 0, col.informat_decimals, field.data(),
                  static_cast<int>(field.size()), &numbers_[c]) == 0)
            return;
        numbers_[c] = qor::missing();
        if (++invalid_ <= kInvalidValuesShown)
            xpslog("%2zPROC %s: the value '%.*s' of column %s on line %i cannot be read with %s; it "
                   "is missing.", kProc, static_cast<int>(std::min<size_t>(field.size(), 200)),
                   field.data(), col.name.c_str(), line, col.informat_text.c_str());
    }

    const ImportRequest& request_;
    const std::vector<ImportColumn>& columns_;
    std::vector<double> numbers_;
    std::vector<std::string> texts_;
    qor_dataset* ds_ = nullptr;
    qor_putlist* put_ = nullptr;
    long invalid_ = 0;
    long cut_ = 0;
    long observations_ = 0;
};

bool check_columns(const std::vector<ImportColumn>& columns);

// The variables of the columns: declared, or guessed from the held rows; false after logging.
bool plan_columns(const ImportRequest& request, const CsvRow& header, const HeldRows& held,
                  std::vector<ImportColumn>* columns) {
    std::vector<std::string> names = import_variable_names(header);
    columns->assign(names.size(), ImportColumn{});
    for (size_t c = 0; c < names.size(); ++c) (*columns)[c].name = names[c];
    if (!apply_declarations(request, *columns)) return false;
    for (size_t c = 0; c < columns->size(); ++c) {
        ImportColumn& col = (*columns)[c];
        if (!col.declared_informat) guess_column(held, c, &col);
    }
    return check_columns(*columns);
}

// Each column's format suits its type and its length is one a variable can have; false after
// logging.
bool check_columns(const std::vector<ImportColumn>& columns) {
    for (const ImportColumn& col : columns) {
        if (col.has_format && col.format.character() != col.character) {
            xpslog("%1zPROC %s: format %s on line %i cannot show the %s column %s.", kProc,
                   col.format.text().c_str(), col.format_line,
                   col.character ? "character" : "numeric", col.name.c_str());
            return false;
        }
        if (col.character && col.length > QOR_CHARACTER_MAX_LENGTH) {
            xpslog("%1zPROC %s: column %s holds values longer than %i characters.", kProc,
                   col.name.c_str(), QOR_CHARACTER_MAX_LENGTH);
            return false;
        }
    }
    return true;
}

// The rows after the held ones, read once before the values are written: every character
// column gets the length of its longest value, and a guessed numeric column with a value that
// its informat cannot read becomes character. false after logging.
bool scan_rest(const ImportRequest& request, ImportFile& file, size_t want,
               std::vector<ImportColumn>& columns) {
    CsvRow row;
    int line = 0;
    int rc;
    std::vector<int> longest(columns.size(), 1);
    while ((rc = file.next(request, &row, &line)) == 1) {
        if (!check_row(request, row.size(), want, line)) return false;
        for (size_t c = 0; c < columns.size(); ++c) {
            ImportColumn& col = columns[c];
            if (col.declared_informat) continue;
            const std::string& field = row[c];
            longest[c] = std::max(longest[c], static_cast<int>(without_trailing_blanks(field).size()));
            if (col.character) continue;
            double value = 0;
            if (xffmt(col.informat_code, 0, col.informat_decimals, field.data(),
                      static_cast<int>(field.size()), &value) == 0)
                continue;
            xpslog("%3zPROC %s: column %s is read as character: the value '%.*s' on line %i "
                   "cannot be read with %s, which read the first rows.", kProc, col.name.c_str(),
                   static_cast<int>(std::min<size_t>(field.size(), 200)), field.data(), line,
                   col.informat_text.c_str());
            col.character = true;
            if (col.format_line == 0) col.has_format = false;   // the guessed display format
        }
    }
    if (rc < 0) return false;
    for (size_t c = 0; c < columns.size(); ++c)
        if (columns[c].character && !columns[c].declared_informat)
            columns[c].length = std::max(columns[c].length, longest[c]);
    return true;
}

// Reads the file and writes the data set. Types are guessed from the rows held at the start;
// a regular file is then read to its end for the lengths and read again for the values, any
// other file (a pipe) has its held rows written and the rest written as it is read. false
// after logging.
bool import_file(const ImportRequest& request, std::FILE* f) {
    ImportFile file(f);
    CsvRow header;
    int line = 0;
    int rc = file.next(request, &header, &line);
    if (rc < 0) return false;
    if (rc == 0) {
        xpslog("%1zPROC %s: the file %s is empty: it needs a header row.", kProc,
               request.file.c_str());
        return false;
    }
    const size_t want = header.size();
    if (want > static_cast<size_t>(QOR_VAR_COUNT_MAX)) {
        xpslog("%1zPROC %s: the header row of %s has %li columns, more than the %i variables a "
               "data set can hold.", kProc, request.file.c_str(), static_cast<long>(want),
               static_cast<int>(QOR_VAR_COUNT_MAX));
        return false;
    }
    HeldRows held;
    held.columns = want;
    CsvRow row;
    while (held.count() < kGuessRows && held.memory() < kGuessBytes &&
           (rc = file.next(request, &row, &line)) == 1) {
        if (!check_row(request, row.size(), want, line)) return false;
        held.add(row, line);
    }
    if (rc < 0) return false;
    std::vector<ImportColumn> columns;
    if (!plan_columns(request, header, held, &columns)) return false;
    const bool more = rc == 1;   // the held rows did not reach the end of the file
    const bool twice = more && file.seekable();
    if (twice) {
        held = HeldRows{};
        if (!scan_rest(request, file, want, columns) || !check_columns(columns)) return false;
        if (!file.rewind(request)) return false;
        if ((rc = file.next(request, &header, &line)) == 0)
            xpslog("%1zPROC %s: the file %s changed while it was read.", kProc, request.file.c_str());
        if (rc != 1) return false;
    }

    ImportWriter writer(request, columns);
    if (!writer.open()) return false;
    std::vector<std::string_view> fields(want);
    for (size_t r = 0; r < held.count(); ++r) {
        for (size_t c = 0; c < want; ++c) fields[c] = held.field(r, c);
        if (!writer.add(fields, held.lines[r])) return false;
    }
    if (more) {
        held = HeldRows{};
        while ((rc = file.next(request, &row, &line)) == 1) {
            if (!check_row(request, row.size(), want, line)) return false;
            for (size_t c = 0; c < want; ++c) fields[c] = row[c];
            if (!writer.add(fields, line)) return false;
        }
        if (rc < 0) return false;
    }
    if (!writer.commit()) return false;
    xpslog("%3z%li observations and %i variables were written to %s.", writer.observations(),
           static_cast<int>(columns.size()), request.out.text().c_str());
    return true;
}

}  // namespace

int proc_import(qor_step* step) {
    ParsedStep parsed;
    if (!parsed.parse(step, kGrammar)) return 1;
    ImportRequest request;
    if (!read_request(parsed, &request)) return 1;
    if (!request.replace && dataset_exists(request.out)) {
        xpslog("%1zPROC %s: data set %s already exists; add REPLACE to overwrite it.", kProc,
               request.out.text().c_str());
        return 1;
    }
    std::FILE* f = std::fopen(request.file.c_str(), "rb");
    if (!f) {
        xpslog("%1zPROC %s: the file %s cannot be opened: %s.", kProc, request.file.c_str(),
               std::strerror(errno));
        return 1;
    }
    try {
        return import_file(request, f) ? 0 : 1;
    } catch (const std::bad_alloc&) {
        // Rows are bounded, but a very wide file or a small memory limit can still run out.
        xpslog("%1zPROC %s: there is not enough memory to import %s.", kProc, request.file.c_str());
        return 1;
    }
}

}  // namespace qor::runtime
