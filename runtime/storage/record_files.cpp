// Record files: text files behind a file reference, written or read one record (one line) at a
// time. Writing goes to a staging file renamed over the old file only when everything was written.
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <new>
#include <string>

#include "host/files.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/file_references.h"

struct qor_record_file {
    std::FILE* stream = nullptr;
    std::string path;                // the file the reference names
    std::string staging_path;        // writing: where the new content goes until close
    int mode = 0;
    int record_length = 0;
    bool failed = false;             // a write failed: the old file is kept at close
};

namespace {

std::atomic<unsigned> g_staging_counter{0};

bool valid_block(const qor_record_open* block) {
    return (block->mode == QOR_RECORD_READ || block->mode == QOR_RECORD_WRITE) && block->format == 1 &&
           block->record_length >= 1 && block->record_length <= 32767;
}

}  // namespace

int xxfopen(const char* fileref, const qor_record_open* block, qor_record_file** file) try {
    if (fileref == nullptr || block == nullptr || file == nullptr || !valid_block(block)) return 86;
    *file = nullptr;
    std::string path = qor::runtime::file_reference_path(fileref);
    if (path.empty()) return QOR_LIB_NOT_ASSIGNED;
    auto handle = std::make_unique<qor_record_file>();
    handle->path = path;
    handle->mode = block->mode;
    handle->record_length = block->record_length;
    if (block->mode == QOR_RECORD_READ) {
        handle->stream = std::fopen(path.c_str(), "rb");
        if (handle->stream == nullptr) return errno == ENOENT ? QOR_FILE_NOT_FOUND : QOR_FILE_FAILED;
    } else {
        handle->staging_path =
            path + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(g_staging_counter++);
        handle->stream = std::fopen(handle->staging_path.c_str(), "wbx");
        if (handle->stream == nullptr) return QOR_FILE_FAILED;
    }
    *file = handle.release();
    return 0;
}
QOR_SERVICE_CATCH(QOR_FILE_NO_MEMORY)

int xxfwrit(qor_record_file* file, const char* record, int length) {
    if (file == nullptr || file->mode != QOR_RECORD_WRITE || (record == nullptr && length > 0) || length < 0)
        return 86;
    if (length > file->record_length) return QOR_RECORD_TOO_LONG;
    if ((length > 0 && std::fwrite(record, 1, static_cast<size_t>(length), file->stream) != static_cast<size_t>(length)) ||
        std::fputc('\n', file->stream) == EOF) {
        file->failed = true;
        return QOR_FILE_FAILED;
    }
    return 0;
}

int xxfread(qor_record_file* file, char* buffer, int size, int* length) {
    if (file == nullptr || file->mode != QOR_RECORD_READ || buffer == nullptr || length == nullptr) return 86;
    int n = 0;
    int c = std::fgetc(file->stream);
    if (c == EOF) return std::ferror(file->stream) ? QOR_FILE_FAILED : QOR_FILE_END;
    bool too_long = false;
    for (; c != EOF && c != '\n'; c = std::fgetc(file->stream)) {
        if (n < size && n < file->record_length) buffer[n] = static_cast<char>(c);
        else too_long = true;
        ++n;
    }
    if (c == EOF && std::ferror(file->stream)) return QOR_FILE_FAILED;
    *length = n;
    return too_long ? QOR_RECORD_TOO_LONG : 0;
}

int xxfclos(qor_record_file* file, int discard) {
    if (file == nullptr) return 86;
    std::unique_ptr<qor_record_file> owned(file);
    int rc = 0;
    if (file->mode == QOR_RECORD_WRITE) {
        // The new content replaces the old file only once it is safely on disk.
        bool written = std::fflush(file->stream) == 0 && ::fsync(::fileno(file->stream)) == 0;
        written = std::fclose(file->stream) == 0 && written;
        const bool keep = discard == 0 && !file->failed && written;
        if (keep && std::rename(file->staging_path.c_str(), file->path.c_str()) != 0) rc = QOR_FILE_FAILED;
        if (!written) rc = QOR_FILE_FAILED;
        if (!keep || rc != 0) std::remove(file->staging_path.c_str());
    } else {
        std::fclose(file->stream);
    }
    return rc;
}
