// The stored form of a data set: little-endian header and variable descriptors, numbers in
// their most significant bytes. Every length and offset is checked against the file size.
#include <bit>
#include <cctype>
#include <chrono>
#include <cmath>
#include <cstring>

#include "host/formats.h"
#include "host/missing.h"
#include "runtime/storage/dataset_internal.h"

static_assert(std::endian::native == std::endian::little, "data set files are little-endian");

namespace qor::runtime {
namespace {

constexpr char kMagic[8] = {'Q', 'O', 'R', '7', 'B', 'D', 'A', 'T'};

// Header field offsets.
enum : size_t {
    H_MAGIC = 0, H_VERSION = 8, H_HEADER_BYTES = 10, H_DESCRIPTOR_BYTES = 12,
    H_OBSERVATIONS = 16, H_RECORD_LENGTH = 24, H_VARIABLES = 28, H_CREATED = 32,
    H_MODIFIED = 40, H_SORT_COUNT = 48, H_SORT_KEYS = 52, H_LABEL_LENGTH = 116, H_LABEL = 118,
};
// Descriptor field offsets.
enum : size_t {
    D_NAME_LENGTH = 0, D_NAME = 2, D_TYPE = 34, D_LENGTH = 36, D_OFFSET = 40,
    D_LABEL_LENGTH = 44, D_LABEL = 46, D_FORMAT_LENGTH = 302, D_FORMAT = 304,
    D_FORMAT_WIDTH = 336, D_FORMAT_DECIMALS = 338, D_INFORMAT_LENGTH = 340, D_INFORMAT = 342,
    D_INFORMAT_WIDTH = 374, D_INFORMAT_DECIMALS = 376,
};

template <typename T> T get(const unsigned char* p) { T v; std::memcpy(&v, p, sizeof v); return v; }
template <typename T> void put(unsigned char* p, T v) { std::memcpy(p, &v, sizeof v); }

// A counted text field of at most max bytes whose unused bytes are zero, as they are written;
// false when the count is out of range or a byte after the text is not zero.
bool get_text(const unsigned char* p, size_t count_at, size_t text_at, size_t max, std::string* out) {
    uint16_t n = get<uint16_t>(p + count_at);
    if (n > max) return false;
    for (size_t i = n; i < max; ++i)
        if (p[text_at + i] != 0) return false;
    out->assign(reinterpret_cast<const char*>(p + text_at), n);
    return true;
}

void put_text(unsigned char* p, size_t count_at, size_t text_at, size_t max, const std::string& text) {
    size_t n = text.size() < max ? text.size() : max;
    put<uint16_t>(p + count_at, static_cast<uint16_t>(n));
    std::memcpy(p + text_at, text.data(), n);
}

// The first of bytes [from, to) that is not zero, or -1.
long first_nonzero(const unsigned char* p, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (p[i] != 0) return static_cast<long>(i);
    return -1;
}

int decode_variable(const unsigned char* d, int index, ds_variable* v, std::string* why) {
    std::string raw;
    auto fail = [&](const std::string& what) {
        *why = "variable " + std::to_string(index + 1) + (v->name.empty() ? "" : " (" + v->name + ")") +
               " has " + what;
        return QOR_DS_DAMAGED;
    };
    if (!get_text(d, D_NAME_LENGTH, D_NAME, QOR_VAR_NAME_MAX, &raw)) return fail("a bad name length or name padding");
    if (ds_clean_name(raw.data(), raw.size()) != raw || raw.empty()) return fail("a bad name");
    v->name = raw;
    v->type = d[D_TYPE];
    v->length = get<int32_t>(d + D_LENGTH);
    v->offset = get<int32_t>(d + D_OFFSET);
    if (v->type == QOR_VAR_NUMERIC) {
        if (v->length < QOR_NUMERIC_MIN_LENGTH || v->length > QOR_NUMERIC_MAX_LENGTH)
            return fail("a bad numeric length " + std::to_string(v->length));
    } else if (v->type == QOR_VAR_CHARACTER) {
        if (v->length < 1 || v->length > QOR_CHARACTER_MAX_LENGTH)
            return fail("a bad character length " + std::to_string(v->length));
    } else {
        return fail("a bad type " + std::to_string(v->type));
    }
    if (d[D_TYPE + 1] != 0) return fail("a non-zero reserved byte at descriptor offset 35");
    if (!get_text(d, D_LABEL_LENGTH, D_LABEL, QOR_VAR_LABEL_MAX, &v->label)) return fail("a bad label length or label padding");
    if (!get_text(d, D_FORMAT_LENGTH, D_FORMAT, QOR_VAR_NAME_MAX, &v->format)) return fail("a bad format name length or format name padding");
    if (!get_text(d, D_INFORMAT_LENGTH, D_INFORMAT, QOR_VAR_NAME_MAX, &v->informat)) return fail("a bad informat name length or informat name padding");
    v->format_width = get<int16_t>(d + D_FORMAT_WIDTH);
    v->format_decimals = get<int16_t>(d + D_FORMAT_DECIMALS);
    v->informat_width = get<int16_t>(d + D_INFORMAT_WIDTH);
    v->informat_decimals = get<int16_t>(d + D_INFORMAT_DECIMALS);
    std::string problem;
    if (!ds_format_fields_ok("format", v->format, v->format_width, v->format_decimals, &problem) ||
        !ds_format_fields_ok("informat", v->informat, v->informat_width, v->informat_decimals, &problem))
        return fail("a bad " + problem);
    if (long at = first_nonzero(d, D_INFORMAT_DECIMALS + 2, kDsDescriptorBytes); at >= 0)
        return fail("a non-zero reserved byte at descriptor offset " + std::to_string(at));
    return 0;
}

}  // namespace

bool ds_format_fields_ok(const char* what, const std::string& name, int width, int decimals,
                         std::string* why) {
    auto fail = [&](const std::string& field, int value, const std::string& rule) {
        *why = std::string(what) + " " + field + " " + std::to_string(value) + " " + rule;
        return false;
    };
    if (name.empty()) {
        if (width != 0) return fail("width", width, "without a name");
        if (decimals != 0) return fail("decimals", decimals, "without a name");
        return true;
    }
    for (unsigned char c : name) {
        if (!(std::isalnum(c) || c == '_' || c == '$')) {
            *why = std::string(what) + " name " + name + " (letters, digits, _ and $ only)";
            return false;
        }
    }
    // A name this host does not know (data sets may come from hosts with more formats) is
    // shown plainly; it keeps the limits shared by every format.
    qor_format_info info{};
    if (xfrname(nullptr, name.data(), static_cast<int>(name.size()), 0, &info, nullptr) != 0) {
        info.min_width = 1;
        info.max_width = kDsLargestFormatWidth;
        info.min_decimals = 0;
        info.max_decimals = kDsLargestFormatDecimals;
    }
    if (width != 0 && (width < info.min_width || width > info.max_width))
        return fail("width", width, "for " + name + " (" + std::to_string(info.min_width) + " to " +
                                        std::to_string(info.max_width) + ", or 0 for none)");
    if (decimals < info.min_decimals || decimals > info.max_decimals)
        return fail("decimals", decimals, "for " + name + " (" + std::to_string(info.min_decimals) +
                                              " to " + std::to_string(info.max_decimals) + ")");
    return true;
}

int ds_decode_layout(const unsigned char* bytes, size_t available, uint64_t file_size,
                     ds_layout* out, std::string* why) {
    if (available > file_size) available = static_cast<size_t>(file_size);
    if (available < kDsHeaderBytes) { *why = "the file is shorter than a header"; return QOR_DS_DAMAGED; }
    if (std::memcmp(bytes + H_MAGIC, kMagic, 8) != 0) { *why = "it is not a data set file"; return QOR_DS_DAMAGED; }
    if (get<uint16_t>(bytes + H_VERSION) != kDsVersion) {
        *why = "version " + std::to_string(get<uint16_t>(bytes + H_VERSION)) + " is not known";
        return QOR_DS_DAMAGED;
    }
    if (get<uint16_t>(bytes + H_HEADER_BYTES) != kDsHeaderBytes ||
        get<uint16_t>(bytes + H_DESCRIPTOR_BYTES) != kDsDescriptorBytes) {
        *why = "the header sizes are wrong";
        return QOR_DS_DAMAGED;
    }
    if (get<uint16_t>(bytes + H_DESCRIPTOR_BYTES + 2) != 0) {
        *why = "the header's reserved bytes at offset 14 are not zero";
        return QOR_DS_DAMAGED;
    }
    if (long at = first_nonzero(bytes, H_LABEL + size_t{QOR_DS_LABEL_MAX}, kDsHeaderBytes); at >= 0) {
        *why = "the header's reserved byte at offset " + std::to_string(at) + " is not zero";
        return QOR_DS_DAMAGED;
    }
    int64_t observations = get<int64_t>(bytes + H_OBSERVATIONS);
    int32_t record_length = get<int32_t>(bytes + H_RECORD_LENGTH);
    int32_t count = get<int32_t>(bytes + H_VARIABLES);
    if (count < 0 || count > kDsMaxVariables) { *why = "the variable count is out of range"; return QOR_DS_DAMAGED; }
    uint64_t data_offset = ds_data_offset(static_cast<size_t>(count));
    if (data_offset > file_size || data_offset > available) {
        *why = "the variable descriptors go past the end of the file";
        return QOR_DS_DAMAGED;
    }
    ds_layout layout;
    layout.observations = observations;
    layout.record_length = record_length;
    layout.created = get<double>(bytes + H_CREATED);
    layout.modified = get<double>(bytes + H_MODIFIED);
    if (!std::isfinite(layout.created) || !std::isfinite(layout.modified)) {
        *why = "the creation or modification time is not a number";
        return QOR_DS_DAMAGED;
    }
    if (!get_text(bytes, H_LABEL_LENGTH, H_LABEL, QOR_DS_LABEL_MAX, &layout.label)) {
        *why = "the label length is out of range or the label padding is not zero";
        return QOR_DS_DAMAGED;
    }
    layout.variables.reserve(static_cast<size_t>(count));
    layout.index_by_name.reserve(static_cast<size_t>(count));
    int64_t offset = 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char* d = bytes + kDsHeaderBytes + static_cast<size_t>(i) * kDsDescriptorBytes;
        ds_variable v;
        if (int rc = decode_variable(d, i, &v, why)) return rc;
        if (v.offset != offset) { *why = "variable " + v.name + " is not where it belongs"; return QOR_DS_DAMAGED; }
        offset += v.length;
        if (ds_find_variable(layout, v.name) >= 0) { *why = "variable " + v.name + " appears twice"; return QOR_DS_DAMAGED; }
        ds_add_variable(&layout, std::move(v));
    }
    if (offset != record_length) { *why = "the record length does not match the variables"; return QOR_DS_DAMAGED; }
    int32_t keys = get<int32_t>(bytes + H_SORT_COUNT);
    if (keys < 0 || keys > QOR_SORT_KEYS_MAX) { *why = "the sort key count is out of range"; return QOR_DS_DAMAGED; }
    layout.sort_keys.count = keys;
    for (int i = 0; i < keys; ++i) {
        int32_t n = get<int32_t>(bytes + H_SORT_KEYS + 4 * static_cast<size_t>(i));
        if (n == 0 || n > count || n < -count) { *why = "a sort key names no variable"; return QOR_DS_DAMAGED; }
        layout.sort_keys.numbers[i] = n;
    }
    for (int i = keys; i < QOR_SORT_KEYS_MAX; ++i) {
        if (get<int32_t>(bytes + H_SORT_KEYS + 4 * static_cast<size_t>(i)) != 0) {
            *why = "sort key slot " + std::to_string(i + 1) + " beyond the sort key count is not zero";
            return QOR_DS_DAMAGED;
        }
    }
    uint64_t data_bytes = file_size - data_offset;
    bool sizes_agree = observations >= 0 &&
        (record_length == 0 ? observations == 0 && data_bytes == 0
                            : data_bytes % static_cast<uint64_t>(record_length) == 0 &&
                              data_bytes / static_cast<uint64_t>(record_length) ==
                                  static_cast<uint64_t>(observations));
    if (!sizes_agree) { *why = "the observation count does not match the file size"; return QOR_DS_DAMAGED; }
    *out = std::move(layout);
    return 0;
}

