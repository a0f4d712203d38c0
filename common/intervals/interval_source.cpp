// The series that interval checking and detection read: the values of an array, or one
// numeric variable of an open data set read observation by observation through the host.
#include "common/intervals/interval_detect_internal.h"

namespace {

int array_rewind(interval_source* source) {
    source->position = 0;
    return 0;
}

int array_next(interval_source* source, double* value) {
    if (source->position >= source->count) return 1;
    *value = source->values[source->position++];
    return 0;
}

int dataset_rewind(interval_source* source) {
    qor_obs_request request{};
    request.dataset = source->dataset;
    return xopnt(&request, QOR_POINT_FIRST) == 0 ? 0 : INTERVAL_DS_READ_ERROR;
}

int dataset_next(interval_source* source, double* value) {
    qor_obs_request request{};
    request.dataset = source->dataset;
    const int rc = xoget(&request, QOR_GET_NEXT);
    if (rc == QOR_DS_END_OF_DATA) return 1;
    if (rc != 0) return INTERVAL_DS_READ_ERROR;
    return xvget1f(source->dataset, source->varnum, value) == 0 ? 0 : INTERVAL_DS_READ_ERROR;
}

}  // namespace

void interval_array_source(interval_source* source, const double* values, int count) {
    *source = interval_source{};
    source->rewind = array_rewind;
    source->next = array_next;
    source->values = values;
    source->count = count > 0 ? count : 0;
}

int interval_dataset_source(interval_source* source, qor_dataset* dataset, int varnum) {
    *source = interval_source{};
    source->rewind = dataset_rewind;
    source->next = dataset_next;
    source->dataset = dataset;
    source->varnum = varnum;
    if (!dataset) return INTERVAL_CHECK_NULL;
    qor_var_desc desc;
    if (varnum < 1 || xvname(dataset, varnum, &desc) != 0) return INTERVAL_DS_NO_VARIABLE;
    return desc.type == QOR_VAR_NUMERIC ? 0 : INTERVAL_DS_NOT_NUMERIC;
}
