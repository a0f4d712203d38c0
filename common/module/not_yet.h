// The answer of an entry-table routine that a module does not provide yet: an internal-error
// line naming the routine, so that a caller learns what is missing, and a failure code.
#pragma once

// Logs "<routine>: not yet available." through the internal-error printer; returns 1.
int not_yet_available(const char* routine);
