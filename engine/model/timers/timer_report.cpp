// What the timers measured: the overheads of timing itself, and the report of the finished
// records to the log and to the data set WORK._TIMING_.
#include <cstring>

#include "engine/model/timers/timers.h"
#include "host/dataset.h"
#include "host/kernel.h"
#include "host/print.h"

namespace {

constexpr char kLibrary[8] = {'W', 'O', 'R', 'K', ' ', ' ', ' ', ' '};
constexpr const char* kMember = "_TIMING_";
constexpr int kColumns = 12;
constexpr int kLabelWidth = 60;

// The values of one observation of _TIMING_, bound to the put list.
struct TimingRow {
    double nest, idnum, cputime, walltime, cpucost, wallcost, n, inittime;
    char modname[8];
    char label[kLabelWidth];
    char projname[32];
    char runname[32];
};

struct Column {
    const char* name;
    int type;
    int length;
    int label_message;
    const char* format;
    int width;
    int decimals;
};

constexpr Column kColumnsOf[kColumns] = {
    {"NEST", QOR_VAR_NUMERIC, 4, 7513, "", 0, 0},
    {"MODNAME", QOR_VAR_CHARACTER, 8, 7517, "", 0, 0},
    {"LABEL", QOR_VAR_CHARACTER, kLabelWidth, 7517, "", 0, 0},
    {"IDNUM", QOR_VAR_NUMERIC, 4, 7512, "", 0, 0},
    {"CPUTIME", QOR_VAR_NUMERIC, 4, 7514, "F", 8, 3},
    {"WALLTIME", QOR_VAR_NUMERIC, 4, 7515, "F", 8, 3},
    {"CPUCOST", QOR_VAR_NUMERIC, 4, 7508, "F", 8, 3},
    {"WALLCOST", QOR_VAR_NUMERIC, 4, 7509, "F", 8, 3},
    {"N", QOR_VAR_NUMERIC, 4, 7516, "", 0, 0},
    {"INITTIME", QOR_VAR_NUMERIC, 8, 7511, "DATETIME", 16, 0},
    {"PROJNAME", QOR_VAR_CHARACTER, 32, 7519, "", 0, 0},
    {"RUNNAME", QOR_VAR_CHARACTER, 32, 7520, "", 0, 0},
};

void* source_of(TimingRow* row, int column) {
    void* sources[kColumns] = {&row->nest, row->modname, row->label, &row->idnum, &row->cputime,
                               &row->walltime, &row->cpucost, &row->wallcost, &row->n,
                               &row->inittime, row->projname, row->runname};
    return sources[column];
}

int define_columns(qor_dataset* ds, qor_putlist** put, TimingRow* row) {
    int rc = xvputi(ds, kColumns, put);
    for (int c = 0; c < kColumns && rc == 0; ++c) {
        const Column& col = kColumnsOf[c];
        qor_var_desc desc;
        xvnamei(&desc);
        std::strcpy(desc.name, col.name);
        desc.name_length = static_cast<int16_t>(std::strlen(col.name));
        desc.type = static_cast<int16_t>(col.type);
        desc.length = col.length;
        desc.label_length = static_cast<int16_t>(xpmstr(desc.label, sizeof desc.label, 598, col.label_message));
        if (col.width > 0) {
            std::strcpy(desc.format, col.format);
            desc.format_length = static_cast<int16_t>(std::strlen(col.format));
            desc.format_width = static_cast<int16_t>(col.width);
            desc.format_decimals = static_cast<int16_t>(col.decimals);
        }
        int width = col.type == QOR_VAR_NUMERIC ? 8 : col.length;
        rc = xvputd(*put, &desc, source_of(row, c), width, nullptr);
    }
    if (rc == 0) rc = xvpute(*put);
    return rc;
}

void fill_row(const RSKCON* con, const RSKTIMER* t, double now, TimingRow* row) {
    const bool nested = t->state < RSKTMR_INTERVAL_IDLE;
    row->nest = t->level;
    row->idnum = t->id;
    row->cputime = t->cpu;
    row->walltime = t->wall;
    row->cpucost = t->count * con->timer_overhead[nested ? 4 : 6];
    row->wallcost = t->count * con->timer_overhead[nested ? 5 : 7];
    row->n = t->count;
    row->inittime = now;
    std::memcpy(row->modname, t->name, sizeof row->modname);
    std::memset(row->label, ' ', sizeof row->label);
    char text[kLabelWidth];
    int length = xpmstr(text, kLabelWidth, 598, t->id, static_cast<int>(t->label_length), t->label);
    std::memcpy(row->label, text, static_cast<size_t>(length));
    std::memcpy(row->projname, t->project, sizeof row->projname);
    std::memcpy(row->runname, t->run, sizeof row->runname);
}

void log_overheads(const RSKCON* con) {
    const double* o = con->timer_overhead;
    xpslog("TIMER Overhead per 1000: ");
    xpslog("      Inner:             cpu1=%.73f wall1=%.73f.", o[0] * 1000, o[1] * 1000);
    xpslog("                         cpu2=%.73f wall2=%.73f.", o[2] * 1000, o[3] * 1000);
    xpslog("      Outer:             cpu1=%.73f wall1=%.73f.", o[4] * 1000, o[5] * 1000);
    xpslog("                         cpu2=%.73f wall2=%.73f.", o[6] * 1000, o[7] * 1000);
}

void log_record(const RSKTIMER* t, const TimingRow& row) {
    char name[9] = {};
    std::memcpy(name, t->name, 8);
    xps("TIMER: %8s %+*t", name, 2 * t->level);
    xps("%8.3f %8.3f [%8.3f %8.3f n=%5i] ", t->cpu, t->wall, row.cpucost, row.wallcost, t->count);
    xpsout("%+10t%m%*s", kLabelWidth - 1, row.label);
}

// Writes the finished records; 0, or 1 after the failure was reported.
int write_timing(RSKCON* con) {
    qor_open_request open{};
    std::memcpy(open.libref, kLibrary, sizeof open.libref);
    open.member.length = static_cast<int16_t>(std::strlen(kMember));
    std::memcpy(open.member.text, kMember, std::strlen(kMember));
    std::memset(open.member_type, ' ', sizeof open.member_type);
    open.mode = QOR_OPEN_OUTPUT;
    qor_namerec member{0, static_cast<uint16_t>(open.member.length), open.member.text};

    qor_dataset* ds = nullptr;
    int rc = xoopen(&ds, &open);
    if (rc < 0) {
        xprrlog(1, rc);
        xpslog("%1zrsktmrt: cannot open output data set %8b.%u.", kLibrary, &member);
        return 1;
    }
    TimingRow row{};
    qor_putlist* put = nullptr;
    rc = define_columns(ds, &put, &row);
    if (rc != 0) {
        xprrlog(1, rc);
        xpslog("%1zrsktmrt: xvputi failed for data set %8b.%u.", kLibrary, &member);
        xvputt(put);
        xoclose(ds, 1);
        return 1;
    }
    const double now = wzdttme();
    qor_obs_request request{};
    request.dataset = ds;
    for (const RSKTIMER* t = con->timers_finished_head; t != nullptr && rc == 0; t = t->next) {
        fill_row(con, t, now, &row);
        rc = xyvput(put, 0);
        if (rc == 0) rc = xoadd(&request);
        if (con->generic == 0) log_record(t, row);
    }
    xvputt(put);
    if (rc != 0) {
        xprrlog(1, rc);
        xoclose(ds, 1);
        return 1;
    }
    rc = xoclose(ds, 0);
    if (rc != 0) {
        xprrlog(1, rc);
        return 1;
    }
    return 0;
}

}  // namespace

