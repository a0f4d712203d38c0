// Storage types of variables: the storage-type pair of a data type, the size of a stored value
// and the alignment of a field in an instrument value record.
#include "engine/model/registries/code_registries.h"

int rskcdst(RSKCON*, int dtype, RSKSTYPE* pair) {
    uint32_t code = 0;
    switch (dtype) {
    case 1: case 3: case 4: case 5: case 6: case 8: case 60: case 70: case 222: case 223:
    case 231: case 232: case 233: case 241: case 242: case 243: case 244: case 245:
        code = 2;   // DOUBLE
        break;
    case 2: case 7: case 9: code = 3; break;            // CHAR
    case 10: code = 42; break;                          // CUR_STR
    case 11: code = 7; break;                           // POINTER
    case 61: case 63: code = 51; break;                 // QUADRATIC
    case 62: code = 52; break;                          // CASH_FLOWS
    case 102: case 104: case 105: code = 41; break;     // REF_STR
    case 221: case 234: code = 4; break;                // SHORT
    default: code = 0; break;
    }
    if (pair != nullptr) *pair = RSKSTYPE{code, 0};
    return 0;
}

int rsksize(RSKCON*, RSKSTYPE pair) {
    if (pair.flags & RSKSTYPE_POINTER) return pair.code == 2 || pair.code == 4 || pair.code == 6 ? 4 : -1;
    switch (pair.code) {
    case 2: case 42: return 8;
    case 3: return 1;
    case 4: return 2;
    case 5: case 6: case 7: return 4;
    default: return 0;
    }
}

int rskalgn(RSKCON*, int offset, RSKSTYPE pair) {
    int unit = pair.code == 4 && (pair.flags & RSKSTYPE_POINTER) == 0 ? 2 : 4;
    return (offset + unit - 1) / unit * unit;
}
