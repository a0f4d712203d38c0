// PROC PRINT: a listing of a data set on the print file, one line per observation, columns
// as wide as their formats or headers, split into panels of columns when a line is too long.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/missing.h"
#include "host/print.h"
#include "runtime/procs/proc_datasets.h"
#include "runtime/procs/proc_formats.h"
#include "runtime/procs/proc_statements.h"
#include "runtime/procs/procedures.h"

namespace qor::runtime {

namespace {

constexpr const char* kProc = "PRINT";
constexpr size_t kGap = 2;   // blanks between columns

struct PrintRequest {
    DatasetName data;
    long obs = -1;            // at most this many observations; -1 all
    bool show_obs = true;
    bool labels = false;
    std::vector<std::pair<std::string, int>> vars;   // VAR statement names with their lines
    std::vector<FormatAssignment> formats;
};

struct PrintColumn {
    size_t index;             // variable number, 0-based
    std::string header;
    FormatSpec format;
    bool numeric;
    size_t width;
};

// The grammar of the step: PROC PRINT options, then VAR and FORMAT statements.
const qor_option_def kOptions[] = {
    {"DATA", QOR_FORM_TEXT, 0, 0},  {"OBS", QOR_FORM_INTEGER, 0, 0},
    {"NOOBS", QOR_FORM_FLAG, 0, 0}, {"LABEL", QOR_FORM_FLAG, 0, 0},
    {nullptr, 0, 0, 0},
};
const qor_clause kProcClauses[] = {
    {QOR_CLAUSE_OPTIONLIST, 0, 0, 0, 0, nullptr, nullptr, kOptions, nullptr},
};
const qor_clause kVarClauses[] = {
    {QOR_CLAUSE_NAMELIST, QOR_VALUE_NAME, 0, 0, 0, nullptr, nullptr, nullptr, nullptr},
};
const qor_statement_schema kProcSchema = {"PRINT", nullptr, 0, kProcClauses, 1, QOR_OPTIONS_FIELDS};
const qor_statement_schema kStatements[] = {
    {"VAR", nullptr, 0, kVarClauses, 1, 1},
    {"FORMAT", nullptr, 0, kFormatStatementClauses, 1, 1},
};
const qor_grammar kGrammar = {kProc, &kProcSchema, kStatements, 2, 0};

bool read_obs(const ProcOption& option, int line, long* obs) {
    double n = option.number;
    if (qor::is_missing(n) || n < 0 || n > 2147483647.0) {
        std::string text = qor::is_missing(n) ? "." : std::to_string(static_cast<long long>(n));
        xpslog("%1zPROC %s: OBS=%s on line %i is not a whole number of 0 or more.", kProc,
               text.c_str(), line);
        return false;
    }
    *obs = static_cast<long>(n);
    return true;
}

bool read_request(const ParsedStep& step, PrintRequest* request) {
    const statement_node* proc = step.proc();
    std::vector<ProcOption> options;
    if (!read_proc_options(proc, 0, kProc, &options)) return false;
    const ProcOption* data = find_option(options, "DATA");
    if (!data) {
        xpslog("%1zPROC %s on line %i needs DATA=data set.", kProc, proc->line);
        return false;
    }
    if (const ProcOption* obs = find_option(options, "OBS"))
        if (!read_obs(*obs, proc->line, &request->obs)) return false;
    request->show_obs = find_option(options, "NOOBS") == nullptr;
    request->labels = find_option(options, "LABEL") != nullptr;
    for (const statement_node* st = step.statements(); st; st = st->next) {
        if (node_keyword(st) == "FORMAT") {
            if (!read_format_statement(st, kProc, &request->formats)) return false;
        } else {
            for (const std::string& name : node_names(st, 0)) request->vars.push_back({name, st->line});
        }
    }
    return parse_dataset_name(data->text, kProc, proc->line, &request->data);
}

int variable_index(const DatasetReader& reader, const std::string& name) {
    const auto& vars = reader.variables();
    for (size_t i = 0; i < vars.size(); ++i)
        if (upper_text(vars[i].name) == upper_text(name)) return static_cast<int>(i);
    return -1;
}

// The columns to print: the VAR statement's variables, or all, with their formats.
bool plan_columns(const PrintRequest& request, const DatasetReader& reader,
                  std::vector<PrintColumn>* columns) {
    std::vector<size_t> chosen;
    for (const auto& [name, line] : request.vars) {
        int i = variable_index(reader, name);
        if (i < 0) {
            xpslog("%1zPROC %s: variable %s on line %i is not in %s.", kProc, name.c_str(), line,
                   request.data.text().c_str());
            return false;
        }
        chosen.push_back(static_cast<size_t>(i));
    }
    if (request.vars.empty())
        for (size_t i = 0; i < reader.variables().size(); ++i) chosen.push_back(i);
    std::vector<FormatSpec> formats;
    for (const DatasetVariable& v : reader.variables()) formats.push_back(variable_format(v.desc));
    for (const FormatAssignment& f : request.formats) {
        int i = variable_index(reader, f.variable);
        if (i < 0) {
            xpslog("%1zPROC %s: variable %s on line %i is not in %s.", kProc, f.variable.c_str(),
                   f.line, request.data.text().c_str());
            return false;
        }
        const DatasetVariable& v = reader.variables()[static_cast<size_t>(i)];
        if (f.format.character() != (v.desc.type == QOR_VAR_CHARACTER)) {
            xpslog("%1zPROC %s: format %s on line %i cannot show the %s variable %s.", kProc,
                   f.format.text().c_str(), f.line,
                   v.desc.type == QOR_VAR_CHARACTER ? "character" : "numeric", v.name.c_str());
            return false;
        }
        formats[static_cast<size_t>(i)] = f.format;
    }
    for (size_t i : chosen) {
        const DatasetVariable& v = reader.variables()[i];
        PrintColumn c;
        c.index = i;
        c.header = request.labels && !v.label.empty() ? v.label : v.name;
        c.format = formats[i];
        c.numeric = v.desc.type == QOR_VAR_NUMERIC;
        c.width = std::max(static_cast<size_t>(c.format.width), c.header.size());
        columns->push_back(c);
    }
    return true;
}

// Groups of columns that fit the line beside the Obs column; a column wider than the line
// alone gets a panel of its own and is cut to the line.
std::vector<std::vector<PrintColumn>> panels_of(std::vector<PrintColumn> columns, size_t line_size,
                                                size_t obs_width) {
    std::vector<std::vector<PrintColumn>> panels;
    size_t used = 0;
    for (PrintColumn& c : columns) {
        size_t start = obs_width > 0 ? obs_width + kGap : 0;
        if (!panels.empty() && !panels.back().empty() && used + kGap + c.width <= line_size) {
            used += kGap + c.width;
            panels.back().push_back(c);
            continue;
        }
        if (start + c.width > line_size) c.width = line_size > start ? line_size - start : 1;
        panels.push_back({c});
        used = start + c.width;
    }
    return panels;
}

// A cell: the text right-aligned (numbers) or left-aligned (characters) in the width, cut.
// Line ends and tabs inside a value become blanks so that each observation keeps one line.
void append_cell(std::string& line, const std::string& text, size_t width, bool right) {
    std::string cell = text.size() > width ? text.substr(0, width) : text;
    for (char& ch : cell)
        if (ch == '\n' || ch == '\r' || ch == '\t') ch = ' ';
    std::string pad(width - cell.size(), ' ');
    line += right ? pad + cell : cell + pad;
}

void print_line(std::string line) {
    size_t end = line.find_last_not_of(' ');
    line.resize(end == std::string::npos ? 0 : end + 1);
    xpsout("%s", line.c_str());
}

// Prints one panel; false when the data set cannot be read.
bool print_panel(DatasetReader& reader, const std::vector<PrintColumn>& panel, long limit,
                 size_t obs_width) {
    std::string line;
    if (obs_width > 0) append_cell(line, "Obs", obs_width, true);
    for (const PrintColumn& c : panel) {
        if (!line.empty() || obs_width > 0) line += std::string(kGap, ' ');
        append_cell(line, c.header, c.width, c.numeric);
    }
    print_line(line);
    if (!reader.rewind()) return false;
    for (long obs = 1; obs <= limit; ++obs) {
        int rc = reader.next();
        if (rc < 0) return false;
        if (rc == 0) break;
        line.clear();
        // Observations keep their numbers in the data set (FIRSTOBS= shifts them).
        if (obs_width > 0) append_cell(line, std::to_string(reader.first_observation() + obs - 1), obs_width, true);
        for (size_t k = 0; k < panel.size(); ++k) {
            const PrintColumn& c = panel[k];
            if (k > 0 || obs_width > 0) line += std::string(kGap, ' ');
            std::string text = c.numeric ? format_number(reader.number(c.index), c.format)
                                         : format_text(reader.text(c.index), c.format);
            append_cell(line, text, c.width, c.numeric);
        }
        print_line(line);
    }
    return true;
}

}  // namespace

int proc_print(qor_step* step) {
    ParsedStep parsed;
    if (!parsed.parse(step, kGrammar)) return 1;
    PrintRequest request;
    if (!read_request(parsed, &request)) return 1;
    DatasetReader reader;
    if (!reader.open(request.data, kProc)) return 1;
    std::vector<PrintColumn> columns;
    if (!plan_columns(request, reader, &columns)) return 1;

    long count = reader.observations();
    long limit = request.obs >= 0 ? std::min(request.obs, count) : count;
    size_t obs_width =
        request.show_obs ? std::max<size_t>(3, std::to_string(reader.first_observation() + limit - 1).size()) : 0;
    size_t line_size = static_cast<size_t>(xpprnl(0));

    int previous = xpselec(0, -2);   // the print file alone
    xpsout("%s", ("Data set " + request.data.text()).substr(0, line_size).c_str());
    bool ok = true;
    for (const std::vector<PrintColumn>& panel : panels_of(columns, line_size, obs_width)) {
        xpskip(1);
        if (!(ok = print_panel(reader, panel, limit, obs_width))) break;
    }
    xpskip(1);   // a blank line parts this listing from the next one
    xpselec(0, previous);
    if (!ok) return 1;
    xpslog("%3z%li observations of %s were printed.", limit, request.data.text().c_str());
    return 0;
}

}  // namespace qor::runtime
