// Reading CSV rows from a byte source one row at a time: quoted fields with commas, doubled
// quotes and line ends, LF, CRLF or CR rows, a bound on the length of a row, and a message with
// the line number for text that is not well formed.
#include "runtime/procs/csv.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>

namespace qor::runtime {

namespace {

constexpr size_t kBufferBytes = 1 << 16;

// The row's next field slot, reusing the strings of the previous row.
std::string& field_slot(CsvRow* row, size_t n) {
    if (n == row->size()) row->emplace_back();
    std::string& f = (*row)[n];
    f.clear();
    return f;
}

}  // namespace

CsvRowReader::CsvRowReader(CsvSource source, size_t longest_row)
    : source_(std::move(source)), longest_(longest_row), buffer_(kBufferBytes) {}

// Moves what is left to the front of the buffer and reads more behind it; false when the source
// has nothing more (or failed).
bool CsvRowReader::fill() {
    if (ended_) return false;
    if (pos_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
        end_ -= pos_;
        pos_ = 0;
    }
    long n = source_(buffer_.data() + end_, buffer_.size() - end_);
    if (n <= 0) {
        ended_ = true;
        if (n < 0) {
            read_errno_ = errno != 0 ? errno : EIO;
            error_ = std::string("Reading failed: ") + std::strerror(read_errno_) + ".";
        }
        return false;
    }
    end_ += static_cast<size_t>(n);
    return true;
}

// The next byte without taking it, or -1 at the end of the source.
int CsvRowReader::peek() {
    if (pos_ == end_ && !fill()) return -1;
    return static_cast<unsigned char>(buffer_[pos_]);
}

// Consumes a line end (LF, CRLF or CR) when one is next.
bool CsvRowReader::take_line_end() {
    int c = peek();
    if (c != '\n' && c != '\r') return false;
    ++pos_;
    if (c == '\r' && peek() == '\n') ++pos_;
    ++line_;
    return true;
}

bool CsvRowReader::count(size_t bytes) {
    row_bytes_ += bytes;
    if (row_bytes_ <= longest_) return true;
    error_ = "The row that starts on line " + std::to_string(row_line_) + " is longer than " +
             std::to_string(longest_) + " bytes, the longest row that can be read.";
    return false;
}

// A quoted field, the opening quote already taken. Line ends inside are kept as written.
bool CsvRowReader::quoted_field(std::string& field) {
    const int start_line = line_;
    for (;;) {
        int c = peek();
        if (c < 0) {
            if (error_.empty())
                error_ = "The quoted field that starts on line " + std::to_string(start_line) +
                         " is not closed.";
            return false;
        }
        if (c == '"') {
            ++pos_;
            if (!count(1)) return false;
            if (peek() != '"') break;
            ++pos_;
            if (!count(1)) return false;
            field += '"';
            continue;
        }
        if (c == '\n' || c == '\r') {
            // Counted byte by byte: peek() may move the buffer.
            ++pos_;
            field += static_cast<char>(c);
            size_t bytes = 1;
            if (c == '\r' && peek() == '\n') {
                ++pos_;
                field += '\n';
                ++bytes;
            }
            ++line_;
            if (!count(bytes)) return false;
            continue;
        }
        // A run of ordinary bytes at once.
        const char* from = buffer_.data() + pos_;
        const char* stop = from;
        const char* last = buffer_.data() + end_;
        while (stop < last && *stop != '"' && *stop != '\n' && *stop != '\r') ++stop;
        if (!count(static_cast<size_t>(stop - from))) return false;
        field.append(from, stop);
        pos_ += static_cast<size_t>(stop - from);
    }
    int next = peek();
    if (next >= 0 && next != ',' && next != '\n' && next != '\r') {
        error_ = "Text follows the closing quote of a field on line " + std::to_string(line_) +
                 ": a quote inside a quoted field must be doubled.";
        return false;
    }
    return true;
}

// A plain field: everything up to the next comma or line end, quotes taken as they are.
bool CsvRowReader::plain_field(std::string& field) {
    while (peek() >= 0) {
        const char* from = buffer_.data() + pos_;
        const char* stop = from;
        const char* last = buffer_.data() + end_;
        while (stop < last && *stop != ',' && *stop != '\n' && *stop != '\r') ++stop;
        if (!count(static_cast<size_t>(stop - from))) return false;
        field.append(from, stop);
        pos_ += static_cast<size_t>(stop - from);
        if (stop < last) break;
    }
    return error_.empty();
}

int CsvRowReader::next(CsvRow* row, int* line) {
    if (!error_.empty()) return -1;
    if (!started_) {
        started_ = true;
        while (end_ - pos_ < 3 && fill()) {
        }
        if (end_ - pos_ >= 3 && std::memcmp(buffer_.data() + pos_, "\xEF\xBB\xBF", 3) == 0) pos_ += 3;
    }
    while (take_line_end()) {
    }   // empty lines hold no row
    if (peek() < 0) return error_.empty() ? 0 : -1;
    row_line_ = line_;
    row_bytes_ = 0;
    size_t n = 0;
    for (;;) {
        std::string& field = field_slot(row, n++);
        bool ok;
        if (peek() == '"') {
            ++pos_;
            ok = count(1) && quoted_field(field);
        } else {
            ok = plain_field(field);
        }
        if (!ok) return -1;
        if (peek() < 0 || take_line_end()) break;
        ++pos_;   // the comma; one at the end of a row leaves an empty last field
        if (!count(1)) return -1;
    }
    if (!error_.empty()) return -1;
    row->resize(n);
    *line = row_line_;
    return 1;
}

std::string read_csv(std::string_view text, CsvTable* table) {
    table->rows.clear();
    table->lines.clear();
    size_t offset = 0;
    CsvRowReader reader(
        [&](char* buffer, size_t size) {
            size_t n = std::min(size, text.size() - offset);
            if (n > 0) std::memcpy(buffer, text.data() + offset, n);
            offset += n;
            return static_cast<long>(n);
        },
        std::numeric_limits<size_t>::max());
    CsvRow row;
    int line = 0;
    int rc;
    while ((rc = reader.next(&row, &line)) == 1) {
        table->rows.push_back(row);
        table->lines.push_back(line);
    }
    return rc < 0 ? reader.error() : std::string();
}

}  // namespace qor::runtime
