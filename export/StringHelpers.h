#pragma once

// Small text helpers of the export code.

#include <QString>

#include "XString.h"
#include "XStringPair.h"

// name + " (" + id + ")" when the name is not empty and differs from the id, else the id.
XString PairDisplayText(const XString& id, const XString& name);
// The same for a pair whose key is the id and whose value is the name.
XString PairDisplayText(const XStringPair& pair);

// second when first is empty, first when second is empty, else first + separator + second.
XString JoinWithSeparator(const XString& first, const XString& second, const XString& separator);
// JoinWithSeparator written into result.
void BuildStringFromParts(XString& result, const XString& first, const XString& second,
                          const XString& separator);

// Sets the text to the number's decimal digits.
void SetStringFromNumber(XString& text, unsigned short number);

// The 8-bit text of a QString in the platform's 8-bit code page (UTF-8), and back.
XString fromQString(const QString& text);
QString toQString(const XString& text);
