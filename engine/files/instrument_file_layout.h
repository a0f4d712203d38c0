// The stored layout of instrument utility files: header and record images, the name forms,
// the quadratic and cash-flow blocks, and the layout fingerprints computed from field tables.
#pragma once
#include <cstddef>
#include <cstdint>

// Sizes of the stored records (little-endian, packed as documented in docs/formats.md).
constexpr size_t kTranHeaderBytes = 172;
constexpr size_t kTranRecordBytes = 428;
constexpr size_t kNameFormBytes = 40;
constexpr size_t kIdFormBytes = 264;
constexpr int kNameFormText = 32;
constexpr int kIdFormText = 256;
// A factor entry of a quadratic value: the blank-padded name, then 8 bytes that the stored
// block keeps zero and that rsktrax fills in memory with the risk factor the name binds to.
constexpr size_t kQuadFactorBytes = 40;
constexpr size_t kRskFactorNameBytes = 32;
// The two 4-byte words before the entries of a composite value in memory.
constexpr size_t kRskCompositeHeader = 8;
constexpr char kTranStamp[9] = "QJ 3.0  ";

// Record types of the instrument record layout: 1 in the instrument member, 2 to 4 in the
// information member.
enum : uint32_t { RSKTREC_INSTRUMENT = 1, RSKTREC_CLASS = 2, RSKTREC_VALUES = 3, RSKTREC_BUFSIZE = 4 };

// One field of a stored layout, as the fingerprint sees it.
struct RSKLAYOUTFIELD {
    uint32_t offset;
    uint32_t size;
};

// The layout fingerprint: h = record size, then h = (1289 h + 101 offset + size) mod 1664407
// for every field in layout order.
uint32_t rsklayout_fingerprint(uint32_t record_size, const RSKLAYOUTFIELD* fields, int count);
// The fingerprints of this build's header and record layouts (272629 and 1153830).
uint32_t tran_header_fingerprint();
uint32_t tran_record_fingerprint();

// A name form in memory: its length and text (not terminated).
struct RSKTRANNAME {
    int16_t length;
    char text[kNameFormText];
};

// The header of both members, decoded.
struct RSKTRANHEAD {
    uint32_t fingerprint;
    char stamp[8];
    RSKTRANNAME definition;
    char kind;                       // 'T' instrument member, 'I' information member
    double created;                  // host date-time; both members carry the same value
    double modified;
    double count;                    // instruments written
    int16_t types_used;              // NTYPES
    int16_t value_lists;             // NVALLIST
    int16_t longest_type;
    int16_t longest_id;
    int16_t longest_source;
    RSKTRANNAME position_name;       // POSNAME
    RSKTRANNAME system;              // operating-system identification of the writer
};

// The instrument record (and the records of the information member), decoded.
struct RSKTRANREC {
    uint32_t type;
    uint32_t value_length;
    uint32_t fingerprint;
    uint32_t checksum;               // the instrument type's layout checksum
    RSKTRANNAME type_name;
    int16_t id_length;
    char id[kIdFormText];
    RSKTRANNAME source;
    uint32_t count;                  // entries of the quadratic or the cash-flow block
    int16_t value_width;             // information member: bytes of one value
    uint32_t quad_length;
    uint32_t cash_length;
};

// Builds the 172-byte header image.
void tran_pack_header(const RSKTRANHEAD* head, unsigned char* out);
// Decodes a header image. With `swapped_names` (files of the second library engine) the name
// forms keep length and capacity at bytes 4 and 6. A name whose length is outside 0 to 32 is
// taken as empty. Never reads beyond 172 bytes.
void tran_unpack_header(const unsigned char* in, int swapped_names, RSKTRANHEAD* head);

// Builds the 428-byte record image; every field not named in RSKTRANREC is written zero.
void tran_pack_record(const RSKTRANREC* record, unsigned char* out);

// What is wrong with a decoded record image, in the order a reader checks it.
enum : int {
    RSKTREC_OK = 0,
    RSKTREC_TYPE_NAME = 1,           // type-name length outside 1 to 32
    RSKTREC_ID = 2,                  // InstID length outside 0 to 256
    RSKTREC_SOURCE = 3,              // InstSource length outside 0 to 32
    RSKTREC_BLOCKS = 4,              // a block length that does not match its count, or both
};
// Decodes a record image (the same name-form swap as the header) and checks every length it
// carries against its field. RSKTREC_OK or the first problem; the decoded fields are filled
// (lengths cut to their field) either way.
int tran_unpack_record(const unsigned char* in, int swapped_names, RSKTRANREC* record);

// Bytes of the stored blocks for n quadratic factors and m cash flows; 0 when the count is so
// large that the length would not fit the record's 32-bit field.
uint32_t tran_quad_bytes(uint32_t n);
uint32_t tran_cash_bytes(uint32_t m);

// Little-endian scalars at any offset of an image.
void tran_put_u32(unsigned char* at, uint32_t value);
uint32_t tran_get_u32(const unsigned char* at);
void tran_put_i16(unsigned char* at, int16_t value);
int16_t tran_get_i16(const unsigned char* at);
void tran_put_f64(unsigned char* at, double value);
double tran_get_f64(const unsigned char* at);
