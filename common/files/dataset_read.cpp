// Data set wrapper: reading one observation by number into the buffers of a variable chain,
// binding the chain to a get list on first use.
#include "common/files/dataset.h"
#include "host/print.h"

namespace {

void unbind(dataset_obs* obs) {
    if (obs->bound) xvgett(obs->get);
    obs->bound = 0;
    obs->get = nullptr;
    obs->bound_serial = 0;
}

// Finds every variable of the chain by name and binds its buffer. 0, or 2 after the message.
int bind(dataset* ds, dataset_obs* obs) {
    int count = 0;
    for (dataset_var* var = obs->first; var != nullptr; var = var->next) {
        int number = 0;
        xvfind(ds->handle, var->name, -1, &number, 0);
        var->number = number;
        ++count;
    }
    xvsele(ds->handle);
    qor_getlist* get = nullptr;
    if (xvgeti(ds->handle, count, &get) < 0) return 2;
    for (dataset_var* var = obs->first; var != nullptr; var = var->next) {
        if (xvgetd(get, var->number, var->value, var->length) < 0) {
            xpslog("%1zUnable to find variable %s in dataset %s", var->name, ds->member);
            xvgett(get);
            return 2;
        }
    }
    xvgete(get);
    obs->get = get;
    obs->bound = 1;
    obs->bound_serial = ds->serial;
    return 0;
}

}  // namespace

int read_obs(dataset* ds, dataset_obs* obs) {
    if (ds == nullptr || obs == nullptr || !ds->open || ds->mode == DATASET_WRITE) return 2;
    if (obs->number > ds->observations) return 1;
    if (obs->number < 1) return 2;
    // A get list of an earlier open of the data set is stale: bind again.
    if (obs->bound && obs->bound_serial != ds->serial) unbind(obs);
    if (!obs->bound && bind(ds, obs) != 0) return 2;
    qor_obs_request request{};
    request.dataset = ds->handle;
    request.observation = obs->number;
    if (xoget(&request, QOR_GET_BY_NUMBER) != 0) return 2;
    if (xyvget(obs->get, 0) != 0) return 2;
    return 0;
}

void release_obs_binding(dataset_obs* obs) {
    if (obs != nullptr) unbind(obs);
}
