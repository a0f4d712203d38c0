// The kind table of result data sets as the output routines read it: member names and their part
// forms, label messages, destinations, and the column switches of each kind.
#pragma once
#include "engine/output/result_datasets.h"

struct RSKOPTREC;

// The plain member name of a kind, or null when the kind is not in the table.
const char* rskres_member_literal(int kind);
// The destination of a kind under the options (RSKDEST_*; RSKDEST_NONE for an unknown kind).
int rskres_destination(const RSKOPTREC* options, int kind);
// True for the kinds whose rows carry ResultNumber and ResultName.
bool rskres_writes_result_name(int kind);
// Sets the column switches of a kind for the run (and the descriptor's variable switches).
// 0, or 1 for a kind outside the table.
int rskres_kind_switches(const RSKRUNRESULTS* results, const RSKOPTREC* options, int kind,
                         RSKVARSWITCH* sw, RSKRESDS* resds);

// The switches of the kinds that COMBINE takes over when they are requested.
void get_flags_summary(const RSKRUNRESULTS* results, const RSKOPTREC* options,
                       const RSKRESDS* summary, RSKVARSWITCH* sw);
void get_flags_scenario(const RSKRUNRESULTS* results, const RSKOPTREC* options, RSKVARSWITCH* sw);
void get_flags_plcurve(const RSKOPTREC* options, RSKVARSWITCH* sw);
void get_flags_plsurface(const RSKOPTREC* options, RSKVARSWITCH* sw);
void get_flags_deltanormal(const RSKRUNRESULTS* results, RSKVARSWITCH* sw);
void get_flags_simstats(const RSKRUNRESULTS* results, const RSKOPTREC* options,
                        const RSKRESDS* simstat, RSKVARSWITCH* sw);

// The text of message 598/number formatted with the arguments into buffer (NUL-terminated), as
// code and labels need it: without the message-number prefix of the log. Its length; 0 when the
// message is missing.
int rskres_message(char* buffer, int size, int number, ...);
