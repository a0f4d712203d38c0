// Images of the instrument utility file's header and records: packing and unpacking at the
// documented offsets, the name forms, block lengths, and the fingerprints of both layouts.
#include "engine/files/instrument_file_layout.h"

#include <cstring>
#include <iterator>

namespace {

// The header's fields as the fingerprint lists them (the fingerprint word itself excluded).
constexpr RSKLAYOUTFIELD kHeaderFields[] = {
    {4, 8}, {12, 40}, {52, 1}, {56, 8}, {64, 8}, {72, 8}, {80, 2},
    {82, 2}, {84, 2}, {86, 2}, {88, 2}, {92, 40}, {132, 40},
};
// The record's fields in layout order.
constexpr RSKLAYOUTFIELD kRecordFields[] = {
    {0, 4}, {4, 4}, {8, 4}, {12, 4}, {16, 40}, {56, 264}, {320, 40}, {360, 4},
    {364, 2}, {368, 4}, {372, 4}, {376, 2}, {378, 1}, {380, 8}, {388, 40},
};

// Header offsets.
constexpr size_t kHeadStamp = 4, kHeadDefinition = 12, kHeadKind = 52, kHeadCreated = 56, kHeadModified = 64,
                 kHeadCount = 72, kHeadTypes = 80, kHeadLists = 82, kHeadLongType = 84, kHeadLongId = 86,
                 kHeadLongSource = 88, kHeadPosition = 92, kHeadSystem = 132;
// Record offsets.
constexpr size_t kRecType = 0, kRecValueLength = 4, kRecFingerprint = 8, kRecChecksum = 12, kRecTypeName = 16,
                 kRecId = 56, kRecSource = 320, kRecCount = 360, kRecWidth = 364, kRecQuad = 368, kRecCash = 372;

// A name form: i16 capacity, i16 length, u32 address (written 0), text. Bytes past the
// length are written zero so that two writes of one file are byte-identical.
void put_form(unsigned char* at, int16_t capacity, int length, const char* text, int text_size) {
    std::memset(at, 0, 8 + static_cast<size_t>(text_size));
    if (length < 0) length = 0;
    if (length > text_size) length = text_size;
    tran_put_i16(at, capacity);
    tran_put_i16(at + 2, static_cast<int16_t>(length));
    if (length > 0) std::memcpy(at + 8, text, static_cast<size_t>(length));
}

// The stored length of a form: at byte 2, or at byte 4 when the writer's engine kept length
// and capacity in the address word.
int16_t form_length(const unsigned char* at, int swapped) { return tran_get_i16(at + (swapped ? 4 : 2)); }

// Decodes a 40-byte name form; a length outside 0 to 32 gives an empty name and false.
bool get_name(const unsigned char* at, int swapped, RSKTRANNAME* name) {
    int16_t length = form_length(at, swapped);
    std::memcpy(name->text, at + 8, kNameFormText);
    if (length < 0 || length > kNameFormText) {
        name->length = 0;
        return false;
    }
    name->length = length;
    return true;
}

}  // namespace

void tran_put_u32(unsigned char* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(value >> (8 * i));
}

uint32_t tran_get_u32(const unsigned char* at) {
    uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | at[i];
    return value;
}

void tran_put_i16(unsigned char* at, int16_t value) {
    const auto bits = static_cast<uint16_t>(value);
    at[0] = static_cast<unsigned char>(bits);
    at[1] = static_cast<unsigned char>(bits >> 8);
}

int16_t tran_get_i16(const unsigned char* at) {
    return static_cast<int16_t>(static_cast<uint16_t>(at[0] | (at[1] << 8)));
}

