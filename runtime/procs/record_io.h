// Whole observations of data sets for the runtime's own procedures (SORT, TRANSPOSE, APPEND):
// a reader that hands out each observation's stored bytes with the variables that the input
// data set options leave visible, and a writer that stores such bytes into a new member.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/core/observation_window.h"
#include "runtime/procs/dataset_spec.h"
#include "runtime/storage/dataset_internal.h"

namespace qor::runtime {

// A value of a stored observation; v.offset says where the variable sits in it.
inline double record_number(const unsigned char* record, const ds_variable& v) {
    return ds_load_number(record + v.offset, v.length);
}
inline std::string_view record_text(const unsigned char* record, const ds_variable& v) {
    return std::string_view(reinterpret_cast<const char*>(record + v.offset), static_cast<size_t>(v.length));
}

// Index of a variable by name (case ignored) in a list, or -1.
int find_variable(const std::vector<ds_variable>& variables, const std::string& name);

class RecordReader {
public:
    RecordReader() = default;
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;
    ~RecordReader();

    // Opens the data set, or the view of that name, for input. KEEP=, DROP= and RENAME= shape
    // variables(); WHERE= filters next(); OPTIONS FIRSTOBS= and OBS= bound the observations.
    // false after an error message naming the procedure. all_observations ignores the options
    // (a member being rewritten, such as the base of PROC APPEND, is read whole).
    bool open(const DatasetSpec& spec, const char* proc, bool all_observations = false);
    void close();
    const std::vector<ds_variable>& variables() const { return visible_; }
    int record_length() const { return ds_->layout.record_length; }
    const qor_sort_keys& sort_keys() const { return ds_->layout.sort_keys; }
    const std::string& label() const { return ds_->layout.label; }
    // Observations of the window (before WHERE=).
    int64_t window_count() const { return window_.count(); }
    // The next observation that passes WHERE=: its stored bytes, valid until the next call;
    // null at the end and after a logged failure (failed() tells them apart).
    const unsigned char* next();
    bool failed() const { return failed_; }
    // The number of the observation next() returned last.
    int64_t observation() const { return at_; }
    const std::string& name() const { return name_; }
    bool is_view() const { return view_; }

private:
    bool passes(const unsigned char* record) const;

    qor_dataset* ds_ = nullptr;
    std::vector<ds_variable> visible_;
    struct Condition {
        ds_variable variable;
        WhereTerm term;
    };
    std::vector<std::vector<Condition>> where_;
    ObservationWindow window_;
    int64_t at_ = 0;
    bool failed_ = false;
    bool view_ = false;
    std::string name_;
    std::string proc_;
};

class RecordWriter {
public:
    RecordWriter() = default;
    RecordWriter(const RecordWriter&) = delete;
    RecordWriter& operator=(const RecordWriter&) = delete;
    ~RecordWriter();   // abandons a member that was not closed: the old one stays

    // Opens the member for output with `variables` (their offsets address the records that
    // write() takes) shaped by the KEEP=, DROP= and RENAME= options. WHERE= is refused.
    // false after an error message naming the procedure.
    bool open(const DatasetSpec& spec, const std::vector<ds_variable>& variables, const char* proc);
    bool write(const unsigned char* record);
    // Sort keys by index into the open's variables; recorded up to the first one not written.
    void set_sort_keys(const std::vector<std::pair<size_t, bool>>& keys);
    void set_label(const std::string& label);
    // Puts the new member into place: false after a logged failure (the old member stays).
    bool close();
    void abandon();
    int64_t written() const { return written_; }

private:
    qor_dataset* ds_ = nullptr;
    std::vector<std::pair<ds_variable, int>> copies_;   // source variable, offset in the output
    std::vector<int> output_number_;                     // per source variable: 1-based, 0 dropped
    bool whole_copy_ = false;
    int64_t written_ = 0;
    std::string name_;
    std::string proc_;
};

}  // namespace qor::runtime
