// Readers of the list forms of data set objects, ids objects and outputs: each reads its items
// through the list layer and defines the object through the engine, then its variable mappings.
// Also the names of data set formats.
#include <algorithm>
#include <iterator>
#include <string_view>
#include <type_traits>

#include "catalog/form_items.h"
#include "catalog/object_forms.h"
#include "common/intervals/interval_spec.h"
#include "engine/tables/output_records.h"
#include "engine/tables/engine_table.h"
#include "host/print.h"

namespace {

constexpr int kSimpleFormat = 1;
constexpr int kUnknownMarketType = 999;
constexpr char kUnknownText[] = "*unknown*";

RSKNAMEREC record_of(const RSOCHAR& value) {
    size_t length = value.length > 0xFFFF ? 0xFFFF : value.length;
    return RSKNAMEREC{0, static_cast<uint16_t>(length), const_cast<char*>(value.text)};
}

// Calls a definition routine of the engine (see form_items::engine_call).
template <EngineSlot S, typename... Args>
int define_through(RSKCON* con, Args... args) {
    return form_items::engine_call<S>(con, args...);
}

// The "VARIABLES" mappings: for each sublist "VARNAME" and "NAME", added through `add`. A refused
// mapping is reported and the reading goes on; a missing item ends the loop.
template <typename Add>
int read_mappings(qor_list_id list, const RSKNAMEREC& object_name, Add add) {
    qor_list_id mappings = 0;
    if (rsogetl(list, "VARIABLES", -1, &mappings) != 0) return 1;
    const int count = slcnt(slistp(mappings));
    int rc = 0;
    for (int position = 1; position <= count; ++position) {
        qor_list_id mapping = 0;
        RSOCHAR column{}, variable{};
        if (rsoitml(mappings, position, &mapping) != 0 || rsogetc(mapping, "VARNAME", -1, &column) != 0 ||
            rsogetc(mapping, "NAME", -1, &variable) != 0)
            return 1;
        rc = add(record_of(variable), record_of(column));
        if (rc != 0) xpmlog(598, 3191, static_cast<int>(object_name.length), object_name.text);
    }
    return rc;
}

// Copies an optional text item into an object name (cut to its capacity); absent leaves it empty.
void optional_name(qor_list* items, const char* item, RSKOBJNAME* target) {
    std::string_view text;
    slgnc(items, item, &text);
    const size_t length = std::min(text.size(), static_cast<size_t>(kRskObjectNameCapacity));
    std::copy_n(text.data(), length, target->buffer);
    target->name = RSKNAMEREC{kRskObjectNameCapacity, static_cast<uint16_t>(length), target->buffer};
}

// The output's run identity and library, all optional: absent items leave blanks.
void read_output_identity(qor_list_id list, RSKOUTOBJ* output) {
    qor_list* items = slistp(list);
    optional_name(items, "PROJECT", &output->project_name);
    optional_name(items, "RUNNAME", &output->run_name);
    double run_time = 0.0;
    if (slgnd(items, "RUNTIME", &run_time, 0.0) == 0) output->run_time = run_time;
    std::string_view libref;
    slgnc(items, "LIBNAME", &libref);
    std::fill(std::begin(output->libref), std::end(output->libref), ' ');
    std::copy_n(libref.data(), std::min(libref.size(), sizeof output->libref), output->libref);
}

// The object's header once the engine defined it: handed to the caller's pointer when given.
void hand_out(RSKCATOBJ** out, RSKCATOBJ* defined) {
    if (out != nullptr) *out = defined;
}

}  // namespace

int rssdtgs(RSKCON* con, int code, const char** text) {
    auto names = engine_routine<EngineSlot::rskcspd>();
    int length = names ? names(con, code, text) : 0;
    if (length <= 0 || *text == nullptr) {
        *text = kUnknownText;
        length = static_cast<int>(sizeof kUnknownText - 1);
    }
    return length;
}

int rss_format_to_store(RSKCON* con, int code, const RSKNAMEREC* object, const char** text, int* length) {
    *length = rssdtgs(con, code, text);
    if (std::string_view(*text, static_cast<size_t>(*length)) != kUnknownText) return 0;
    xpmlog(598, 3192, object->text ? static_cast<int>(object->length) : 0, object->text, code);
    return 1;
}

int rssdtgt(RSKCON* con, const char* name, int length) {
    auto codes = engine_routine<EngineSlot::rskcdpd>();
    int code = codes ? codes(con, name, length) : 0;
    return code > 0 ? code : kSimpleFormat;
}

