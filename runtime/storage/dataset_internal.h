// Runtime-internal side of data sets: the open data set record, the stored layout, and the
// helpers that the data set service files share (file format, buffers, messages).
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "host/dataset.h"

namespace qor::runtime {

// One variable as stored.
struct ds_variable {
    std::string name;             // case kept, at most 32 characters
    int type = QOR_VAR_NUMERIC;
    int length = 8;
    int offset = 0;               // byte position inside an observation
    std::string label;
    std::string format;
    int format_width = 0;
    int format_decimals = 0;
    std::string informat;
    int informat_width = 0;
    int informat_decimals = 0;
};

// Everything the header and the descriptors hold.
struct ds_layout {
    int64_t observations = 0;
    int32_t record_length = 0;
    double created = 0;
    double modified = 0;
    std::string label;
    qor_sort_keys sort_keys{};
    std::vector<ds_variable> variables;   // append only through ds_add_variable
    // Index of each variable by its upper-cased name, kept by ds_add_variable.
    std::unordered_map<std::string, int> index_by_name;
};

// Sizes of the stored parts (docs/formats.md, "Data set files").
constexpr size_t kDsHeaderBytes = 512;
constexpr size_t kDsDescriptorBytes = 384;
constexpr uint16_t kDsVersion = 1;
constexpr int kDsMaxVariables = 32767;
// Limits of a format or informat name the format registry does not know.
constexpr int kDsLargestFormatWidth = 32767;
constexpr int kDsLargestFormatDecimals = 31;

// Offset of the first observation for a variable count.
inline uint64_t ds_data_offset(size_t variable_count) {
    return kDsHeaderBytes + static_cast<uint64_t>(variable_count) * kDsDescriptorBytes;
}

// Checks and decodes the header and descriptors of a file of file_size bytes whose first
// `available` bytes are at `bytes`. 0, or QOR_DS_DAMAGED with the reason in *why.
int ds_decode_layout(const unsigned char* bytes, size_t available, uint64_t file_size,
                     ds_layout* out, std::string* why);
// Encodes header and descriptors (ds_data_offset(variables) bytes).
std::vector<unsigned char> ds_encode_layout(const ds_layout& layout);

// A number kept in its most significant `length` bytes, and back (the rest zero). Full
// 8-byte numbers, nearly all of them, are one inline copy; shorter ones go out of line.
void ds_store_short_number(unsigned char* to, int length, double value);
double ds_load_short_number(const unsigned char* from, int length);
inline void ds_store_number(unsigned char* to, int length, double value) {
    if (length == 8) std::memcpy(to, &value, 8);
    else ds_store_short_number(to, length, value);
}
inline double ds_load_number(const unsigned char* from, int length) {
    if (length != 8) return ds_load_short_number(from, length);
    double value;
    std::memcpy(&value, from, 8);
    return value;
}
// The empty observation: missing numbers, blank characters.
void ds_blank_record(const ds_layout& layout, unsigned char* record);

// Variable-name rules: printable, no blanks or NULs, 1..32 characters after cutting.
// Returns the name cut to 32 with trailing blanks dropped; empty when not valid.
std::string ds_clean_name(const char* name, size_t length);
// A format or informat (`what`) of a descriptor within the limits the FORMAT and INFORMAT
// statements keep: no name with width and decimals 0, or a name with a width of 0 (none given)
// or within the format's widths, and decimals within its decimals (for a name the registry does
// not know: widths 1 to 32767, decimals 0 to 31). false with the field and its limits in *why.
bool ds_format_fields_ok(const char* what, const std::string& name, int width, int decimals,
                         std::string* why);
// Index of a variable by name (case ignored), or -1.
int ds_find_variable(const ds_layout& layout, std::string_view name);
// Appends a variable whose name no variable of the layout has (case ignored) and indexes it.
void ds_add_variable(ds_layout* layout, ds_variable variable);

// Seconds since 1970 now.
double ds_now();

}  // namespace qor::runtime

