// The audit log: choosing and checking the audit file at start-up, with its fall-back to
// "audit.log", and appending formatted numbered messages to it.
#include "engine/model/audit/audit_log.h"

#include <cstring>

#include "engine/model/paths/environment_expansion.h"
#include "engine/model/names/name_records.h"
#include "host/files.h"
#include "host/options.h"
#include "host/print.h"

namespace {

constexpr int kAuditTextLimit = 513;   // longest message text an audit line is formatted from
const char kFallback[] = "audit.log";

bool blank_reference(const char* fileref) {
    for (int i = 0; i < 8; ++i)
        if (fileref[i] != ' ' && fileref[i] != '\0') return false;
    return true;
}

// Assigns a host-chosen file reference to the path and checks that the file can be opened for
// appending (which makes it when missing). 0, or the message that tells why not.
int try_path(const RSKPATHNAME* path, char* fileref) {
    std::memset(fileref, ' ', 8);
    if (xxrasgn(fileref, path->name.text, path->name.length, "DISK") != 0) return 3921;
    int opened = xpfdest(fileref);
    xpfdest(nullptr);
    if (opened != 0) {
        xxrdasg(fileref);
        std::memset(fileref, ' ', 8);
        return 3922;
    }
    return 0;
}

}  // namespace

int get_audit_outfile(RSKCON* con) {
    std::memset(con->audit_fileref, ' ', sizeof con->audit_fileref);
    con->audit = 0;
    char value[kRskPathCapacity];
    int length = 0;
    int rc = wzosvar("AUDIT_FILE", value, sizeof value, &length);
    if (rc == QOR_ENV_ABSENT || rc == QOR_ENV_BAD_ARGUMENT) return 0;
    // A value that cannot be expanded or is too long leaves the path empty: "audit.log" is used.
    if (rc != 0 || expand_path(value, length, &con->audit_path) != 0) con->audit_path.name.length = 0;
    con->audit = 1;
    rskadti(con);
    return 0;
}

int rskadti(RSKCON* con) {
    RSKPATHNAME* path = &con->audit_path;
    if (!blank_reference(con->audit_fileref)) xxrdasg(con->audit_fileref);   // set up again
    std::memset(con->audit_fileref, ' ', sizeof con->audit_fileref);
    char fileref[8];
    int failed = 1;
    if (path->name.length > 0) {
        failed = try_path(path, fileref);
        if (failed != 0) xpmlog(598, failed, static_cast<int>(path->name.length), path->name.text);
    }
    if (failed != 0) {
        rskpnam(con, path, kFallback, static_cast<int>(sizeof kFallback) - 1);
        std::memset(fileref, ' ', 8);
        if (xxrasgn(fileref, path->name.text, path->name.length, "DISK") != 0) return 1;
    }
    xpmlog(598, 3923, static_cast<int>(path->name.length), path->name.text);
    std::memcpy(con->audit_fileref, fileref, sizeof con->audit_fileref);
    return 0;
}

int zxpmout(int table, int number, va_list args) {
    char text[kAuditTextLimit + 1];
    int length = 0;
    if (xpmtext(table, number, text, sizeof text, &length) != 0) return 1;
    char line[4096];
    va_list copy;
    va_copy(copy, args);
    qor_vformat(line, sizeof line, text, copy);
    va_end(copy);
    xpsout("%s", line);
    xpoflsh(0);
    return 0;
}

int rskadtp(RSKCON* con, int table, int number, ...) {
    if (con == nullptr || blank_reference(con->audit_fileref)) return 1;
    int selected = xpselec(0, QOR_DEST_PRINT);   // the audit line goes to the audit file only
    int rc = xpfdest(con->audit_fileref);
    if (rc == 0) {
        va_list args;
        va_start(args, number);
        rc = zxpmout(table, number, args);
        va_end(args);
    } else {
        rc = 1;
    }
    xpfdest(nullptr);
    xpselec(0, selected);
    return rc;
}
