// Host locale services for multibyte text: locale-aware field comparison and the test whether
// a byte position holds a single-byte character. The host's text encoding is UTF-8.
#pragma once
#include "host/export.h"

// Case-insensitive comparison of two blank-padded fields, character by character.
// 0 when equal (the shorter taken as blank-extended), else +i when a is the greater and -i when
// b is, i being the 1-based character position of the first difference. A null text counts as
// length 0; the locale argument is reserved for the host and may be null.
QOR_HOST_API int wzsxcmn(const void* a, int length_a, const void* b, int length_b, void* locale_arg);

// 1 when the byte at offset (0-based) of the text is a character of its own (ASCII), 0 when it
// starts or continues a multibyte sequence, or when the offset lies outside the text.
QOR_HOST_API int wzsxoff(const void* text, int length, int offset);
