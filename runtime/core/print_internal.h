// Runtime-internal side of printing: the formatter's rich result (text, margin, break points),
// destination redirection for the qor command and tests, and the message-table look-up.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include "host/export.h"

// Arguments travel as a pointer to this record so that several routines can read one va_list in turn.
struct qor_format_args {
    va_list list;
};

// What the formatter produces: the text (new lines as '\n'), the columns at which continuation
// lines of a wrapped line start (%m), and the offsets at which a line may be broken (%w); margins
// and breaks are kept in increasing order of offset.
struct qor_format_out {
    std::string text;
    std::vector<size_t> breaks;
    std::vector<std::pair<size_t, size_t>> margins;  // (offset where %m stood, its column)
    int start_column = 0;   // column of text[0] on its line (tab stops count from the line start)
};

// Formats `format` with the arguments, appending to out->text. Returns 0, or 1 when an unknown
// directive was met (it is copied into the text as written and reads no argument).
QOR_HOST_API int qor_format_append(qor_format_out* out, const char* format, qor_format_args* args);

// Redirect the destinations: a path opens (truncates) a file, nullptr returns to the default
// stream (log: stderr, print: stdout). Returns 0, or 1 when the file cannot be opened.
QOR_HOST_API int qor_print_set_log_file(const char* path);
QOR_HOST_API int qor_print_set_print_file(const char* path);
// Output lost since the start of the run: every write, flush and close of the log, the print
// file and a diverted print file is checked. Empty when nothing was lost, else the destinations
// that lost output with the reason ("the file out.log: No space left on device"). The record is
// cleared by the call.
QOR_HOST_API std::string qor_print_take_lost_output();
// Message-id test mode: every numbered message is prefixed by "table/number ".
QOR_HOST_API void qor_print_set_msgids(bool on);
QOR_HOST_API bool qor_print_msgids();
// End of a step: forget the registered output line buffer, end any continued line, flush.
QOR_HOST_API void qor_print_end_step();

// Writes formatted lines to the log (always) under the destination lock: used by the message
// and error printers. The text may hold several lines; each is wrapped at the log's line size.
void qor_print_log_lines(const qor_format_out& out);
// Writes formatted lines to the selected destinations of the line stream (xps/xpsout/xpm).
// `end_line` ends the continued line after the text.
void qor_print_stream(const qor_format_out& out, bool end_line);
// Column at which the next piece of the continued line starts (0 when none is pending), so that
// tab stops in a piece count from the start of the whole line.
size_t qor_print_stream_column();
// Writes formatted lines to the print file.
void qor_print_print_lines(const qor_format_out& out);

// The text of a numbered message, or nullptr when the tables do not hold it. Tables are loaded
// once, lazily, from $QOR_MESSAGES or the build's message directory.
QOR_HOST_API const char* qor_message_text(int table, int number);
// Directory the tables are read from; forgetting the loaded tables lets tests point
// QOR_MESSAGES elsewhere.
QOR_HOST_API std::string qor_message_directory();
QOR_HOST_API void qor_message_tables_reset();
// Formats message table/number into `out`: the msgids prefix, then the text, or the
// not-in-tables text when the entry is missing. Returns 0, or 1 when the entry is missing.
QOR_HOST_API int qor_message_format(qor_format_out* out, int table, int number, qor_format_args* args);
