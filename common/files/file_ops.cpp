// File operations through temporary host file references: physical and full names, existence,
// is-a-directory, delete, rename and make a directory.
#include <cstring>

#include "common/files/names.h"
#include "common/files/names_internal.h"

using qor::files::measured;

namespace {

// A file reference with a host-chosen name, assigned for one operation and always released.
class TemporaryReference {
public:
    TemporaryReference(const char* path, int length) {
        std::memset(name_, ' ', sizeof name_);
        rc_ = xxrasgn(name_, path, length, "DISK    ");
    }
    ~TemporaryReference() {
        if (rc_ == 0) xxrdasg(name_);
    }
    TemporaryReference(const TemporaryReference&) = delete;
    TemporaryReference& operator=(const TemporaryReference&) = delete;
    int rc() const { return rc_; }
    const char* name() const { return name_; }

private:
    char name_[8];
    int rc_;
};

}  // namespace

int zpname(const char* fileref, char* buffer) {
    if (!buffer) return 1;
    buffer[0] = '\0';
    if (!fileref) return 1;
    int length = 0;
    if (xxrinfo(fileref, buffer, QOR_PATH_MAX, &length) != 0) {
        buffer[0] = '\0';
        return 1;
    }
    return 0;
}

int zfulpth(const char* name, int length, char* buffer, int* out_length) {
    int n = measured(name, length);
    TemporaryReference ref(n == 0 ? "." : name, n == 0 ? 1 : n);
    if (ref.rc() != 0 || !buffer) return 1;
    char full[QOR_PATH_MAX];
    int full_length = 0;
    if (xxrinfo(ref.name(), full, sizeof full, &full_length) != 0) return 1;
    std::memcpy(buffer, full, static_cast<size_t>(full_length));
    if (out_length) *out_length = full_length;
    return 0;
}

int zfexist(const char* name, int length) {
    int n = measured(name, length);
    if (n == 0) return 1;
    TemporaryReference ref(name, n);
    if (ref.rc() != 0) return 1;
    return xxrexsp(ref.name()) == 0 ? 0 : 1;
}

int zisdir(const char* name, int length) {
    int n = measured(name, length);
    if (n == 0) return 1;
    TemporaryReference ref(name, n);
    if (ref.rc() != 0) return 1;
    qor_directory* listing = nullptr;
    if (xxrdopn(ref.name(), &listing) != 0) return 1;
    xxdclos(listing);
    return 0;
}

int zfildel(const char* name, int length) {
    int n = measured(name, length);
    if (n == 0) return 1;
    TemporaryReference ref(name, n);
    if (ref.rc() != 0) return 1;
    return xxrdele(ref.name()) == 0 ? 0 : 1;
}

int zmvfile(const char* old_name, int old_length, const char* new_name, int new_length) {
    int ol = measured(old_name, old_length);
    int nl = measured(new_name, new_length);
    char directory[QOR_PATH_MAX];
    char target[QOR_PATH_MAX];
    int directory_length = 0, target_length = 0;
    if (ol == 0 || nl == 0) return 1;
    if (xxname2(old_name, ol, directory, sizeof directory, &directory_length) != 0) return 1;
    if (xxname(directory, directory_length, new_name, nl, target, sizeof target, &target_length) != 0)
        return 1;
    // A failed rename is a failure: the caller still has the file under its old name.
    return xxrenam(old_name, ol, target, target_length) == 0 ? 0 : 1;
}

int zmkdir(const char* path, int length) {
    return xxmkdir(path, measured(path, length), "DISK    ");
}

// Permissions follow the process's file-creation mask; the engine never changes them.
int zchmod() { return 0; }
