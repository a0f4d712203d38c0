// Print destinations of the host: the log and the print (listing) file, the continued line of
// xps/xpsout/xpm, line sizes and wrapping, the literal-format printing services, and the
// diversion of the print file to the file of a file reference.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "host/files.h"
#include "host/print.h"
#include "runtime/formats/format_internal.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/file_references.h"

namespace {

// One destination: its stream (owned when we opened it), its line size, and what was lost on it.
struct destination {
    FILE* stream = nullptr;
    bool owned = false;
    int line_size = 132;
    std::string name;   // the file it writes to, for messages; empty for the default stream
    std::string lost;   // the first failed write, flush or close: where and why (kept for the run)
};

// Everything the print services share; every access holds `lock`.
struct print_state {
    std::recursive_mutex lock;
    destination log;
    destination print;
    destination diverted;                // xpfdest: the print file goes here while it is open
    int message_line_size = 132;
    int selection = QOR_DEST_PRINT;      // destinations of the line stream (xps, xpsout, xpm)
    qor_format_out pending;              // the continued line not yet ended
    bool msgids = false;
    char* line_buffer = nullptr;         // registered with xpoutl: receives each print line
    int line_buffer_size = 0;
};

print_state& state() {
    static print_state s;
    return s;
}

FILE* stream_of(destination& d, FILE* fallback) { return d.stream ? d.stream : fallback; }

// Records the first output lost on a destination; the run's end reports it.
void note_lost(destination& d, FILE* fallback, int error) {
    if (!d.lost.empty()) return;
    std::string where = !d.name.empty() ? "the file " + d.name
                        : fallback == stdout ? std::string("standard output") : std::string("standard error");
    d.lost = where + ": " + std::strerror(error != 0 ? error : EIO);
}

void flush(destination& d, FILE* fallback) {
    FILE* f = stream_of(d, fallback);
    errno = 0;
    if (std::fflush(f) != 0 || std::ferror(f)) note_lost(d, fallback, errno);
}

// Closes a stream we opened: a failed flush or close loses what was still buffered.
void close_owned(destination& d, FILE* fallback) {
    if (!d.owned || !d.stream) return;
    errno = 0;
    bool failed = std::fflush(d.stream) != 0 || std::ferror(d.stream);
    int error = errno;
    if (std::fclose(d.stream) != 0 && !failed) {
        failed = true;
        error = errno;
    }
    if (failed) note_lost(d, fallback, error);
    d.stream = nullptr;
    d.owned = false;
}

int redirect(destination& d, FILE* fallback, const char* path) {
    FILE* opened = nullptr;
    if (path) {
        opened = std::fopen(path, "w");
        if (!opened) return 1;
    }
    close_owned(d, fallback);
    if (!opened) flush(d, fallback);
    d.stream = opened;
    d.owned = opened != nullptr;
    d.name = path ? path : "";
    return 0;
}

// Column of continuation lines for the line [begin, end]: the last %m within it, else 0. The
// formatter records margins and breaks in increasing order of offset, so both are searched.
size_t margin_of(const qor_format_out& out, size_t begin, size_t end) {
    auto after = std::upper_bound(out.margins.begin(), out.margins.end(), end,
                                  [](size_t offset, const std::pair<size_t, size_t>& m) { return offset < m.first; });
    if (after == out.margins.begin() || (after - 1)->first < begin) return 0;
    return (after - 1)->second;
}

// The destination that print-file output reaches: the diverted file while one is open.
destination& print_destination() {
    print_state& s = state();
    return s.diverted.stream ? s.diverted : s.print;
}

void write_line(destination& d, FILE* fallback, const std::string& line) {
    FILE* f = stream_of(d, fallback);
    errno = 0;
    if (std::fwrite(line.data(), 1, line.size(), f) != line.size() || std::fputc('\n', f) == EOF)
        note_lost(d, fallback, errno);
    print_state& s = state();
    if (&d == &print_destination() && s.line_buffer && s.line_buffer_size > 0) {
        size_t n = line.size() < static_cast<size_t>(s.line_buffer_size - 1) ? line.size() : s.line_buffer_size - 1;
        std::memcpy(s.line_buffer, line.data(), n);
        s.line_buffer[n] = '\0';
    }
}

// One line of output being wrapped: `prefix` blanks (the margin of a continuation line) followed
// by out.text[pos, end). Wrapping moves `pos` forward and never copies the rest of the line, so a
// line of any length is written in time proportional to its length.
struct wrapped_line {
    const std::string& text;
    size_t prefix;
    size_t pos;
    size_t end;

