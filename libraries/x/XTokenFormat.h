#pragma once

// The date and time token formatter.

#include "XString.h"

class XDate;
class XTime;

// Formats the date tokens (when date is given) and time tokens (when time is given) of a pattern
// in one pass; every other character is copied.
XString FormatDateTimeTokens(const char* pattern, const XDate* date, const XTime* time);

// Number of UTF-8 bytes that hold the first n characters of text.
size_t Utf8PrefixBytes(const char* text, size_t n);
