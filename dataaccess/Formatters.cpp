#include "DataAccessBase.h"

#include "PhoneNumber.h"
#include "ValueText.h"

#include <utility>

// The output-column formatters: each reads the current column's field (or the given one) and
// turns its value into the text of the import files.

namespace {

// Every tab, carriage return and line feed becomes a blank.
XString Blanked(XString text)
{
    const size_t n = text.Length();
    for (size_t i = 0; i < n; ++i) {
        char& c = *text.At(i);
        if (c == '\t' || c == '\r' || c == '\n')
            c = ' ';
    }
    return text;
}

XString IntText(int64_t value)
{
    return valuetext::Integer(value);
}

XString DateText(const XDate& date, const XString& pattern)
{
    XString text;
    if (!valuetext::DefaultDate(date, pattern, text))
        text = date.Format(pattern);
    return text;
}

bool IsEmptyDay(const XDate& date, bool moreEmptyDays)
{
    const int32_t day = date.GetDay();
    if (date.IsEmpty() || day == XDate::Day1900)
        return true;
    return moreEmptyDays && (day == 0 || day == XDate::Day1899);
}

bool EqualsNoCase(const XString& text, const char* word)
{
    return text.CompareNoCase(word) == 0;
}

}  // namespace

XString DataAccessBase::FormatText()
{
    if (!GetCurrentColumn())
        return XString();
    XString text = GetTrimmedString(GetCurrentField());
    text.Trim();
    return Blanked(std::move(text));
}

XString DataAccessBase::FormatTrimmed()
{
    if (!GetCurrentColumn())
        return XString();
    XString text = GetTrimmedString(GetCurrentField());
    text.Trim();
    return text;
}

XString DataAccessBase::FormatUpper()
{
    XString text = FormatText();
    text.MakeUpper();
    return text;
}

XString DataAccessBase::FormatQuoted()
{
    if (!GetCurrentColumn())
        return XString();
    return FormatText().Quoted();
}

XString DataAccessBase::FormatZeroBlank()
{
    return ZeroBlankText(FormatText());
}

XString DataAccessBase::ZeroBlankText(const XString& text)
{
    return text == "0" ? XString() : text;
}

XString DataAccessBase::FormatZeroAsBlank()
{
    return FormatZeroBlank();
}

XString DataAccessBase::FormatNABlank()
{
    XString text = FormatText();
    return text == "N/A" ? XString() : text;
}

XString DataAccessBase::FormatPhone()
{
    XString text = FormatText();
    if (text == "N/A")
        text = XString();
    return FormatPhoneText(text);
}

XString DataAccessBase::FormatNoLineBreaks()
{
    return Blanked(FormatText());
}

XString DataAccessBase::FormatNoTabs()
{
    return Blanked(FormatText());
}

XString DataAccessBase::NoTabsText(const XString& text)
{
    return Blanked(text);
}

XString DataAccessBase::FormatMoney()
{
    if (!GetCurrentColumn())
        return XString();
    return "$" + valuetext::Fixed(GetDouble(GetCurrentField()), 2);
}

XString DataAccessBase::FormatDate()
{
    if (!GetCurrentColumn())
        return XString();
    return DateText(GetDate(GetCurrentField()), m_dateFormat);
}

XString DataAccessBase::FormatDateBlank1900(DataAccessField* field)
{
    if (!field && !GetCurrentColumn())
        return XString();
    const XDate date = GetDate(field ? field : GetCurrentField());
    return IsEmptyDay(date, false) ? XString() : DateText(date, m_dateFormat);
}

XString DataAccessBase::FormatDateBlank1900Current()
{
    return FormatDateBlank1900(nullptr);
}

XString DataAccessBase::FormatDateBlankNull(DataAccessField* field)
{
    if (!field && !GetCurrentColumn())
        return XString();
    const XDate date = GetDate(field ? field : GetCurrentField());
    return IsEmptyDay(date, true) ? XString() : DateText(date, m_dateFormat);
}

XString DataAccessBase::FormatDateBlankNullCurrent()
{
    return FormatDateBlankNull(nullptr);
}

XString DataAccessBase::FormatDateZeroBlank()
{
    XString text = FormatDate();
    return text == "0" ? XString() : text;
}

XString DataAccessBase::FormatTime()
{
    if (!GetCurrentColumn())
        return XString();
    return GetTime(GetCurrentField()).Format(m_timeFormat);
}

XString DataAccessBase::FormatDateTime()
{
    if (!GetCurrentColumn())
        return XString();
    const XDateTime value = GetDateTime(GetCurrentField());
    XString text;
    if (!valuetext::DefaultDateTime(value, m_dateTimeFormat, text))
        text = value.Format(m_dateTimeFormat);
    return text;
}

