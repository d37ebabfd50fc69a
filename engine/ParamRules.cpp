// Cleaning and checking of the run parameters that reach SQL text.

#include "ParamRules.h"

#include <QRegularExpression>
#include <QSet>

namespace {

QString StripQuotesAndSpace(const QString& text)
{
    static const QRegularExpression pattern(QStringLiteral("['\"\\s]"));
    QString out = text;
    out.remove(pattern);
    return out;
}

bool IsListText(const QString& text)
{
    for (const QChar c : text) {
        if (c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('-') || c == QLatin1Char('/') ||
            c == QLatin1Char('.') || c == QLatin1Char('_'))
            continue;
        return false;
    }
    return true;
}

}  // namespace

QStringList CleanAltSchoolNumbers(const QString& text)
{
    QStringList numbers;
    QSet<QString> seen;
    const QStringList parts = StripQuotesAndSpace(text).split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& part : parts) {
        if (!seen.contains(part)) {
            seen.insert(part);
            numbers.append(part);
        }
    }
    return numbers;
}

QString CleanAltSchoolField(const QString& text)
{
    return StripQuotesAndSpace(text);
}

bool IsPlainNumber(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool CheckQueryParams(const ParamMap& params, QString& key, QString& message)
{
    const QString school = params.value(QStringLiteral("school"));
    if (!school.isEmpty() && !IsPlainNumber(school)) {
        key = QStringLiteral("school");
        message = QStringLiteral("School number must be a plain number: ") + school;
        return false;
    }
    const QString district = params.value(QStringLiteral("district"));
    if (!district.isEmpty() && !IsPlainNumber(district)) {
        key = QStringLiteral("district");
        message = QStringLiteral("District number must be a plain number: ") + district;
        return false;
    }
    const QStringList alternatives = CleanAltSchoolNumbers(params.value(QStringLiteral("altschool")));
    for (const QString& number : alternatives) {
        if (!IsPlainNumber(number)) {
            key = QStringLiteral("altschool");
            message = QStringLiteral("Alternative school numbers must be plain numbers: ") + number;
            return false;
        }
    }
    for (const char* name : {"teacher", "year"}) {
        const QString value = params.value(QLatin1String(name));
        if (!IsListText(value)) {
            key = QLatin1String(name);
            message = key + QStringLiteral(" holds a character that is not allowed: ") + value;
            return false;
        }
    }
    return true;
}
