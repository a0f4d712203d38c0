// Print destinations of the host: the log and the print (listing) file, the continued line of
// xps/xpsout/xpm, line sizes and wrapping, the literal-format printing services, and the
// diversion of the print file to the file of a file reference.
#include <cstdio>
#include <cstring>
#include <mutex>

#include "host/files.h"
#include "host/print.h"
#include "runtime/formats/format_internal.h"
#include "runtime/storage/file_references.h"

namespace {

// One destination: its stream (owned when we opened it) and its line size.
struct destination {
    FILE* stream = nullptr;
    bool owned = false;
    int line_size = 132;
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

int redirect(destination& d, const char* path) {
    FILE* opened = nullptr;
    if (path) {
        opened = std::fopen(path, "w");
        if (!opened) return 1;
    }
    if (d.owned && d.stream) std::fclose(d.stream);
    d.stream = opened;
    d.owned = opened != nullptr;
    return 0;
}

// Column of continuation lines for the line [begin, end): the last %m within it, else 0.
size_t margin_of(const qor_format_out& out, size_t begin, size_t end) {
    size_t margin = 0;
    for (const auto& m : out.margins)
        if (m.first >= begin && m.first <= end) margin = m.second;
    return margin;
}

// Where to break a line that is too long: the last %w break or blank at or before `room` and
// after `low`; 0 when there is none (the line is then cut hard). `base` is the offset in
// out.text of line[0] (it may lie before the text when margin blanks were put in front).
size_t break_point(const qor_format_out& out, const std::string& line, long long base, size_t room, size_t low) {
    size_t best = 0;
    for (size_t b : out.breaks) {
        long long at = static_cast<long long>(b) - base;
        if (at > static_cast<long long>(low) && at <= static_cast<long long>(room) && static_cast<size_t>(at) > best)
            best = static_cast<size_t>(at);
    }
    for (size_t i = room; i > low; --i)
        if (i < line.size() && line[i] == ' ') { if (i > best) best = i; break; }
    return best;
}

// The destination that print-file output reaches: the diverted file while one is open.
destination& print_destination() {
    print_state& s = state();
    return s.diverted.stream ? s.diverted : s.print;
}

void write_line(destination& d, FILE* fallback, const std::string& line) {
    FILE* f = stream_of(d, fallback);
    std::fwrite(line.data(), 1, line.size(), f);
    std::fputc('\n', f);
    print_state& s = state();
    if (&d == &print_destination() && s.line_buffer && s.line_buffer_size > 0) {
        size_t n = line.size() < static_cast<size_t>(s.line_buffer_size - 1) ? line.size() : s.line_buffer_size - 1;
        std::memcpy(s.line_buffer, line.data(), n);
        s.line_buffer[n] = '\0';
    }
}

// Writes one line (text[begin, end) of `out`) to a destination, wrapped at its line size:
// continuation lines start at the margin that %m set.
void emit(destination& d, FILE* fallback, const qor_format_out& out, size_t begin, size_t end) {
    std::string line = out.text.substr(begin, end - begin);
    size_t column0 = begin == 0 ? static_cast<size_t>(out.start_column) : 0;
    size_t limit = d.line_size > 0 ? static_cast<size_t>(d.line_size) : 0;
    size_t margin = margin_of(out, begin, end);
    long long base = static_cast<long long>(begin);
    bool first = true;
    while (limit > margin + 1 && line.size() + (first ? column0 : 0) > limit) {
        size_t room = first ? (limit > column0 + 1 ? limit - column0 : 1) : limit;
        size_t cut = break_point(out, line, base, room, first ? 0 : margin);
        if (cut == 0) cut = room;
        size_t keep = line.find_last_not_of(' ', cut - 1);
        write_line(d, fallback, line.substr(0, keep == std::string::npos ? 0 : keep + 1));
        size_t rest = line.find_first_not_of(' ', cut);
        if (rest == std::string::npos) rest = line.size();
        base += static_cast<long long>(rest) - static_cast<long long>(margin);
        line = std::string(margin, ' ') + line.substr(rest);
        first = false;
        if (line.size() == margin) return;   // only blanks were left after the cut
    }
    write_line(d, fallback, line);
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
    if (state().log.stream) std::fflush(state().log.stream);
    return redirect(state().log, path);
}

int qor_print_set_print_file(const char* path) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    end_pending();
    if (state().print.stream) std::fflush(state().print.stream);
    return redirect(state().print, path);
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
    std::fflush(stream_of(state().log, stderr));
    std::fflush(stream_of(state().print, stdout));
}

void qor_print_log_lines(const qor_format_out& out) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    emit_lines(out, QOR_DEST_LOG, true);
    std::fflush(stream_of(state().log, stderr));
}

void qor_print_print_lines(const qor_format_out& out) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    emit_lines(out, QOR_DEST_PRINT, true);
}

size_t qor_print_stream_column() {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    return qor_format_column(&state().pending);
}

void qor_print_stream(const qor_format_out& out, bool end_line) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    print_state& s = state();
    append_pending(out);
    if (end_line) {
        end_pending();
        return;
    }
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

void xpslog(const char* format, ...) {
    va_list list;
    va_start(list, format);
    qor_format_out out = format_literal(format, list);
    va_end(list);
    qor_print_log_lines(out);
}

void xps(const char* format, ...) {
    va_list list;
    va_start(list, format);
    qor_format_out out = format_literal(format, list, qor_print_stream_column());
    va_end(list);
    qor_print_stream(out, false);
}

void xpsout(const char* format, ...) {
    va_list list;
    va_start(list, format);
    qor_format_out out = format_literal(format, list, qor_print_stream_column());
    va_end(list);
    qor_print_stream(out, true);
}

void xpoflsh(int) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    end_pending();
    std::fflush(stream_of(state().log, stderr));
    std::fflush(stream_of(print_destination(), stdout));
}

int xpfdest(const char* fileref) {
    std::lock_guard<std::recursive_mutex> guard(state().lock);
    print_state& s = state();
    end_pending();   // a half-built line belongs to the destination it was started on
    bool blank = true;   // an 8-byte field: blank or empty until its NUL
    for (int i = 0; fileref != nullptr && i < 8 && fileref[i] != '\0'; ++i)
        if (fileref[i] != ' ') blank = false;
    if (s.diverted.stream) {
        std::fclose(s.diverted.stream);
        s.diverted.stream = nullptr;
        s.diverted.owned = false;
    }
    if (blank) return 0;
    std::string path = qor::runtime::file_reference_path(fileref);
    if (path.empty()) return QOR_LIB_NOT_ASSIGNED;
    FILE* opened = std::fopen(path.c_str(), "a");
    if (!opened) return QOR_FILE_FAILED;
    s.diverted.stream = opened;
    s.diverted.owned = true;
    s.diverted.line_size = 0;   // a record per line: a file of records is never wrapped
    return 0;
}

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
