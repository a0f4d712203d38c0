// Functions of the methods language that live on the common library's numerics and interval
// routines: PROBNORM, PROBIT, INTNX and INTCK, installed into a compile session.
#pragma once

struct cmp_session;

// Installs PROBNORM, PROBIT, INTNX, INTCK and the distribution functions of
// methods_distributions.h into a session; 0 on success.
int methods_install_library(cmp_session* session);
