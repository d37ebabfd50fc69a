// Masking of passwords and secrets in logged and shown texts.

#include "SecretMask.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace SecretMask {

const char* const Stars = "********";

namespace {

using Range = std::pair<int, int>;  // [begin, end)

bool isWordByte(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_' ||
           u >= 0x80;
}

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

// The length of the word (upper case) when the text holds it at the place, in any letter case; 0 when not.
size_t wordAt(const char* text, size_t length, size_t at, const char* word)
{
    size_t k = 0;
    for (; word[k]; ++k) {
        if (at + k >= length || upper(text[at + k]) != word[k])
            return 0;
    }
    return k;
}

bool startsWithNoCase(const QByteArray& text, int at, const char* word)
{
    return wordAt(text.constData(), size_t(text.size()), size_t(at), word) > 0;
}

// End of a connection-string value: a braced value runs to its closing "}" ("}}" stands for one "}"),
// a quoted one to its closing quote, any other to ";", a double quote or the end.
int valueEnd(const QByteArray& text, int start)
{
    const int n = text.size();
    int i = start;
    if (i < n && text.at(i) == '{') {
        for (++i; i < n; ++i) {
            if (text.at(i) != '}')
                continue;
            if (i + 1 < n && text.at(i + 1) == '}') {
                ++i;
                continue;
            }
            return i + 1;
        }
        return n;
    }
    if (i < n && text.at(i) == '"') {
        const int close = text.indexOf('"', i + 1);
        return close < 0 ? n : close + 1;
    }
    while (i < n && text.at(i) != ';' && text.at(i) != '"')
        ++i;
    return i;
}

void addKeyValues(const QByteArray& text, std::vector<Range>& ranges)
{
    static const char* const keys[] = {"PASSWORD", "PWD"};
    const int n = text.size();
    for (int i = 0; i < n; ++i) {
        if (i > 0 && isWordByte(text.at(i - 1)))
            continue;
        for (const char* key : keys) {
            if (!startsWithNoCase(text, i, key))
                continue;
            int j = i + int(qstrlen(key));
            while (j < n && text.at(j) == ' ')
                ++j;
            if (j >= n || text.at(j) != '=')
                continue;
            ++j;
            while (j < n && text.at(j) == ' ')
                ++j;
            const int end = valueEnd(text, j);
            if (end > j)
                ranges.emplace_back(j, end);
            break;
        }
    }
}

void addSecret(const QByteArray& text, const QByteArray& secret, std::vector<Range>& ranges)
{
    const int n = secret.size();
    if (n == 0)
        return;
    const bool wordStart = isWordByte(secret.at(0));
    const bool wordEnd = isWordByte(secret.at(n - 1));
    for (int i = text.indexOf(secret); i >= 0; i = text.indexOf(secret, i + 1)) {
        if (wordStart && i > 0 && isWordByte(text.at(i - 1)))
            continue;
        if (wordEnd && i + n < text.size() && isWordByte(text.at(i + n)))
            continue;
        ranges.emplace_back(i, i + n);
    }
}

}  // namespace

QByteArray apply(const QByteArray& text, const QList<QByteArray>& secrets)
{
    std::vector<Range> ranges;
    addKeyValues(text, ranges);
    for (const QByteArray& secret : secrets)
        addSecret(text, secret, ranges);
    if (ranges.empty())
        return text;
    std::sort(ranges.begin(), ranges.end());
    QByteArray out;
    out.reserve(text.size());
    int done = 0;
    for (size_t r = 0; r < ranges.size();) {
        int begin = ranges[r].first;
        int end = ranges[r].second;
        // Overlapping or touching ranges are masked as one.
        for (++r; r < ranges.size() && ranges[r].first <= end; ++r)
            end = std::max(end, ranges[r].second);
        out.append(text.constData() + done, begin - done);
        out.append(Stars);
        done = end;
    }
    out.append(text.constData() + done, text.size() - done);
    return out;
}

QString apply(const QString& text, const QStringList& secrets)
{
    QList<QByteArray> bytes;
    bytes.reserve(secrets.size());
    for (const QString& secret : secrets)
        bytes.append(secret.toUtf8());
    const QByteArray utf8 = text.toUtf8();
    const QByteArray masked = apply(utf8, bytes);
    return masked == utf8 ? text : QString::fromUtf8(masked);
}

size_t passwordWordEnd(const char* text, size_t length)
{
    // The password words with the spellings of switches that begin with them, longest first.
    static const char* const spellings[] = {"PASSWORDENCODE", "PASSWORTENCODE", "PASSWDENCODE", "PASSWENCODE",
                                            "PASSWORD",       "PASSWORT",       "PASSWD",       "PASSW",
                                            "PWDENCODE",      "PWD",            "ENCODE"};
    for (size_t i = 0; i < length; ++i) {
        for (const char* spelling : spellings) {
            if (const size_t n = wordAt(text, length, i, spelling))
                return i + n;
        }
    }
    return 0;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

size_t joinedSwitchWordEnd(const char* text, size_t length)
{
    for (size_t i = 1; i < length; ++i) {
        if (text[i] != '-' || !isBlank(text[i - 1]))
            continue;
        size_t keyEnd = i;
        while (keyEnd < length && text[keyEnd] != '=' && !isBlank(text[keyEnd]))
            ++keyEnd;
        if (const size_t end = passwordWordEnd(text + i, keyEnd - i))
            return i + end;
        i = keyEnd;
    }
    return 0;
}

// The bytes up to end, then the stars when anything follows.
static QString shownUpTo(const QString& text, const QByteArray& bytes, size_t end)
{
    if (end == 0 || end == size_t(bytes.size()))
        return text;
    // The word is ASCII: the bytes before its end are whole characters.
    return QString::fromUtf8(bytes.constData(), int(end)) + QLatin1String(Stars);
}

// The end that the finder gives in the text's UTF-8 bytes.
static size_t endIn(const QByteArray& bytes, size_t (*find)(const char*, size_t))
{
    return find(bytes.constData(), size_t(bytes.size()));
}

bool joinsPasswordSwitch(const QString& value)
{
    return endIn(value.toUtf8(), joinedSwitchWordEnd) > 0;
}

QString shownValue(const QString& value)
{
    const QByteArray bytes = value.toUtf8();
    return shownUpTo(value, bytes, endIn(bytes, joinedSwitchWordEnd));
}

bool isSecretKey(const QString& key)
{
    return endIn(key.toUtf8(), passwordWordEnd) > 0;
}

QString shownKey(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return shownUpTo(text, bytes, endIn(bytes, passwordWordEnd));
}

}  // namespace SecretMask
