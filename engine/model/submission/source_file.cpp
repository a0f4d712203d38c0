// Running a host-language source file found along the search path: an %INCLUDE of it is handed
// to the host, then run with NOTES and SOURCE off, and the outcome is passed back.
#include <cstring>

#include "common/files/names.h"
#include "engine/model/paths/search_path.h"
#include "engine/model/submission/code_submission.h"
#include "host/files.h"
#include "host/print.h"

int rsksfde(RSKCON* con, const char* file, int length) {
    if (file == nullptr) return 1;
    if (length < 0) length = static_cast<int>(strnlen(file, QOR_PATH_MAX));
    if (length == 0 || length >= QOR_PATH_MAX) return 1;
    char name[QOR_PATH_MAX];
    std::memcpy(name, file, static_cast<size_t>(length));
    name[length] = '\0';
    char path[QOR_PATH_MAX];
    if (rskpthy(con, name, path, 1) != 0) return 1;
    // The include's literal cannot escape a quote: a path that holds its quote takes the other.
    char quote = std::strchr(path, '"') == nullptr ? '"' : '\'';
    if (quote == '\'' && std::strchr(path, '\'') != nullptr) {
        xpmlog(598, 1457, -1, path, 6, "submit");
        return 1;
    }
    char line[QOR_PATH_MAX + 16];
    xpsstr(line, sizeof line, "%%inc %c%s%c;", quote, path, quote);
    if (con->generic) {
        const char* slash = std::strrchr(path, '/');
        xpslog("%3zStart submitting: %%inc \"<System-specific pathname>%*s\";", -1, slash != nullptr ? slash : path);
    } else {
        xpslog("%3zStart submitting: %*s", -1, line);
    }
    auto* context = static_cast<RSKSUBMITCTX*>(con->submission_context);
    int rc = zsubmitz(line, -1, context, 0, 0, nullptr);
    if (rc == 0) {
        char code[256];
        int code_length = 0;
        // Without its closing text the included code would be handed over and never run.
        if (xpmtext(598, 5900, code, sizeof code, &code_length) != 0) std::strcpy(code, "run;");
        const RSKOPTREQ quiet[] = {{"NOTES", 0, nullptr, RSKSUBOPT_BOOLEAN}, {"SOURCE", 0, nullptr, RSKSUBOPT_BOOLEAN}};
        rc = zsubmitz(code, -1, context, 1, 2, quiet);
    }
    xpslog("%3zEnd submitting.");
    return rc != 0 ? 1 : 0;
}
