// Code submission: a module hands program text to the host, which runs it with the program
// runner (global statements, %LET, %INCLUDE, procedure steps) and reports the outcome.
#pragma once
#include <cstdint>
#include "host/export.h"

// A named submission context: its buffered text, the prepared program and the last status.
struct qor_submit_context;

// Result codes of the submission services.
enum : int {
    QOR_SUBMIT_OK = 0,
    QOR_SUBMIT_ALREADY = static_cast<int>(0x8012B802u),      // the layer was initialised already
    QOR_SUBMIT_NOT_READY = static_cast<int>(0x8012B803u),    // the layer is not initialised
    QOR_SUBMIT_BAD_CONTEXT = static_cast<int>(0x8012B804u),  // null or unknown context
    QOR_SUBMIT_NOTHING = static_cast<int>(0x8012B805u),      // nothing buffered or prepared
    QOR_SUBMIT_INCLUDE = static_cast<int>(0x8012B806u),      // (no longer returned: a failed
                                                             // %INCLUDE fails the run's status)
    QOR_SUBMIT_BAD_ARGUMENT = static_cast<int>(0x8012B807u), // null text, bad name or size
    QOR_SUBMIT_TOO_LARGE = static_cast<int>(0x8012B808u),    // the buffered text passed its limit
    QOR_SUBMIT_NO_MEMORY = static_cast<int>(0x8012B809u),    // memory exhausted
};

// Create a submission context named `name` (1 to 32 characters; a negative length means
// NUL-terminated) for a task. buffer_size is the size the text buffer starts with; it grows as
// text arrives, up to 64 MiB buffered at once. 0 and the handle; QOR_SUBMIT_BAD_ARGUMENT.
QOR_HOST_API int xytrcrt(int kind, uint32_t task, const char* name, int name_length, int buffer_size,
                         qor_submit_context** handle);
// Delete a context and whatever it still buffers: 0; QOR_SUBMIT_BAD_CONTEXT.
QOR_HOST_API int xytrdel(qor_submit_context* handle);

// Initialise the process's submission layer for a context: 0 when this call initialised it,
// QOR_SUBMIT_ALREADY when it already was (the caller must then not end it).
QOR_HOST_API int xalinit(qor_submit_context* handle, int reserved1, int reserved2, int reserved3);
// Append text (a negative length means NUL-terminated) to the context's buffer; a line feed is
// kept between pieces. 0; QOR_SUBMIT_NOT_READY, QOR_SUBMIT_BAD_CONTEXT, QOR_SUBMIT_BAD_ARGUMENT,
// QOR_SUBMIT_TOO_LARGE.
QOR_HOST_API int xalbufs(qor_submit_context* handle, const char* text, int length);
// Move the buffered text behind the prepared program (joined by a line feed); nothing is read
// yet, so a statement or quoted text may go on in the next piece. 0; QOR_SUBMIT_NOTHING.
QOR_HOST_API int xalstup(qor_submit_context* handle);
// Run the prepared program on the calling thread and forget it (%INCLUDE files are read now):
// 0 when it ran (whatever its steps did);
// QOR_SUBMIT_NOTHING when nothing was prepared.
QOR_HOST_API int xalproc(qor_submit_context* handle, int flags);
// Status of the last run: 0 when every statement and step succeeded, else the negative of the
// largest end code. 0 on success of the call itself.
QOR_HOST_API int xalstat(qor_submit_context* handle, int* status);
// End the submission layer: 0; QOR_SUBMIT_NOT_READY when it was not initialised. The layer
// stays up while other contexts that joined it are still alive.
QOR_HOST_API int xalterm(qor_submit_context* handle);
// Whether the submission layer is initialised (for tests and diagnostics).
QOR_HOST_API int qor_submit_layer_active();
