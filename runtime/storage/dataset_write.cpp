// Writing observations: put lists that define variables and move the caller's values into
// the observation buffer, and appending that buffer as a new observation.
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "runtime/core/service_guard.h"
#include "runtime/storage/dataset_internal.h"

using namespace qor::runtime;

namespace {

struct put_binding {
    int index;                    // variable index in the layout
    const void* source;
    int width;
};

// Appended observations are written out in blocks of about this size.
constexpr size_t kFlushBytes = 1 << 20;

}  // namespace

struct qor_putlist {
    qor_dataset* dataset;
    int capacity;
    bool ended;
    std::vector<put_binding> bindings;
};

int xvputi(qor_dataset* dataset, int count, qor_putlist** out) try {
    if (out != nullptr) *out = nullptr;
    if (dataset == nullptr || out == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (count < 0) return QOR_DS_BAD_REQUEST;
    if (dataset->access == QOR_OPEN_INPUT) return QOR_DS_WRONG_MODE;
    std::unique_ptr<qor_putlist> list(new (std::nothrow) qor_putlist{dataset, count, false, {}});
    if (list == nullptr) return QOR_DS_NO_STORAGE;
    list->bindings.reserve(static_cast<size_t>(count));
    *out = list.release();
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvputd(qor_putlist* list, const qor_var_desc* desc, const void* source, int width, int* number) try {
    if (number != nullptr) *number = 0;
    if (list == nullptr || desc == nullptr || source == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (list->ended || static_cast<int>(list->bindings.size()) >= list->capacity)
        return QOR_DS_BAD_REQUEST;
    if (desc->type == QOR_VAR_NUMERIC ? width != 8 : width < 1) return QOR_DS_BAD_VARIABLE;
    int index = -1;
    if (int rc = ds_define_variable(list->dataset, desc, &index)) return rc;
    list->bindings.push_back(put_binding{index, source, width});
    if (number != nullptr) *number = index + 1;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvpute(qor_putlist* list) try {
    if (list == nullptr) return QOR_DS_NULL_ARGUMENT;
    list->ended = true;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xyvput(qor_putlist* list, int) try {
    if (list == nullptr) return QOR_DS_NULL_ARGUMENT;
    qor_dataset* ds = list->dataset;
    unsigned char* record = ds->record.data();
    for (const put_binding& b : list->bindings) {
        const ds_variable& v = ds->layout.variables[static_cast<size_t>(b.index)];
        unsigned char* to = record + v.offset;
        if (v.type == QOR_VAR_NUMERIC) {
            double value;
            std::memcpy(&value, b.source, 8);
            ds_store_number(to, v.length, value);
        } else if (b.width >= v.length) {
            std::memcpy(to, b.source, static_cast<size_t>(v.length));
        } else {
            std::memcpy(to, b.source, static_cast<size_t>(b.width));
            std::memset(to + b.width, ' ', static_cast<size_t>(v.length - b.width));
        }
    }
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvputt(qor_putlist* list) {
    delete list;
    return 0;
}

int xoadd(qor_obs_request* request) try {
    if (request == nullptr || request->dataset == nullptr) return QOR_DS_NULL_ARGUMENT;
    qor_dataset* ds = request->dataset;
    if (ds->access == QOR_OPEN_INPUT) return QOR_DS_WRONG_MODE;
    if (ds->write_failed) return QOR_DS_IO_ERROR;
    if (ds->layout.variables.empty()) return QOR_DS_BAD_VARIABLE;
    ds_fix_layout(ds);
    ds->pending.insert(ds->pending.end(), ds->record.begin(), ds->record.end());
    ds->layout.observations += 1;
    ds->current = ds->layout.observations;
    ds->next = ds->current + 1;
    if (ds->access == QOR_OPEN_UPDATE) {
        ds->read_copy = ds->record;
        ds->current_bytes = ds->read_copy.data();
    } else {
        ds->current_bytes = nullptr;   // an output data set is not read
    }
    ds_blank_record(ds->layout, ds->record.data());
    if (ds->pending.size() >= kFlushBytes) return ds_flush_pending(ds);
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)
