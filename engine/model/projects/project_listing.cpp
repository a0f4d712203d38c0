// Listing of a project: what it names, its numeraire and flags, its outputs, and its cash-flow
// settings.
#include "engine/model/projects/projects.h"
#include "host/formats.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

int length_of(const RSKOBJNAME& name) { return name.name.text != nullptr ? name.name.length : 0; }
const char* yes_no(int flag) { return flag != 0 ? "Yes" : "No"; }

void print_list(int heading, const RSKNAMELIST& list) {
    if (list.head == nullptr) return;
    xpmout(598, heading);
    int n = 0;
    for (const RSKNAMECELL* cell = list.head; cell != nullptr; cell = cell->next)
        xpmout(598, 2140, ++n, length_of(cell->name), cell->name.buffer);
}

// An output path on this machine prints as such only when the listing is not generic.
void print_path(const RSKCON* con, const RSKPATHNAME& path) {
    const int length = path.name.text != nullptr ? path.name.length : 0;
    if (length > 0 && con->generic && path.buffer[0] == '/')
        xpmout(598, 2132, -1, "<System-specific pathname>");
    else
        xpmout(598, 2132, length, path.buffer);
}

// The default date in the DATE format; "none" when it was never given (0) or is missing.
void date_text(const RSKCON* con, double value, char (&text)[32]) {
    int width = static_cast<int>(con->date_format.width);
    if (width < 1 || width > 30) width = 9;
    if (value == 0 || qor::is_missing(value) || con->date_format.handle == 0 ||
        xpfs(value, width, static_cast<int>(con->date_format.handle), text) != 0)
        width = xpsstr(text, sizeof text, value == 0 || qor::is_missing(value) ? "none" : "%g", value);
    text[width] = '\0';
}

}  // namespace

int rskprjp(RSKCON* con, RSKPROJECT* project) {
    if (con == nullptr || project == nullptr) return 0;
    const RSKPROJECT& p = *project;
    xpmout(598, 2141, length_of(p.name), p.name.buffer);
    if (length_of(p.instrument_data) > 0) xpmout(598, 2138, length_of(p.instrument_data), p.instrument_data.buffer);
    print_list(2133, p.filters);
    print_list(2144, p.pricing_sets);
    if (p.numeraire[0] != 0 && p.numeraire[0] != ' ') xpmout(598, 2131, 3, p.numeraire);
    else xpmout(598, 2131, 4, "none");
    xpmout(598, 2134, yes_no(p.netset));
    print_list(2145, p.analyses);
    print_list(2150, p.models);
    print_list(2146, p.reports);
    print_list(2139, p.input_data);
    xpmout(598, 2147, length_of(p.statistics), p.statistics.buffer);
    xpmout(598, 2148, length_of(p.output), p.output.buffer);
    print_path(con, p.output_path);
    int library_length = 0;   // the blank-padded field without its trailing blanks
    for (int i = 0; i < 8 && p.output_library[i] != '\0'; ++i)
        if (p.output_library[i] != ' ') library_length = i + 1;
    xpmout(598, 2590, library_length, p.output_library);
    xpmout(598, 2591, length_of(p.cross_class), p.cross_class.buffer);
    xpmout(598, 2592, yes_no(p.altype));
    xpmout(598, 2593, yes_no(p.cf_bucket_by));
    char date[32];
    date_text(con, p.default_date, date);
    xpmout(598, 2594, date);
    xpmout(598, 2595, length_of(p.cf_bucket), p.cf_bucket.buffer, p.cf_bucket_relative ? "Relative" : "Absolute");
    xpmout(598, 2596, p.cf_max_size);
    static const char* const kDistributions[] = {"Prorate", "Backward", "Forward", "Ratio"};
    const double d = p.cf_distribution;
    const int method = d >= 0 && d <= 3 ? static_cast<int>(d) : 0;
    xpmout(598, 2598, kDistributions[method]);
    xpmout(598, 2149);
    xpoflsh(0);
    return 0;
}
