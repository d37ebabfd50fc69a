#pragma once

// PhoneNumber: phone-number formatting for the import files.

#include "XString.h"

// Phone-number formatting for the import files.
class PhoneNumber
{
public:
    // Formats the number by its count of digits (7: ddd-dddd, 10: ddd ddd-dddd, 11: +d-ddd-ddd-dddd,
    // 12-14: +d.. ddd ddd-dddd, 8 and 9 unchanged) with " x" + extension. Any other number is kept
    // as given and the problem text says so; the problem text is emptied first.
    static XString format(const XString& text, XString& problem);
};
