// Initial state of a variable's value storage, by storage type. Composite values (arrays,
// quadratic and cash-flow records) are one block: a header of two zero 4-byte words, then parts.
#include <cstring>

#include "common/module/anchors.h"
#include "engine/model/variables/value_cells.h"

namespace {

// The header of a composite value: two 4-byte words, as stored in instrument records.
constexpr size_t kCompositeHeader = 8;

// Writes `count` missing values at `at`, which need not be 8-byte aligned.
unsigned char* put_missing(unsigned char* at, long count, double missing) {
    for (long i = 0; i < count; ++i, at += sizeof(double)) std::memcpy(at, &missing, sizeof(double));
    return at;
}

// The dimension of a composite value; a negative or missing dimension describes no elements.
long dimension_of(const RSKVARIABLE* variable) {
    double n = variable->element_count;
    if (!(n >= 1.0)) return 0;   // also false for NaN payloads (missing values)
    if (n > 1.0e7) return 0;     // no real dimension comes near; refuse rather than overrun
    return static_cast<long>(n);
}

}  // namespace

int rskvali(RSKVARIABLE* variable) {
    const double missing = common_gcb()->missing;
    auto* storage = static_cast<unsigned char*>(variable->value);
    if (storage == nullptr) return 0;
    switch (variable->storage_type) {
    case RSKSTORE_DOUBLE:
        if (variable->kind == RSKVKIND_INSTRUMENT && variable->data_type == RSKDTYPE_ARRAY) {
            std::memset(storage, 0, kCompositeHeader);
            put_missing(storage + kCompositeHeader, dimension_of(variable), missing);
        } else {
            std::memcpy(storage, &missing, sizeof(double));
        }
        break;
    case RSKSTORE_CHAR:
        std::memset(storage, ' ', variable->length);
        break;
    case RSKSTORE_POINTER:
        std::memset(storage, 0, sizeof(void*));
        break;
    case RSKSTORE_REF_STR:
        break;
    case RSKSTORE_CUR_STR:
        std::memset(storage, 0, kCompositeHeader);
        std::memset(storage, ' ', 3);
        break;
    case RSKSTORE_QUADRATIC: {
        long n = dimension_of(variable);
        std::memset(storage, 0, kCompositeHeader + 40 * static_cast<size_t>(n));
        unsigned char* at = storage + kCompositeHeader + 40 * n;
        at = put_missing(at, n, missing);               // part 2
        at = put_missing(at, 1, missing);               // part 3
        at = put_missing(at, n, missing);               // part 4
        put_missing(at, n * (n + 1) / 2, missing);      // part 5
        break;
    }
    case RSKSTORE_CASH_FLOWS: {
        long n = dimension_of(variable);
        std::memset(storage, 0, kCompositeHeader + 3 * static_cast<size_t>(n));
        unsigned char* at = storage + kCompositeHeader + 3 * n;
        at = put_missing(at, n, missing);               // part 2
        put_missing(at, n, missing);                    // part 3
        break;
    }
    default:
        xebug("rskvali: unknown type code %i for %*s.", static_cast<int>(variable->storage_type),
              static_cast<int>(variable->name.name.length), variable->name.name.text);
        break;
    }
    return 0;
}
