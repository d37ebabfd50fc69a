#pragma once

// XXmlElement and XXmlDocument: the small XML reader and writer.

#include <cstddef>
#include <memory>
#include <vector>

#include "XString.h"

// A small XML element tree: name, attributes, text and child elements.
class XXmlElement
{
public:
    explicit XXmlElement(const char* name = "");

    const XString& GetName() const { return m_name; }
    const XString& GetText() const { return m_text; }
    void SetText(const char* text) { m_text = text; }
    void SetText(const XString& text) { m_text = text; }

    // Attributes in the order they were set.
    void SetAttribute(const char* name, const char* value);
    // The attribute's value, or null when absent.
    const XString* GetAttribute(const char* name) const;

    // Appends a child element and answers it.
    XXmlElement& AddChild(const char* name, const char* text = nullptr);
    size_t ChildCount() const { return m_children.size(); }
    XXmlElement& ChildAt(size_t index) { return *m_children[index]; }
    const XXmlElement& ChildAt(size_t index) const { return *m_children[index]; }
    // The first child of that name, or null.
    const XXmlElement* FindChild(const char* name) const;
    XXmlElement* FindChild(const char* name);
    // The text of the first child of that name, or the fallback.
    XString ChildText(const char* name, const char* fallback = "") const;

private:
    friend class XXmlDocument;
    XString m_name;
    XString m_text;
    std::vector<std::pair<XString, XString>> m_attributes;
    std::vector<std::unique_ptr<XXmlElement>> m_children;
};

// A document with one root element, written as indented text with CR LF line ends
// and read back by a small parser that refuses malformed input.
class XXmlDocument
{
public:
    explicit XXmlDocument(const char* rootName = "");

    XXmlElement& Root() { return *m_root; }
    const XXmlElement& Root() const { return *m_root; }

    // Parses the text; false (document unchanged) when it is not well-formed.
    bool Parse(const char* text, size_t length);
    bool Parse(const XString& text) { return Parse(text.CStr(), text.Length()); }
    // Reads and parses the file; false when it cannot be read or parsed.
    bool Load(const char* path);

    // The document as text, with an XML declaration.
    XString ToString() const;
    // Writes the document to the file; throws XException on failure.
    void Save(const char* path) const;

    // Escapes & < > " ' as entities.
    static XString Escape(const char* text);

private:
    static void WriteElement(XString& out, const XXmlElement& element, int depth);

    std::unique_ptr<XXmlElement> m_root;
};
