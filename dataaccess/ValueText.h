#pragma once

// Fast texts of numbers, dates and times for the per-record path.

#include "XDate.h"
#include "XDateTime.h"
#include "XString.h"

#include <cstdint>

// Texts of values on the per-record path, without printf. Each answers the same text as the
// general formatting it stands for.
namespace valuetext {

// Decimal digits of an integer ("%d", "%lld").
XString Integer(long long value);

// printf's "%.Nf" of a double.
XString Fixed(double value, int decimals);

// "%.4f" without trailing zeros and without a trailing decimal point.
XString Real(double value);

// The date in the pattern "mm/dd/yyyy" (letters in either case); false when the pattern or the
// date needs the general token formatter.
bool DefaultDate(const XDate& date, const XString& pattern, XString& out);

// The date and time in the pattern "mm/dd/yyyy HH:NN:SS AA"; false when the pattern or the
// value needs the general token formatter.
bool DefaultDateTime(const XDateTime& value, const XString& pattern, XString& out);

}  // namespace valuetext
