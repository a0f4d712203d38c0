// The records of one running DATA step: the program data vector's variables that the step owns,
// the input data sets with their read-ahead observation, and the output data sets.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/where.h"
#include "runtime/datastep/step_text.h"

namespace qor::runtime::datastep {

// A variable the step lays out itself: read from an input, or automatic (_N_, FIRST.x, END=...).
struct PdvVariable {
    std::string name;      // as first written
    std::string upper;     // upper case
    bool character = false;
    int length = 8;        // character: bytes; numeric: stored bytes 3..8
    int offset = 0;        // in the program data vector's record
    bool automatic = false;   // never written to an output
    qor_var_desc attributes{};   // label, format, informat from the first input that has it
};

// Where an input variable goes: its number in the input, its place in the input's read-ahead
// record, and the program data vector's variable it fills.
struct InputColumn {
    int number = 0;        // 1-based in the data set
    int staging = 0;       // offset in the read-ahead record
    int width = 8;         // bytes in the read-ahead record
    int pdv = -1;          // index into the step's variables
};

struct Input {
    DatasetSpec spec;
    qor_dataset* ds = nullptr;
    qor_getlist* get = nullptr;
    std::vector<InputColumn> columns;
    std::vector<double> staging;   // the read-ahead observation (8-byte aligned)
    std::vector<int> by_staging;   // BY variables' staging offsets (-1: absent)
    bool has_previous = false;
    bool head = false;             // the read-ahead record holds an observation
    long position = 0;             // observation number of the read-ahead record
    long read = 0;                 // observations taken into the step
    qor_where* where_option = nullptr;
    qor_where* where_statement = nullptr;
    int in_variable = -1;          // IN= variable's index, or -1
    int64_t observations = 0;
};

// A variable written to an output: where its value lives in this run.
struct OutputColumn {
    std::string name;              // output name (after RENAME)
    bool character = false;
    int length = 8;
    const double* number = nullptr;          // numeric value
    const char* fixed_text = nullptr;        // character value of the step's own record
    const qor_namerec* local_text = nullptr; // character value of a local of the program
    int staging = 0;               // offset in the output's record
    qor_var_desc desc{};
};

struct Output {
    DatasetSpec spec;
    qor_dataset* ds = nullptr;
    qor_putlist* put = nullptr;
    std::vector<OutputColumn> columns;
    std::vector<double> staging;
    qor_where* where_option = nullptr;
    long written = 0;
};

}  // namespace qor::runtime::datastep