// An open data set.
struct qor_dataset {
    int access = QOR_OPEN_INPUT;  // QOR_OPEN_INPUT, QOR_OPEN_OUTPUT or QOR_OPEN_UPDATE
    int64_t serial = 0;           // tells record ids of different opens apart
    std::string name;             // LIBREF.MEMBER for messages
    std::string path;             // the member's file
    std::string temp_path;        // output and update: the file being written
    int fd = -1;                  // output and update: open on temp_path
    const unsigned char* map = nullptr;  // input: the mapped file
    size_t map_size = 0;
    qor::runtime::ds_layout layout;
    uint64_t data_offset = 0;
    bool layout_fixed = false;    // after xvsele or the first observation
    bool write_failed = false;    // a write went wrong: closing abandons
    bool no_replace = false;      // output: closing never replaces an existing member
    bool scratch = false;         // a WORK member: gone with the session, so closing does not
                                  // wait for the disk (a crash loses WORK either way)
    int64_t current = 0;          // current observation, 0 when none
    int64_t next = 1;             // observation the next sequential read delivers
    const unsigned char* current_bytes = nullptr;  // the current observation's stored bytes
    std::vector<unsigned char> record;    // output and update: the observation buffer
    std::vector<unsigned char> read_copy; // output and update: the current observation
    std::vector<unsigned char> pending;   // appended observations not yet in the file
    // Update (and output reopened for update): a block of consecutive observations of the file,
    // read in one go so that a sequential pass costs one read per block, not per observation.
    std::vector<unsigned char> read_block;
    int64_t block_first = 1;      // observation number of the block's first observation
    int64_t block_count = 0;      // observations in the block; 0: empty
    bool block_dirty = false;     // the block holds rewritten observations not yet in the file
    int64_t written = 0;          // observations already in the file
};

namespace qor::runtime {

// Damage message: "ERROR: The data set <name> (<path>) is damaged: <why>." and the code.
int ds_report_damage(const std::string& name, const std::string& path, const std::string& why);
// Writes rewritten and pending observations to the file: 0 or QOR_DS_IO_ERROR (and
// write_failed set).
int ds_flush_pending(qor_dataset* ds);
// Reads observation k (1-based, in range) and makes it current: 0 or a failure.
int ds_make_current(qor_dataset* ds, int64_t k);
// Rewrites observation k (in the file) with `bytes`: in the read block when it holds k (the
// file follows with ds_flush_pending), else in the file. 0 or QOR_DS_IO_ERROR.
int ds_rewrite(qor_dataset* ds, int64_t k, const unsigned char* bytes);
// Forgets the read block (after ds_flush_pending, before observations move in the file).
inline void ds_block_forget(qor_dataset* ds) { ds->block_count = 0; }
// The stored bytes of observation k (1-based, in range) without making it current: a pointer
// into the mapping, or into *scratch. Null when the read fails.
const unsigned char* ds_peek(qor_dataset* ds, int64_t k, std::vector<unsigned char>* scratch);
// Defines a variable from a description (or finds the existing one of its name); its
// 0-based index in *index. 0 or a failure.
int ds_define_variable(qor_dataset* ds, const qor_var_desc* desc, int* index);
// Fixes the variables of an output data set: no more definitions, observations may follow.
void ds_fix_layout(qor_dataset* ds);
// Opens the data member of a library for an access (QOR_OPEN_*). 0 or a failure.
int ds_open_member(const std::string& libref, const std::string& member, int access,
                   qor_dataset** out);
// Writes all of `bytes` at `offset`: 0 or QOR_DS_IO_ERROR.
int ds_write_at(int fd, const void* bytes, size_t count, uint64_t offset);
// Reads exactly `count` bytes at `offset`: 0 or QOR_DS_IO_ERROR.
int ds_read_at(int fd, void* bytes, size_t count, uint64_t offset);

}  // namespace qor::runtime
