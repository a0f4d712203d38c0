// Reading observations: sequential and by-number access, pointing and noting positions, and
// get lists that copy the current observation's values into the caller's buffers.
#include <cstring>
#include <new>
#include <vector>

#include "host/print.h"
#include "runtime/core/service_guard.h"
#include "runtime/storage/dataset_internal.h"

using namespace qor::runtime;

namespace {

struct get_binding {
    int offset;
    int length;
    int type;
    void* destination;
    int width;
};

// Copies one stored value out: a numeric into a double, a character cut or blank-padded.
inline void deliver(const unsigned char* record, const get_binding& b) {
    if (b.type == QOR_VAR_NUMERIC) {
        double value = ds_load_number(record + b.offset, b.length);
        std::memcpy(b.destination, &value, 8);
    } else if (b.width <= b.length) {
        std::memcpy(b.destination, record + b.offset, static_cast<size_t>(b.width));
    } else {
        std::memcpy(b.destination, record + b.offset, static_cast<size_t>(b.length));
        std::memset(static_cast<char*>(b.destination) + b.length, ' ', static_cast<size_t>(b.width - b.length));
    }
}

bool readable(const qor_dataset* ds) { return ds->access != QOR_OPEN_OUTPUT; }

const ds_variable* variable_of(const qor_dataset* ds, int number) {
    if (number < 1 || static_cast<size_t>(number) > ds->layout.variables.size()) return nullptr;
    return &ds->layout.variables[static_cast<size_t>(number - 1)];
}

}  // namespace

struct qor_getlist {
    qor_dataset* dataset;
    int capacity;
    bool ended;
    std::vector<get_binding> bindings;
};

int xoget(qor_obs_request* request, int kind) try {
    if (request == nullptr || request->dataset == nullptr) return QOR_DS_NULL_ARGUMENT;
    qor_dataset* ds = request->dataset;
    if (!readable(ds)) return QOR_DS_WRONG_MODE;
    int64_t k;
    if (kind == QOR_GET_NEXT) {
        k = ds->next;
    } else if (kind == QOR_GET_BY_NUMBER) {
        k = request->observation;
        if (k < 1) return QOR_DS_NO_OBSERVATION;
    } else {
        return QOR_DS_BAD_REQUEST;
    }
    if (k > ds->layout.observations) return QOR_DS_END_OF_DATA;
    return ds_make_current(ds, k);
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xopnt(qor_obs_request* request, int operation) try {
    if (request == nullptr || request->dataset == nullptr) return QOR_DS_NULL_ARGUMENT;
    qor_dataset* ds = request->dataset;
    switch (operation) {
    case QOR_POINT_FIRST:
        ds->current = 0;
        ds->current_bytes = nullptr;
        ds->next = 1;
        return 0;
    case QOR_POINT_RECORD: {
        const qor_record_id* id = request->point_to;
        if (id == nullptr) return QOR_DS_NULL_ARGUMENT;
        if (id->data_set_serial != ds->serial || id->observation < 1 ||
            id->observation > ds->layout.observations)
            return QOR_DS_NO_OBSERVATION;
        ds->next = id->observation;
        return 0;
    }
    case QOR_POINT_BACK:
        if (ds->current < 1) return QOR_DS_NO_CURRENT;
        ds->next = ds->current;
        return 0;
    default:
        return QOR_DS_BAD_REQUEST;
    }
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xonote(qor_obs_request* request) try {
    if (request == nullptr || request->dataset == nullptr || request->note == nullptr)
        return QOR_DS_NULL_ARGUMENT;
    if (request->dataset->current < 1) return QOR_DS_NO_CURRENT;
    *request->note = qor_record_id{request->dataset->current, request->dataset->serial, 0};
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xofprc(const qor_obs_request* request, int result) {
    if (result < 0) {
        xprrlog(0, result);
        const char* name = request != nullptr && request->dataset != nullptr
                               ? request->dataset->name.c_str() : "(none)";
        xpslog("%1zAn observation of the data set %s could not be processed.", name);
    }
    return result;
}

int xvgeti(qor_dataset* dataset, int count, qor_getlist** out) try {
    if (out != nullptr) *out = nullptr;
    if (dataset == nullptr || out == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (count < 0) return QOR_DS_BAD_REQUEST;
    if (!readable(dataset)) return QOR_DS_WRONG_MODE;
    auto* list = new (std::nothrow) qor_getlist{dataset, count, false, {}};
    if (list == nullptr) return QOR_DS_NO_STORAGE;
    list->bindings.reserve(static_cast<size_t>(count));
    *out = list;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvgetd(qor_getlist* list, int number, void* destination, int width) try {
    if (list == nullptr || destination == nullptr) return QOR_DS_NULL_ARGUMENT;
    if (list->ended || static_cast<int>(list->bindings.size()) >= list->capacity)
        return QOR_DS_BAD_REQUEST;
    const ds_variable* v = variable_of(list->dataset, number);
    if (v == nullptr) return QOR_DS_NOT_FOUND;
    if (v->type == QOR_VAR_NUMERIC ? width != 8 : width < 1) return QOR_DS_BAD_VARIABLE;
    list->bindings.push_back(get_binding{v->offset, v->length, v->type, destination, width});
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvgete(qor_getlist* list) try {
    if (list == nullptr) return QOR_DS_NULL_ARGUMENT;
    list->ended = true;
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xyvget(qor_getlist* list, int) try {
    if (list == nullptr) return QOR_DS_NULL_ARGUMENT;
    const unsigned char* record = list->dataset->current_bytes;
    if (list->dataset->current < 1 || record == nullptr) return QOR_DS_NO_CURRENT;
    for (const get_binding& b : list->bindings) deliver(record, b);
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvgett(qor_getlist* list) {
    delete list;
    return 0;
}

int xvget1c(qor_dataset* dataset, int number, char* destination, int width, int* length) try {
    if (dataset == nullptr || destination == nullptr) return QOR_DS_NULL_ARGUMENT;
    const ds_variable* v = variable_of(dataset, number);
    if (v == nullptr) return QOR_DS_NOT_FOUND;
    if (v->type != QOR_VAR_CHARACTER || width < 1) return QOR_DS_BAD_VARIABLE;
    if (dataset->current < 1 || dataset->current_bytes == nullptr) return QOR_DS_NO_CURRENT;
    deliver(dataset->current_bytes, get_binding{v->offset, v->length, v->type, destination, width});
    if (length != nullptr) {
        int n = width < v->length ? width : v->length;
        while (n > 0 && destination[n - 1] == ' ') --n;
        *length = n;
    }
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)

int xvget1f(qor_dataset* dataset, int number, double* destination) try {
    if (dataset == nullptr || destination == nullptr) return QOR_DS_NULL_ARGUMENT;
    const ds_variable* v = variable_of(dataset, number);
    if (v == nullptr) return QOR_DS_NOT_FOUND;
    if (v->type != QOR_VAR_NUMERIC) return QOR_DS_BAD_VARIABLE;
    if (dataset->current < 1 || dataset->current_bytes == nullptr) return QOR_DS_NO_CURRENT;
    *destination = ds_load_number(dataset->current_bytes + v->offset, v->length);
    return 0;
}
QOR_SERVICE_CATCH(QOR_DS_NO_STORAGE)
