// Phone-number formatting for the import files.

#include "PhoneNumber.h"

#include <cstring>

// Splits text at the first occurrence of marker: number before, extension after.
static bool SplitAt(const XString& text, const char* marker, XString& number, XString& extension)
{
    const char* found = std::strstr(text.CStr(), marker);
    if (!found)
        return false;
    size_t pos = static_cast<size_t>(found - text.CStr());
    number = text.Left(pos);
    extension = text.Mid(pos + std::strlen(marker));
    return true;
}

// The digits placed into a pattern where 'd' stands for one digit.
static XString Fill(const char* pattern, const XString& digits)
{
    XString out;
    size_t next = 0;
    for (const char* p = pattern; *p; ++p)
        out += *p == 'd' ? *digits.At(next++) : *p;
    return out;
}

XString PhoneNumber::format(const XString& text, XString& problem)
{
    problem = "";
    if (text.IsEmpty())
        return XString();

    XString cleaned(text);
    cleaned.RemoveChars("() -");

    XString number(cleaned);
    XString extension;
    bool hasExtension = SplitAt(cleaned, "ext", number, extension) ||
                        SplitAt(cleaned, "Ext", number, extension) ||
                        SplitAt(cleaned, "x", number, extension);

    XString formatted;
    bool parsed = !number.IsEmpty() && number.IsDigits();
    if (parsed) {
        switch (number.Length()) {
        case 7:
            formatted = Fill("ddd-dddd", number);
            break;
        case 8:
        case 9:
            formatted = number;
            break;
        case 10:
            formatted = Fill("ddd ddd-dddd", number);
            break;
        case 11:
            formatted = Fill("+d-ddd-ddd-dddd", number);
            break;
        case 12:
            formatted = Fill("+dd ddd ddd-dddd", number);
            break;
        case 13:
            formatted = Fill("+ddd ddd ddd-dddd", number);
            break;
        case 14:
            formatted = Fill("+dddd ddd ddd-dddd", number);
            break;
        default:
            parsed = false;
            break;
        }
    }
    if (!parsed) {
        problem =
            XString("Phone number: ") + text +
            ", cannot parse into right format.  This means that the phone number in your database is not in "
            "phone number format.";
        return text;
    }
    if (hasExtension && !extension.IsEmpty()) {
        formatted += " x";
        formatted += extension;
    }
    return formatted;
}
