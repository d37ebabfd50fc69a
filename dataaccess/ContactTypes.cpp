#include "ODBCDataAccess.h"

#include "SISSchoolYear.h"

#include <cctype>
#include <cstring>
#include <vector>

// Contact types, password masking and year texts.

namespace {

struct Relationship
{
    const char* word;
    const char* type;
};

const Relationship kRelationships[] = {
    {"MOTHER", "Family"},       {"MOM", "Family"},         {"FATHER", "Family"},      {"DAD", "Family"},
    {"BROTHER", "Family"},      {"SISTER", "Family"},      {"AUNT", "Family"},        {"UNCLE", "Family"},
    {"GRANDMOTHER", "Family"},  {"GRANDMA", "Family"},     {"GRANDFATHER", "Family"}, {"GRANDPA", "Family"},
    {"PARTNER", "Family"},      {"DOCTOR", "Health"},      {"DENTIST", "Health"},     {"DR", "Health"},
    {"EMERGENCY", "Emergency"}, {"GUARDIAN", "Emergency"},
};

// Case-insensitive search from a position; npos-like length when absent.
size_t FindNoCase(const XString& text, const char* key, size_t from)
{
    const size_t keyLen = std::strlen(key);
    const size_t len = text.Length();
    if (keyLen == 0 || keyLen > len)
        return len;
    for (size_t i = from; i + keyLen <= len; ++i) {
        size_t k = 0;
        while (k < keyLen && std::toupper(static_cast<unsigned char>(*text.At(i + k))) ==
                                 std::toupper(static_cast<unsigned char>(key[k])))
            ++k;
        if (k == keyLen)
            return i;
    }
    return len;
}

// End of a connection-string value starting at start: a braced value runs to its "}", any other
// value to ";", a double quote or the end.
size_t ValueEnd(const XString& text, size_t start)
{
    const size_t len = text.Length();
    size_t i = start;
    if (i < len && *text.At(i) == '{') {
        while (i < len && *text.At(i) != '}')
            ++i;
        return i < len ? i + 1 : len;
    }
    while (i < len && *text.At(i) != ';' && *text.At(i) != '"')
        ++i;
    return i;
}

const char* const kPasswordKeys[] = {"Password=", "PWD="};

}  // namespace

void DataAccessBase::BuildRelationshipTable()
{
    if (!m_relationshipMap)
        m_relationshipMap = new XVector<XStringPair>(5, XStringPair::CompareFn);
    DeleteStringPairs(m_relationshipMap);
    for (const Relationship& r : kRelationships)
        m_relationshipMap->Add(new XStringPair(r.word, r.type));
}

XString DataAccessBase::GetContactType(const XString& relationship)
{
    XString key = relationship;
    key.MakeUpper();
    key.Remove("'S");
    key.RemoveCharRange(32, 64);
    key.RemoveCharRange(91, 96);
    key.RemoveCharRange(123, 126);
    key.Remove("STEP");
    if (m_relationshipMap) {
        const XStringPair probe(key, XString());
        if (const XStringPair* found = m_relationshipMap->Search(&probe))
            return found->value;
    }
    return XString("Contact");
}

bool DataAccessBase::MaskPassword(XString& connectionString, const XString& key)
{
    const char* k = key.IsEmpty() ? "PWD=\"" : key.CStr();
    const char* start = connectionString.CStr();
    const char* hit = std::strstr(start, k);
    if (!hit)
        return false;
    const size_t len = connectionString.Length();
    for (size_t i = static_cast<size_t>(hit - start) + std::strlen(k); i < len; ++i) {
        char* c = connectionString.At(i);
        if (*c == ';' || *c == '"')
            break;
        *c = '*';
    }
    return true;
}

void DataAccessBase::MaskConnectionPasswords(XString& connectionString)
{
    static const char* const keys[] = {"Password=", "PASSWORD=", "PWD=", "Pwd="};
    for (const char* key : keys) {
        if (MaskPassword(connectionString, key))
            return;
    }
}

XString ODBCDataAccess::MaskSecrets(const XString& text) const
{
    XString out = text;
    // Every value after a password key, in any letter case.
    for (const char* key : kPasswordKeys) {
        const size_t keyLen = std::strlen(key);
        for (size_t pos = FindNoCase(out, key, 0); pos < out.Length();
             pos = FindNoCase(out, key, pos + keyLen)) {
            const size_t end = ValueEnd(out, pos + keyLen);
            for (size_t i = pos + keyLen; i < end; ++i)
                *out.At(i) = '*';
        }
    }
    // Every occurrence of the known passwords, wherever a driver put them.
    std::vector<XString> secrets;
    if (!m_password.IsEmpty())
        secrets.push_back(m_password);
    for (const char* key : kPasswordKeys) {
        const size_t keyLen = std::strlen(key);
        const XString& cs = m_connectionString;
        for (size_t pos = FindNoCase(cs, key, 0); pos < cs.Length();
             pos = FindNoCase(cs, key, pos + keyLen)) {
            size_t start = pos + keyLen;
            size_t end = ValueEnd(cs, start);
            if (end > start && *cs.At(start) == '{') {
                ++start;
                if (end > start && *cs.At(end - 1) == '}')
                    --end;
            }
            if (end > start)
                secrets.push_back(cs.Mid(start, end));
        }
    }
    for (const XString& secret : secrets) {
        const size_t n = secret.Length();
        for (size_t i = 0; i + n <= out.Length();) {
            if (std::memcmp(out.At(i), secret.CStr(), n) == 0) {
                for (size_t k = 0; k < n; ++k)
                    *out.At(i + k) = '*';
                i += n;
            } else {
                ++i;
            }
        }
    }
    return out;
}

QString SchoolYearLabel(const QString& identifier)
{
    const QByteArray bytes = identifier.toLatin1();
    SISSchoolYear year(XString(bytes.constData()));
    return QString::fromLatin1(year.GetDisplayText().CStr());
}

QString SchoolYearPairText(const QPair<QString, QString>& identifierAndName)
{
    if (!identifierAndName.second.isEmpty())
        return identifierAndName.second;
    return SchoolYearLabel(identifierAndName.first);
}
