// View members: a small versioned file holding the view's program text, and opening a view
// by handing that program to the view runner that the language processors register.
#include <fcntl.h>
#include <sys/stat.h>
#include <strings.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <vector>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/dataset_internal.h"
#include "runtime/storage/dataset_views.h"
#include "runtime/storage/libraries.h"

using namespace qor::runtime;

namespace {

constexpr char kViewMagic[8] = {'Q', 'O', 'R', '7', 'B', 'V', 'E', 'W'};
constexpr size_t kViewHeaderBytes = 24;   // magic, version (u16), 6 reserved, length (u64)
constexpr uint16_t kViewVersion = 1;

std::atomic<qor_view_runner> g_runner{nullptr};

std::string view_path(const char* libref, const char* member) {
    if (libref == nullptr || member == nullptr) return {};
    return member_file(libref, member, "VIEW");
}

// Reads the whole view file (views are small) and checks it. 0 or a failure.
int load_view(const std::string& path, std::string* program) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? QOR_DS_NO_MEMBER : QOR_DS_IO_ERROR;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) { ::close(fd); return QOR_DS_IO_ERROR; }
    uint64_t size = static_cast<uint64_t>(st.st_size);
    unsigned char head[kViewHeaderBytes];
    const char* why = nullptr;
    uint64_t length = 0;
    if (size < kViewHeaderBytes || ds_read_at(fd, head, kViewHeaderBytes, 0) != 0) {
        why = "the file is shorter than a header";
    } else if (std::memcmp(head, kViewMagic, 8) != 0) {
        why = "it is not a view file";
    } else {
        uint16_t version;
        std::memcpy(&version, head + 8, 2);
        std::memcpy(&length, head + 16, 8);
        if (version != kViewVersion) why = "its version is not known";
        else if (length != size - kViewHeaderBytes) why = "the program length does not match the file size";
    }
    int rc = 0;
    if (why != nullptr) {
        rc = ds_report_damage("view", path, why);
    } else {
        program->resize(static_cast<size_t>(length));
        if (length > 0 && ds_read_at(fd, program->data(), program->size(), kViewHeaderBytes) != 0)
            rc = QOR_DS_IO_ERROR;
    }
    ::close(fd);
    return rc;
}

}  // namespace

namespace qor::runtime {

int ds_open_view(const std::string& libref, const std::string& member, qor_dataset** out) {
    std::string path = view_path(libref.c_str(), member.c_str());
    if (path.empty()) return library_directory(libref).empty() ? QOR_DS_NO_LIBRARY : QOR_DS_BAD_REQUEST;
    std::string program;
    if (int rc = load_view(path, &program)) return rc;
    qor_view_runner runner = g_runner.load();
    if (runner == nullptr) {
        xpslog("%1zViews cannot be run in this build: the view %s.%s was not opened.",
               libref.c_str(), member.c_str());
        return QOR_DS_NO_VIEW_RUNNER;
    }
    char result_libref[8];
    std::memset(result_libref, ' ', sizeof result_libref);
    qor_member_name result_member{};
    if (int rc = runner(libref.c_str(), member.c_str(), program.data(), program.size(),
                        result_libref, &result_member))
        return rc;
    size_t n = 0;
    while (n < 8 && result_libref[n] != ' ' && result_libref[n] != '\0') ++n;
    if (result_member.length < 1 || result_member.length > 32) return QOR_DS_BAD_REQUEST;
    std::string produced_libref(result_libref, n);
    std::string produced(result_member.text, static_cast<size_t>(result_member.length));
    int rc = ds_open_member(produced_libref, produced, QOR_OPEN_INPUT, out);
    // A result made for this open only: the mapping stays readable once the file is gone.
    const std::string prefix = QOR_VIEW_RESULT_PREFIX;
    if (strcasecmp(produced_libref.c_str(), "WORK") == 0 &&
        strncasecmp(produced.c_str(), prefix.c_str(), prefix.size()) == 0)
        xomdel("WORK", produced.c_str(), "DATA");
    return rc;
}

}  // namespace qor::runtime

qor_view_runner qor_set_view_runner(qor_view_runner runner) { return g_runner.exchange(runner); }

int xovwrit(const char* libref, const char* member, const char* program, size_t length) try {
    if (program == nullptr && length > 0) return QOR_DS_NULL_ARGUMENT;
    std::string path = view_path(libref, member);
    if (path.empty()) return libref == nullptr || member == nullptr ? QOR_DS_NULL_ARGUMENT : QOR_DS_BAD_REQUEST;
    std::string pattern = path + "-XXXXXX.tmp";
    std::vector<char> temp(pattern.begin(), pattern.end());
    temp.push_back('\0');
    int fd = ::mkstemps(temp.data(), 4);
    if (fd < 0) return QOR_DS_IO_ERROR;
    ::fchmod(fd, 0644);
    unsigned char head[kViewHeaderBytes] = {};
    std::memcpy(head, kViewMagic, 8);
    std::memcpy(head + 8, &kViewVersion, 2);
    uint64_t size = length;
    std::memcpy(head + 16, &size, 8);
    bool ok = ds_write_at(fd, head, kViewHeaderBytes, 0) == 0 &&
              (length == 0 || ds_write_at(fd, program, length, kViewHeaderBytes) == 0) &&
              ::fdatasync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(temp.data(), path.c_str()) != 0) {
        ::unlink(temp.data());
        xpslog("%1zThe view %s.%s cannot be written: %s.", libref, member, std::strerror(errno));
        return QOR_DS_IO_ERROR;
    }
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xovread(const char* libref, const char* member, char* program, size_t size, size_t* length) try {
    if (program == nullptr || length == nullptr) return QOR_DS_NULL_ARGUMENT;
    std::string path = view_path(libref, member);
    if (path.empty()) return libref == nullptr || member == nullptr ? QOR_DS_NULL_ARGUMENT : QOR_DS_BAD_REQUEST;
    std::string text;
    if (int rc = load_view(path, &text)) return rc;
    *length = text.size();
    if (text.size() + 1 > size) return QOR_DS_BAD_REQUEST;
    std::memcpy(program, text.c_str(), text.size() + 1);
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)
