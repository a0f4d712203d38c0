// The private library of the user: the directory named by PWPATH, assigned as "_QJ_" so that
// catalog storage finds the user's own environments there.
#include "engine/model/control/startup.h"
#include "engine/model/paths/search_path.h"
#include "host/files.h"
#include "host/options.h"
#include "host/print.h"

int get_pw_lib(RSKCON* con) {
    con->private_library = 0;
    char value[QOR_PATH_MAX];
    int length = 0;
    if (wzosvar("PWPATH", value, sizeof value, &length) != 0) return 0;
    RSKPATHNAME path;
    int rc = expand_path(value, length, &path);
    if (rc == 0) rc = path.name.length > 0 ? xhlasn2("_QJ_", path.buffer, path.name.length, nullptr) : 1;
    if (rc != 0) {
        xpmlog(598, 1292, length, value);
        return 0;
    }
    con->private_library = 1;
    return 0;
}
