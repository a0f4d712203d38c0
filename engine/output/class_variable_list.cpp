// The class-variable list file "ccvars.txt" beside a run's results: one record with the names of
// the class variables, upper-cased and separated by one blank, so readers can tell those columns.
#include <cstring>

#include "common/files/names.h"
#include "engine/output/aggregation.h"
#include "engine/tables/control_structure.h"
#include "engine/model/variables/variable_record.h"
#include "host/files.h"
#include "host/kernel.h"

namespace {

constexpr int kListBytes = 1024;
constexpr char kListFile[] = "ccvars.txt";

// Assigns a host-chosen file reference to "ccvars.txt" in the library's directory: 0; 1 for a
// library that is not assigned; 86 when the path is too long or cannot be assigned.
int GetVarListFileName(const char* libref, char fileref[8]) {
    const char* directory = nullptr;
    int directory_length = 0;
    if (zlib2ph(libref, &directory, &directory_length) != 0) return 1;
    char path[kListBytes];
    const int name_length = static_cast<int>(sizeof kListFile - 1);
    const bool slash = directory_length > 0 && directory[directory_length - 1] == '/';
    if (directory_length + 1 + name_length >= kListBytes) return 86;
    std::memcpy(path, directory, static_cast<size_t>(directory_length));
    int length = directory_length;
    if (!slash) path[length++] = '/';
    std::memcpy(path + length, kListFile, static_cast<size_t>(name_length));
    length += name_length;
    std::memset(fileref, ' ', 8);
    return xxrasgn(fileref, path, length, "DISK    ") == 0 ? 0 : 86;
}

int open_list(const char fileref[8], int mode, qor_record_file** file) {
    qor_record_open block{mode, 1, kListBytes, {0, 0, 0, 0}};
    return xxfopen(fileref, &block, file) == 0 ? 0 : 86;
}

int WriteVarListFile(const char* libref, const char* text, int length) {
    char fileref[8];
    int rc = GetVarListFileName(libref, fileref);
    if (rc != 0) return rc;
    qor_record_file* file = nullptr;
    rc = open_list(fileref, QOR_RECORD_WRITE, &file);
    if (rc == 0) {
        const int written = xxfwrit(file, text, length);
        rc = xxfclos(file, written != 0) != 0 || written != 0 ? 86 : 0;
    }
    xxrdasg(fileref);
    return rc;
}

int ReadVarListFile(const char* libref, char* buffer, int32_t* length) {
    char fileref[8];
    int rc = GetVarListFileName(libref, fileref);
    if (rc != 0) return rc;
    qor_record_file* file = nullptr;
    rc = open_list(fileref, QOR_RECORD_READ, &file);
    if (rc == 0) {
        char record[kListBytes];
        int got = 0;
        if (xxfread(file, record, kListBytes, &got) != 0) {
            rc = 86;
        } else if (got + 1 > *length) {
            rc = 85;
        } else {
            std::memcpy(buffer, record, static_cast<size_t>(got));
            buffer[got] = '\0';
            *length = got;
        }
        xxfclos(file, 0);
    }
    xxrdasg(fileref);
    return rc;
}

}  // namespace

int rskgrpx(RSKCON*, RSKAGGCTL* control, const char* libref) {
    if (control == nullptr) return 1;
    char text[kListBytes];
    std::memset(text, ' ', sizeof text);
    int used = 0;
    for (RSKCCVAR* e = control->count > 0 ? control->variables[0] : nullptr; e != nullptr; e = e->next) {
        const RSKNAMEREC& name = e->variable->name.name;
        if (name.length + used + 1 > kListBytes) return 86;
        std::memcpy(text + used, name.text, name.length);
        used += name.length + 1;
    }
    if (used == 0) return 5;
    const int length = used - 1;
    wzstrup(text, length);
    return WriteVarListFile(libref, text, length);
}

int rskgrpy(const char* libref, char* buffer, int32_t* length) {
    if (buffer == nullptr || length == nullptr) return 86;
    return ReadVarListFile(libref, buffer, length);
}
