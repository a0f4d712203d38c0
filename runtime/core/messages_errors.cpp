// The internal-error printer (xebug) and the host's texts for return codes (xprrlog): both
// write to the log so that failures stand out from the ordinary notes.
#include <cstdio>

#include "host/print.h"
#include "runtime/core/print_internal.h"
#include "runtime/core/service_guard.h"

namespace {

struct code_text {
    unsigned code;
    const char* text;
};

// Return codes of the runtime's services and the ones the modules pass on. Codes are compared
// whole; the facility bits that some callers mask off are part of the code here.
const code_text kCodeTexts[] = {
    {86, "A null handle was passed to a host service."},
    {87, "A memory block was freed through a pool that did not allocate it."},
    {2049, "End of data."},
    {8601, "Out of memory."},
    {0x801, "End of member."},
    {0x80000803, "Out of memory."},
    {0x80001006, "The directory does not exist."},
    {0x80001007, "The file does not exist."},
    {0x80001008, "The path is not a directory."},
    {0x80001009, "The operating system refused the file operation."},
    {0x80001010, "The file name is empty."},
    {0x80001011, "The path name is too long."},
    {0x80001015, "The member type is not known."},
    {0x8000102E, "The directory already exists."},
    {0x8000200A, "The translation table number is not valid."},
    {0x80002011, "The buffer is too small for the value."},
    {0x80003806, "The library or file reference is not assigned."},
    {0x80003807, "The library reference is not a valid name."},
    {0x80003808, "The library engine is not known."},
    {0x80008001, "The object has no such method."},
    {0x8001D022, "The variable does not exist in the data set."},
    {0x8001F840, "A null list was passed to a list service."},
    {0x8001F841, "The position is outside the list."},
    {0x8001F842, "The list item holds another type."},
    {0x8001F843, "The list item name is too long."},
    {0x8001F844, "A list cannot contain itself."},
    {0x8001F845, "The number does not fit the integer type."},
    {0x8001F846, "The stored list is damaged or truncated."},
    {0x8001F847, "The stored list was written by a newer release."},
    {0x8001F848, "The list is nested too deeply."},
    {0x8001F82D, "The item was not found."},
    {0x8002D001, "The data set does not exist."},
    {0x8002D002, "The data set file is damaged."},
    {0x8002D003, "The data set file cannot be read or written."},
    {0x8002D004, "The operation does not fit the data set's open mode."},
    {0x8002D005, "The observation does not exist."},
    {0x8002D006, "The variable's name, type, length or width is not valid."},
    {0x8002D007, "Views cannot be run in this build."},
    {0x8002D009, "A required argument of a data set service is null."},
    {0x8002D00A, "Variables cannot be added to this data set now."},
    {0x8002D00B, "The data set is not sorted by the BY variables."},
    {0x8002D00C, "The member already exists."},
    {0x8002D00D, "No observation is current."},
    {0x8002D00E, "The library reference, member, member type or open mode is not valid."},
    {0x8002D00F, "The view could not be run; the messages before this one say why."},
    {0x8003C804, "The class metadata cannot be loaded."},
    {0x8003C841, "The service is not available."},
    {0x8012B802, "The service was initialized already."},
    {0x803FC004, "The operation is not supported."},
    {0x80403806, "The entry or member does not exist."},
    {0x80403807, "A null handle was passed to a catalog service."},
    {0x80403808, "The library is not assigned."},
    {0x80403809, "The entry name, member type or open mode is not valid."},
    {0x8040380A, "The file is not a catalog."},
    {0x8040380B, "The catalog file is damaged or truncated."},
    {0x8040380C, "The catalog is locked by another process."},
    {0x8040380D, "The catalog or member file cannot be read or written."},
    {0x8040380E, "The catalog or entry was opened for input."},
    {0x8040380F, "The position is beyond the end of the entry."},
    {0x80403810, "The target entry exists."},
    {0x803FC009, "There is no waiter for the event."},
};

const char* text_of(unsigned code) {
    for (const code_text& entry : kCodeTexts)
        if (entry.code == code) return entry.text;
    return nullptr;
}

// Severity 0 and 1 are errors, 2 a warning, 3 a note; others print without a prefix.
const char* prefix_of(int severity) {
    switch (severity) {
    case 0: case 1: return "ERROR: ";
    case 2: return "WARNING: ";
    case 3: return "NOTE: ";
    default: return "";
    }
}

}  // namespace

void xebug(const char* format, ...) try {
    qor_format_out out;
    out.text = "ERROR: Internal: ";
    // Continuation lines of a long internal error line up under the routine's name.
    out.margins.emplace_back(0, out.text.size());
    qor_format_args a;
    va_start(a.list, format);
    qor_format_append(&out, format, &a);
    va_end(a.list);
    qor_print_log_lines(out);
}
QOR_SERVICE_CATCH()

void xprrlog(int severity, int code) try {
    if (code == 0) return;   // success has no text: nothing went wrong
    unsigned as_unsigned = static_cast<unsigned>(code);
    const char* text = text_of(as_unsigned);
    char line[160];
    if (text) std::snprintf(line, sizeof line, "%s%s", prefix_of(severity), text);
    else std::snprintf(line, sizeof line, "%sThe host service failed with return code 0x%08X (%d).",
                       prefix_of(severity), as_unsigned, code);
    qor_format_out out;
    out.text = line;
    qor_print_log_lines(out);
}
QOR_SERVICE_CATCH()