    size_t size() const { return prefix + (end - pos); }
    char at(size_t i) const { return i < prefix ? ' ' : text[pos + i - prefix]; }
    // Offset in the text that column i of the line stands for (before the text for margin blanks).
    long long offset_of(size_t i) const { return static_cast<long long>(pos + i) - static_cast<long long>(prefix); }
    std::string head(size_t n) const {
        std::string s(n < prefix ? n : prefix, ' ');
        if (n > prefix) s.append(text, pos, n - prefix);
        return s;
    }
};

// Where to break a line that is too long: the last %w break or blank at or before `room` and
// after `low`; 0 when there is none (the line is then cut hard). `breaks` are the %w offsets of
// the text, in increasing order.
size_t break_point(const std::vector<size_t>& breaks, const wrapped_line& line, size_t room, size_t low) {
    size_t best = 0;
    long long highest = line.offset_of(room);
    auto after = std::upper_bound(breaks.begin(), breaks.end(), static_cast<size_t>(highest < 0 ? 0 : highest));
    if (highest >= 0 && after != breaks.begin()) {
        long long at = static_cast<long long>(*(after - 1)) - line.offset_of(0);
        if (at > static_cast<long long>(low) && at <= static_cast<long long>(room)) best = static_cast<size_t>(at);
    }
    for (size_t i = room; i > low; --i)
        if (i < line.size() && line.at(i) == ' ') { if (i > best) best = i; break; }
    return best;
}

// Writes one line (text[begin, end) of `out`) to a destination, wrapped at its line size:
// continuation lines start at the margin that %m set.
void emit(destination& d, FILE* fallback, const qor_format_out& out, size_t begin, size_t end) {
    size_t column0 = begin == 0 ? static_cast<size_t>(out.start_column) : 0;
    size_t limit = d.line_size > 0 ? static_cast<size_t>(d.line_size) : 0;
    size_t margin = margin_of(out, begin, end);
    wrapped_line line{out.text, 0, begin, end};
    bool first = true;
    while (limit > margin + 1 && line.size() + (first ? column0 : 0) > limit) {
        size_t room = first ? (limit > column0 + 1 ? limit - column0 : 1) : limit;
        size_t cut = break_point(out.breaks, line, room, first ? 0 : margin);
        if (cut == 0) cut = room;
        size_t length = line.size();
        size_t keep = cut < length ? cut : length;
        while (keep > 0 && line.at(keep - 1) == ' ') --keep;
        write_line(d, fallback, line.head(keep));
        size_t rest = cut < length ? cut : length;
        while (rest < length && line.at(rest) == ' ') ++rest;
        line.pos += rest - line.prefix;   // rest never lies inside the margin blanks
        line.prefix = margin;
        first = false;
        if (line.pos == line.end) return;   // only blanks were left after the cut
    }
    write_line(d, fallback, line.head(line.size()));
}

// Emits every complete line of `out` to the destinations in `mask`; returns the offset of the
// unfinished rest (after the last new line).
size_t emit_lines(const qor_format_out& out, int mask, bool all) {
    print_state& s = state();
    size_t begin = 0;
    for (;;) {
        size_t nl = out.text.find('\n', begin);
        if (nl == std::string::npos) break;
        if (mask & QOR_DEST_LOG) emit(s.log, stderr, out, begin, nl);
        if (mask & QOR_DEST_PRINT) emit(print_destination(), stdout, out, begin, nl);
        begin = nl + 1;
    }
    if (all) {
        if (mask & QOR_DEST_LOG) emit(s.log, stderr, out, begin, out.text.size());
        if (mask & QOR_DEST_PRINT) emit(print_destination(), stdout, out, begin, out.text.size());
        return out.text.size();
    }
    return begin;
}

// Keeps text[rest, end) of the pending line (the part after its last new line).
void keep_rest(qor_format_out* pending, size_t rest) {
    if (rest == 0) return;
    qor_format_out kept;
    kept.text = pending->text.substr(rest);
    kept.start_column = 0;
    for (const auto& m : pending->margins)
        if (m.first >= rest) kept.margins.emplace_back(m.first - rest, m.second);
    for (size_t b : pending->breaks)
        if (b >= rest) kept.breaks.push_back(b - rest);
    *pending = kept;
}

// Ends the pending continued line, if any, on the selected destinations.
void end_pending() {
    print_state& s = state();
    if (s.pending.text.empty() && s.pending.margins.empty()) return;
    emit_lines(s.pending, s.selection, true);
    s.pending = qor_format_out();
}

void append_pending(const qor_format_out& more) {
    print_state& s = state();
    size_t shift = s.pending.text.size();
    s.pending.text += more.text;
    for (const auto& m : more.margins) s.pending.margins.emplace_back(m.first + shift, m.second);
    for (size_t b : more.breaks) s.pending.breaks.push_back(b + shift);
}

}  // namespace

int qor_print_set_log_file(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    return redirect(state().log, stderr, path);
}

int qor_print_set_print_file(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    end_pending();
    return redirect(state().print, stdout, path);
}

std::string qor_print_take_lost_output() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    print_state& s = state();
    std::string report;
    for (destination* d : {&s.log, &s.print, &s.diverted}) {
        if (!d->lost.empty()) report += (report.empty() ? "" : "; ") + d->lost;
        d->lost.clear();
    }
    return report;
}

void qor_print_set_msgids(bool on) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    state().msgids = on;
}

bool qor_print_msgids() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    return state().msgids;
}

void qor_print_end_step() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    end_pending();
    state().line_buffer = nullptr;
    state().line_buffer_size = 0;
    flush(state().log, stderr);
    flush(state().print, stdout);
}

