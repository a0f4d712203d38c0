// Running a web report: the date-time stamp, the bookmark, and the generated DATA step that mails
// a link to the addressees, one line per submission. Names, addresses and the web host go into
// quoted literals with their quotes doubled; every line is built before any is submitted, so a
// line that does not fit its buffer fails the run with nothing handed over.
#include <cstring>
#include <string>
#include <vector>

#include "engine/model/reports/reports.h"
#include "engine/model/services/compiler.h"
#include "host/formats.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr size_t kLineLimit = 1024;   // characters of one generated line
constexpr int kStampWidth = 14;

// One generated line: literal pieces and quoted values, refused once past the limit.
class Line {
public:
    Line& text(const char* piece) { return add(piece, std::strlen(piece), false); }
    // A value inside a literal quoted with ': its own quotes are doubled.
    Line& quoted(const char* value, size_t length) { return add(value, length, true); }
    bool fits() const { return fits_; }
    const std::string& str() const { return text_; }

private:
    Line& add(const char* piece, size_t length, bool in_quotes) {
        for (size_t i = 0; i < length && piece != nullptr; ++i) {
            if (in_quotes && piece[i] == '\'') text_ += '\'';
            text_ += piece[i];
        }
        if (text_.size() > kLineLimit) fits_ = false;
        return *this;
    }
    std::string text_;
    bool fits_ = true;
};

size_t length_of(const RSKNAMEREC& name) { return name.text != nullptr ? name.length : 0; }

// The lines of the mail, in submission order; false when one does not fit (message given).
bool build_lines(const RSKWEBREP* report, const RSKWEBRUN* run, const char* stamp,
                 std::vector<std::string>& lines) {
    const RSKWEBKIND* kind = rskweb_kind(report->kind);
    std::vector<Line> built;
    built.emplace_back().text("data _NULL_; pkgId=0; rc=0;");
    built.emplace_back().text("call PACKAGE_BEGIN(pkgId,'Auto-generated Velmora Web Report','',rc);");
    built.emplace_back()
        .text("url = '")
        .quoted(report->web_host.text, length_of(report->web_host))
        .text("/servlets/PluginTemplate?CODE=")
        .quoted(kind->display, static_cast<size_t>(kind->display_length))
        .text("&ENV=")
        .quoted(run->environment.text, length_of(run->environment))
        .text("&OUTOBJ=")
        .quoted(run->output.text, length_of(run->output))
        .text("';");
    built.emplace_back()
        .text("call INSERT_REF(pkgId,'URL',url,'")
        .quoted(report->name.name.text, report->name.name.length)
        .text("','',rc);");
    built.emplace_back()
        .text("call PACKAGE_PUBLISH(pkgId,'TO_EMAIL',rc,'SUBJECT','")
        .quoted(report->name.name.text, report->name.name.length)
        .quoted(stamp, kStampWidth)
        .text("'");
    for (int i = 0; i < report->addressee_count; ++i)
        built.emplace_back().text(", '").quoted(report->addressees[i].text, length_of(report->addressees[i])).text("'");
    built.emplace_back().text(");");
    built.emplace_back().text("call PACKAGE_END(pkgId, rc);");
    built.emplace_back().text("run;quit;");
    for (const Line& line : built) {
        if (!line.fits()) {
            xpslog("%1zWeb report %*s: a generated line is longer than %i characters; nothing was submitted.",
                   static_cast<int>(report->name.name.length), report->name.name.text, static_cast<int>(kLineLimit));
            return false;
        }
        lines.push_back(line.str());
    }
    return true;
}

}  // namespace

int rskwebr(RSKCON* con, RSKWEBREP* report, const RSKWEBRUN* run) {
    if (con == nullptr || report == nullptr || run == nullptr || rskweb_kind(report->kind) == nullptr) return 1;
    char stamp[kStampWidth + 1];
    std::memset(stamp, ' ', kStampWidth);
    stamp[kStampWidth] = '\0';
    if (con->datetime_format.handle != 0) xpfs(wzdttme(), kStampWidth, static_cast<int>(con->datetime_format.handle), stamp);

    // A bookmark that cannot be stored is reported; the mail still goes, since the link it
    // carries does not depend on the bookmark, and the run answers 1 afterwards.
    int bookmark_rc = 0;
    if (report->bookmark && rskweb_bookmark(con, report, run, stamp, kStampWidth) != 0) bookmark_rc = 1;
    if (report->addressee_count <= 0) return bookmark_rc;

    std::vector<std::string> lines;
    if (!build_lines(report, run, stamp, lines)) return 1;
    int rc = 0;
    for (size_t i = 0; i < lines.size() && rc == 0; ++i) {
        const int last = i + 1 == lines.size() ? 1 : 0;
        rc = zsubmit(lines[i].data(), static_cast<int>(lines[i].size()), con->submission_context, last, 0, 0);
    }
    return rc != 0 ? rc : bookmark_rc;
}
