// Data sets as the built-in procedures name and read them: "lib.member" (one level is WORK),
// the checks that the library is assigned and the member exists, and a sequential reader.
#pragma once
#include <string>
#include <vector>

#include "host/dataset.h"
#include "runtime/core/observation_window.h"

namespace qor::runtime {

struct DatasetName {
    std::string libref;   // upper case
    std::string member;   // as written
    std::string text() const;   // "LIB.MEMBER", upper case, for messages
};

// Reads "lib.member" or "member" (WORK). The library reference has at most 8 characters and the
// member at most 32: a letter or '_' first, then letters, digits, '_'. false after logging an
// error naming the procedure and line; also when the library is not assigned.
bool parse_dataset_name(const std::string& text, const char* proc, int line, DatasetName* name);

// Whether the data set exists (as a data set or a view).
bool dataset_exists(const DatasetName& name);

// The request to open the data set in a mode.
qor_open_request open_request(const DatasetName& name, int mode);

// One variable of an open data set and the format it is shown with.
struct DatasetVariable {
    qor_var_desc desc;
    std::string name;
    std::string label;
};

// Reads a data set observation by observation, values by variable number (0-based); only the
// observations that OPTIONS FIRSTOBS= and OBS= leave are read.
class DatasetReader {
public:
    DatasetReader() = default;
    DatasetReader(const DatasetReader&) = delete;
    DatasetReader& operator=(const DatasetReader&) = delete;
    ~DatasetReader();

    // Opens for input; false after logging an error naming the procedure.
    bool open(const DatasetName& name, const char* proc);
    const std::vector<DatasetVariable>& variables() const { return variables_; }
    // The next observation: 1 read, 0 at the end, -1 after logging a failure.
    int next();
    // Reading starts again at the first observation. false after logging a failure.
    bool rewind();
    // The number of observations read (the window of FIRSTOBS= and OBS=).
    long observations() const;
    // The number in the data set of the first observation read.
    long first_observation() const { return static_cast<long>(window_.first); }
    double number(size_t index) const;
    std::string text(size_t index) const;   // trailing blanks dropped

private:
    qor_dataset* ds_ = nullptr;
    std::vector<DatasetVariable> variables_;
    ObservationWindow window_;
    int64_t at_ = 0;   // the observation read last
};

}  // namespace qor::runtime
