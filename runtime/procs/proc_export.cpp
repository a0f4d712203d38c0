// PROC EXPORT: writes a data set to a CSV file with a header row of variable names, values as
// their formats show them (trimmed) or raw; the file appears only when it is complete, and
// only a regular file is ever replaced.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/procs/csv.h"
#include "runtime/procs/proc_datasets.h"
#include "runtime/procs/proc_formats.h"
#include "runtime/procs/proc_statements.h"
#include "runtime/procs/procedures.h"

namespace qor::runtime {

namespace {

constexpr const char* kProc = "EXPORT";

struct ExportRequest {
    DatasetName data;
    std::string file;
    bool replace = false;
    bool raw = false;
};

// The grammar of the step: PROC EXPORT options and no other statement.
const qor_option_def kOptions[] = {
    {"DATA", QOR_FORM_TEXT, 0, 0},    {"OUTFILE", QOR_FORM_TEXT, 0, 0},
    {"DBMS", QOR_FORM_TEXT, 0, 0},    {"REPLACE", QOR_FORM_FLAG, 0, 0},
    {"FORMATTED", QOR_FORM_FLAG, 0, 0}, {"RAW", QOR_FORM_FLAG, 0, 0},
    {nullptr, 0, 0, 0},
};
const qor_clause kProcClauses[] = {
    {QOR_CLAUSE_OPTIONLIST, 0, 0, 0, 0, nullptr, nullptr, kOptions, nullptr},
};
const qor_statement_schema kProcSchema = {"EXPORT", nullptr, 0, kProcClauses, 1, QOR_OPTIONS_FIELDS};
const qor_grammar kGrammar = {kProc, &kProcSchema, nullptr, 0, 0};

bool read_request(const ParsedStep& step, ExportRequest* request) {
    const statement_node* proc = step.proc();
    std::vector<ProcOption> options;
    if (!read_proc_options(proc, 0, kProc, &options)) return false;
    const ProcOption* data = find_option(options, "DATA");
    const ProcOption* file = find_option(options, "OUTFILE");
    const ProcOption* dbms = find_option(options, "DBMS");
    if (!data || !file) {
        xpslog("%1zPROC %s on line %i needs DATA=data set and OUTFILE=\"file\".", kProc, proc->line);
        return false;
    }
    if (file->text.empty()) {
        xpslog("%1zPROC %s: OUTFILE= on line %i names no file.", kProc, proc->line);
        return false;
    }
    if (dbms && upper_text(dbms->text) != "CSV") {
        xpslog("%1zPROC %s: DBMS=%s on line %i is not supported: only DBMS=CSV is.", kProc,
               dbms->text.c_str(), proc->line);
        return false;
    }
    if (find_option(options, "RAW") && find_option(options, "FORMATTED")) {
        xpslog("%1zPROC %s: RAW and FORMATTED on line %i exclude each other.", kProc, proc->line);
        return false;
    }
    request->file = file->text;
    request->replace = find_option(options, "REPLACE") != nullptr;
    request->raw = find_option(options, "RAW") != nullptr;
    return parse_dataset_name(data->text, kProc, proc->line, &request->data);
}

// One value as the CSV field shows it.
std::string field_of(const DatasetReader& reader, size_t index, const FormatSpec& format, bool raw) {
    const qor_var_desc& desc = reader.variables()[index].desc;
    if (desc.type == QOR_VAR_CHARACTER) return reader.text(index);
    double value = reader.number(index);
    if (qor::is_missing(value) && qor::missing_code(value) == 0) return "";
    return raw ? raw_number(value) : trim_blanks(format_number(value, format));
}

// Writes the header row and a row per observation as they are read; false after logging.
bool write_rows(DatasetReader& reader, bool raw, std::FILE* out, const std::string& path,
                long* rows) {
    const auto& vars = reader.variables();
    std::vector<std::string> fields;
    std::vector<FormatSpec> formats;
    for (const DatasetVariable& v : vars) {
        fields.push_back(v.name);
        formats.push_back(variable_format(v.desc));
    }
    std::string line;
    append_csv_row(line, fields);
    bool written = std::fwrite(line.data(), 1, line.size(), out) == line.size();
    int rc = 0;
    while (written && (rc = reader.next()) == 1) {
        for (size_t i = 0; i < vars.size(); ++i) fields[i] = field_of(reader, i, formats[i], raw);
        line.clear();
        append_csv_row(line, fields);
        written = std::fwrite(line.data(), 1, line.size(), out) == line.size();
        ++*rows;
    }
    if (!written)
        xpslog("%1zPROC %s: the file %s cannot be written: %s.", kProc, path.c_str(),
               std::strerror(errno));
    return written && rc == 0;
}

// What a file is when it is not a regular file ("" when it is one), for messages.
const char* not_regular(const struct stat& info) {
    if (S_ISREG(info.st_mode)) return "";
    if (S_ISDIR(info.st_mode)) return "a directory";
    if (S_ISLNK(info.st_mode)) return "a symbolic link";
    if (S_ISFIFO(info.st_mode)) return "a FIFO";
    if (S_ISSOCK(info.st_mode)) return "a socket";
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "a device";
    return "a special file";
}

// The target may be written: it does not exist, or it is a regular file and REPLACE was given.
// A link, FIFO, socket or device is never replaced. false after logging.
bool target_allowed(const std::string& path, bool replace) {
    struct stat info;
    if (::lstat(path.c_str(), &info) != 0) return true;
    const char* kind = not_regular(info);
    if (*kind) {
        xpslog("%1zPROC %s: %s is %s, not a regular file: only a regular file is written or "
               "replaced.", kProc, path.c_str(), kind);
        return false;
    }
    if (!replace) {
        xpslog("%1zPROC %s: the file %s already exists; add REPLACE to overwrite it.", kProc,
               path.c_str());
        return false;
    }
    return true;
}

// Puts the finished temporary file in place of path. Without REPLACE the name must still be
// free (a no-replace rename, or a hard link where the file system has no such rename); with it
// the target is checked once more just before. false after logging; the temporary is kept.
bool put_in_place(const std::string& temporary, const std::string& path, bool replace) {
    if (!target_allowed(path, replace)) return false;
    int error = 0;
    if (replace) {
        if (::rename(temporary.c_str(), path.c_str()) != 0) error = errno;
    } else if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(),
                           RENAME_NOREPLACE) != 0) {
        error = errno;
        if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
            error = ::link(temporary.c_str(), path.c_str()) == 0 ? 0 : errno;
            if (error == 0) ::unlink(temporary.c_str());
        }
    }
    if (error == EEXIST) {
        xpslog("%1zPROC %s: the file %s already exists; add REPLACE to overwrite it.", kProc,
               path.c_str());
        return false;
    }
    if (error != 0) {
        xpslog("%1zPROC %s: the file %s cannot be written: %s.", kProc, path.c_str(),
               std::strerror(error));
        return false;
    }
    return true;
}

