// The small record types: pairs, lookup entries, custom fields and table headers.

#include "LookupEntry.h"
#include "SISExpCustomField.h"
#include "SISExpCustomFieldList.h"
#include "SISExpHeader.h"
#include "XStringPair.h"

int XStringPair::CompareFn(const XStringPair* a, const XStringPair* b)
{
    return XString::CompareFn(&a->key, &b->key);
}

void DeleteStringPairs(XVector<XStringPair>* pairs)
{
    if (pairs)
        pairs->DeleteAll();
}

static XString BlankLineBreaks(const XString& text)
{
    XString result(text);
    result.Replace('\t', ' ');
    result.Replace('\r', ' ');
    result.Replace('\n', ' ');
    return result;
}

LookupEntry::LookupEntry(const XString& k) : key(k) {}

LookupEntry::LookupEntry(const XString& k, const XString& d, const XString& n, const XString& f)
    : key(k), description(BlankLineBreaks(d)), name(BlankLineBreaks(n)), fileNumber(f)
{
}

int LookupEntry::CompareFn(const LookupEntry* a, const LookupEntry* b)
{
    return XString::CompareFn(&a->key, &b->key);
}

XString SISExpCustomField::WrittenText(const XString& text)
{
    XString result(text);
    result.Replace('"', '\'');
    result.Replace('\r', ' ');
    result.Replace('\n', ' ');
    result.RemoveChars("\t");
    return result;
}

XString SISExpCustomField::Line() const
{
    const XString quotedName = WrittenText(name);
    const XString quotedCaption = WrittenText(caption);
    XString line;
    if (commentedOut)
        line += "//";
    line += marker;
    line += " ";
    line += quotedName.Quoted();
    line += " ";
    line += quotedCaption.Quoted();
    line += " ";
    line += format.Quoted();
    return line;
}

XString SISExpHeader::JoinedTitles() const
{
    XString joined;
    for (size_t i = 0; i < titles.size(); ++i) {
        if (i)
            joined += '\t';
        joined += titles[i];
    }
    return joined;
}

SISExpCustomFieldList::SISExpCustomFieldList(const XString& includeFile, const XString& headerTitle,
                                             const XString& headerFile, bool commentedOutByDefault)
    : m_includeFile(includeFile), m_header(headerTitle, headerFile, false),
      m_commentedOutByDefault(commentedOutByDefault)
{
}

void SISExpCustomFieldList::AddCustomField(const XString& name, const XString& caption, const XString& marker,
                                           const XString& format, int commentedOut)
{
    if (name.IsEmpty())
        return;
    if (!m_names.emplace(SISExpCustomField::WrittenText(name).CStr(), name.CStr()).second)
        return;
    bool out = commentedOut < 0 ? m_commentedOutByDefault : commentedOut != 0;
    m_fields.push_back(std::make_shared<SISExpCustomField>(marker, name, caption, format, out));
}

bool SISExpCustomFieldList::Contains(const XString& name) const
{
    return m_names.count(SISExpCustomField::WrittenText(name).CStr()) != 0;
}

XString SISExpCustomFieldList::NewClash(const XString& name)
{
    const auto held = m_names.find(SISExpCustomField::WrittenText(name).CStr());
    if (held == m_names.end() || held->second == name.CStr() || !m_clashes.insert(name.CStr()).second)
        return XString();
    return XString(held->second.c_str());
}

XString SISExpCustomFieldList::IncludeText() const
{
    XString text("// ");
    text += m_header.title;
    text += "\r\n";
    for (const auto& field : m_fields) {
        text += field->Line();
        text += "\r\n";
    }
    return text;
}