void tran_put_f64(unsigned char* at, double value) {
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

double tran_get_f64(const unsigned char* at) {
    uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = (bits << 8) | at[i];
    double value = 0;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t rsklayout_fingerprint(uint32_t record_size, const RSKLAYOUTFIELD* fields, int count) {
    uint32_t h = record_size;
    for (int i = 0; i < count; ++i) h = (1289u * h + 101u * fields[i].offset + fields[i].size) % 1664407u;
    return h;
}

uint32_t tran_header_fingerprint() {
    return rsklayout_fingerprint(kTranHeaderBytes, kHeaderFields, static_cast<int>(std::size(kHeaderFields)));
}

uint32_t tran_record_fingerprint() {
    return rsklayout_fingerprint(kTranRecordBytes, kRecordFields, static_cast<int>(std::size(kRecordFields)));
}

void tran_pack_header(const RSKTRANHEAD* head, unsigned char* out) {
    std::memset(out, 0, kTranHeaderBytes);
    tran_put_u32(out, head->fingerprint);
    std::memcpy(out + kHeadStamp, head->stamp, 8);
    put_form(out + kHeadDefinition, kNameFormText, head->definition.length, head->definition.text, kNameFormText);
    out[kHeadKind] = static_cast<unsigned char>(head->kind);
    tran_put_f64(out + kHeadCreated, head->created);
    tran_put_f64(out + kHeadModified, head->modified);
    tran_put_f64(out + kHeadCount, head->count);
    tran_put_i16(out + kHeadTypes, head->types_used);
    tran_put_i16(out + kHeadLists, head->value_lists);
    tran_put_i16(out + kHeadLongType, head->longest_type);
    tran_put_i16(out + kHeadLongId, head->longest_id);
    tran_put_i16(out + kHeadLongSource, head->longest_source);
    put_form(out + kHeadPosition, kNameFormText, head->position_name.length, head->position_name.text,
             kNameFormText);
    put_form(out + kHeadSystem, kNameFormText, head->system.length, head->system.text, kNameFormText);
}

void tran_unpack_header(const unsigned char* in, int swapped_names, RSKTRANHEAD* head) {
    std::memset(head, 0, sizeof *head);
    head->fingerprint = tran_get_u32(in);
    std::memcpy(head->stamp, in + kHeadStamp, 8);
    get_name(in + kHeadDefinition, swapped_names, &head->definition);
    head->kind = static_cast<char>(in[kHeadKind]);
    head->created = tran_get_f64(in + kHeadCreated);
    head->modified = tran_get_f64(in + kHeadModified);
    head->count = tran_get_f64(in + kHeadCount);
    head->types_used = tran_get_i16(in + kHeadTypes);
    head->value_lists = tran_get_i16(in + kHeadLists);
    head->longest_type = tran_get_i16(in + kHeadLongType);
    head->longest_id = tran_get_i16(in + kHeadLongId);
    head->longest_source = tran_get_i16(in + kHeadLongSource);
    get_name(in + kHeadPosition, swapped_names, &head->position_name);
    get_name(in + kHeadSystem, swapped_names, &head->system);
}

void tran_pack_record(const RSKTRANREC* record, unsigned char* out) {
    std::memset(out, 0, kTranRecordBytes);
    tran_put_u32(out + kRecType, record->type);
    tran_put_u32(out + kRecValueLength, record->value_length);
    tran_put_u32(out + kRecFingerprint, record->fingerprint);
    tran_put_u32(out + kRecChecksum, record->checksum);
    put_form(out + kRecTypeName, kNameFormText, record->type_name.length, record->type_name.text, kNameFormText);
    put_form(out + kRecId, 0, record->id_length, record->id, kIdFormText);
    put_form(out + kRecSource, 0, record->source.length, record->source.text, kNameFormText);
    tran_put_u32(out + kRecCount, record->count);
    tran_put_i16(out + kRecWidth, record->value_width);
    tran_put_u32(out + kRecQuad, record->quad_length);
    tran_put_u32(out + kRecCash, record->cash_length);
}

int tran_unpack_record(const unsigned char* in, int swapped_names, RSKTRANREC* record) {
    std::memset(record, 0, sizeof *record);
    record->type = tran_get_u32(in + kRecType);
    record->value_length = tran_get_u32(in + kRecValueLength);
    record->fingerprint = tran_get_u32(in + kRecFingerprint);
    record->checksum = tran_get_u32(in + kRecChecksum);
    record->count = tran_get_u32(in + kRecCount);
    record->value_width = tran_get_i16(in + kRecWidth);
    record->quad_length = tran_get_u32(in + kRecQuad);
    record->cash_length = tran_get_u32(in + kRecCash);
    const bool type_ok = get_name(in + kRecTypeName, swapped_names, &record->type_name);
    const bool source_ok = get_name(in + kRecSource, swapped_names, &record->source);
    const int16_t id_length = form_length(in + kRecId, swapped_names);
    std::memcpy(record->id, in + kRecId + 8, kIdFormText);
    const bool id_ok = id_length >= 0 && id_length <= kIdFormText;
    record->id_length = id_ok ? id_length : 0;

    // Only records that name a type (instruments and type records) need a type name.
    if (!type_ok || (record->type_name.length == 0 && (record->type == RSKTREC_INSTRUMENT ||
                                                       record->type == RSKTREC_CLASS)))
        return RSKTREC_TYPE_NAME;
    if (!id_ok) return RSKTREC_ID;
    if (!source_ok) return RSKTREC_SOURCE;
    // One count serves both blocks, so a record may carry at most one, and its length must be
    // the one its count gives.
    if (record->quad_length > 0 && record->cash_length > 0) return RSKTREC_BLOCKS;
    if (record->quad_length > 0 && (record->count == 0 || record->quad_length != tran_quad_bytes(record->count)))
        return RSKTREC_BLOCKS;
    if (record->cash_length > 0 && (record->count == 0 || record->cash_length != tran_cash_bytes(record->count)))
        return RSKTREC_BLOCKS;
    return RSKTREC_OK;
}

uint32_t tran_quad_bytes(uint32_t n) {
    const uint64_t bytes = 12 + 64 * static_cast<uint64_t>(n) + 4 * static_cast<uint64_t>(n) * (n + 1ull);
    return bytes > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(bytes);
}

uint32_t tran_cash_bytes(uint32_t m) {
    const uint64_t bytes = 4 + 19 * static_cast<uint64_t>(m);
    return bytes > 0xFFFFFFFFull ? 0 : static_cast<uint32_t>(bytes);
}
