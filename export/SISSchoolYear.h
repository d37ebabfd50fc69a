#pragma once

// SISSchoolYear: a school-year identifier and its display text.

#include "XString.h"

// A school-year identifier and its display text ("2015" and "2015-16" both show as "2015-2016").
class SISSchoolYear
{
public:
    // Keeps the identifier and derives its display text (parse).
    explicit SISSchoolYear(const XString& text);

    // Derives the display text. A two-digit year is read through the window of the current year,
    // except a second year whose digits are those of the year after the first: that is the year.
    void parse();
    // The same with a given current year (the window's reference).
    void parse(int currentYear);

    const XString& GetText() const { return m_text; }
    const XString& GetDisplayText() const { return m_displayText; }

private:
    XString m_text;
    XString m_displayText;
};
