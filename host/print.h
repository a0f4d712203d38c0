// Printing and messages: log and print destinations, the print-directive formatter,
// numbered messages by table and number, the internal-error printer and return-code texts.
#pragma once
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include "host/export.h"

// A name record as the formatter's %u reads it (and the head of the engine's name records).
struct qor_namerec {
    uint16_t capacity;
    uint16_t length;
    char* text;
};

// Destinations for xpselec: bit 1 the log, bit 2 the print (listing) file; mask 0 restores the
// default (the print file), so xpselec(0, -2) selects the print file alone and (0, -1) both.
enum : int { QOR_DEST_LOG = 1, QOR_DEST_PRINT = 2 };

// Format into a buffer of the given size (NUL-terminated, cut to fit); returns the length
// the full text would have. The directives are described in docs/runtime-printing.md.
QOR_HOST_API int qor_vformat(char* buffer, size_t size, const char* format, va_list args);

// Literal formats.
QOR_HOST_API void xpslog(const char* format, ...);          // one line to the log
QOR_HOST_API void xps(const char* format, ...);             // continue the current line
QOR_HOST_API void xpsout(const char* format, ...);          // continue and end the current line
QOR_HOST_API int xpsstr(char* buffer, int size, const char* format, ...);   // into a buffer, cut to
                                                            // size-1 and NUL-ended; returns count written
QOR_HOST_API void xpoflsh(int which = 0);                   // end the continued line and flush
QOR_HOST_API void xpskip(int lines);                        // blank lines on the xps destinations
QOR_HOST_API int xpselec(int which, int mask);              // select destinations of xps/xpsout/xpm;
                                                            // returns the previous mask, -1 if which != 0
QOR_HOST_API int xpis(char* buffer, int width, long value); // right-aligned decimal text of exactly
                                                            // width bytes (no NUL); -1 and '*'s if too long

// Numbered messages (table, number, then the message's arguments).
QOR_HOST_API void xpmlog(int table, int number, ...);       // to the log
QOR_HOST_API void xpmout(int table, int number, ...);       // to the print file
QOR_HOST_API void xpm(int table, int number, ...);          // continue the current line
QOR_HOST_API int xpmstr(char* buffer, int size, int table, int number, ...); // as xpsstr
// The unformatted text of a numbered message into a buffer of size bytes (cut to size-1 and
// NUL-ended); *length gets the text's full length. 0, or 1 when the tables do not hold it.
QOR_HOST_API int xpmtext(int table, int number, char* buffer, int size, int* length);
// Direct the print file to the file of a file reference, opened for appending (made when
// missing; its lines are never wrapped); a null or blank reference closes that file and returns to the print file.
// 0; QOR_LIB_NOT_ASSIGNED for an unknown reference; QOR_FILE_FAILED when it cannot be opened
// (the print file then stays selected).
QOR_HOST_API int xpfdest(const char* fileref);

// Internal-error printer: "routine: text" to the log.
QOR_HOST_API void xebug(const char* format, ...);
// The host's text for a return code, logged.
QOR_HOST_API void xprrlog(int severity, int code);

// Line sizes of the log, print file and message lines: a positive argument sets (32..1024)
// and returns the previous size, 0 asks.
QOR_HOST_API int xplogl(int set);
QOR_HOST_API int xpprnl(int set);
QOR_HOST_API int xpmsgl(int set);
// Open a task's print file; register an output line buffer.
QOR_HOST_API void* xpopen(void* task_handle);
QOR_HOST_API void xpoutl(char* line_buffer, int size);