// Writes the data set to a new temporary file beside path and puts it into place; false after
// logging, with nothing left behind.
bool export_file(DatasetReader& reader, const ExportRequest& request, long* rows) {
    const std::string& path = request.file;
    std::string pattern = path + "-XXXXXX.tmp";
    std::vector<char> temporary(pattern.begin(), pattern.end());
    temporary.push_back('\0');
    int fd = ::mkstemps(temporary.data(), 4);
    if (fd < 0) {
        xpslog("%1zPROC %s: the file %s cannot be created: %s.", kProc, path.c_str(),
               std::strerror(errno));
        return false;
    }
    ::fchmod(fd, 0644);
    std::FILE* out = ::fdopen(fd, "wb");
    if (!out) {
        ::close(fd);
        ::unlink(temporary.data());
        xpslog("%1zPROC %s: the file %s cannot be created: %s.", kProc, path.c_str(),
               std::strerror(errno));
        return false;
    }
    bool ok = write_rows(reader, request.raw, out, path, rows);
    if (std::fclose(out) != 0 && ok) {
        xpslog("%1zPROC %s: the file %s cannot be written: %s.", kProc, path.c_str(),
               std::strerror(errno));
        ok = false;
    }
    if (ok) ok = put_in_place(temporary.data(), path, request.replace);
    if (!ok) ::unlink(temporary.data());
    return ok;
}

}  // namespace

int proc_export(qor_step* step) {
    ParsedStep parsed;
    if (!parsed.parse(step, kGrammar)) return 1;
    ExportRequest request;
    if (!read_request(parsed, &request)) return 1;
    if (!target_allowed(request.file, request.replace)) return 1;
    DatasetReader reader;
    if (!reader.open(request.data, kProc)) return 1;
    long rows = 0;
    if (!export_file(reader, request, &rows)) return 1;
    xpslog("%3z%li observations of %s and a header row were written to the file %s.", rows,
           request.data.text().c_str(), request.file.c_str());
    return 0;
}

}  // namespace qor::runtime
