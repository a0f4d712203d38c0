// Environment-level lists: the list workspace, reading and writing list entries of an
// environment's catalog, the INHERIT entry (parents, output path, security items, description)
// and the sample mark.
#include <cstring>

#include "catalog/access_rights.h"
#include "catalog/catalog_objects.h"
#include "catalog/environment.h"
#include "common/files/names.h"
#include "host/files.h"
#include "host/kernel.h"
#include "host/print.h"
#include "host/save_support.h"

namespace {

// Closes a catalog when the holder goes.
struct OpenCatalog {
    qor_catalog* catalog = nullptr;
    ~OpenCatalog() {
        if (catalog != nullptr) xlclose(catalog, 0);
    }
};

// A library assigned for one call, deassigned when the holder goes.
struct TemporaryLibrary {
    char libref[9] = "        ";
    int fresh = 0;
    ~TemporaryLibrary() {
        if (fresh) xhldas2(libref);
    }
};

}  // namespace

void ensure_list_workspace(RSKCON* con) {
    rss_list_workspace(con);   // made once per control structure (the step ends when it cannot be)
}

qor_list* new_list(RSKCON* con) {
    ensure_list_workspace(con);
    qor_list* list = nullptr;
    if (slnewl(&list, con->general_pool, 84) == 0 || list == nullptr) {
        xpmlog(598, 113, 15, "the environment");
        return nullptr;
    }
    return list;
}

int read_entry_list(const RSKENV* environment, std::string_view name, std::string_view type, qor_list* list,
                    std::string* description) {
    OpenCatalog open;
    int rc = xlopen(libref_of(environment), name_of(environment), QOR_CO_INPUT, &open.catalog);
    if (rc != 0) return rc;
    qor_entry* entry = nullptr;
    rc = xlmopen(open.catalog, name, type, QOR_CO_INPUT, &entry);
    if (rc != 0) return rc;
    if (description != nullptr) {
        qor_member_info info;
        if (xlminfo(entry, &info) == 0) *description = info.description;
    }
    rc = afrdlst(entry, list);
    xlmclos(entry, 0);
    return rc;
}

int write_entry_list(qor_catalog* catalog, std::string_view name, std::string_view type, const qor_list* list,
                     std::string_view description) {
    qor_entry* entry = nullptr;
    int rc = xlmopen(catalog, name, type, QOR_CO_OUTPUT, &entry, description);
    if (rc != 0) return rc;
    rc = afwrlst(entry, list);
    if (rc != 0) {
        xlmclos(entry, QOR_CC_DISCARD);
        return rc;
    }
    return xlmclos(entry, 0);
}

int rsseops(RSKCON* con, RSKENV* environment, const char* list_name, qor_list* list) {
    ensure_list_workspace(con);
    if (rssseck(con, environment) != 0) return 1;
    OpenCatalog open;
    int rc = xlopen(libref_of(environment), name_of(environment), QOR_CO_UPDATE, &open.catalog);
    if (rc == 0) rc = write_entry_list(open.catalog, list_name, kEnvListType, list, {});
    if (rc != 0) {
        xpmlog(598, 3060, static_cast<int>(std::strlen(list_name)), list_name,
               static_cast<int>(name_of(environment).size()), name_of(environment).data());
        return 1;
    }
    if (environment == con->current_environment) con->environment_changed = 1;
    return 0;
}

int rsseopg(RSKCON* con, RSKENV* environment, const char* list_name, qor_list** out) {
    *out = nullptr;
    qor_list* list = new_list(con);
    if (list == nullptr) return 1;
    int rc = read_entry_list(environment, list_name, kEnvListType, list, nullptr);
    if (rc != 0) {
        sldel(list, 0);
        return 1;
    }
    if (slcnt(list) == 0) {
        sldel(list, 0);
        return 0;
    }
    *out = list;
    return 0;
}

void read_security_items(RSKCON* con, RSKSEC* security, const qor_list* list) {
    rsssecr(con, security, slid(list));   // a damaged sublist leaves a record that refuses all
}

int write_security_items(RSKCON* con, const RSKSEC* security, qor_list* list) {
    return rsssecg(con, security, slid(list));
}

