// Comma-separated text: reading a whole CSV text into rows of fields and writing fields back,
// quoting the ones that need it. Plain data in, plain data out: no files, no logging.
#pragma once
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qor::runtime {

using CsvRow = std::vector<std::string>;

struct CsvTable {
    std::vector<CsvRow> rows;       // the header row first, as written
    std::vector<int> lines;         // 1-based line on which each row starts
};

// Where a row reader takes its bytes from: fills buffer with up to size bytes and returns how
// many, 0 at the end, or -1 with errno set when reading fails.
using CsvSource = std::function<long(char* buffer, size_t size)>;

// Reads CSV rows one at a time with the rules of read_csv, holding one row and a buffer of the
// source: a row longer than longest_row bytes (quotes and commas included) is an error, so a
// source without line ends cannot fill the memory.
class CsvRowReader {
public:
    CsvRowReader(CsvSource source, size_t longest_row);
    // The next row into *row and the line it starts on into *line: 1, or 0 at the end, or -1
    // after an error (error() says what; read_errno() is non-zero when the source failed).
    int next(CsvRow* row, int* line);
    const std::string& error() const { return error_; }
    int read_errno() const { return read_errno_; }

private:
    int peek();
    bool fill();
    bool take_line_end();
    bool count(size_t bytes);
    bool quoted_field(std::string& field);
    bool plain_field(std::string& field);

    CsvSource source_;
    size_t longest_;
    std::vector<char> buffer_;
    size_t pos_ = 0;
    size_t end_ = 0;
    bool ended_ = false;        // the source has no more bytes
    bool started_ = false;      // a byte order mark at the start was looked for
    int line_ = 1;
    int row_line_ = 1;
    size_t row_bytes_ = 0;
    std::string error_;
    int read_errno_ = 0;
};

// Reads CSV text: fields separated by ',', rows ended by LF or CRLF (a lone CR too); a field in
// double quotes may hold commas, line ends (kept as written) and doubled quotes standing for
// one. A leading UTF-8 byte order mark is skipped and empty lines are ignored. Returns an empty
// string on success, otherwise a message that names the line of the fault (a quote that is
// never closed, text after a closing quote) and leaves the table partly filled.
std::string read_csv(std::string_view text, CsvTable* table);

// Whether a field must be quoted to read back as itself: it holds a comma, a quote, a line end,
// starts or ends with a blank or tab, or starts with a UTF-8 byte order mark.
bool csv_needs_quotes(std::string_view field);

// Appends one field, quoted when it needs it (quotes inside doubled).
void append_csv_field(std::string& out, std::string_view field);

// Appends a row of fields separated by commas and ended by LF.
void append_csv_row(std::string& out, const std::vector<std::string>& fields);

}  // namespace qor::runtime
