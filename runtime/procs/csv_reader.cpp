// Reading CSV text into rows of fields: quoted fields with commas, doubled quotes and line ends,
// LF or CRLF rows, and a message with the line number for text that is not well formed.
#include "runtime/procs/csv.h"

namespace qor::runtime {

namespace {

// A cursor over the text that counts lines as it goes.
class CsvCursor {
public:
    explicit CsvCursor(std::string_view text) : text_(text) {}

    bool at_end() const { return pos_ >= text_.size(); }
    char peek() const { return text_[pos_]; }
    int line() const { return line_; }

    // Consumes a line end (LF, CRLF or CR) when one is next.
    bool take_line_end() {
        if (at_end()) return false;
        if (text_[pos_] == '\n') { ++pos_; ++line_; return true; }
        if (text_[pos_] == '\r') {
            ++pos_;
            if (pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
            ++line_;
            return true;
        }
        return false;
    }
    // Consumes the next character, or the whole line end (CRLF is one), and returns its text.
    std::string_view take() {
        size_t start = pos_;
        if (!take_line_end()) ++pos_;
        return text_.substr(start, pos_ - start);
    }
    void skip(size_t n) { pos_ += n; }
    std::string_view rest() const { return text_.substr(pos_); }

private:
    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
};

bool is_line_end(char c) { return c == '\n' || c == '\r'; }

// A quoted field, the opening quote already taken. Line ends inside are kept as written.
std::string quoted_field(CsvCursor& in, int start_line, std::string* error) {
    std::string field;
    for (;;) {
        if (in.at_end()) {
            *error = "The quoted field that starts on line " + std::to_string(start_line) +
                     " is not closed.";
            return field;
        }
        std::string_view c = in.take();
        if (c != "\"") { field += c; continue; }
        if (!in.at_end() && in.peek() == '"') { field += '"'; in.take(); continue; }
        break;
    }
    if (!in.at_end() && in.peek() != ',' && !is_line_end(in.peek()))
        *error = "Text follows the closing quote of a field on line " + std::to_string(in.line()) +
                 ": a quote inside a quoted field must be doubled.";
    return field;
}

// A plain field: everything up to the next comma or line end, quotes taken as they are.
std::string plain_field(CsvCursor& in) {
    std::string field;
    while (!in.at_end() && in.peek() != ',' && !is_line_end(in.peek())) field += in.take();
    return field;
}

}  // namespace

std::string read_csv(std::string_view text, CsvTable* table) {
    table->rows.clear();
    table->lines.clear();
    CsvCursor in(text);
    if (in.rest().substr(0, 3) == "\xEF\xBB\xBF") in.skip(3);
    std::string error;
    while (!in.at_end()) {
        if (in.take_line_end()) continue;   // an empty line holds no row
        CsvRow row;
        int row_line = in.line();
        for (;;) {
            if (!in.at_end() && in.peek() == '"') {
                in.take();
                row.push_back(quoted_field(in, in.line(), &error));
                if (!error.empty()) return error;
            } else {
                row.push_back(plain_field(in));
            }
            if (in.at_end() || in.take_line_end()) break;
            in.take();   // the comma; one at the end of a row leaves an empty last field
        }
        table->rows.push_back(std::move(row));
        table->lines.push_back(row_line);
    }
    return error;
}

}  // namespace qor::runtime
