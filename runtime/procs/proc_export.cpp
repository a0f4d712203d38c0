// PROC EXPORT: writes a data set to a CSV file with a header row of variable names, values as
// their formats show them (trimmed) or raw; the file appears only when it is complete.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
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

bool read_request(const std::vector<ProcStatement>& statements, ExportRequest* request) {
    const ProcStatement& proc = statements.front();
    std::vector<ProcOption> options;
    if (!read_proc_options(proc, kProc,
                           {{"DATA", true}, {"OUTFILE", true}, {"DBMS", true}, {"REPLACE", false},
                            {"FORMATTED", false}, {"RAW", false}},
                           &options))
        return false;
    if (statements.size() > 1) {
        report_unknown_statement(statements[1], kProc);
        return false;
    }
    const ProcOption* data = find_option(options, "DATA");
    const ProcOption* file = find_option(options, "OUTFILE");
    const ProcOption* dbms = find_option(options, "DBMS");
    if (!data || !file) {
        xpslog("%1zPROC %s on line %i needs DATA=data set and OUTFILE=\"file\".", kProc, proc.line);
        return false;
    }
    if (file->value.empty()) {
        xpslog("%1zPROC %s: OUTFILE= on line %i names no file.", kProc, proc.line);
        return false;
    }
    if (dbms && upper_text(dbms->value) != "CSV") {
        xpslog("%1zPROC %s: DBMS=%s on line %i is not supported: only DBMS=CSV is.", kProc,
               dbms->value.c_str(), proc.line);
        return false;
    }
    if (find_option(options, "RAW") && find_option(options, "FORMATTED")) {
        xpslog("%1zPROC %s: RAW and FORMATTED on line %i exclude each other.", kProc, proc.line);
        return false;
    }
    request->file = file->value;
    request->replace = find_option(options, "REPLACE") != nullptr;
    request->raw = find_option(options, "RAW") != nullptr;
    return parse_dataset_name(data->value, kProc, proc.line, &request->data);
}

// One value as the CSV field shows it.
std::string field_of(const DatasetReader& reader, size_t index, const FormatSpec& format, bool raw) {
    const qor_var_desc& desc = reader.variables()[index].desc;
    if (desc.type == QOR_VAR_CHARACTER) return reader.text(index);
    double value = reader.number(index);
    if (qor::is_missing(value) && qor::missing_code(value) == 0) return "";
    return raw ? raw_number(value) : trim_blanks(format_number(value, format));
}

// The whole CSV text of the data set; false after logging a read failure.
bool csv_text(DatasetReader& reader, bool raw, std::string* out, long* rows) {
    const auto& vars = reader.variables();
    std::vector<std::string> fields;
    std::vector<FormatSpec> formats;
    for (const DatasetVariable& v : vars) {
        fields.push_back(v.name);
        formats.push_back(variable_format(v.desc));
    }
    append_csv_row(*out, fields);
    int rc;
    while ((rc = reader.next()) == 1) {
        for (size_t i = 0; i < vars.size(); ++i) fields[i] = field_of(reader, i, formats[i], raw);
        append_csv_row(*out, fields);
        ++*rows;
    }
    return rc == 0;
}

// Writes text to a temporary file beside path and renames it into place.
bool write_file(const std::string& path, const std::string& text) {
    std::string temporary = path + ".tmp" + std::to_string(::getpid());
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (!f) {
        xpslog("%1zPROC %s: the file %s cannot be created: %s.", kProc, path.c_str(),
               std::strerror(errno));
        return false;
    }
    bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    int error = errno;
    if (std::fclose(f) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && std::rename(temporary.c_str(), path.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        std::remove(temporary.c_str());
        xpslog("%1zPROC %s: the file %s cannot be written: %s.", kProc, path.c_str(),
               std::strerror(error));
    }
    return written;
}

}  // namespace

int proc_export(qor_step* step) {
    std::vector<ProcStatement> statements;
    if (!read_proc_step(step, &statements) || statements.empty()) return 1;
    ExportRequest request;
    if (!read_request(statements, &request)) return 1;
    struct stat info;
    if (::stat(request.file.c_str(), &info) == 0) {
        if (S_ISDIR(info.st_mode)) {
            xpslog("%1zPROC %s: %s is a directory, not a file.", kProc, request.file.c_str());
            return 1;
        }
        if (!request.replace) {
            xpslog("%1zPROC %s: the file %s already exists; add REPLACE to overwrite it.", kProc,
                   request.file.c_str());
            return 1;
        }
    }
    DatasetReader reader;
    if (!reader.open(request.data, kProc)) return 1;
    std::string text;
    long rows = 0;
    if (!csv_text(reader, request.raw, &text, &rows)) return 1;
    if (!write_file(request.file, text)) return 1;
    xpslog("%3z%li observations of %s and a header row were written to the file %s.", rows,
           request.data.text().c_str(), request.file.c_str());
    return 0;
}

}  // namespace qor::runtime