int rsktmr0(RSKCON* con) {
    if (con->timers_on == 0) return 0;
    double* o = con->timer_overhead;
    std::memset(o, 0, sizeof con->timer_overhead);
    const double cpu1 = wttinfo(1), wall1 = wttinfo(0);
    // The cost of charging a record, measured on the last finished one when there is one.
    volatile double sum_cpu = 0, sum_wall = 0;
    const RSKTIMER* last = con->timers_finished_tail;
    if (last != nullptr)
        for (int i = 0; i < 1000; ++i) {
            sum_cpu = sum_cpu + last->cpu;
            sum_wall = sum_wall + last->wall;
        }
    const double cpu2 = wttinfo(1), wall2 = wttinfo(0);
    rsktmr_release_finished(con);
    const double cpu3 = wttinfo(1), wall3 = wttinfo(0);
    volatile int rounds = 0;
    for (int i = 0; i < 1000; ++i) rounds = rounds + 1;
    const double cpu4 = wttinfo(1), wall4 = wttinfo(0);
    double calibration_cpu = 0, calibration_wall = 0;
    if (con->run_block != nullptr) {
        RSKTIMER& calibration = con->run_block->calibration_timer;
        calibration_cpu = calibration.cpu;
        calibration_wall = calibration.wall;
        std::memset(&calibration, 0, sizeof calibration);
    }
    o[0] = sum_cpu / 1000;
    o[1] = sum_wall / 1000;
    o[2] = calibration_cpu / 1000;
    o[3] = calibration_wall / 1000;
    o[4] = ((cpu2 - cpu1) / 1000) / 1000;
    o[5] = ((wall2 - wall1) / 1000) / 1000;
    o[6] = ((cpu4 - cpu3) / 1000) / 1000;
    o[7] = ((wall4 - wall3) / 1000) / 1000;
    return 0;
}

int rsktmrt(RSKCON* con) {
    if (con->timers_on == 0) return 0;
    int previous = xpselec(0, QOR_DEST_LOG);
    if (con->generic == 0) log_overheads(con);
    int result = write_timing(con);
    xpoflsh(0);
    xpselec(0, previous);
    if (result == 0) rsktmr_release_finished(con);
    return result;
}