void qor_print_log_lines(const qor_format_out& out) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    emit_lines(out, QOR_DEST_LOG, true);
    flush(state().log, stderr);
}

void qor_print_print_lines(const qor_format_out& out) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    emit_lines(out, QOR_DEST_PRINT, true);
}

size_t qor_print_stream_column() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    // Between calls the pending line holds no new line (complete lines are written at once), so
    // its column needs no search of its text.
    const qor_format_out& pending = state().pending;
    return static_cast<size_t>(pending.start_column) + pending.text.size();
}

void qor_print_stream(const qor_format_out& out, bool end_line) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    print_state& s = state();
    size_t old_size = s.pending.text.size();
    append_pending(out);
    if (end_line) {
        end_pending();
        return;
    }
    // Only the new piece can end a line: a line built of many pieces is not searched again for
    // each one.
    if (s.pending.text.find('\n', old_size) == std::string::npos) return;
    keep_rest(&s.pending, emit_lines(s.pending, s.selection, false));
}

// Formats a literal format with its arguments into a fresh result.
static qor_format_out format_literal(const char* format, va_list list, size_t start_column = 0) {
    qor_format_out out;
    out.start_column = static_cast<int>(start_column);
    qor_format_args a;
    va_copy(a.list, list);
    qor_format_append(&out, format, &a);
    va_end(a.list);
    return out;
}

void xpslog(const char* format, ...) try {
    va_list list;
    va_start(list, format);
    qor_format_out out = format_literal(format, list);
    va_end(list);
    qor_print_log_lines(out);
}
QOR_SERVICE_CATCH()

void xps(const char* format, ...) try {
    va_list list;
    va_start(list, format);
    qor_format_out out = format_literal(format, list, qor_print_stream_column());
    va_end(list);
    qor_print_stream(out, false);
}
QOR_SERVICE_CATCH()

void xpsout(const char* format, ...) try {
    va_list list;
    va_start(list, format);
    qor_format_out out = format_literal(format, list, qor_print_stream_column());
    va_end(list);
    qor_print_stream(out, true);
}
QOR_SERVICE_CATCH()

void xpoflsh(int) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    end_pending();
    flush(state().log, stderr);
    flush(print_destination(), stdout);
}

int xpfdest(const char* fileref) try {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    print_state& s = state();
    end_pending();   // a half-built line belongs to the destination it was started on
    bool blank = true;   // an 8-byte field: blank or empty until its NUL
    for (int i = 0; fileref != nullptr && i < 8 && fileref[i] != '\0'; ++i)
        if (fileref[i] != ' ') blank = false;
    close_owned(s.diverted, stdout);
    if (blank) return 0;
    std::string path = qor::runtime::file_reference_path(fileref);
    if (path.empty()) return QOR_LIB_NOT_ASSIGNED;
    FILE* opened = std::fopen(path.c_str(), "a");
    if (!opened) return QOR_FILE_FAILED;
    s.diverted.stream = opened;
    s.diverted.owned = true;
    s.diverted.name = path;
    s.diverted.line_size = 0;   // a record per line: a file of records is never wrapped
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

void xpskip(int lines) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    end_pending();
    qor_format_out blank;
    for (int i = 0; i < lines && i < 1000; ++i) emit_lines(blank, state().selection, true);
}

int xpselec(int which, int mask) {
    if (which != 0) return -1;
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    print_state& s = state();
    int previous = s.selection;
    int wanted = mask == 0 ? QOR_DEST_PRINT : (mask & (QOR_DEST_LOG | QOR_DEST_PRINT));
    if (wanted != s.selection) end_pending();   // a half-built line stays with its destination
    s.selection = wanted;
    return previous;
}

int xpis(char* buffer, int width, long value) {
    if (!buffer || width <= 0) return -1;
    char digits[32];
    int n = std::snprintf(digits, sizeof digits, "%ld", value);
    if (n > width) {
        std::memset(buffer, '*', static_cast<size_t>(width));
        return -1;
    }
    std::memset(buffer, ' ', static_cast<size_t>(width - n));
    std::memcpy(buffer + (width - n), digits, static_cast<size_t>(n));
    return width;
}

// Line sizes: a positive argument sets the size (bounded to 32..1024) and the previous size is
// returned; 0 or a negative argument only asks.
static int line_size(int* size, int set) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    int previous = *size;
    if (set > 0) *size = set < 32 ? 32 : (set > 1024 ? 1024 : set);
    return previous;
}

int xplogl(int set) { return line_size(&state().log.line_size, set); }
int xpprnl(int set) { return line_size(&state().print.line_size, set); }
int xpmsgl(int set) { return line_size(&state().message_line_size, set); }

void* xpopen(void* task_handle) {
    (void)task_handle;   // one print file serves every task of the process
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    end_pending();
    state().line_buffer = nullptr;
    state().line_buffer_size = 0;
    return &state().print;
}

void xpoutl(char* line_buffer, int size) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    state().line_buffer = size > 0 ? line_buffer : nullptr;
    state().line_buffer_size = line_buffer ? size : 0;
    if (state().line_buffer) state().line_buffer[0] = '\0';
}
