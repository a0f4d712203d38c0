// Changing observations of a data set open for update: rewriting the current observation in
// place and deleting an observation, which moves the later ones down by one.
#include <cerrno>
#include <cstring>
#include <vector>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/dataset_internal.h"

using namespace qor::runtime;

namespace {

// Observations are moved in blocks of about this size.
constexpr size_t kMoveBytes = 1 << 20;

// Moves observations k+1..n of the file down by one observation.
int close_gap(qor_dataset* ds, int64_t k) {
    size_t length = static_cast<size_t>(ds->layout.record_length);
    int64_t per_block = static_cast<int64_t>(kMoveBytes / length) + 1;
    std::vector<unsigned char> block;
    for (int64_t from = k + 1; from <= ds->written; from += per_block) {
        int64_t count = ds->written - from + 1 < per_block ? ds->written - from + 1 : per_block;
        size_t bytes = static_cast<size_t>(count) * length;
        block.resize(bytes);
        uint64_t source = ds->data_offset + static_cast<uint64_t>(from - 1) * length;
        if (ds_read_at(ds->fd, block.data(), bytes, source) != 0 ||
            ds_write_at(ds->fd, block.data(), bytes, source - length) != 0) {
            ds->write_failed = true;
            xpslog("%1zDeleting an observation of the data set %s failed: %s.", ds->name.c_str(),
                   std::strerror(errno));
            return QOR_DS_IO_ERROR;
        }
    }
    return 0;
}

}  // namespace

int xoupd(qor_obs_request* request) try {
    if (request == nullptr || request->dataset == nullptr) return QOR_DS_NULL_ARGUMENT;
    qor_dataset* ds = request->dataset;
    if (ds->access != QOR_OPEN_UPDATE) return QOR_DS_WRONG_MODE;
    if (ds->write_failed) return QOR_DS_IO_ERROR;
    int64_t k = ds->current;
    if (k < 1) return QOR_DS_NO_CURRENT;
    size_t length = static_cast<size_t>(ds->layout.record_length);
    if (k > ds->written) {
        std::memcpy(ds->pending.data() + static_cast<size_t>(k - 1 - ds->written) * length,
                    ds->record.data(), length);
    } else if (int rc = ds_rewrite(ds, k, ds->record.data())) {
        return rc;
    }
    ds->read_copy = ds->record;
    ds->current_bytes = ds->read_copy.data();
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xodel(qor_obs_request* request) try {
    if (request == nullptr || request->dataset == nullptr) return QOR_DS_NULL_ARGUMENT;
    qor_dataset* ds = request->dataset;
    if (ds->access != QOR_OPEN_UPDATE) return QOR_DS_WRONG_MODE;
    if (ds->write_failed) return QOR_DS_IO_ERROR;
    int64_t k = request->observation > 0 ? request->observation : ds->current;
    if (k < 1 || k > ds->layout.observations) return QOR_DS_NO_OBSERVATION;
    if (int rc = ds_flush_pending(ds)) return rc;
    ds_block_forget(ds);
    if (int rc = close_gap(ds, k)) return rc;
    ds->written -= 1;
    ds->layout.observations -= 1;
    ds->current = 0;
    ds->current_bytes = nullptr;
    ds->next = k;
    ds_blank_record(ds->layout, ds->record.data());
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)
