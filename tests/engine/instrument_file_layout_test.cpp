// The stored images of instrument files without an engine: the published fingerprints, name
// forms written by the second library engine, block lengths and the lengths a record may carry.
#include <gtest/gtest.h>

#include <cstring>

#include "engine/files/instrument_file_layout.h"

namespace {

// A record image whose three name forms keep length and capacity at bytes 4 and 6.
void swap_forms(unsigned char* image) {
    for (size_t at : {size_t{16}, size_t{56}, size_t{320}}) {
        unsigned char* form = image + at;
        std::memcpy(form + 4, form + 2, 2);   // length
        std::memcpy(form + 6, form, 2);       // capacity
        std::memset(form, 0xEE, 4);           // what the other engine leaves there
    }
}

}  // namespace

TEST(InstrumentFileLayout, FingerprintsAreThePublishedValues) {
    EXPECT_EQ(tran_header_fingerprint(), 272629u);
    EXPECT_EQ(tran_record_fingerprint(), 1153830u);
    // Moving one field changes the fingerprint.
    const RSKLAYOUTFIELD moved[] = {{0, 4}, {4, 4}, {8, 4}, {12, 4}, {16, 40}, {56, 264}, {320, 40}, {360, 4},
                                    {364, 2}, {368, 4}, {372, 4}, {376, 2}, {378, 1}, {380, 8}, {392, 40}};
    EXPECT_NE(rsklayout_fingerprint(428, moved, 15), 1153830u);
}

TEST(InstrumentFileLayout, RecordsOfTheSecondEngineAreReadWithSwappedNameForms) {
    RSKTRANREC record{};
    record.type = RSKTREC_INSTRUMENT;
    record.type_name.length = 4;
    std::memcpy(record.type_name.text, "Call", 4);
    record.id_length = 6;
    std::memcpy(record.id, "ID-001", 6);
    record.source.length = 3;
    std::memcpy(record.source.text, "src", 3);
    unsigned char image[kTranRecordBytes];
    tran_pack_record(&record, image);
    swap_forms(image);
    RSKTRANREC back{};
    EXPECT_EQ(tran_unpack_record(image, 1, &back), RSKTREC_OK);
    EXPECT_EQ(std::string(back.type_name.text, back.type_name.length), "Call");
    EXPECT_EQ(std::string(back.id, back.id_length), "ID-001");
    EXPECT_EQ(std::string(back.source.text, back.source.length), "src");
    // Read as this engine's layout, the same bytes are a damaged record.
    EXPECT_NE(tran_unpack_record(image, 0, &back), RSKTREC_OK);
}

TEST(InstrumentFileLayout, BlockLengthsAndTheLengthsARecordMayCarry) {
    EXPECT_EQ(tran_quad_bytes(3), 12u + 64 * 3 + 4 * 3 * 4);
    EXPECT_EQ(tran_cash_bytes(300), 4u + 19 * 300);
    EXPECT_EQ(tran_quad_bytes(40000), 0u);   // beyond the 32-bit length field
    struct Case {
        const char* what;
        int16_t type_length, id_length, source_length;
        uint32_t count, quad, cash;
        int problem;
    } cases[] = {
        {"good", 4, 256, 32, 3, tran_quad_bytes(3), 0, RSKTREC_OK},
        {"good cash flows", 4, 0, 0, 2, 0, tran_cash_bytes(2), RSKTREC_OK},
        {"type name empty", 0, 1, 1, 0, 0, 0, RSKTREC_TYPE_NAME},
        {"type name 33", 33, 1, 1, 0, 0, 0, RSKTREC_TYPE_NAME},
        {"InstID 257", 4, 257, 1, 0, 0, 0, RSKTREC_ID},
        {"InstID negative", 4, -1, 1, 0, 0, 0, RSKTREC_ID},
        {"InstSource 33", 4, 1, 33, 0, 0, 0, RSKTREC_SOURCE},
        {"both blocks", 4, 1, 1, 2, tran_quad_bytes(2), tran_cash_bytes(2), RSKTREC_BLOCKS},
        {"quadratic length of another count", 4, 1, 1, 2, tran_quad_bytes(3), 0, RSKTREC_BLOCKS},
        {"cash flows without a count", 4, 1, 1, 0, 0, 4, RSKTREC_BLOCKS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RSKTRANREC record{};
        record.type = RSKTREC_INSTRUMENT;
        record.type_name.length = 4;
        std::memcpy(record.type_name.text, "Call", 4);
        unsigned char image[kTranRecordBytes];
        tran_pack_record(&record, image);
        // The lengths go in raw, as a damaged file would carry them.
        tran_put_i16(image + 18, c.type_length);
        tran_put_i16(image + 58, c.id_length);
        tran_put_i16(image + 322, c.source_length);
        tran_put_u32(image + 360, c.count);
        tran_put_u32(image + 368, c.quad);
        tran_put_u32(image + 372, c.cash);
        RSKTRANREC back{};
        EXPECT_EQ(tran_unpack_record(image, 0, &back), c.problem);
    }
}