std::vector<unsigned char> ds_encode_layout(const ds_layout& layout) {
    std::vector<unsigned char> out(ds_data_offset(layout.variables.size()), 0);
    unsigned char* h = out.data();
    std::memcpy(h + H_MAGIC, kMagic, 8);
    put<uint16_t>(h + H_VERSION, kDsVersion);
    put<uint16_t>(h + H_HEADER_BYTES, kDsHeaderBytes);
    put<uint16_t>(h + H_DESCRIPTOR_BYTES, kDsDescriptorBytes);
    put<int64_t>(h + H_OBSERVATIONS, layout.observations);
    put<int32_t>(h + H_RECORD_LENGTH, layout.record_length);
    put<int32_t>(h + H_VARIABLES, static_cast<int32_t>(layout.variables.size()));
    put<double>(h + H_CREATED, layout.created);
    put<double>(h + H_MODIFIED, layout.modified);
    put<int32_t>(h + H_SORT_COUNT, layout.sort_keys.count);
    for (int i = 0; i < layout.sort_keys.count; ++i)
        put<int32_t>(h + H_SORT_KEYS + 4 * static_cast<size_t>(i), layout.sort_keys.numbers[i]);
    put_text(h, H_LABEL_LENGTH, H_LABEL, QOR_DS_LABEL_MAX, layout.label);
    for (size_t i = 0; i < layout.variables.size(); ++i) {
        const ds_variable& v = layout.variables[i];
        unsigned char* d = h + kDsHeaderBytes + i * kDsDescriptorBytes;
        put_text(d, D_NAME_LENGTH, D_NAME, QOR_VAR_NAME_MAX, v.name);
        d[D_TYPE] = static_cast<unsigned char>(v.type);
        put<int32_t>(d + D_LENGTH, v.length);
        put<int32_t>(d + D_OFFSET, v.offset);
        put_text(d, D_LABEL_LENGTH, D_LABEL, QOR_VAR_LABEL_MAX, v.label);
        put_text(d, D_FORMAT_LENGTH, D_FORMAT, QOR_VAR_NAME_MAX, v.format);
        put<int16_t>(d + D_FORMAT_WIDTH, static_cast<int16_t>(v.format_width));
        put<int16_t>(d + D_FORMAT_DECIMALS, static_cast<int16_t>(v.format_decimals));
        put_text(d, D_INFORMAT_LENGTH, D_INFORMAT, QOR_VAR_NAME_MAX, v.informat);
        put<int16_t>(d + D_INFORMAT_WIDTH, static_cast<int16_t>(v.informat_width));
        put<int16_t>(d + D_INFORMAT_DECIMALS, static_cast<int16_t>(v.informat_decimals));
    }
    return out;
}

