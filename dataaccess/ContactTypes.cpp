#include "ODBCDataAccess.h"

#include "ConnectionString.h"
#include "SISSchoolYear.h"
#include "SecretMask.h"

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
    size_t i = static_cast<size_t>(hit - start) + std::strlen(k);
    if (i < len && *connectionString.At(i) == '{') {
        // A braced value may hold ";" and quotes: it ends at its closing brace ("}}" is one "}").
        for (; i < len; ++i) {
            char* c = connectionString.At(i);
            const bool brace = *c == '}';
            *c = '*';
            if (!brace)
                continue;
            if (i + 1 < len && *connectionString.At(i + 1) == '}')
                *connectionString.At(++i) = '*';
            else
                break;
        }
        return true;
    }
    for (; i < len; ++i) {
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
    // The values after password keys, and every whole occurrence of the known passwords, wherever
    // a driver put them: the setting and the password of the stored connection string.
    QList<QByteArray> secrets;
    if (!m_password.IsEmpty())
        secrets.append(QByteArray(m_password.CStr()));
    for (const ado::ConnectionAttribute& a : ado::ParseConnectionString(m_connectionString.CStr())) {
        const QByteArray key = QByteArray::fromStdString(a.first).toUpper();
        if ((key == "PWD" || key == "PASSWORD") && !a.second.empty())
            secrets.append(QByteArray::fromStdString(a.second));
    }
    const QByteArray masked = SecretMask::apply(QByteArray(text.CStr(), int(text.Length())), secrets);
    XString out;
    out.Assign(masked.constData(), size_t(masked.size()));
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
