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
    if (ds->block_dirty) {
        uint64_t at = ds->data_offset + static_cast<uint64_t>(ds->block_first - 1) *
                                            static_cast<uint64_t>(ds->layout.record_length);
        if (ds_write_at(ds->fd, ds->read_block.data(), ds->read_block.size(), at) != 0) {
            ds->write_failed = true;
            xpslog("%1zUpdating the data set %s failed: %s.", ds->name.c_str(), std::strerror(errno));
            return QOR_DS_IO_ERROR;
        }
        ds->block_dirty = false;
    }
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

namespace {

// Bytes read into the block at a time.
constexpr size_t kBlockBytes = 256 * 1024;

bool in_block(const qor_dataset* ds, int64_t k) {
    return k >= ds->block_first && k < ds->block_first + ds->block_count;
}

const unsigned char* block_record(const qor_dataset* ds, int64_t k) {
    return ds->read_block.data() +
           static_cast<size_t>(k - ds->block_first) * static_cast<size_t>(ds->layout.record_length);
}

// Fills the block with observations k.. of the file (k <= written): 0 or QOR_DS_IO_ERROR.
int fill_block(qor_dataset* ds, int64_t k) {
    size_t length = static_cast<size_t>(ds->layout.record_length);
    int64_t wanted = static_cast<int64_t>(kBlockBytes / length) + 1;
    int64_t count = ds->written - k + 1 < wanted ? ds->written - k + 1 : wanted;
    ds->block_count = 0;
    ds->read_block.resize(static_cast<size_t>(count) * length);
    if (ds_read_at(ds->fd, ds->read_block.data(), ds->read_block.size(),
                   ds->data_offset + static_cast<uint64_t>(k - 1) * length) != 0)
        return QOR_DS_IO_ERROR;
    ds->block_first = k;
    ds->block_count = count;
    return 0;
}

}  // namespace

int ds_rewrite(qor_dataset* ds, int64_t k, const unsigned char* bytes) {
    size_t length = static_cast<size_t>(ds->layout.record_length);
    if (in_block(ds, k)) {
        std::memcpy(const_cast<unsigned char*>(block_record(ds, k)), bytes, length);
        ds->block_dirty = true;
        return 0;
    }
    if (ds_write_at(ds->fd, bytes, length, ds->data_offset + static_cast<uint64_t>(k - 1) * length) != 0) {
        ds->write_failed = true;
        xpslog("%1zUpdating the data set %s failed: %s.", ds->name.c_str(), std::strerror(errno));
        return QOR_DS_IO_ERROR;
    }
    return 0;
}

int ds_make_current(qor_dataset* ds, int64_t k) {
    size_t length = static_cast<size_t>(ds->layout.record_length);
    if (ds->map != nullptr) {
        ds->current_bytes = ds->map + ds->data_offset + static_cast<uint64_t>(k - 1) * length;
    } else {
        if (k > ds->written) {
            ds->read_copy.resize(length);
            std::memcpy(ds->read_copy.data(),
                        ds->pending.data() + static_cast<size_t>(k - 1 - ds->written) * length, length);
            ds->current_bytes = ds->read_copy.data();
        } else {
            if (!in_block(ds, k)) {
                // A rewritten block goes to the file before the block is read again.
                if (ds->block_dirty && ds_flush_pending(ds) != 0) return QOR_DS_IO_ERROR;
                if (fill_block(ds, k) != 0) {
                    xpslog("%1zReading the data set %s failed: %s.", ds->name.c_str(),
                           std::strerror(errno));
                    return QOR_DS_IO_ERROR;
                }
            }
            ds->current_bytes = block_record(ds, k);
        }
        // An update starts from the observation as it is, so unbound variables keep their values.
        if (ds->access == QOR_OPEN_UPDATE) std::memcpy(ds->record.data(), ds->current_bytes, length);
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
    if (in_block(ds, k)) return block_record(ds, k);
    scratch->resize(length);
    if (ds_read_at(ds->fd, scratch->data(), length,
                   ds->data_offset + static_cast<uint64_t>(k - 1) * length) != 0)
        return nullptr;
    return scratch->data();
}

}  // namespace qor::runtime
