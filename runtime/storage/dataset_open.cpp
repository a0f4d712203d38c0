// Opening and closing data sets: input maps the member's file; output and update write a
// temporary file in the same directory that replaces the member only when it is closed.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/dataset_internal.h"
#include "runtime/storage/dataset_views.h"
#include "runtime/storage/libraries.h"

using namespace qor::runtime;

namespace {

std::atomic<int64_t> g_next_serial{1};

std::string trimmed(const char* text, size_t length) {
    size_t n = 0;
    while (n < length && text[n] != '\0') ++n;
    while (n > 0 && text[n - 1] == ' ') --n;
    return std::string(text, n);
}

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// Maps the member's file and checks its layout. With keep_fd the file stays open there.
int open_mapped(qor_dataset* ds, int* keep_fd = nullptr) {
    int fd = ::open(ds->path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? QOR_DS_NO_MEMBER : QOR_DS_IO_ERROR;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return ds_report_damage(ds->name, ds->path, "it is not a regular file");
    }
    size_t size = static_cast<size_t>(st.st_size);
    if (size == 0) {
        ::close(fd);
        return ds_report_damage(ds->name, ds->path, "the file is empty");
    }
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (keep_fd != nullptr && map != MAP_FAILED) *keep_fd = fd;
    else ::close(fd);
    if (map == MAP_FAILED) return QOR_DS_IO_ERROR;
    ds->map = static_cast<const unsigned char*>(map);
    ds->map_size = size;
    std::string why;
    if (ds_decode_layout(ds->map, size, size, &ds->layout, &why) != 0) {
        ::munmap(map, size);
        ds->map = nullptr;
        if (keep_fd != nullptr) {
            ::close(*keep_fd);
            *keep_fd = -1;
        }
        return ds_report_damage(ds->name, ds->path, why);
    }
    ::madvise(map, size, MADV_SEQUENTIAL);
    ds->data_offset = ds_data_offset(ds->layout.variables.size());
    ds->layout_fixed = true;
    return 0;
}

// A new temporary file beside the member; its name never ends in a member extension.
int create_temporary(qor_dataset* ds) {
    std::string pattern = ds->path + "-XXXXXX.tmp";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    int fd = ::mkstemps(name.data(), 4);
    if (fd < 0) {
        xpslog("%1zThe data set %s cannot be created in its library: %s.", ds->name.c_str(),
               std::strerror(errno));
        return QOR_DS_IO_ERROR;
    }
    ::fchmod(fd, 0644);
    ds->fd = fd;
    ds->temp_path = name.data();
    return 0;
}

void drop_temporary(qor_dataset* ds) {
    if (ds->fd >= 0) ::close(ds->fd);
    ds->fd = -1;
    if (!ds->temp_path.empty()) ::unlink(ds->temp_path.c_str());
    ds->temp_path.clear();
}

// Copies the whole member (open on `from`, mapped) into the temporary file: inside the kernel
// where it can, else from the mapping. 0 or QOR_DS_IO_ERROR.
int copy_member(qor_dataset* ds, int from) {
    size_t done = 0;
    while (done < ds->map_size) {
        off64_t in = static_cast<off64_t>(done), out = static_cast<off64_t>(done);
        ssize_t n = ::copy_file_range(from, &in, ds->fd, &out, ds->map_size - done, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    if (done == ds->map_size) return 0;
    return ds_write_at(ds->fd, ds->map + done, ds->map_size - done, done);
}

// Update works on a copy of the member so that the member changes only on close.
int open_update(qor_dataset* ds) {
    int member_fd = -1;
    if (int rc = open_mapped(ds, &member_fd)) return rc;
    int rc = create_temporary(ds);
    if (rc == 0 && copy_member(ds, member_fd) != 0) {
        xpslog("%1zThe data set %s cannot be copied for update: %s.", ds->name.c_str(),
               std::strerror(errno));
        drop_temporary(ds);
        rc = QOR_DS_IO_ERROR;
    }
    ::close(member_fd);
    ::munmap(const_cast<unsigned char*>(ds->map), ds->map_size);
    ds->map = nullptr;
    ds->map_size = 0;
    ds->written = ds->layout.observations;
    ds->record.assign(static_cast<size_t>(ds->layout.record_length), 0);
    ds_blank_record(ds->layout, ds->record.data());
    return rc;
}

int open_output(qor_dataset* ds) {
    if (int rc = create_temporary(ds)) return rc;
    ds->layout.created = ds->layout.modified = ds_now();
    return 0;
}

// Puts the finished file into place only when no member of that name exists: an atomic
// no-replace rename, or on a file system without it a hard link (which fails on an existing
// name) and the unlink of the temporary name.
int place_new_member(const qor_dataset* ds) {
    if (::renameat2(AT_FDCWD, ds->temp_path.c_str(), AT_FDCWD, ds->path.c_str(),
                    RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
    if (::link(ds->temp_path.c_str(), ds->path.c_str()) != 0) return errno;
    ::unlink(ds->temp_path.c_str());
    return 0;
}

// Writes header and descriptors, cuts the file to its observations, and renames it into place.
int commit(qor_dataset* ds) {
    if (!ds->layout_fixed) ds->data_offset = ds_data_offset(ds->layout.variables.size());
    if (ds_flush_pending(ds) != 0) return QOR_DS_IO_ERROR;
    ds->layout.modified = ds_now();
    std::vector<unsigned char> head = ds_encode_layout(ds->layout);
    uint64_t size = ds->data_offset + static_cast<uint64_t>(ds->layout.observations) *
                                          static_cast<uint64_t>(ds->layout.record_length);
    if (ds_write_at(ds->fd, head.data(), head.size(), 0) != 0 ||
        ::ftruncate(ds->fd, static_cast<off_t>(size)) != 0 || (!ds->scratch && ::fdatasync(ds->fd) != 0) ||
        ::close(ds->fd) != 0) {
        ds->fd = -1;
        xpslog("%1zThe data set %s cannot be written: %s.", ds->name.c_str(), std::strerror(errno));
        return QOR_DS_IO_ERROR;
    }
    ds->fd = -1;
    if (ds->no_replace) {
        int error = place_new_member(ds);
        if (error == EEXIST) return QOR_DS_MEMBER_EXISTS;   // the caller says what it wanted
        if (error != 0) {
            xpslog("%1zThe data set %s cannot be put into its library: %s.", ds->name.c_str(),
                   std::strerror(error));
            return QOR_DS_IO_ERROR;
        }
    } else if (::rename(ds->temp_path.c_str(), ds->path.c_str()) != 0) {
        xpslog("%1zThe data set %s cannot replace its member: %s.", ds->name.c_str(),
               std::strerror(errno));
        return QOR_DS_IO_ERROR;
    }
    ds->temp_path.clear();
    return 0;
}

}  // namespace

namespace qor::runtime {

// Opens the data member file of an already checked library and member for the access.
int ds_open_member(const std::string& libref, const std::string& member, int access,
                   qor_dataset** out) {
    std::string path = access == QOR_OPEN_INPUT ? member_file(libref, member, "DATA")
                                                : member_output_file(libref, member, "DATA");
    if (path.empty()) return library_directory(libref).empty() ? QOR_DS_NO_LIBRARY : QOR_DS_BAD_REQUEST;
    auto ds = std::make_unique<qor_dataset>();
    ds->access = access;
    ds->serial = g_next_serial++;
    ds->name = upper(libref) + "." + upper(member);
    ds->path = path;
    ds->scratch = upper(libref) == "WORK";
    int rc = access == QOR_OPEN_INPUT ? open_mapped(ds.get())
           : access == QOR_OPEN_OUTPUT ? open_output(ds.get())
                                       : open_update(ds.get());
    if (rc != 0) return rc;
    *out = ds.release();
    return 0;
}

}  // namespace qor::runtime

int xoopen(qor_dataset** out, const qor_open_request* request) try {
    if (out == nullptr) return QOR_DS_NULL_ARGUMENT;
    *out = nullptr;
    if (request == nullptr) return QOR_DS_NULL_ARGUMENT;
    int access = request->mode & QOR_OPEN_ACCESS_MASK;
    if (access != QOR_OPEN_INPUT && access != QOR_OPEN_OUTPUT && access != QOR_OPEN_UPDATE)
        return QOR_DS_BAD_REQUEST;
    int length = request->member.length;
    if (length < 0 || length > 32) return QOR_DS_BAD_REQUEST;
    std::string libref = trimmed(request->libref, 8);
    std::string member = trimmed(request->member.text, static_cast<size_t>(length));
    std::string type = upper(trimmed(request->member_type, 8));
    if (libref.empty() || member.empty()) return QOR_DS_BAD_REQUEST;
    if (type.empty() || type == "DATA" || type == "DATASET") {
        int rc = ds_open_member(libref, member, access, out);
        // Readers that ask for a data set read a view of that name as one.
        if (rc == QOR_DS_NO_MEMBER && access == QOR_OPEN_INPUT &&
            ::access(member_file(libref, member, "VIEW").c_str(), F_OK) == 0)
            return ds_open_view(libref, member, out);
        if (rc == 0 && access == QOR_OPEN_OUTPUT)
            (*out)->no_replace = (request->mode & QOR_OPEN_NO_REPLACE) != 0;
        return rc;
    }
    if (type == "VIEW" || type == "DATAVIEW") {
        if (access != QOR_OPEN_INPUT) return QOR_DS_WRONG_MODE;
        return ds_open_view(libref, member, out);
    }
    return QOR_DS_BAD_REQUEST;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xoclose(qor_dataset* dataset, int flags) try {
    if (dataset == nullptr) return QOR_DS_NULL_ARGUMENT;
    std::unique_ptr<qor_dataset> ds(dataset);
    int rc = 0;
    if (ds->map != nullptr) ::munmap(const_cast<unsigned char*>(ds->map), ds->map_size);
    if (ds->access != QOR_OPEN_INPUT) {
        if (flags == 0 && ds->write_failed) {
            xpslog("%1zThe data set %s was not replaced because writing it failed.", ds->name.c_str());
            rc = QOR_DS_IO_ERROR;
        } else if (flags == 0) {
            rc = commit(ds.get());
        }
        drop_temporary(ds.get());
    }
    return rc;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xoreopn(qor_dataset* dataset, int mode) try {
    if (dataset == nullptr) return QOR_DS_NULL_ARGUMENT;
    int access = mode & QOR_OPEN_ACCESS_MASK;
    if (dataset->access == QOR_OPEN_INPUT && access == QOR_OPEN_INPUT) {
        dataset->current = 0;
        dataset->next = 1;
        return 0;
    }
    if (dataset->access == QOR_OPEN_INPUT || access != QOR_OPEN_UPDATE) return QOR_DS_WRONG_MODE;
    if (!dataset->layout_fixed) {
        dataset->layout_fixed = true;
        dataset->data_offset = ds_data_offset(dataset->layout.variables.size());
    }
    dataset->access = QOR_OPEN_UPDATE;
    dataset->current = 0;
    dataset->next = 1;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xoinfo(qor_dataset* dataset, int item, void* out) try {
    if (dataset == nullptr || out == nullptr) return QOR_DS_NULL_ARGUMENT;
    const ds_layout& layout = dataset->layout;
    switch (item) {
    case QOR_INFO_OBSERVATIONS: *static_cast<int64_t*>(out) = layout.observations; return 0;
    case QOR_INFO_RECORD_ID_LENGTH: *static_cast<int32_t*>(out) = sizeof(qor_record_id); return 0;
    case QOR_INFO_LABEL:
        std::memcpy(out, layout.label.c_str(), layout.label.size() + 1);
        return 0;
    case QOR_INFO_RECORD_LENGTH: *static_cast<int32_t*>(out) = layout.record_length; return 0;
    case QOR_INFO_CREATED: *static_cast<double*>(out) = layout.created; return 0;
    case QOR_INFO_MODIFIED: *static_cast<double*>(out) = layout.modified; return 0;
    case QOR_INFO_SORT_KEYS: *static_cast<qor_sort_keys*>(out) = layout.sort_keys; return 0;
    case QOR_INFO_SERIAL: *static_cast<int64_t*>(out) = dataset->serial; return 0;
    case QOR_INFO_VARIABLES:
        *static_cast<int32_t*>(out) = static_cast<int32_t>(layout.variables.size());
        return 0;
    default: return QOR_DS_BAD_REQUEST;
    }
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xolabel(qor_dataset* dataset, const char* label, int length) try {
    if (dataset == nullptr || label == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (dataset->access == QOR_OPEN_INPUT) return QOR_DS_WRONG_MODE;
    if (length < 0) length = static_cast<int>(std::strlen(label));
    if (length > QOR_DS_LABEL_MAX) length = QOR_DS_LABEL_MAX;
    dataset->layout.label.assign(label, static_cast<size_t>(length));
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xosortk(qor_dataset* dataset, const qor_sort_keys* keys) try {
    if (dataset == nullptr || keys == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (dataset->access == QOR_OPEN_INPUT) return QOR_DS_WRONG_MODE;
    int count = static_cast<int>(dataset->layout.variables.size());
    if (keys->count < 0 || keys->count > QOR_SORT_KEYS_MAX) return QOR_DS_BAD_REQUEST;
    for (int i = 0; i < keys->count; ++i)
        if (keys->numbers[i] == 0 || keys->numbers[i] > count || keys->numbers[i] < -count)
            return QOR_DS_BAD_VARIABLE;
    dataset->layout.sort_keys = *keys;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)
