// Routines shared by the files of code submission: the option changes around a run.
#pragma once
#include "engine/model/submission/code_submission.h"

// Saves and sets the options of the requests (598/8118 to 8120 for what cannot be done):
// 0; 1 when no room for the saved values could be had (nothing changed).
int modify_sysopts(int n, const RSKOPTREQ* requests, RSKSUBMITCTX* context);
// Puts back every saved value in request order (598/8121, 8122): 0 | 1.
int reset_sysopts(int n, const RSKOPTREQ* requests, RSKSUBMITCTX* context);