int rssdats(RSKCON* con, qor_list_id list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{}, format{}, class_name{}, member{};
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetc(list, "FORMAT", -1, &format) != 0 ||
        rsogetc(list, "CLASSNAME", -1, &class_name) != 0 || rsogetc(list, "MEMNAME", -1, &member) != 0)
        return 1;
    const std::string_view format_text(format.text ? format.text : "", format.length);
    int code = rssdtgt(con, format.text, static_cast<int>(format.length));
    if (format_text == kUnknownText) {
        // Written by an older build for a format it did not know: loaded as Simple, and said so.
        xpmlog(598, 3193, static_cast<int>(name.length), name.text);
        code = kSimpleFormat;
    }
    RSKNAMEREC object_name = record_of(name), class_record = record_of(class_name), member_record = record_of(member);
    RSKCATOBJ* defined = nullptr;
    if (define_through<EngineSlot::rskdatd>(con, &defined, &object_name, code, &class_record, &member_record,
                                            header) != 0)
        return 1;
    hand_out(out, defined);
    return read_mappings(list, object_name, [&](RSKNAMEREC variable, RSKNAMEREC column) {
        return define_through<EngineSlot::rskdata>(con, defined, &variable, &column);
    });
}

int rssidss(RSKCON* con, qor_list_id list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{}, type{}, member{};
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetc(list, "TYPE", -1, &type) != 0 ||
        rsogetc(list, "MEMNAME", -1, &member) != 0)
        return 1;
    auto codes = engine_routine<EngineSlot::rskcdmd>();
    int code = codes ? codes(con, type.text, static_cast<int>(type.length)) : 0;
    if (code <= 0) code = kUnknownMarketType;
    // Optional items: no row name, no interval.
    qor_list* items = slistp(list);
    std::string_view row_text, interval_text;
    slgnc(items, "ROWNAME", &row_text);
    slgnc(items, "INTERVAL", &interval_text);
    interval_spec interval{};
    interval_spec* interval_given = nullptr;
    if (!interval_text.empty()) {
        if (zintstr(interval_text.data(), static_cast<int>(interval_text.size()), &interval) == 0)
            interval_given = &interval;
        else
            xebug("rssanl: get_interval: bad interval name \"%*s\".", static_cast<int>(interval_text.size()),
                  interval_text.data());
    }
    RSKNAMEREC object_name = record_of(name), member_record = record_of(member);
    RSKNAMEREC row{0, static_cast<uint16_t>(row_text.size()), const_cast<char*>(row_text.data())};
    RSKCATOBJ* defined = nullptr;
    if (define_through<EngineSlot::rskidsd>(con, &defined, &object_name, code, interval_given,
                                            row_text.empty() ? nullptr : &row, &member_record, header) != 0)
        return 1;
    hand_out(out, defined);
    read_mappings(list, object_name, [&](RSKNAMEREC variable, RSKNAMEREC column) {
        return define_through<EngineSlot::rskidsa>(con, defined, &variable, &column);
    });
    return 0;
}

int rssouts(RSKCON* con, qor_list_id list, RSKLISTWS*, int, int, RSKCATOBJ** out, RSKCATOBJ* header) {
    RSOCHAR name{}, destination{};
    if (rsogetc(list, "NAME", -1, &name) != 0 || rsogetc(list, "DESTINPATH", -1, &destination) != 0) return 1;
    // "DATASET" and "MDDB" must be there; the output's files are the engine's to keep.
    qor_list_id files = 0;
    if (rsogetl(list, "DATASET", -1, &files) != 0 || rsogetl(list, "MDDB", -1, &files) != 0) return 1;
    RSKNAMEREC object_name = record_of(name), destination_record = record_of(destination);
    RSKCATOBJ* defined = nullptr;
    // The object is read back as stored: its directory is looked for, and a missing one does not
    // stop the object from loading (DELETE must still reach it).
    if (define_through<EngineSlot::rskoutd>(con, &defined, &object_name, static_cast<const RSKNAMEREC*>(nullptr),
                                            static_cast<const RSKNAMEREC*>(&destination_record), 2, header) != 0)
        return 1;
    hand_out(out, defined);
    // The files a run listed are not read back: the object's next run lists what it writes.
    if (defined != nullptr && defined->object != nullptr)
        read_output_identity(list, static_cast<RSKOUTOBJ*>(defined->object));
    return 0;
}
