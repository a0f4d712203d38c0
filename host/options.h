// Host options (typed registry with save and restore) and environment variables.
// Options are named case-insensitively; the OPTIONS statement of a program sets them.
#pragma once
#include "host/export.h"

// Boolean, integer and text options: get returns 0 on success, 1 for an unknown name.
QOR_HOST_API int xoptbgt(const char* name, int* value);
QOR_HOST_API int xoptbst(const char* name, int value);
QOR_HOST_API int xoptigt(const char* name, long* value);
QOR_HOST_API int xoptist(const char* name, long value);
// Text option: copies at most size-1 bytes and a NUL; the true length goes to *length.
QOR_HOST_API int xoptcgt(const char* name, char* buffer, int size, int* length);
QOR_HOST_API int xoptcst(const char* name, const char* value, int length);

// Apply the text of an OPTIONS statement ("GENERIC NODATE PAPC=4 DEBUG='sem'").
// 0 on success; an unknown option or bad value gives an error message and a non-zero code.
QOR_HOST_API int qor_options_statement(const char* text, int length);

enum : int { QOR_ENV_TOO_SMALL = static_cast<int>(0x80002011u), QOR_ENV_ABSENT = 1 };
// Environment variable into a buffer (NUL-terminated); *length gets the value's true length.
// 0 on success, QOR_ENV_TOO_SMALL when the buffer is too small, QOR_ENV_ABSENT when unset.
QOR_HOST_API int wzosvar(const char* name, char* buffer, int size, int* length);