int get_inherit(RSKCON* con, RSKENV* environment, qor_list** parents, std::string* outpath, bool* has_outpath,
                std::string* description) {
    if (parents != nullptr) *parents = nullptr;
    if (has_outpath != nullptr) *has_outpath = false;
    qor_list* list = new_list(con);
    if (list == nullptr) return QOR_C_NO_MEMORY;
    std::string text;
    int rc = read_entry_list(environment, "INHERIT", kEnvListType, list, &text);
    if (rc == static_cast<int>(QOR_C_NOT_FOUND)) {
        // A catalog without an INHERIT entry is an environment without parents; a missing
        // catalog is no environment.
        qor_catalog* catalog = nullptr;
        if (xlopen(libref_of(environment), name_of(environment), QOR_CO_INPUT, &catalog) != 0) {
            sldel(list, 0);
            return QOR_C_NOT_FOUND;
        }
        xlclose(catalog, 0);
        sldel(list, 0);
        if (description != nullptr) description->clear();
        return 0;
    }
    if (rc != 0) {
        sldel(list, 0);
        return rc;
    }
    if (description != nullptr) *description = text;
    qor_list* sublist = nullptr;
    if (parents != nullptr && slgnl(list, "INHERIT", &sublist) == 0 && sublist != nullptr) {
        // Detach: a copy the caller owns, so freeing the entry's list leaves it.
        qor_list* copy = new_list(con);
        if (copy != nullptr && slcopy(sublist, copy) != 0) *parents = copy;
        else if (copy != nullptr) sldel(copy, 0);
    }
    std::string_view value;
    if (outpath != nullptr && slgnc(list, "OUTPATH", &value) == 0) {
        outpath->assign(value);
        if (has_outpath != nullptr) *has_outpath = true;
    }
    read_security_items(con, &environment->rights.security, list);
    sldel(list, 0);
    return 0;
}

namespace {

qor_list* inherit_list(RSKCON* con, const RSKENV* content, const qor_list* parents, const char* outpath,
                       int outpath_length) {
    qor_list* list = new_list(con);
    if (list == nullptr) return nullptr;
    bool ok = true;
    if (parents != nullptr) {
        qor_list* copy = nullptr;
        qor_list_id id = slnewl(&copy, con->general_pool, 84);
        ok = id != 0 && slcopy(parents, copy) != 0 && slinsl(list, id, QOR_SL_APPEND, "INHERIT") == 0;
        if (copy != nullptr) sldel(copy, 0);   // the list holds it now
    }
    if (ok && outpath != nullptr) {
        std::string_view text(outpath, outpath_length > 0 ? static_cast<size_t>(outpath_length) : 0);
        if (text == kDefaultOutpath) text = {};
        ok = slinsc(list, text, QOR_SL_APPEND, "OUTPATH") == 0;
    }
    if (ok) ok = write_security_items(con, &content->rights.security, list) == 0;
    if (!ok) {
        sldel(list, 0);
        return nullptr;
    }
    return list;
}

}  // namespace

int save_inherit(RSKCON* con, qor_catalog* catalog, const RSKENV* content, const qor_list* parents,
                 const char* outpath, int outpath_length) {
    qor_list* list = inherit_list(con, content, parents, outpath, outpath_length);
    int rc = list != nullptr ? 0 : 1;
    if (rc == 0) {
        std::string_view description(content->properties.description != nullptr ? content->properties.description : "",
                                     static_cast<size_t>(content->properties.description_length));
        rc = write_entry_list(catalog, "INHERIT", kEnvListType, list, description);
        sldel(list, 0);
    }
    if (rc != 0) {
        xpmlog(598, 3060, 7, "INHERIT", static_cast<int>(name_of(content).size()), name_of(content).data());
        return 1;
    }
    return 0;
}

int save_inherit_to(RSKCON* con, const RSKENV* target, const RSKENV* content, const qor_list* parents,
                    const char* outpath, int outpath_length) {
    OpenCatalog open;
    if (xlopen(libref_of(target), name_of(target), QOR_CO_UPDATE, &open.catalog) != 0) {
        xpmlog(598, 3060, 7, "INHERIT", static_cast<int>(name_of(target).size()), name_of(target).data());
        return 1;
    }
    int rc = save_inherit(con, open.catalog, content, parents, outpath, outpath_length);
    if (rc == 0 && target == con->current_environment) con->environment_changed = 1;
    return rc;
}

int rssensm(RSKCON* con, const char* name, int name_length, const char* directory, int directory_length,
            qor_catalog* catalog, int value) {
    ensure_list_workspace(con);
    TemporaryLibrary library;   // declared first: deassigned after the catalog is closed
    OpenCatalog open;
    if (catalog == nullptr) {
        if (directory == nullptr ||
            zlibnam(directory, directory_length, library.libref, nullptr, nullptr, &library.fresh, nullptr) != 0)
            return -1;
        int rc = xlopen(std::string_view(library.libref, 8), std::string_view(name, static_cast<size_t>(name_length)),
                        value == -1 ? QOR_CO_INPUT : QOR_CO_UPDATE, &open.catalog);
        if (rc != 0) return -1;
        catalog = open.catalog;
    }
    int present = xlmfind(catalog, "SAMPLE", kEnvListType) == 0 ? 1 : 0;
    if (value == -1 || value == present) return value == -1 ? present : 0;
    if (value == 0) return xlmdele(catalog, "SAMPLE", kEnvListType) == 0 ? 0 : 1;
    qor_list* list = new_list(con);
    if (list == nullptr) return 1;
    int rc = write_entry_list(catalog, "SAMPLE", kEnvListType, list, {});
    sldel(list, 0);
    return rc == 0 ? 0 : 1;
}