XString DataAccessBase::FormatDateTimeAsDate()
{
    if (!GetCurrentColumn())
        return XString();
    return DateText(GetDateTime(GetCurrentField()).GetDate(), m_dateFormat);
}

XString DataAccessBase::FormatInt()
{
    if (!GetCurrentColumn())
        return XString();
    return IntText(GetWholeNumber(GetCurrentField()));
}

XString DataAccessBase::FormatIntZeroBlank()
{
    XString text = FormatInt();
    return text == "0" ? XString() : text;
}

XString DataAccessBase::FormatIntOf(DataAccessField* field)
{
    if (!field)
        return XString();
    XString text = IntText(GetWholeNumber(field));
    return text == "0" ? XString() : text;
}

bool DataAccessBase::GetBoolOf(DataAccessField* field)
{
    if (!field)
        field = GetCurrentField();
    return field ? GetBool(field) : false;
}

XString DataAccessBase::YesNoText(bool value)
{
    return XString(value ? "Yes" : "No");
}

XString DataAccessBase::FormatYesNo()
{
    return YesNoText(GetBoolOf(nullptr));
}

XString DataAccessBase::FormatNoYes()
{
    return XString(GetBoolOf(nullptr) ? "No" : "Yes");
}

XString DataAccessBase::FormatNoYesOf(DataAccessField* field)
{
    return XString(field && GetBool(field) ? "No" : "Yes");
}

XString DataAccessBase::YesBlankText(bool value)
{
    return value ? XString("Yes") : XString();
}

XString DataAccessBase::FormatYesBlank()
{
    if (!GetCurrentColumn())
        return XString();
    return FormatYesBlankOf(GetCurrentField());
}

XString DataAccessBase::FormatYesBlankOf(DataAccessField* field)
{
    return YesBlankText(field && GetBool(field));
}

XString DataAccessBase::FormatBoolDigit()
{
    return XString(GetBoolOf(nullptr) ? "1" : "0");
}

XString DataAccessBase::FormatDigitFromText()
{
    const XString text = FormatText();
    if (text.IsEmpty())
        return XString();
    if (text == "1" || EqualsNoCase(text, "yes") || EqualsNoCase(text, "y"))
        return XString("1");
    if (text == "0" || EqualsNoCase(text, "no") || EqualsNoCase(text, "n"))
        return XString("0");
    return XString();
}

bool DataAccessBase::ParseBool()
{
    const XString text = FormatText();
    return text == "1" || EqualsNoCase(text, "yes") || EqualsNoCase(text, "y");
}

XString DataAccessBase::FormatFloat()
{
    if (!GetCurrentColumn())
        return XString();
    // Read as a double: a float would turn 1234.56 into 1234.560059.
    return valuetext::Fixed(GetDouble(GetCurrentField()), 6);
}

XString DataAccessBase::FormatFloatOf(DataAccessField* field)
{
    if (!field)
        field = GetCurrentField();
    if (!field)
        return XString();
    return valuetext::Fixed(static_cast<double>(GetFloat(field)), 0);
}

XString DataAccessBase::FormatFloatWhole()
{
    return FormatFloatOf(nullptr);
}

XString DataAccessBase::FormatFloatWholeOf(DataAccessField* field)
{
    return FormatFloatOf(field);
}

XString DataAccessBase::FormatCategoryWord()
{
    static const char* const words[] = {"activity", "athletic", "class", "enrollment", "lunch", "transit"};
    const XString text = FormatText();
    for (const char* word : words) {
        if (EqualsNoCase(text, word))
            return XString(word);
    }
    return text;
}

XString DataAccessBase::PrefixGSText(const XString& text)
{
    return "gs_" + text;
}

XString DataAccessBase::FormatPrefixGS()
{
    return PrefixGSText(FormatText());
}

XString DataAccessBase::FormatPhoneNumber()
{
    return FormatPhoneText(FormatText());
}

XString DataAccessBase::FormatPhoneText(const XString& text)
{
    XString problem;
    XString formatted = PhoneNumber::format(text, problem);
    if (!problem.IsEmpty())
        LogMessage(7, problem);
    return formatted;
}

XString DataAccessBase::FormatYN()
{
    const XString text = FormatText();
    if (text.IsEmpty())
        return XString();
    if (text == "1" || text == "X" || EqualsNoCase(text, "yes") || EqualsNoCase(text, "y"))
        return XString("Y");
    if (text == "0" || EqualsNoCase(text, "no") || EqualsNoCase(text, "n"))
        return XString("N");
    return XString();
}

XString DataAccessBase::NormalizeYesNo(const XString& text)
{
    if (EqualsNoCase(text, "YES") || EqualsNoCase(text, "true") || EqualsNoCase(text, "y") || text == "1")
        return XString("Yes");
    if (EqualsNoCase(text, "No") || EqualsNoCase(text, "false") || EqualsNoCase(text, "n") || text == "0")
        return XString("No");
    return text;
}
