// Comma-separated text: reading a whole CSV text into rows of fields and writing fields back,
// quoting the ones that need it. Plain data in, plain data out: no files, no logging.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace qor::runtime {

using CsvRow = std::vector<std::string>;

struct CsvTable {
    std::vector<CsvRow> rows;       // the header row first, as written
    std::vector<int> lines;         // 1-based line on which each row starts
};

// Reads CSV text: fields separated by ',', rows ended by LF or CRLF (a lone CR too); a field in
// double quotes may hold commas, line ends (kept as written) and doubled quotes standing for
// one. A leading UTF-8 byte order mark is skipped and empty lines are ignored. Returns an empty
// string on success, otherwise a message that names the line of the fault (a quote that is
// never closed, text after a closing quote) and leaves the table partly filled.
std::string read_csv(std::string_view text, CsvTable* table);

// Whether a field must be quoted to read back as itself: it holds a comma, a quote, a line end,
// or starts or ends with a blank or tab.
bool csv_needs_quotes(std::string_view field);

// Appends one field, quoted when it needs it (quotes inside doubled).
void append_csv_field(std::string& out, std::string_view field);

// Appends a row of fields separated by commas and ended by LF.
void append_csv_row(std::string& out, const std::vector<std::string>& fields);

}  // namespace qor::runtime
