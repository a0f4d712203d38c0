// File input and output under the data set services: exact positioned reads and writes,
// the append buffer of output data sets, making an observation current, damage reports.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/print.h"
#include "runtime/storage/dataset_internal.h"

namespace qor::runtime {

int ds_report_damage(const std::string& name, const std::string& path, const std::string& why) {
    xpslog("%1zThe data set %s (%s) is damaged: %s.", name.c_str(), path.c_str(), why.c_str());
    return QOR_DS_DAMAGED;
}

namespace {

// Moves all count bytes at offset with pread or pwrite, resuming after short transfers and
// interrupted calls.
template <typename Byte, typename Transfer>
int transfer_all(int fd, Byte* p, size_t count, uint64_t offset, Transfer transfer) {
    while (count > 0) {
        ssize_t n = transfer(fd, p, count, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return QOR_DS_IO_ERROR;
        p += n;
        count -= static_cast<size_t>(n);
        offset += static_cast<uint64_t>(n);
    }
    return 0;
}

}  // namespace

int ds_write_at(int fd, const void* bytes, size_t count, uint64_t offset) {
    return transfer_all(fd, static_cast<const char*>(bytes), count, offset, ::pwrite);
}

int ds_read_at(int fd, void* bytes, size_t count, uint64_t offset) {
    return transfer_all(fd, static_cast<char*>(bytes), count, offset, ::pread);
}

int ds_flush_pending(qor_dataset* ds) {
    if (ds->pending.empty()) return 0;
    size_t length = static_cast<size_t>(ds->layout.record_length);
    uint64_t at = ds->data_offset + static_cast<uint64_t>(ds->written) * length;
    if (ds_write_at(ds->fd, ds->pending.data(), ds->pending.size(), at) != 0) {
        ds->write_failed = true;
        xpslog("%1zWriting the data set %s failed: %s.", ds->name.c_str(), std::strerror(errno));
        return QOR_DS_IO_ERROR;
    }
    ds->written += static_cast<int64_t>(ds->pending.size() / length);
    ds->pending.clear();
    return 0;
}

int ds_make_current(qor_dataset* ds, int64_t k) {
    size_t length = static_cast<size_t>(ds->layout.record_length);
    if (ds->map != nullptr) {
        ds->current_bytes = ds->map + ds->data_offset + static_cast<uint64_t>(k - 1) * length;
    } else {
        ds->read_copy.resize(length);
        if (k > ds->written) {
            std::memcpy(ds->read_copy.data(),
                        ds->pending.data() + static_cast<size_t>(k - 1 - ds->written) * length, length);
        } else if (ds_read_at(ds->fd, ds->read_copy.data(), length,
                              ds->data_offset + static_cast<uint64_t>(k - 1) * length) != 0) {
            xpslog("%1zReading the data set %s failed: %s.", ds->name.c_str(), std::strerror(errno));
            return QOR_DS_IO_ERROR;
        }
        ds->current_bytes = ds->read_copy.data();
        // An update starts from the observation as it is, so unbound variables keep their values.
        if (ds->access == QOR_OPEN_UPDATE) ds->record = ds->read_copy;
    }
    ds->current = k;
    ds->next = k + 1;
    return 0;
}

}  // namespace qor::runtime

namespace qor::runtime {

const unsigned char* ds_peek(qor_dataset* ds, int64_t k, std::vector<unsigned char>* scratch) {
    size_t length = static_cast<size_t>(ds->layout.record_length);
    if (ds->map != nullptr) return ds->map + ds->data_offset + static_cast<uint64_t>(k - 1) * length;
    if (k > ds->written) return ds->pending.data() + static_cast<size_t>(k - 1 - ds->written) * length;
    scratch->resize(length);
    if (ds_read_at(ds->fd, scratch->data(), length,
                   ds->data_offset + static_cast<uint64_t>(k - 1) * length) != 0)
        return nullptr;
    return scratch->data();
}

}  // namespace qor::runtime
