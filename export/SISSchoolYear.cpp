// School-year identifiers and their display texts.

#include "SISSchoolYear.h"

#include "XDate.h"

SISSchoolYear::SISSchoolYear(const XString& text) : m_text(text)
{
    parse();
}

void SISSchoolYear::parse()
{
    parse(XDate::Today().Year());
}

// Number of decimal digits at the start of text (from offset).
static size_t LeadingDigits(const XString& text, size_t offset)
{
    size_t n = 0;
    while (offset + n < text.Length() && *text.At(offset + n) >= '0' && *text.At(offset + n) <= '9')
        ++n;
    return n;
}

static int DigitsValue(const XString& text, size_t offset, size_t count)
{
    int value = 0;
    for (size_t i = 0; i < count; ++i)
        value = value * 10 + (*text.At(offset + i) - '0');
    return value;
}

void SISSchoolYear::parse(int currentYear)
{
    m_displayText = m_text;
    const int pivot = (currentYear + 1) % 100;
    auto window = [pivot](int twoDigits) { return twoDigits < pivot ? 2000 + twoDigits : 1900 + twoDigits; };

    const size_t lead = LeadingDigits(m_text, 0);
    if (lead >= 5)
        return;

    int first = 0;
    size_t firstDigits = 0;
    size_t secondStart = 0;
    if (lead >= 4) {
        first = DigitsValue(m_text, 0, 4);
        firstDigits = 4;
        secondStart = 5;
    } else if (lead >= 3) {
        return;
    } else if (lead >= 2) {
        first = window(DigitsValue(m_text, 0, 2));
        firstDigits = 2;
        secondStart = 3;
    } else {
        return;
    }

    int second = first + 1;
    size_t consumed = firstDigits;
    const size_t secondDigits = secondStart < m_text.Length() ? LeadingDigits(m_text, secondStart) : 0;
    if (secondDigits >= 5 || secondDigits == 3)
        return;
    if (secondDigits == 4) {
        second = DigitsValue(m_text, secondStart, 4);
        consumed += 1 + 4;
    } else if (secondDigits == 2) {
        // Through the window, and a century on where that puts it more than a year before the first:
        // a school year across the window's edge (2026-27, 2099-00) ends the year after it begins,
        // while a slip (2015-14, 2026-26) shows as typed.
        second = window(DigitsValue(m_text, secondStart, 2));
        if (second < first - 1)
            second += 100;
        consumed += 1 + 2;
    }

    if (consumed == m_text.Length()) {
        m_displayText = XString(first);
        m_displayText += "-";
        m_displayText += XString(second);
    }
}