void ds_store_short_number(unsigned char* to, int length, double value) {
    uint64_t bits = bits_of(value);
    std::memcpy(to, reinterpret_cast<const unsigned char*>(&bits) + (8 - length), static_cast<size_t>(length));
}

double ds_load_short_number(const unsigned char* from, int length) {
    uint64_t bits = 0;
    std::memcpy(reinterpret_cast<unsigned char*>(&bits) + (8 - length), from, static_cast<size_t>(length));
    return double_of(bits);
}

void ds_blank_record(const ds_layout& layout, unsigned char* record) {
    for (const ds_variable& v : layout.variables) {
        if (v.type == QOR_VAR_NUMERIC)
            ds_store_number(record + v.offset, v.length, missing());
        else
            std::memset(record + v.offset, ' ', static_cast<size_t>(v.length));
    }
}

std::string ds_clean_name(const char* name, size_t length) {
    if (name == nullptr) return {};
    size_t n = 0;
    while (n < length && name[n] != '\0') ++n;
    if (n > QOR_VAR_NAME_MAX) n = QOR_VAR_NAME_MAX;
    while (n > 0 && name[n - 1] == ' ') --n;
    for (size_t i = 0; i < n; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c <= ' ' || c == 0x7F) return {};
    }
    return std::string(name, n);
}

namespace {

std::string upper_name(std::string_view name) {
    std::string key(name);
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

}  // namespace

int ds_find_variable(const ds_layout& layout, std::string_view name) {
    auto found = layout.index_by_name.find(upper_name(name));
    return found == layout.index_by_name.end() ? -1 : found->second;
}

void ds_add_variable(ds_layout* layout, ds_variable variable) {
    layout->index_by_name.emplace(upper_name(variable.name), static_cast<int>(layout->variables.size()));
    layout->variables.push_back(std::move(variable));
}

double ds_now() {
    using namespace std::chrono;
    return duration<double>(system_clock::now().time_since_epoch()).count();
}

}  // namespace qor::runtime
