// Checking a filter's expression: parsed by the host with every name resolved among the
// variables a filter may use, then released; the answer says which of the two failed.
#include "engine/model/filters/filters.h"
#include "engine/model/filters/where_adapter.h"

int rskwhrv(RSKCON* con, const RSKFILTER* filter) {
    if (con == nullptr || filter == nullptr || filter->text == nullptr) return RSKWHR_PARSE_FAILED;
    qor_where* where = nullptr;
    bool names_failed = false;
    int rc = rsk_where_compile(con, filter->text, static_cast<int>(filter->text_length), RskWhereValues::stand_in,
                               nullptr, nullptr, &where, &names_failed);
    rsk_where_free(where);
    if (names_failed) return RSKWHR_NAME_FAILED;
    if (rc != 0 && rc != QOR_WHERE_WARNING) return RSKWHR_PARSE_FAILED;
    return 0;
}
