#pragma once

// SISExpCustomFieldList: the custom fields of one include file.

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "SISExpCustomField.h"
#include "SISExpHeader.h"
#include "XString.h"

// The custom fields of one include file, with the header block of their data file.
// Copies share the field objects; a field object goes with the last list that holds it.
class SISExpCustomFieldList
{
public:
    SISExpCustomFieldList(const XString& includeFile, const XString& headerTitle, const XString& headerFile,
                          bool commentedOutByDefault);
    SISExpCustomFieldList(const SISExpCustomFieldList& other) = default;
    SISExpCustomFieldList& operator=(const SISExpCustomFieldList& other) = default;
    ~SISExpCustomFieldList() = default;

    // Adds a field. commentedOut: 1 or 0, or -1 for the list's default. An empty name adds nothing;
    // a name written like one already in the list (SISExpCustomField::WrittenText) is refused and
    // the list keeps its entry.
    void AddCustomField(const XString& name, const XString& caption, const XString& marker,
                        const XString& format, int commentedOut = -1);

    // Whether the list holds a name written like this one.
    bool Contains(const XString& name) const;
    // The other name that the list holds under this name's written form, the first time this
    // name is asked about; else empty (no such name, the same name, or asked before).
    XString NewClash(const XString& name);
    size_t Count() const { return m_fields.size(); }
    const SISExpCustomField* At(size_t index) const { return m_fields[index].get(); }

    const XString& GetIncludeFile() const { return m_includeFile; }
    SISExpHeader& GetHeader() { return m_header; }
    const SISExpHeader& GetHeader() const { return m_header; }
    bool CommentedOutByDefault() const { return m_commentedOutByDefault; }

    // The include file's text: "// " + header title, then one line per field; lines end in CR LF.
    XString IncludeText() const;

private:
    XString m_includeFile;
    SISExpHeader m_header;
    bool m_commentedOutByDefault;
    std::vector<std::shared_ptr<SISExpCustomField>> m_fields;
    std::map<std::string, std::string> m_names;  // written form -> the name that holds it
    std::set<std::string> m_clashes;              // names already answered by NewClash
};
