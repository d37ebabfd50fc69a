// Small text helpers of the export code.

#include "StringHelpers.h"

#include <QByteArray>

XString PairDisplayText(const XString& id, const XString& name)
{
    if (!name.IsEmpty() && name != id)
        return name + " (" + id + ")";
    return id;
}

XString PairDisplayText(const XStringPair& pair)
{
    return PairDisplayText(pair.key, pair.value);
}

XString JoinWithSeparator(const XString& first, const XString& second, const XString& separator)
{
    if (first.IsEmpty())
        return second;
    if (second.IsEmpty())
        return first;
    return first + separator + second;
}

void BuildStringFromParts(XString& result, const XString& first, const XString& second,
                          const XString& separator)
{
    result = JoinWithSeparator(first, second, separator);
}

void SetStringFromNumber(XString& text, unsigned short number)
{
    text = XString(static_cast<unsigned>(number));
}

XString fromQString(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    XString result;
    result.Assign(bytes.constData(), static_cast<size_t>(bytes.size()));
    return result;
}

QString toQString(const XString& text)
{
    return QString::fromUtf8(text.CStr(), static_cast<int>(text.Length()));
}
