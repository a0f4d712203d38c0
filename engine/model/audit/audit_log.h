// The audit log: a text file that receives one formatted numbered message per audited event,
// set up from AUDIT_FILE (else "audit.log") and written through a host file reference.
#pragma once
#include <cstdarg>
#include "engine/tables/control_structure.h"

// Reads AUDIT_FILE; when it is set, switches the audit trail on and sets up the file. 0.
int get_audit_outfile(RSKCON* con);
// Sets up the audit file from the audit path, falling back to "audit.log" (598/3921 when the
// path cannot be assigned, 598/3922 when it cannot be opened); 598/3923 names the file in use.
// 0, or 1 when not even "audit.log" can be assigned.
int rskadti(RSKCON* con);
// Appends message table/number, formatted with the further arguments, as a line of the audit
// file. 0, or 1 when there is no audit file, it cannot be opened or the message has no text.
int rskadtp(RSKCON* con, int table, int number, ...);
// Formats a numbered message (its text cut to 513 characters) and writes it as one print line.
// 0, or 1 when the message has no text (nothing is written).
int zxpmout(int table, int number, va_list args);
