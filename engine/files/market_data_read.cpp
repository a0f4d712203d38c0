// Reading one market state from an open market data set: the next current values, the series at
// a date, the standard deviations of the STD row, or a covariance or correlation matrix.
#include <cstring>
#include <strings.h>

#include "common/numeric/zisub.h"
#include "engine/files/market_data_internal.h"
#include "engine/model/variables/variable_texts.h"
#include "engine/model/market/market_data_sets.h"
#include "engine/model/variables/variables.h"
#include "engine/run/run_block.h"
#include "host/missing.h"
#include "host/print.h"

namespace {

// A diagonal element below minus this is negative; one within it is taken as 0.
constexpr double kDiagonalTolerance = 1.491668147E-154;

bool row_kind(const mds* md, const char* kind, size_t length) {
    return strncasecmp(md->type_value, kind, length) == 0;
}

// The next observation into the bound slots: 0, 1 at the end, or the host's failure code.
int next_observation(mds* md) {
    const int rc = xoget(&md->reader, QOR_GET_NEXT);
    if (rc == QOR_DS_END_OF_DATA) {
        md->end = 1;
        return 1;
    }
    if (rc != 0) return rc;
    return xyvget(md->get, 0);
}

int read_current(mds* md) {
    const uint32_t type = md->definition->type;
    if (type == 2) {
        xebug("rskmdsr: data feed support not implemented yet.");
        return 99;
    }
    if (type != RSKMDSTYPE_CURRENT && type != RSKMDSTYPE_SCENARIOS && type != RSKMDSTYPE_CHANGES) {
        xebug("rskmdsr: bad inputds.type %i", static_cast<int>(type));
        return 99;
    }
    const int rc = next_observation(md);
    if (rc == 0 || rc == 1) return rc;
    return mds_host_failure(rc);
}

int read_series(RSKCON* con, mds* md, double date) {
    int rc = rskmds0(con, md, date);
    if (rc != 0) return rc;
    double read = qor::missing();
    rc = rskmds1(con, md, &read);
    if (rc != 0 || qor::is_missing(date)) return rc;
    if (qor::is_missing(read) || read != date) {
        xebug("rskmdsr: bad date from rskmds1: %.15g!=%.15g.", read, date);
        return 1;
    }
    return 0;
}

int read_std(RSKCON* con, mds* md) {
    const RSKRUNBLOCK* run = con->run_block;
    if (run != nullptr && run->std_vector != nullptr && run->std_saved != nullptr && run->std_count > 0)
        std::memcpy(run->std_vector, run->std_saved, sizeof(double) * static_cast<size_t>(run->std_count));
    if (xopnt(&md->reader, QOR_POINT_FIRST) != 0) return 99;
    md->end = 0;
    for (;;) {
        const int rc = next_observation(md);
        if (rc == 1) return 1;
        if (rc != 0) {
            xebug("rskmds: read_std: i/o error.");
            return 99;
        }
        if (row_kind(md, "STD", 3)) return 0;
    }
}

// One COV or CORR row: the row's risk factor from the row-name column, then its elements.
int take_row(RSKCON* con, mds* md, int* used) {
    const char* text = md->name_value;
    int length = static_cast<int>(sizeof md->name_value);
    while (length > 0 && (text[length - 1] == ' ' || text[length - 1] == '\0')) --length;
    while (length > 0 && *text == ' ') {
        ++text;
        --length;
    }
    if (length == 0) return 0;
    RSKNAMEREC name{static_cast<uint16_t>(length), static_cast<uint16_t>(length), const_cast<char*>(text)};
    RSKVARIABLE* row = rskvf(con, &name);
    if (row == nullptr || row->mds_found || row->matrix_index == -2) return 0;
    bool in_list = false;
    for (int i = 0; i < md->factor_count && !in_list; ++i) in_list = md->factors[i] == row;
    if (!in_list) return 0;
    const int j = row->matrix_index;
    for (int i = 0; i < md->factor_count; ++i) {
        const RSKVARIABLE* v = md->factors[i];
        if (v->matrix_index == -2 || v->covrow_address == nullptr || qor::is_missing(*v->covrow_address)) continue;
        md->covariance[zisub(j, v->matrix_index)] = *v->covrow_address;
    }
    double& diagonal = md->covariance[zisub(j, j)];
    if (diagonal < -kDiagonalTolerance) {
        xpmlog(598, 2432, RSK_NAME(row->name), MDS_DEFINITION(md));
        md->error = 1;
        return 1;
    }
    if (diagonal < kDiagonalTolerance) diagonal = 0;
    row->mds_found = 1;
    ++*used;
    return 0;
}

void take_std_row(mds* md) {
    if (md->deviations == nullptr) return;
    for (int i = 0; i < md->factor_count; ++i) {
        const RSKVARIABLE* v = md->factors[i];
        if (v->matrix_index == -2 || v->covrow_address == nullptr || qor::is_missing(*v->covrow_address)) continue;
        md->deviations[v->matrix_index] = *v->covrow_address;
    }
}

int read_covariance(RSKCON* con, mds* md) {
    if (md->covariance == nullptr || md->factor_count < 1 || md->factors == nullptr) {
        xebug("rskmdsr: no covariance matrix allocated.");
        md->error = 1;
        return 99;
    }
    int expected = 0;
    for (int i = 0; i < md->factor_count; ++i) {
        md->factors[i]->mds_found = 0;
        if (md->factors[i]->matrix_index != -2) ++expected;
    }
    if (xopnt(&md->reader, QOR_POINT_FIRST) != 0) return mds_host_failure(-1);
    md->end = 0;
    const bool correlation = md->open_type == RSKMDS_CORRELATION;
    const char* kind = correlation ? "CORR" : "COV";
    const size_t kind_length = correlation ? 4 : 3;
    bool std_seen = false;
    int used = 0;
    while (used < md->factor_count || (correlation && !std_seen)) {
        const int rc = next_observation(md);
        if (rc == 1) break;
        if (rc != 0) {
            xprrlog(1, rc);
            xebug("rskmds: read_covariance: I/O error.");
            md->error = 1;
            return 1;
        }
        if (correlation && row_kind(md, "STD", 3)) {
            take_std_row(md);
            std_seen = true;
        } else if (row_kind(md, kind, kind_length) && take_row(con, md, &used) != 0) {
            return 1;
        }
    }
    if (used < expected)
        xpmlog(598, 2431, used, expected, MDS_MEMBER(md), MDS_DEFINITION(md));
    if (correlation && !std_seen) xpmlog(598, 2433, MDS_MEMBER(md), MDS_DEFINITION(md));
    return 0;
}

}  // namespace

int rskmdsr(RSKCON* con, mds* md, double date) {
    if (con == nullptr || md == nullptr || md->error || !md->open) return 99;
    switch (md->open_type) {
    case RSKMDS_CURRENT:
    case RSKMDS_SCENARIOS: return read_current(md);
    case RSKMDS_TIMESERIES: return read_series(con, md, date);
    case RSKMDS_STD: {
        const int rc = read_std(con, md);
        if (rc != 0) xpmlog(598, 1331, MDS_DEFINITION(md));
        return rc;
    }
    case RSKMDS_COVARIANCE:
    case RSKMDS_CORRELATION: return read_covariance(con, md);
    default: xebug("rskmdsr: invalid opentype %i", md->open_type); return 1;
    }
}
