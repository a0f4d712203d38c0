// Closing the result data sets of a run: each in a fixed order of kinds, an empty one deleted
// (MODCOV excepted), a closed one appended to the run's archive; then the run's result records
// are cleared.
#include <algorithm>
#include <cstring>

#include "engine/analyses/cashflow_analysis.h"
#include "engine/model/options/engine_options.h"
#include "engine/model/projects/projects.h"
#include "engine/output/output_object.h"
#include "engine/output/result_datasets.h"
#include "engine/run/run_block.h"
#include "host/dataset.h"
#include "host/print.h"

namespace {

// The order in which rskoutc closes the kinds, and so the order of the archive's members.
constexpr int kCloseOrder[] = {
    RSKRES_INSTVALS,   RSKRES_INSTCFS,   RSKRES_ERRORS,     RSKRES_MKTRATES,   RSKRES_COMBINE,
    RSKRES_SUMMARY,    RSKRES_SENS,      RSKRES_SENS2,      RSKRES_PARTIALDUR, RSKRES_PLCURVE,
    RSKRES_PLSURF,     RSKRES_SCEN,      RSKRES_DVAR,       RSKRES_SIMSTAT,    RSKRES_SIMDENS,
    RSKRES_SIMRFIM,    RSKRES_SIMRFS,    RSKRES_SIMSTATE,   RSKRES_SIMVALUE,   RSKRES_OPTSUM,
    RSKRES_OPTVALUE,   RSKRES_MKTSTATE,  RSKRES_STATES_A,   RSKRES_STATES_V,   RSKRES_VALUES,
    RSKRES_UNNAMED_113, RSKRES_ALLPRICE_P, RSKRES_ALLPRICE_V, RSKRES_ALLPRICE_S, RSKRES_ALLPRICE_A,
    RSKRES_CASHFLOW,   RSKRES_ALGAPS,    RSKRES_SHOCKS,     RSKRES_MODCOV,
};

// A blank-padded or NUL-ended field of up to `size` bytes as a NUL-ended text.
void terminated(const char* field, int size, char* out) {
    int length = 0;
    while (length < size && field[length] != '\0' && field[length] != ' ') ++length;
    std::memcpy(out, field, static_cast<size_t>(length));
    out[length] = '\0';
}

RSKOUTOBJ* object_of(RSKCON* con, const RSKRESDS* result) {
    if (result->output_object != nullptr) return result->output_object;
    return con->run_block != nullptr ? con->run_block->output_object : nullptr;
}

// The object's file entry of the data set, or null.
RSKOUTFILE* file_of(RSKOUTOBJ* object, const RSKRESDS* result) {
    if (object == nullptr) return nullptr;
    for (RSKOUTFILE* file = object->files_head; file != nullptr; file = file->next)
        if (file->file_kind == RSKOUTFILE_DATA && file->member.name.length == result->member.name.length &&
            std::memcmp(file->member.name.text, result->member.name.text, result->member.name.length) == 0)
            return file;
    return nullptr;
}

// An empty data set leaves no member: the new one is abandoned and a member of that name from an
// earlier run of the object is deleted, so that it cannot pass for this run's result.
void delete_empty(RSKCON* con, RSKRESDS* result, RSKOUTOBJ* object) {
    if (result->database_handle != nullptr && con->run_block != nullptr &&
        con->run_block->result_sets.mddb.end != nullptr)
        con->run_block->result_sets.mddb.end(con, result);
    result->database_handle = nullptr;
    if (result->definition != nullptr) xvputt(result->definition);
    result->definition = nullptr;
    if (result->dataset != nullptr) xoclose(result->dataset, 1);
    result->dataset = nullptr;
    if (object != nullptr) {
        char libref[9], member[kRskObjectNameCapacity + 1];
        terminated(object->libref, 8, libref);
        std::memcpy(member, result->member.name.text, result->member.name.length);
        member[result->member.name.length] = '\0';
        if (libref[0] != '\0' && member[0] != '\0') xomdel(libref, member, "DATA");
        rskout_remove_file(con, object, file_of(object, result));
    }
}

}  // namespace

int rskputc(RSKCON* con, RSKRESDS* result) {
    if (con == nullptr || result == nullptr || !result->open) return 0;
    RSKOUTOBJ* object = object_of(con, result);
    int rc = 0;
    if (result->rows == 0 && result->kind != RSKRES_MODCOV) {
        delete_empty(con, result, object);
    } else {
        if (result->definition != nullptr) xvputt(result->definition);
        result->definition = nullptr;
        if (result->dataset != nullptr) {
            const int closed = xoclose(result->dataset, 0);
            if (closed != 0) {
                xprrlog(1, closed);
                rc = 1;
            }
        }
        result->dataset = nullptr;
        if (result->database_handle != nullptr && con->run_block != nullptr &&
            con->run_block->result_sets.mddb.end != nullptr)
            con->run_block->result_sets.mddb.end(con, result);
        result->database_handle = nullptr;
        if (rc == 0 && object != nullptr && con->run_block != nullptr && con->run_block->archive.open)
            rc = std::max(rc, rskarca(con, object, result->member.name.text, result->member.name.length));
    }
    result->open = 0;
    return rc;
}

int rskoutc(RSKCON* con, RSKOUTOBJ* object) {
    if (con == nullptr || con->run_block == nullptr) return 1;
    RSKRUNBLOCK* block = con->run_block;
    int rc = 0;
    const RSKPROJECT* project = block->project;
    if (project != nullptr && project->options.archive.name.length > 0)
        rc = rskarco(con, project->options.archive.name.text, project->options.archive.name.length,
                     object != nullptr ? object->run_time : block->run_time);
    // The asset/liability gaps are sorted once their data set is closed (cash-flow analyses).
    const RSKRESDS& gap_set = block->result_sets.descriptors[RSKRES_ALGAPS];
    const bool gaps = block->cashflow_analyses.cash_flows != 0 && gap_set.open != 0 && gap_set.destination == RSKDEST_DATASET;
    for (int kind : kCloseOrder) rc = std::max(rc, rskputc(con, &block->result_sets.descriptors[kind]));
    if (gaps) rc = std::max(rc, process_algaps(con));
    rskarcc(con);
    for (RSKRESDS& result : block->result_sets.descriptors) std::memset(static_cast<void*>(&result), 0, sizeof result);
    std::memset(static_cast<void*>(&block->result_sets.row), 0, sizeof block->result_sets.row);
    return rc;
}
