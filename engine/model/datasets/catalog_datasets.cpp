// The shared helpers of the catalog data sets: open and close with their messages, labelled
// output columns, checked input columns, BY groups in written order, and row values.
#include "engine/model/datasets/catalog_datasets.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "host/missing.h"
#include "host/print.h"

namespace {

int trimmed_length(const char* text, int limit) {
    int length = 0;
    while (length < limit && text[length] != '\0' && text[length] != ' ') ++length;
    return length;
}

}  // namespace

int rskds_open(RskCatalogDataset* ds, const char* libref, const char* member, const char* dsname, int mode) {
    std::memset(ds, 0, sizeof *ds);
    const int libref_length = libref ? trimmed_length(libref, 8) : 0;
    const int member_length = member ? static_cast<int>(std::strlen(member)) : 0;
    if (dsname != nullptr) {
        std::snprintf(ds->name, sizeof ds->name, "%s", dsname);
    } else {
        std::snprintf(ds->name, sizeof ds->name, "%.*s.%.*s", libref_length, libref ? libref : "",
                      member_length > 32 ? 32 : member_length, member ? member : "");
    }
    qor_open_request request{};
    std::memset(request.libref, ' ', sizeof request.libref);
    if (libref_length > 0) std::memcpy(request.libref, libref, static_cast<size_t>(libref_length));
    std::memset(request.member_type, ' ', sizeof request.member_type);
    request.mode = mode;
    int rc = QOR_DS_BAD_REQUEST;
    if (member_length > 0 && member_length <= 32) {
        request.member.length = static_cast<int16_t>(member_length);
        std::memcpy(request.member.text, member, static_cast<size_t>(member_length));
        rc = xoopen(&ds->handle, &request);
    }
    if (rc != 0) {
        ds->handle = nullptr;
        xpmlog(598, 1001, ds->name);
        return 1;
    }
    return 0;
}

int rskds_close(RskCatalogDataset* ds, int keep) {
    xvbyt(ds->groups);
    ds->groups = nullptr;
    if (ds->handle == nullptr) return 0;
    int rc = xoclose(ds->handle, keep ? 0 : 1);
    ds->handle = nullptr;
    if (rc != 0) {
        xprrlog(1, rc);
        return 1;
    }
    return 0;
}

int rskds_define(RskCatalogDataset* ds, const RskColumn* columns, int count, void* const* sources,
                 qor_putlist** put) {
    *put = nullptr;
    int rc = xvputi(ds->handle, count, put);
    for (int c = 0; c < count && rc == 0; ++c) {
        const RskColumn& col = columns[c];
        qor_var_desc desc;
        xvnamei(&desc);
        const size_t name_length = std::strlen(col.name);
        std::memcpy(desc.name, col.name, name_length + 1);
        desc.name_length = static_cast<int16_t>(name_length);
        desc.type = static_cast<int16_t>(col.type);
        desc.length = col.length;
        int label = xpmstr(desc.label, sizeof desc.label, 598, col.label);
        if (label < 0) label = 0;
        if (label > QOR_VAR_LABEL_MAX) label = QOR_VAR_LABEL_MAX;
        desc.label_length = static_cast<int16_t>(label);
        rc = xvputd(*put, &desc, sources[c], col.type == QOR_VAR_NUMERIC ? 8 : col.length, nullptr);
    }
    if (rc == 0) rc = xvpute(*put);
    if (rc != 0) {
        xprrlog(1, rc);
        xvputt(*put);
        *put = nullptr;
        return 1;
    }
    return 0;
}

int rskds_finish(RskCatalogDataset* ds, qor_putlist* put, int failed) {
    xvputt(put);
    if (failed) {
        rskds_close(ds, 0);
        return 1;
    }
    return rskds_close(ds, 1);
}

int rskds_put(RskCatalogDataset* ds, qor_putlist* put) {
    qor_obs_request request{};
    request.dataset = ds->handle;
    int rc = xyvput(put, 0);
    if (rc == 0) rc = xoadd(&request);
    if (rc != 0) {
        xprrlog(1, rc);
        return 1;
    }
    return 0;
}

int rskds_column(RskCatalogDataset* ds, const char* name, int type, int required, int* number) {
    *number = 0;
    int found = 0;
    if (xvfind(ds->handle, name, static_cast<int>(std::strlen(name)), &found, 0) != 0 || found == 0) {
        if (!required) return 0;
        xpmlog(598, 1002, name, ds->name);
        return 1;
    }
    qor_var_desc desc;
    if (xvname(ds->handle, found, &desc) != 0) return 1;
    if (desc.type != type) {
        xpmlog(598, type == QOR_VAR_NUMERIC ? 1003 : 1004, name, ds->name);
        return 1;
    }
    *number = found;
    return 0;
}

int rskds_groups(RskCatalogDataset* ds, int column) {
    if (xvbyi(ds->handle, 1, &column, nullptr, &ds->groups) != 0) return 1;
    return xvbycon(ds->groups, 1) != 0 ? 1 : 0;
}

int rskds_next(RskCatalogDataset* ds, bool* first, bool* last) {
    int rc = xybyget(ds->groups, first, last);
    if (rc == 0) return 0;
    if (rc != QOR_DS_END_OF_DATA) xprrlog(1, rc);
    return 1;
}

int rskds_rewind(RskCatalogDataset* ds) { return xvbyrew(ds->groups) != 0 ? 1 : 0; }

int rskds_row(RskCatalogDataset* ds) {
    qor_obs_request request{};
    request.dataset = ds->handle;
    int rc = xoget(&request, QOR_GET_NEXT);
    if (rc == 0) return 0;
    if (rc != QOR_DS_END_OF_DATA) xprrlog(1, rc);
    return 1;
}

int rskds_text(RskCatalogDataset* ds, int number, char* out, int capacity) {
    if (number <= 0) return 0;
    int length = 0;
    if (xvget1c(ds->handle, number, out, capacity, &length) != 0) return 0;
    if (length > capacity) length = capacity;
    int start = 0;
    while (start < length && std::isspace(static_cast<unsigned char>(out[start]))) ++start;
    while (length > start && std::isspace(static_cast<unsigned char>(out[length - 1]))) --length;
    if (start > 0) std::memmove(out, out + start, static_cast<size_t>(length - start));
    return length - start;
}

double rskds_number(RskCatalogDataset* ds, int number) {
    double value = qor::missing();
    if (number <= 0 || xvget1f(ds->handle, number, &value) != 0) return qor::missing();
    return value;
}

void rskds_fill(char* field, int width, const char* text, int length) {
    std::memset(field, ' ', static_cast<size_t>(width));
    if (text == nullptr || length <= 0) return;
    std::memcpy(field, text, static_cast<size_t>(length < width ? length : width));
}
