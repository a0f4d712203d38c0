// Data set wrapper: writing one observation by number (rewriting one that exists, adding the
// next one), binding variables for writing, and removing an observation.
#include <cstring>

#include "common/files/dataset.h"

namespace {

bool numeric_type(int type) { return type == 0 || type == 1; }

void unbind(dataset_obs* obs) {
    if (obs->bound) xvgett(obs->get);
    obs->bound = 0;
    obs->get = nullptr;
    obs->bound_serial = 0;
}

// Describes a variable from the data set itself. 0 or 2.
int describe_from_data(dataset* ds, const dataset_var* var, qor_var_desc* desc) {
    int number = 0;
    if (xvfind(ds->handle, var->name, -1, &number, 0) != 0 || number < 1) return 2;
    return xvname(ds->handle, number, desc) == 0 ? 0 : 2;
}

}  // namespace

int ds_add_variable(dataset* ds, qor_putlist* put, dataset_var* var) {
    if (ds == nullptr || put == nullptr || var == nullptr) return 2;
    qor_var_desc desc;
    if (ds->mode == DATASET_UPDATE || var->type == DATASET_TYPE_FROM_DATA) {
        if (describe_from_data(ds, var, &desc) != 0) return 2;
    } else {
        xvnamei(&desc);
        size_t length = std::strlen(var->name);
        if (length > QOR_VAR_NAME_MAX) length = QOR_VAR_NAME_MAX;
        std::memcpy(desc.name, var->name, length);
        desc.name[length] = '\0';
        desc.name_length = static_cast<int16_t>(length);
        desc.length = var->length;
        desc.type = numeric_type(var->type) ? QOR_VAR_NUMERIC : QOR_VAR_CHARACTER;
    }
    int number = 0;
    if (xvputd(put, &desc, var->value, var->length, &number) < 0) return 2;
    var->number = number;
    return 0;
}

int write_obs(dataset* ds, dataset_obs* obs) {
    if (ds == nullptr || obs == nullptr || !ds->open || ds->mode == DATASET_READ) return 2;
    if (obs->number > ds->observations + 1) return 1;
    if (obs->number < 1) return 2;
    unbind(obs);
    int count = 0;
    for (dataset_var* var = obs->first; var != nullptr; var = var->next) ++count;
    qor_putlist* put = nullptr;
    if (xvputi(ds->handle, count, &put) < 0) return 2;
    int rc = 0;
    for (dataset_var* var = obs->first; var != nullptr && rc == 0; var = var->next)
        rc = ds_add_variable(ds, put, var);
    if (rc == 0 && ds->mode == DATASET_UPDATE) xvsele(ds->handle);
    if (rc == 0) xvpute(put);
    qor_obs_request request{};
    request.dataset = ds->handle;
    request.observation = obs->number;
    bool adding = obs->number == ds->observations + 1;
    if (rc == 0 && adding) {
        rc = xyvput(put, 0) != 0 || xofprc(&request, xoadd(&request)) != 0 ? 2 : 0;
    } else if (rc == 0) {
        // Position first, so that variables outside the chain keep their stored values.
        rc = xoget(&request, QOR_GET_BY_NUMBER) != 0 || xyvput(put, 0) != 0 ||
                     xofprc(&request, xoupd(&request)) != 0 ? 2 : 0;
    }
    xvputt(put);
    if (rc != 0) return 2;
    if (adding) ds->observations += 1;
    if (ds->mode == DATASET_WRITE && xoreopn(ds->handle, 0x14000000 | QOR_OPEN_UPDATE) != 0) return 2;
    return 0;
}

int remove_obs(dataset* ds, dataset_obs* obs) {
    if (ds == nullptr || obs == nullptr || !ds->open || ds->mode != DATASET_UPDATE) return 1;
    int64_t k = obs->number;
    int64_t n = ds->observations;
    if (k < 1 || k > n) return 1;
    // Leave the buffers holding the last observation, as callers have always found them.
    obs->number = n;
    int rc = read_obs(ds, obs);
    obs->number = k;
    if (rc != 0) return 2;
    qor_obs_request request{};
    request.dataset = ds->handle;
    request.observation = k;
    rc = xodel(&request);
    if (rc != 0) return 2;
    ds->observations = n - 1;
    return rc;
}
