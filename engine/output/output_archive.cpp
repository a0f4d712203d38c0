// The archive of a project run: every result data set the run closes is appended, through
// generated code, to the member of the same name in the archive directory, each row tagged with
// the session, run time, job, project and run (layout in docs/results.md).
#include <cstdarg>
#include <cstring>

#include "common/files/names.h"
#include "engine/model/names/name_records.h"
#include "engine/model/submission/code_submission.h"
#include "engine/output/output_object.h"
#include "engine/output/output_paths.h"
#include "engine/run/run_block.h"
#include "host/files.h"
#include "host/macro.h"
#include "host/print.h"

namespace {

constexpr int kLineBytes = 4096;

bool debugging(const RSKCON* con) { return (con->debug_categories & RSKDEBUG_ON) != 0; }

// Submits one line of message 598/number. A line with `run` set ends a submission: the queued
// lines run with NOTES and SOURCE on only while debugging, and the options are restored after.
int submit_line(RSKCON* con, int number, int run, ...) {
    char text[kLineBytes];
    va_list args;
    va_start(args, run);
    char format[kLineBytes];
    if (xpmtext(598, number, format, static_cast<int>(sizeof format), nullptr) != 0) {
        va_end(args);
        return 1;
    }
    qor_vformat(text, sizeof text, format, args);
    va_end(args);
    if (debugging(con)) xpslog("%+1tSubmitting: %m%s%n", text);
    const long on = debugging(con) ? 1 : 0;
    const RSKOPTREQ options[2] = {{"NOTES", on, nullptr, RSKSUBOPT_BOOLEAN}, {"SOURCE", on, nullptr, RSKSUBOPT_BOOLEAN}};
    auto* context = static_cast<RSKSUBMITCTX*>(con->submission_context);
    if (context == nullptr) return 1;
    return zsubmitz(text, -1, context, run ? 1 : 0, run ? 2 : 0, run ? options : nullptr);
}

// Makes the directory and the missing directories above it. 0 when it exists afterwards.
int make_path(const char* path, int length) {
    if (zisdir(path, length) == 0) return 0;
    for (int end = 1; end <= length; ++end) {
        if (end < length && path[end] != '/') continue;
        if (zisdir(path, end) != 0 && zmkdir(path, end) != 0) return 1;
    }
    return zisdir(path, length);
}

int trimmed(const char* field, int length) {
    while (length > 0 && (field[length - 1] == ' ' || field[length - 1] == '\0')) --length;
    return length;
}

}  // namespace

int rskarco(RSKCON* con, const char* path, int path_length, double run_time) {
    if (con == nullptr || con->run_block == nullptr) return 1;
    auto& archive = con->run_block->archive;
    archive = {};
    char full[QOR_PATH_MAX];
    int full_length = 0;
    if (zfulpth(path, path_length, full, &full_length) != 0) {
        const OutPath shown = rskout_shown(con, path, path_length);
        xpmlog(598, 1421, shown.length, shown.text);
        return 1;
    }
    if (make_path(full, full_length) != 0) {
        const OutPath shown = rskout_shown(con, full, full_length);
        xpmlog(598, 1422, shown.length, shown.text);
        return 1;
    }
    int new_assignment = 0;
    if (zlibnm2(full, full_length, archive.libref, nullptr, nullptr, &new_assignment, "V9") != 0) {
        const OutPath shown = rskout_shown(con, full, full_length);
        xpmlog(598, 1423, shown.length, shown.text);
        return 1;
    }
    archive.run_time = run_time;
    char job[64] = {};
    int job_length = xjsymget(xalanch(), "SYSJOBID", 8, job, static_cast<int>(sizeof job));
    if (job_length < 0) job_length = 0;
    if (job_length > static_cast<int>(sizeof job) - 1) job_length = static_cast<int>(sizeof job) - 1;
    rskname(con, &archive.member, job, job_length);
    archive.open = 1;
    return 0;
}

int rskarca(RSKCON* con, const RSKOUTOBJ* object, const char* member, int member_length) {
    if (con == nullptr || con->run_block == nullptr || object == nullptr) return 1;
    auto& archive = con->run_block->archive;
    if (!archive.open) return 0;
    if (debugging(con)) {
        xpslog("Debug note: Appending %*s to Archive.%n", member_length, member);
        xpslog("%n%3zAppending %*s to Archive:%n", member_length, member);
    }
    const RSKNAMEREC member_name{0, static_cast<uint16_t>(member_length), const_cast<char*>(member)};
    const RSKNAMEREC session = RSKNAMEREC{0, static_cast<uint16_t>(con->user_name_length), con->user_name};
    const RSKNAMEREC& project = object->project_name.name;
    const RSKNAMEREC& run = object->run_name.name;
    const int archive_libref = trimmed(archive.libref, 8);
    int rc = submit_line(con, 5900, 1);
    if (zdfxst(archive.libref, member, member_length, "DATA") == 0)
        rc |= submit_line(con, 5910, 0, archive_libref, archive.libref, &member_name);
    rc |= submit_line(con, 5911, 0);
    rc |= submit_line(con, 5912, 0);
    rc |= submit_line(con, 5913, 0, session.length, session.text, archive.run_time,
                      archive.member.name.length, archive.member.name.text, project.length, project.text,
                      run.length, run.text);
    rc |= submit_line(con, 5914, 0, trimmed(object->libref, 8), object->libref, &member_name);
    rc |= submit_line(con, 5915, 1, archive_libref, archive.libref, &member_name, archive_libref,
                      archive.libref, &member_name);
    return rc;
}

int rskarcc(RSKCON* con) {
    if (con == nullptr || con->run_block == nullptr) return 0;
    auto& archive = con->run_block->archive;
    if (!archive.open) return 0;
    submit_line(con, 5900, 1);
    archive.open = 0;
    return 0;
}
