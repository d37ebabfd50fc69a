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
        // The digits of the year after the first are that year (2026-27, 2099-00); any others go
        // through the window as a first year does (2015-14 shows as typed).
        const int digits = DigitsValue(m_text, secondStart, 2);
        second = digits == (first + 1) % 100 ? first + 1 : window(digits);
        consumed += 1 + 2;
    }

    if (consumed == m_text.Length()) {
        m_displayText = XString(first);
        m_displayText += "-";
        m_displayText += XString(second);
    }
}
